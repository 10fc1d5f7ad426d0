#include "long_session.h"

#include "file_appender.h"
#include "port/mscomm.h"
#include "port/reconnect.h"
#include "receive/display_buffer.h"
#include "text_log.h"

namespace quillar {

LongSession::LongSession(const LongSessionOptions &options, MSComm &comm, PortReopener &toggle, DisplayBuffer &display,
                         Clock &clock, QObject *parent)
    : QObject(parent),
      m_comm(comm),
      m_display(display)
{
    if (!options.rawLog.isEmpty()) {
        m_rawLog = std::make_unique<FileAppender>(options.rawLog, FileAppender::DefaultCapacity, clock);
        connect(m_rawLog.get(), &FileAppender::failed, this, &LongSession::logFailed);
        connect(&comm, &MSComm::portOpenChanged, this, [this](bool open) {
            if (open)
                m_rawLog->open();
            else
                m_rawLog->close();
        });
        if (comm.portOpen())
            m_rawLog->open();
    }
    if (!options.textLog.isEmpty()) {
        m_textLogFile = std::make_unique<FileAppender>(options.textLog, FileAppender::DefaultCapacity, clock);
        connect(m_textLogFile.get(), &FileAppender::failed, this, &LongSession::logFailed);
        m_textLogFile->open();
        m_textLog =
            std::make_unique<TextLog>([file = m_textLogFile.get()](QByteArray text) { file->append(std::move(text)); });
        display.setAppendObserver(m_textLog.get());
    }
    if (options.reconnect) {
        m_reconnect = std::make_unique<Reconnect>(comm, toggle, clock);
        connect(m_reconnect.get(), &Reconnect::reopened, this, &LongSession::deviceReturned);
    }
}

LongSession::~LongSession()
{
    if (m_textLog) {
        m_display.setAppendObserver(nullptr);
        m_textLog->finish();
    }
}

void LongSession::received(const QByteArray &bytes)
{
    if (m_rawLog)
        m_rawLog->append(bytes);
}

void LongSession::deviceVanished()
{
    if (m_reconnect)
        m_reconnect->deviceVanished();
}

void LongSession::userTookOver()
{
    if (m_reconnect)
        m_reconnect->stop();
}

void LongSession::startedUp()
{
    if (m_reconnect)
        m_reconnect->startUpConnecting();
}

void LongSession::deliverPending()
{
    if ((m_rawLog || m_textLog) && m_comm.portOpen())
        m_comm.deliverPendingInput();
}

} // namespace quillar

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
      m_display(display),
      m_rawLogPath(options.rawLog),
      m_clock(clock)
{
    if (!options.rawLog.isEmpty()) {
        m_rawLog = std::make_unique<FileAppender>(options.rawLog, FileAppender::DefaultCapacity, clock);
        connect(m_rawLog.get(), &FileAppender::failed, this, &LongSession::logFailed);
        connect(&comm, &MSComm::portOpenChanged, this, &LongSession::opened);
        if (comm.portOpen())
            opened(true);
    }
    if (!options.textLog.isEmpty()) {
        m_textLogFile = std::make_unique<FileAppender>(options.textLog, FileAppender::DefaultCapacity, clock);
        connect(m_textLogFile.get(), &FileAppender::failed, this, &LongSession::logFailed);
        m_textLogFile->open();
        m_textLog =
            std::make_unique<TextLog>([file = m_textLogFile.get()](QByteArray text) { file->append(std::move(text)); });
        display.setAppendObserver(m_textLog.get());
    }
    comm.setPairSidesReturn(options.reconnect);
    if (options.reconnect) {
        m_reconnect = std::make_unique<Reconnect>(comm, toggle, clock);
        connect(m_reconnect.get(), &Reconnect::reopened, this, &LongSession::deviceReturned);
    }
}

LongSession::~LongSession()
{
    m_comm.setPairSidesReturn(false);
    if (m_textLog) {
        m_display.setAppendObserver(nullptr);
        m_textLog->finish();
    }
}

// A single port's bytes go to the raw log, a pair's to its sides' logs.
void LongSession::opened(bool open)
{
    const QStringList names = open ? m_comm.sideNames() : QStringList();
    if (!open) {
        m_rawLog->close();
        for (auto &log : m_sideLogs) {
            if (log)
                log->close();
        }
        return;
    }
    if (names.isEmpty()) {
        m_rawLog->open();
        return;
    }
    if (names != m_sideNames) {
        m_sideNames = names;
        for (std::size_t i = 0; i < m_sideLogs.size(); ++i) {
            // A log that failed has reported it; the new one starts afresh.
            m_sideLogs[i] = std::make_unique<FileAppender>(m_rawLogPath + u'.' + names[qsizetype(i)],
                                                           FileAppender::DefaultCapacity, m_clock);
            connect(m_sideLogs[i].get(), &FileAppender::failed, this, &LongSession::logFailed);
        }
    }
    for (auto &log : m_sideLogs)
        log->open();
}

void LongSession::received(const StampedBytes &input)
{
    if (!m_rawLog)
        return;
    if (input.sides.empty() || !m_sideLogs[0]) {
        m_rawLog->append(input.bytes);
        return;
    }
    for (std::size_t k = 0; k < input.sides.size(); ++k) {
        const qsizetype from = input.sides[k].offset;
        const qsizetype to = k + 1 < input.sides.size() ? input.sides[k + 1].offset : input.bytes.size();
        m_sideLogs[std::size_t(input.sides[k].side)]->append(input.bytes.mid(from, to - from));
    }
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

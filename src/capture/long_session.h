#pragma once

#include "platform/clock.h"
#include "platform/stamped_bytes.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <QStringList>

#include <array>
#include <memory>

namespace quillar {

class DisplayBuffer;
class FileAppender;
class MSComm;
class PortReopener;
class Reconnect;
class TextLog;

// What the command line asks of a session that runs unattended.
struct LongSessionOptions
{
    // --log: every byte received, as received; a pair's sides each in a
    // file of its own, named after the side: rawLog + "." + name.
    QString rawLog = {};
    QString textLog = {}; // --log-text: the display's lines with their times
    bool reconnect = false;
};

// A session left running for hours: the raw log follows the port's
// openings and takes every byte received, the text log follows the display,
// and a device that vanishes is reopened when it comes back. The window
// hands it what it receives and what the user does; failures of the logs
// come back as logFailed, for the window to show.
class LongSession : public QObject
{
    Q_OBJECT

public:
    // clock: where reconnect and the log writers time their waits.
    LongSession(const LongSessionOptions &options, MSComm &comm, PortReopener &toggle, DisplayBuffer &display,
                Clock &clock = Clock::steady(), QObject *parent = nullptr);
    ~LongSession() override;
    LongSession(const LongSession &) = delete;
    LongSession &operator=(const LongSession &) = delete;

    // Bytes the port gave the display: the raw log keeps them first.
    void received(const StampedBytes &input);
    // The port closed because its device went away.
    void deviceVanished();
    // The user pressed Open or Close, or edited the port box: no reopening.
    void userTookOver();
    // Start-up opened the port, or began to: a remote port whose server is
    // not up yet is tried again until it is.
    void startedUp();
    // The program ends: what the port has read ahead of the display goes
    // into the logs too. The owner calls it before the session goes, while
    // its handler still hands the bytes on.
    void deliverPending();

    [[nodiscard]] const Reconnect *reconnect() const { return m_reconnect.get(); }

signals:
    void logFailed(const QString &path, int number, const QString &description);
    // --reconnect opened the port again, as its device came back.
    void deviceReturned();

private:
    MSComm &m_comm;
    DisplayBuffer &m_display;
    void opened(bool open);

    QString m_rawLogPath;
    Clock &m_clock;
    std::unique_ptr<FileAppender> m_rawLog;
    // A pair's sides' logs, made when a pair opens, with their names.
    std::array<std::unique_ptr<FileAppender>, 2> m_sideLogs;
    QStringList m_sideNames;
    std::unique_ptr<FileAppender> m_textLogFile;
    std::unique_ptr<TextLog> m_textLog;
    std::unique_ptr<Reconnect> m_reconnect;
};

} // namespace quillar

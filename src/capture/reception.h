#pragma once

#include <QObject>

#include <memory>

namespace quillar {

class LongSession;
class MSComm;
class ReceivePath;

// Where what the port reads goes: each hand-over of Input, with the times
// of its reads, into the long session's logs first and then to the receive
// path, so that a log never lags behind the display. It holds the session,
// so that no read reaches one that is gone or two that overlap.
class Reception : public QObject
{
    Q_OBJECT

public:
    Reception(MSComm &comm, ReceivePath &receive, QObject *parent = nullptr);
    ~Reception() override;
    Reception(const Reception &) = delete;
    Reception &operator=(const Reception &) = delete;

    // The session whose logs take the reads from now on, in place of the one
    // before, which ends; none: nullptr. What the port read and has not handed
    // over yet goes to the new one. A session follows the display as it is
    // made, so one in place ends first (nullptr) before its successor is made.
    void setSession(std::unique_ptr<LongSession> session);
    [[nodiscard]] LongSession *session() const { return m_session.get(); }

    // The program ends: what the port read ahead of the display goes into
    // the logs and the display too (LongSession::deliverPending).
    void deliverPending();
    // And then the session goes, while the display it follows is still there.
    void endSession();

private:
    void take();

    MSComm &m_comm;
    ReceivePath &m_receive;
    std::unique_ptr<LongSession> m_session;
};

} // namespace quillar

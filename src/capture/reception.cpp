#include "reception.h"

#include "long_session.h"
#include "platform/guarded.h"
#include "platform/stamped_bytes.h"
#include "port/mscomm.h"
#include "receive/receive_path.h"

namespace quillar {

Reception::Reception(MSComm &comm, ReceivePath &receive, QObject *parent)
    : QObject(parent),
      m_comm(comm),
      m_receive(receive)
{
    connect(&comm, &MSComm::dataReady, this, [this] { guarded("received bytes", [this] { take(); }); });
}

Reception::~Reception() = default;

void Reception::setSession(std::unique_ptr<LongSession> session)
{
    m_session = std::move(session);
}

void Reception::deliverPending()
{
    if (m_session)
        m_session->deliverPending();
}

void Reception::endSession()
{
    deliverPending();
    m_session.reset();
}

void Reception::take()
{
    const StampedBytes input = m_comm.input();
    if (m_session)
        m_session->received(input);
    m_receive.receive(input);
}

} // namespace quillar

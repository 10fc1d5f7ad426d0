#include "remote_device.h"

#include "platform/numbered_error.h"
#include "port/remote_errors.h"
#include "port/tcp_keepalive.h"

#include <QNetworkProxy>
#include <QTcpSocket>

#include <algorithm>

namespace quillar {

namespace {

// Read from the socket at a time, and what Qt may hold of it before the
// system's buffer (and so the server) waits.
constexpr qint64 ReadChunk = 1024 * 1024;

} // namespace

RemoteDevice::RemoteDevice(int connectTimeoutMs, Clock &clock, QObject *parent)
    : PortDevice(parent),
      m_timeoutMs(connectTimeoutMs),
      m_clock(clock)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &RemoteDevice::deadlinePassed);
}

RemoteDevice::~RemoteDevice()
{
    close();
}

void RemoteDevice::open(const QString &path, const QString &link, const CommSettings &settings)
{
    close();
    const auto parsed = parseRemoteAddress(path);
    if (const auto *problem = std::get_if<AddressProblem>(&parsed))
        throw remote_errors::badAddress(link.isEmpty() ? path : link, path, problem->italian);
    m_address = std::get<RemoteAddress>(parsed);
    m_link = link;
    m_asked = m_settings = settings;
    m_stream = Rfc2217Stream();
    m_setUpSent = false;
    m_reading = true;
    m_state = State::Connecting;

    m_socket = new QTcpSocket(this);
    m_socket->setProxy(QNetworkProxy::NoProxy);
    m_socket->setReadBufferSize(ReadChunk);
    connect(m_socket, &QTcpSocket::connected, this, &RemoteDevice::socketConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &RemoteDevice::readSocket);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &RemoteDevice::socketEnded);
    connect(m_socket, &QTcpSocket::disconnected, this, &RemoteDevice::socketEnded);
    m_deadline.start(m_timeoutMs);
    // A plain TCP port gets nothing from us, so the socket cannot write.
    const bool rfc2217 = m_address.protocol == RemoteAddress::Protocol::Rfc2217;
    m_socket->connectToHost(m_address.host, m_address.port, rfc2217 ? QIODevice::ReadWrite : QIODevice::ReadOnly);
}

bool RemoteDevice::isConnecting() const
{
    return m_state == State::Connecting || m_state == State::SettingUp;
}

bool RemoteDevice::isOpen() const
{
    // Gone stays open until closed, so that what it read can be taken.
    return m_state == State::Open || m_state == State::Gone;
}

void RemoteDevice::applySettings(const CommSettings &settings)
{
    if (isOpen() && !(settings == m_settings))
        throw remote_errors::settingsWhileOpen(m_address);
}

void RemoteDevice::close()
{
    m_deadline.stop();
    if (m_socket) {
        m_socket->disconnect(this);
        m_socket->abort();
        m_socket->deleteLater();
        m_socket = nullptr;
    }
    m_state = State::Closed;
    m_held.clear();
    m_received = 0;
    m_notify = false;
}

StampedBytes RemoteDevice::take(qint64 max)
{
    const bool wasFull = available() >= MaxHeld;
    StampedBytes bytes = m_held.take(max);
    if (wasFull && m_socket)
        QMetaObject::invokeMethod(this, &RemoteDevice::readSocket, Qt::QueuedConnection);
    return bytes;
}

void RemoteDevice::notifyAfter(quint64 seen)
{
    m_notify = true;
    m_notifySeen = seen;
    announce();
}

void RemoteDevice::readNow()
{
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState)
        (void)m_socket->waitForReadyRead(0);
    readSocket();
}

void RemoteDevice::stopReading()
{
    readNow();
    m_reading = false;
}

void RemoteDevice::announce()
{
    if (!m_notify || m_received <= m_notifySeen || !isOpen())
        return;
    m_notify = false;
    QMetaObject::invokeMethod(this, &PortDevice::readyRead, Qt::QueuedConnection);
}

void RemoteDevice::socketConnected()
{
    if (m_state != State::Connecting)
        return;
    (void)tcp_keepalive::enable(m_socket->socketDescriptor());
    if (m_address.protocol == RemoteAddress::Protocol::RawTcp) {
        becomeOpen(m_asked); // the line is the server's to set: nothing to learn
        return;
    }
    m_state = State::SettingUp;
    send(m_stream.start());
}

// Whatever is written goes through here, and only the stream's negotiation
// answers and COM port commands come here.
void RemoteDevice::send(const QByteArray &commands)
{
    if (!commands.isEmpty() && m_socket && m_socket->isWritable())
        m_socket->write(commands);
}

void RemoteDevice::readSocket()
{
    if (!m_socket || !m_reading)
        return;
    const bool raw = m_address.protocol == RemoteAddress::Protocol::RawTcp;
    const qint64 found = m_clock.msSinceEpoch();
    while (available() < MaxHeld || m_state == State::Gone) {
        const QByteArray chunk = m_socket->read(ReadChunk);
        if (chunk.isEmpty())
            break;
        if (raw) {
            m_held.append(chunk, found);
            m_received += quint64(chunk.size());
            continue;
        }
        Rfc2217Stream::Output out;
        m_stream.read(chunk, out);
        m_held.append(out.data, found);
        m_received += quint64(out.data.size());
        send(out.replies);
        if (m_state == State::Open) {
            for (const CommEvent event : out.events)
                QMetaObject::invokeMethod(
                    this, [this, event] { emit lineEvent(event); }, Qt::QueuedConnection);
        }
    }
    if (m_state == State::SettingUp)
        settingUp();
    announce();
}

// The port's set-up over RFC 2217: the line is set once the server agreed to
// the option, and the port is open once it has answered all four settings.
void RemoteDevice::settingUp()
{
    switch (m_stream.comPort()) {
    case Rfc2217Stream::ComPort::Refused:
        fail(remote_errors::notRfc2217(m_address, m_link));
        return;
    case Rfc2217Stream::ComPort::Asked:
        return;
    case Rfc2217Stream::ComPort::Agreed:
        break;
    }
    if (!m_setUpSent) {
        m_setUpSent = true;
        send(m_stream.setUp(m_asked));
    }
    const std::optional<ServerLine> line = m_stream.serverLine();
    if (!line)
        return;
    const std::optional<CommSettings> applied = line->settings();
    if (!applied || !takenAsAsked(m_asked, *applied)) {
        fail(remote_errors::refusedSettings(m_address, m_link, m_asked.text(), line->text()));
        return;
    }
    becomeOpen(*applied);
}

void RemoteDevice::becomeOpen(const CommSettings &settings)
{
    m_deadline.stop();
    m_settings = settings;
    m_state = State::Open;
    QMetaObject::invokeMethod(this, &PortDevice::connected, Qt::QueuedConnection);
}

void RemoteDevice::socketEnded()
{
    if (!m_socket || m_state == State::Gone || m_state == State::Closed)
        return;
    // A wait that found nothing (readNow) is no end.
    if (m_socket->state() == QAbstractSocket::ConnectedState
        && m_socket->error() == QAbstractSocket::SocketTimeoutError)
        return;
    if (isConnecting()) {
        readSocket(); // what it said before it closed
        if (isConnecting())
            fail(remote_errors::connectFailure(m_address, m_link, m_socket->error(), m_socket->errorString(),
                                               saidSoFar()));
        return;
    }
    // Everything the server sent before it closed is in the socket still.
    m_state = State::Gone;
    readSocket();
    QMetaObject::invokeMethod(this, &PortDevice::hungUp, Qt::QueuedConnection);
}

void RemoteDevice::deadlinePassed()
{
    if (isConnecting())
        fail(remote_errors::timedOut(m_address, m_link, std::max(1, (m_timeoutMs + 999) / 1000),
                                     m_state == State::SettingUp));
}

void RemoteDevice::fail(const NumberedError &error)
{
    close();
    QMetaObject::invokeMethod(
        this, [this, number = error.number(), text = error.description()] { emit connectFailed(number, text); },
        Qt::QueuedConnection);
}

// What the server sent as data while the port was being set up, as text: a
// server that turns a client away says why (ser2net: "Port already in use").
QString RemoteDevice::saidSoFar() const
{
    QString text;
    for (const char c : m_held.front(200)) {
        if (c >= 32 && c < 127)
            text += QLatin1Char(c);
        else if (!text.endsWith(u' '))
            text += u' ';
    }
    return text.trimmed();
}

} // namespace quillar

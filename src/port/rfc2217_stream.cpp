#include "rfc2217_stream.h"

#include <cstring>

namespace quillar {

namespace {

// Telnet (RFC 854) and its options.
constexpr std::uint8_t Iac = 255, Dont = 254, Do = 253, Wont = 252, Will = 251, Sb = 250, Se = 240;
constexpr std::uint8_t Binary = 0, SuppressGoAhead = 3, ComPortOption = 44;

// COM port commands (RFC 2217); the server answers each with 100 more.
constexpr std::uint8_t SetBaudRate = 1, SetDataSize = 2, SetParity = 3, SetStopSize = 4, NotifyLineState = 6,
                       NotifyModemState = 7, SetLineStateMask = 10, SetModemStateMask = 11, ServerOffset = 100;

// Line state bits, and the conditions they are, in the order a local port
// reports its counters.
constexpr std::uint8_t OverrunBit = 0x02, ParityBit = 0x04, FramingBit = 0x08, BreakBit = 0x10;
constexpr std::pair<std::uint8_t, CommEvent> LineEvents[] = {{BreakBit, CommEvent::Break},
                                                             {FramingBit, CommEvent::Frame},
                                                             {OverrunBit, CommEvent::Overrun},
                                                             {ParityBit, CommEvent::RxParity}};
// Modem state change bits (the levels in the high half are not events).
constexpr std::uint8_t DeltaCts = 0x01, DeltaDsr = 0x02, RingEnded = 0x04, DeltaCd = 0x08;
constexpr std::pair<std::uint8_t, CommEvent> ModemEvents[] = {{DeltaCts, CommEvent::Cts},
                                                              {DeltaDsr, CommEvent::Dsr},
                                                              {DeltaCd, CommEvent::Cd},
                                                              {RingEnded, CommEvent::Ring}};

bool weDo(std::uint8_t option)
{
    return option == Binary || option == SuppressGoAhead || option == ComPortOption;
}
bool heMayDo(std::uint8_t option)
{
    return option == Binary || option == SuppressGoAhead;
}

void appendCommand(QByteArray &out, std::uint8_t command, std::uint8_t option)
{
    out.append(char(Iac)).append(char(command)).append(char(option));
}

// One COM port command, with IAC doubled in its value.
void appendComPort(QByteArray &out, std::uint8_t command, QByteArrayView value)
{
    out.append(char(Iac)).append(char(Sb)).append(char(ComPortOption)).append(char(command));
    for (const char byte : value) {
        out.append(byte);
        if (std::uint8_t(byte) == Iac)
            out.append(byte);
    }
    out.append(char(Iac)).append(char(Se));
}

int parityCode(CommSettings::Parity parity)
{
    switch (parity) {
    case CommSettings::Parity::None:
        return 1;
    case CommSettings::Parity::Odd:
        return 2;
    case CommSettings::Parity::Even:
        return 3;
    case CommSettings::Parity::Mark:
        return 4;
    case CommSettings::Parity::Space:
        return 5;
    }
    return 1;
}

int stopCode(CommSettings::StopBits stop)
{
    switch (stop) {
    case CommSettings::StopBits::One:
        return 1;
    case CommSettings::StopBits::Two:
        return 2;
    case CommSettings::StopBits::OneAndHalf:
        return 3;
    }
    return 1;
}

} // namespace

std::optional<CommSettings> ServerLine::settings() const
{
    constexpr CommSettings::Parity parities[] = {CommSettings::Parity::None, CommSettings::Parity::Odd,
                                                 CommSettings::Parity::Even, CommSettings::Parity::Mark,
                                                 CommSettings::Parity::Space};
    constexpr CommSettings::StopBits stops[] = {CommSettings::StopBits::One, CommSettings::StopBits::Two,
                                                CommSettings::StopBits::OneAndHalf};
    if (baud < 1 || baud > INT32_MAX || dataSize < 5 || dataSize > 8 || parity < 1 || parity > 5 || stopSize < 1
        || stopSize > 3)
        return std::nullopt;
    CommSettings s;
    s.baud = std::int32_t(baud);
    s.dataBits = dataSize;
    s.parity = parities[parity - 1];
    s.stopBits = stops[stopSize - 1];
    return s;
}

QString ServerLine::text() const
{
    if (const auto s = settings())
        return s->text();
    return QStringLiteral("%1,parity %2,%3,stop size %4").arg(baud).arg(parity).arg(dataSize).arg(stopSize);
}

QByteArray Rfc2217Stream::start()
{
    QByteArray out;
    m_us[ComPortOption] = m_us[Binary] = m_him[Binary] = m_us[SuppressGoAhead] = m_him[SuppressGoAhead] = Q::WantYes;
    appendCommand(out, Will, ComPortOption);
    appendCommand(out, Will, Binary);
    appendCommand(out, Do, Binary);
    appendCommand(out, Will, SuppressGoAhead);
    appendCommand(out, Do, SuppressGoAhead);
    return out;
}

Rfc2217Stream::ComPort Rfc2217Stream::comPort() const
{
    switch (m_us[ComPortOption]) {
    case Q::Yes:
        return ComPort::Agreed;
    case Q::WantYes:
        return ComPort::Asked;
    case Q::No:
        break;
    }
    return ComPort::Refused;
}

QByteArray Rfc2217Stream::setUp(const CommSettings &settings)
{
    m_baud.reset();
    m_dataSize.reset();
    m_parity.reset();
    m_stopSize.reset();
    const auto baud = std::uint32_t(settings.baud);
    const char rate[4] = {char(baud >> 24), char(baud >> 16), char(baud >> 8), char(baud)};
    const auto one = [](int value) { return QByteArray(1, char(value)); };
    QByteArray out;
    appendComPort(out, SetBaudRate, QByteArrayView(rate, 4));
    appendComPort(out, SetDataSize, one(settings.dataBits));
    appendComPort(out, SetParity, one(parityCode(settings.parity)));
    appendComPort(out, SetStopSize, one(stopCode(settings.stopBits)));
    // Without "data ready", which would come with every byte.
    appendComPort(out, SetLineStateMask, one(BreakBit | FramingBit | ParityBit | OverrunBit));
    appendComPort(out, SetModemStateMask, one(DeltaCts | DeltaDsr | RingEnded | DeltaCd));
    return out;
}

std::optional<ServerLine> Rfc2217Stream::serverLine() const
{
    if (!m_baud || !m_dataSize || !m_parity || !m_stopSize)
        return std::nullopt;
    return ServerLine{*m_baud, *m_dataSize, *m_parity, *m_stopSize};
}

void Rfc2217Stream::read(QByteArrayView bytes, Output &out)
{
    const char *at = bytes.data();
    const char *const end = at + bytes.size();
    while (at < end) {
        if (m_state == State::Data) {
            // Runs of data go whole; only IAC stops them.
            const auto *iac = static_cast<const char *>(std::memchr(at, Iac, size_t(end - at)));
            const char *runEnd = iac ? iac : end;
            dataRun(at, runEnd, out);
            at = runEnd;
            if (at == end)
                break;
            m_state = State::Iac;
            ++at;
            continue;
        }
        const auto byte = std::uint8_t(*at++);
        switch (m_state) {
        case State::Data:
            break;
        case State::Iac:
            if (byte == Iac) {
                m_lastWasCr = false;
                out.data.append(char(Iac));
                m_state = State::Data;
            } else if (byte >= Will) {
                m_command = byte;
                m_state = State::Option;
            } else if (byte == Sb) {
                m_state = State::SubOption;
            } else {
                m_state = State::Data; // NOP, GA, DM and the rest: nothing to do
            }
            break;
        case State::Option:
            negotiate(m_command, byte, out);
            m_state = State::Data;
            break;
        case State::SubOption:
            m_subOption = byte;
            m_sub.clear();
            m_subOverflow = false;
            m_state = State::Sub;
            break;
        case State::Sub:
        case State::SubIac:
            if (m_state == State::Sub && byte == Iac) {
                m_state = State::SubIac;
                break;
            }
            if (m_state == State::SubIac && byte == Se) {
                if (!m_subOverflow)
                    subnegotiation(out);
                m_sub.clear();
                m_state = State::Data;
                break;
            }
            if (m_state == State::SubIac && byte != Iac) {
                // A command inside a subnegotiation: the server left it
                // unfinished. It is dropped, and the command read as one.
                m_sub.clear();
                m_state = State::Iac;
                --at;
                break;
            }
            if (m_sub.size() < MaxSubnegotiation)
                m_sub.append(char(byte));
            else
                m_subOverflow = true;
            m_state = State::Sub;
            break;
        }
    }
}

// Data as the server sent it; while it does not send binary, the NUL it puts
// after a carriage return (RFC 854) is its own, not the device's.
void Rfc2217Stream::dataRun(const char *begin, const char *end, Output &out)
{
    if (begin == end)
        return;
    if (m_him[Binary] == Q::Yes) {
        out.data.append(begin, end - begin);
        m_lastWasCr = false;
        return;
    }
    for (const char *p = begin; p < end; ++p) {
        if (!(m_lastWasCr && *p == '\0'))
            out.data.append(*p);
        m_lastWasCr = *p == '\r';
    }
}

// The option rules of RFC 1143, without its queue: an answer only where the
// state changes, so that two sides never argue in a loop.
void Rfc2217Stream::negotiate(std::uint8_t command, std::uint8_t option, Output &out)
{
    const bool his = command == Will || command == Wont;
    const bool yes = command == Will || command == Do;
    Q &state = his ? m_him[option] : m_us[option];
    const bool allowed = his ? heMayDo(option) : weDo(option);
    const std::uint8_t agree = his ? Do : Will;
    const std::uint8_t refuse = his ? Dont : Wont;
    if (yes) {
        if (state == Q::WantYes) {
            state = Q::Yes;
        } else if (state == Q::No) {
            if (allowed) {
                state = Q::Yes;
                appendCommand(out.replies, agree, option);
            } else {
                appendCommand(out.replies, refuse, option);
            }
        }
        return;
    }
    if (state == Q::Yes)
        appendCommand(out.replies, refuse, option);
    state = Q::No;
}

void Rfc2217Stream::subnegotiation(Output &out)
{
    if (m_subOption != ComPortOption || m_sub.isEmpty())
        return;
    comPortReply(std::uint8_t(m_sub[0]), QByteArrayView(m_sub).sliced(1), out);
}

void Rfc2217Stream::comPortReply(std::uint8_t command, QByteArrayView value, Output &out)
{
    if (command < ServerOffset)
        return; // a command meant for a server
    const std::uint8_t what = command - ServerOffset;
    if (what == SetBaudRate && value.size() == 4) {
        m_baud = std::int64_t(std::uint8_t(value[0])) << 24 | std::uint8_t(value[1]) << 16 | std::uint8_t(value[2]) << 8
            | std::uint8_t(value[3]);
        return;
    }
    if (value.size() != 1)
        return;
    const auto v = std::uint8_t(value[0]);
    switch (what) {
    case SetDataSize:
        m_dataSize = v;
        break;
    case SetParity:
        m_parity = v;
        break;
    case SetStopSize:
        m_stopSize = v;
        break;
    case NotifyLineState:
        for (const auto &[bit, event] : LineEvents)
            if (v & bit)
                out.events.push_back(event);
        break;
    case NotifyModemState:
        for (const auto &[bit, event] : ModemEvents)
            if (v & bit)
                out.events.push_back(event);
        break;
    default:
        break;
    }
}

} // namespace quillar

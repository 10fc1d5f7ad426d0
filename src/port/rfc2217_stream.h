#pragma once

#include "port/comm_settings.h"
#include "receive/comm_events.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace quillar {

// The line as an RFC 2217 server says it set it, in the protocol's codes.
struct ServerLine
{
    std::int64_t baud = 0;
    int dataSize = 0;
    int parity = 0;   // 1 none, 2 odd, 3 even, 4 mark, 5 space
    int stopSize = 0; // 1 one, 2 two, 3 one and a half

    // Nothing when a code is none the protocol defines.
    [[nodiscard]] std::optional<CommSettings> settings() const;
    // As the settings text, with an unknown code written as its number.
    [[nodiscard]] QString text() const;
};

// Reads what a telnet server with the COM port option (RFC 2217) sends, and
// makes what the client sends back; it knows no socket. Out come the data
// bytes, with IAC doubling undone; line and modem notifications as the comm
// events a local port gives; the settings the server reports; and the
// negotiation answers. Any split of the bytes into reads gives the same.
//
// The client only ever sends negotiation and COM port commands, never a data
// byte: nothing here makes one. It offers the COM port option (WILL; it never
// asks the server DO, which would make the server the client), binary in both
// directions and suppress-go-ahead, and refuses every other option.
class Rfc2217Stream
{
public:
    // The longest subnegotiation kept; the rest of a longer one is dropped
    // unread (the longest the client acts on holds five bytes).
    static constexpr int MaxSubnegotiation = 32;

    enum class ComPort { Asked, Agreed, Refused };

    struct Output
    {
        QByteArray data;
        std::vector<CommEvent> events;
        QByteArray replies; // to send back, as they are
    };

    // The first bytes the client sends.
    [[nodiscard]] QByteArray start();
    // Reads the next bytes from the server, adding to `out`.
    void read(QByteArrayView bytes, Output &out);

    [[nodiscard]] ComPort comPort() const;
    // The commands that set the line to `settings` and ask for the line
    // conditions (break, framing, parity, overrun) and modem line changes;
    // the server's earlier replies are forgotten.
    [[nodiscard]] QByteArray setUp(const CommSettings &settings);
    // The server's replies to setUp, once all four have come.
    [[nodiscard]] std::optional<ServerLine> serverLine() const;

private:
    enum class State : std::uint8_t { Data, Iac, Option, SubOption, Sub, SubIac };
    enum class Q : std::uint8_t { No, Yes, WantYes };

    void dataRun(const char *begin, const char *end, Output &out);
    void negotiate(std::uint8_t command, std::uint8_t option, Output &out);
    void subnegotiation(Output &out);
    void comPortReply(std::uint8_t command, QByteArrayView value, Output &out);

    State m_state = State::Data;
    std::uint8_t m_command = 0;
    std::uint8_t m_subOption = 0;
    bool m_subOverflow = false;
    bool m_lastWasCr = false;
    QByteArray m_sub;
    std::array<Q, 256> m_us{};  // options this side does
    std::array<Q, 256> m_him{}; // options the server does
    std::optional<std::int64_t> m_baud;
    std::optional<int> m_dataSize, m_parity, m_stopSize;
};

} // namespace quillar

// The reader of a remote port's bytes (RFC 2217), on whatever a server sends,
// cut into reads the way the first byte says. Held against:
// - the same bytes read whole: the same data, events, answers and state;
// - an oracle written here from the protocol: outside negotiation every byte
//   is data, IAC IAC one 0xFF, so the data is at most as long as the input;
// - what the client sends: negotiation answers (IAC, WILL/WONT/DO/DONT, an
//   option) and, for a line asked from the input's bytes, COM port commands
//   alone; never a data byte.
#include "port/rfc2217_stream.h"

#include <cstdio>
#include <cstdlib>

using namespace quillar;

namespace {

[[noreturn]] void finding(const char *what)
{
    std::fprintf(stderr, "fuzz_rfc2217: %s\n", what);
    std::abort();
}

// True when `sent` is nothing but whole telnet commands and subnegotiations.
bool onlyCommands(const QByteArray &sent, bool subnegotiations)
{
    const auto at = [&](qsizetype i) { return i < sent.size() ? std::uint8_t(sent[i]) : 0; };
    for (qsizetype i = 0; i < sent.size();) {
        if (at(i) != 255)
            return false;
        if (at(i + 1) >= 251 && i + 2 < sent.size()) {
            i += 3;
            continue;
        }
        if (!subnegotiations || at(i + 1) != 250 || at(i + 2) != 44)
            return false;
        qsizetype j = i + 3;
        for (; j < sent.size() && !(at(j) == 255 && at(j + 1) == 240); ++j) {
            if (at(j) == 255 && at(++j) != 255)
                return false; // a command inside it
        }
        if (j >= sent.size())
            return false;
        i = j + 2;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const qsizetype step = data[0] % 17 + 1;
    const QByteArrayView input(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));

    Rfc2217Stream whole, pieces;
    QByteArray firstWhole = whole.start(), firstPieces = pieces.start();
    Rfc2217Stream::Output a, b;
    whole.read(input, a);
    for (qsizetype at = 0; at < input.size(); at += step)
        pieces.read(input.sliced(at, std::min(step, input.size() - at)), b);

    if (a.data != b.data || a.events != b.events || a.replies != b.replies || whole.comPort() != pieces.comPort())
        finding("reading in pieces differs from reading whole");
    if (a.data.size() > input.size())
        finding("more data out than bytes in");
    if (!onlyCommands(firstWhole + a.replies, false))
        finding("an answer that is no negotiation");

    const auto server = whole.serverLine(), sameServer = pieces.serverLine();
    if (server.has_value() != sameServer.has_value() || (server && server->text() != sameServer->text()))
        finding("the server's line differs between readings");

    // The line asked for, from the input: whatever the rate, only commands go out.
    CommSettings line;
    line.baud = std::int32_t(input.size() >= 4 ? std::uint32_t(std::uint8_t(input[0])) << 24 | std::uint8_t(input[1]) << 16
                                                     | std::uint8_t(input[2]) << 8 | std::uint8_t(input[3])
                                               : 9600) & 0x7fffffff;
    if (!onlyCommands(whole.setUp(line), true))
        finding("a COM port command with data in it");
    return 0;
}

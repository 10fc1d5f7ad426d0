// The RFC 2217 reader on whatever a server sends, cut into reads as the first
// byte says: it must read as the whole does, give no more data than bytes
// came, and send nothing but negotiation and COM port commands.
#include "port/rfc2217_stream.h"
#include "support/telnet_commands.h"

#include <cstdio>
#include <cstdlib>

using namespace quillar;

namespace {

[[noreturn]] void finding(const char *what)
{
    std::fprintf(stderr, "fuzz_rfc2217: %s\n", what);
    std::abort();
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
    if (!test::onlyTelnetCommands(firstWhole + a.replies, false))
        finding("an answer that is no negotiation");

    const auto server = whole.serverLine(), sameServer = pieces.serverLine();
    if (server.has_value() != sameServer.has_value() || (server && server->text() != sameServer->text()))
        finding("the server's line differs between readings");

    // The line asked for, from the input: whatever the rate, only commands go out.
    CommSettings line;
    line.baud =
        std::int32_t(input.size() >= 4 ? std::uint32_t(std::uint8_t(input[0])) << 24 | std::uint8_t(input[1]) << 16
                             | std::uint8_t(input[2]) << 8 | std::uint8_t(input[3])
                                       : 9600)
        & 0x7fffffff;
    if (!test::onlyTelnetCommands(whole.setUp(line)))
        finding("a COM port command with data in it");
    return 0;
}

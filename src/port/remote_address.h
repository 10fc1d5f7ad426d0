#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

namespace quillar {

// A serial port served over the network (by ser2net, for one): a telnet
// server with the COM port option (RFC 2217), which carries the line
// settings and conditions, or a plain TCP port that carries the bytes alone.
struct RemoteAddress
{
    enum class Protocol { Rfc2217, RawTcp };

    Protocol protocol = Protocol::Rfc2217;
    // A host name, dotted IPv4, or IPv6 without its brackets.
    QString host;
    std::uint16_t port = 0;

    // rfc2217://HOST:PORT or tcp://HOST:PORT, IPv6 in brackets.
    [[nodiscard]] QString text() const;
    // HOST:PORT, as a failure names the peer.
    [[nodiscard]] QString hostAndPort() const;

    friend bool operator==(const RemoteAddress &, const RemoteAddress &) = default;
};

// What is wrong with a text that means to be an address; said so that it
// can follow "COM5 holds <text>, which " on the terminal, and "COM5 contiene
// <text>, che " in the window.
struct AddressProblem
{
    QString what;
    QString italian;
};

// Reads rfc2217://HOST:PORT or tcp://HOST:PORT, strictly: the scheme in
// small letters, HOST a host name (letters, digits and inner hyphens,
// labels of at most 63 characters, 253 in all), a dotted IPv4 address of
// four numbers up to 255, or an IPv6 address in brackets; PORT 1 to 65535
// in plain digits; nothing before or after.
[[nodiscard]] std::variant<RemoteAddress, AddressProblem> parseRemoteAddress(const QString &text);

// Whether a device path names a remote port (it is an address, not a file).
[[nodiscard]] bool isRemoteAddress(const QString &path);

// What a COM<N> regular file says, from its first line: nothing about the
// network (it is no serial port, as before), a remote port, or an address
// that cannot be used. Only the file's start is read.
struct RemoteFile
{
    enum class Kind { NotAnAddress, Address, Bad };
    Kind kind = Kind::NotAnAddress;
    RemoteAddress address;
    QString firstLine;
    AddressProblem problem; // for Bad
};
[[nodiscard]] RemoteFile readRemoteFile(const QString &path);

} // namespace quillar

#pragma once

#include <QByteArray>

#include <cstdint>

namespace quillar::test {

// True when `sent` is nothing but whole telnet negotiations (IAC, WILL, WONT,
// DO or DONT, an option) and, where allowed, COM port subnegotiations with
// no command inside: what a receive-only client may send, never a data byte.
inline bool onlyTelnetCommands(const QByteArray &sent, bool subnegotiations = true)
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

} // namespace quillar::test

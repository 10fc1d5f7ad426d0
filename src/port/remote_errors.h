#pragma once

#include "platform/numbered_error.h"
#include "port/port_pair.h"
#include "port/remote_address.h"

#include <QAbstractSocket>
#include <QString>

// How a remote port's failures are reported: each names the COM<N> file,
// the address it holds, and the cause, with what to try.
namespace quillar::remote_errors {

// The COM<N> file at `comFile` holds `firstLine`, which `problem` (said as
// parseRemoteAddress says it in Italian).
[[nodiscard]] NumberedError badAddress(const QString &comFile, const QString &firstLine, const QString &problem);

// The pair file at `comFile` is Bad: its line, and what is wrong with it.
[[nodiscard]] NumberedError badPair(const QString &comFile, const PairFile &pair);

// The connection could not be made, or ended before the port was set up.
// `said` is what the server sent as data meanwhile (ser2net says why it
// turns a client away), empty for nothing.
[[nodiscard]] NumberedError connectFailure(const RemoteAddress &address, const QString &comFile,
                                           QAbstractSocket::SocketError error, const QString &systemText,
                                           const QString &said);
// Nothing came of the connection within `seconds`: no connection, or
// (`connected`) no set-up of the port.
[[nodiscard]] NumberedError timedOut(const RemoteAddress &address, const QString &comFile, int seconds, bool connected);
// The server refused the COM port option: it is no RFC 2217 server.
[[nodiscard]] NumberedError notRfc2217(const RemoteAddress &address, const QString &comFile);
// The server did not set the line to `asked`: it reports `kept`.
[[nodiscard]] NumberedError refusedSettings(const RemoteAddress &address, const QString &comFile, const QString &asked,
                                            const QString &kept);
// New settings for a remote port that is open: they are sent as it opens.
[[nodiscard]] NumberedError settingsWhileOpen(const RemoteAddress &address);

} // namespace quillar::remote_errors

#pragma once

// How long a connection that carries nothing may go before the system asks
// the peer whether it is still there, and how it asks. A quiet serial line is
// normal, so quiet alone never ends a connection: the peer's system answers
// these probes whether the device talks or not, and only a peer that is gone
// (a machine switched off, a cable pulled, a network that dropped it) leaves
// them unanswered.
namespace quillar::tcp_keepalive {

inline constexpr int IdleSeconds = 10;
inline constexpr int ProbeIntervalSeconds = 5;
inline constexpr int Probes = 3;
// So a peer that vanished is known within this long of its last word.
inline constexpr int LossSeconds = IdleSeconds + ProbeIntervalSeconds * Probes;

// Turns the probes on for the socket `descriptor`; false when the system
// refused (the connection then ends only when the peer closes it).
[[nodiscard]] bool enable(long long descriptor);

} // namespace quillar::tcp_keepalive

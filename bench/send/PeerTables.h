#pragma once
// The side-by-side tables of send_bench: round trips against the delayed
// sink, throughput against smtp-sink, and memory and settle time under
// misbehaving servers. Each returns 0 when every run delivered what it
// should, 1 otherwise.

namespace brivano::bench {

// At `delayMs` per client wait: the one-connection-per-message dialogue and
// smtplib per message over `perMessageCount` recipients; reuse, reuse over
// four connections and smtplib on one connection over `reuseCount`.
int RoundTripTable(int delayMs, long perMessageCount, long reuseCount);

// The same five runs against smtp-sink (Debian package postfix), over
// `count` recipients; a line saying so when it is not installed.
int SmtpSinkTable(long count);

// Two recipients against each misbehaving server, in a child process each:
// its peak memory and the longest time one recipient took, every wait
// limited to `limitMs`.
int MisbehavingTable(int limitMs);

}  // namespace brivano::bench

#pragma once
// One send run of the mailing window's message to N recipients, driven by
// the window's controller as the benchmark's modes use it, and the smtplib
// peer run beside it.

#include <optional>
#include <string>

#include "workflow/TipiInvio.h"

namespace brivano::bench {

struct TSendSetup {
    std::string Host = "127.0.0.1";
    int Port = 0;
    long Count = 0;
    std::string User = "bench@example.it";
    TSegreto Password;
    TIdUseTLS Security = utNoTLSSupport;
    int PerConnection = 1;
    int Connections = 1;
    // Every wait of the dialogue, in milliseconds.
    int LimitMs = 10000;
    // Bytes of body text instead of the window's eight lines (0: the lines).
    std::size_t BodyBytes = 0;
};

struct TSendFigures {
    TEsitoInvio Outcome;
    double Seconds = 0;
    // The longest time one recipient took, from the end of the one before.
    double LongestSettle = 0;
    // Entries the run was given, and those the journal's run holds excluded.
    std::size_t Entries = 0;
    std::size_t Excluded = 0;
};

// Recipients "dest0@example.it" and on; `journal` (when set) records the run
// there, resuming an unfinished run found in it. Raises what the journal
// raises.
TSendFigures SendMessages(const TSendSetup& setup, const std::string& journal = "");

// Runs smtplib_peer.py (per-message or one-connection) against the port and
// returns its elapsed seconds; nothing when it failed.
std::optional<double> SmtplibSeconds(int port, long count, const std::string& mode,
                                     const std::string& user, const std::string& password);

}  // namespace brivano::bench

#pragma once
// The command-line tool brivano-invio over the send-run controller the
// mailing window uses: list and show the journal's runs, resume one, resend
// to its failed entries, send a new run now or later, and start the runs due.

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/AvvioRigaComando.h"

namespace brivano {

// Exit statuses: 0 every entry went (or nothing was due); 1 an error before
// any message (configuration, account, journal, files); 2 bad arguments (the
// usage follows on standard error); 3 the run ended with entries not sent
// (failed, deferred, uncertain, left out or stopped).
inline constexpr int UscitaInvioIncompleto = 3;

// Runs one command line (without the program name); results go to `out`,
// progress and messages to `err` (a bar when `terminale`).
int EseguiInvioCli(const std::vector<std::string>& argomenti, std::ostream& out, std::ostream& err,
                   bool terminale);

}  // namespace brivano

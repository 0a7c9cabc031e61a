#pragma once
// The command-line tool brivano-rubrica over the same code as the windows:
// import, export and list the contacts of a working year, and keep the
// do-not-mail list.

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/AvvioRigaComando.h"

namespace brivano {

// Exit statuses: 0 done; 1 an error, nothing changed; 2 bad arguments (the
// usage follows on standard error); 3 imported, but some rows were left out.
inline constexpr int UscitaRigheScartate = 3;

// Runs one command line (without the program name). `cartellaProgramma` is
// the folder a first start writes into the configuration, as the program
// does. Results go to `out`, messages to `err`; returns the exit status.
int EseguiRubrica(const std::vector<std::string>& argomenti, const std::string& cartellaProgramma,
                  std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace brivano

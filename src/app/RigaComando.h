#pragma once
// The program's own command-line options, answered before any window or
// display is needed. Every other argument is left to Qt (-platform, -style …).

#include <optional>
#include <ostream>

namespace brivano {

// For --help/-h and --version/-v writes the answer to `out` and returns the
// exit code; otherwise nothing, and the program starts as usual.
std::optional<int> RispondiRigaComando(int argc, const char* const* argv, std::ostream& out);

}  // namespace brivano

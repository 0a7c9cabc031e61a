#pragma once
// The start both command-line tools share: --help and --version answered,
// a wrong command line told with the usage, any other error told in Italian,
// each with its exit status.

#include <functional>
#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

namespace brivano {

// Exit statuses of both tools: 1 an error; 2 bad arguments (the usage
// follows on standard error).
inline constexpr int UscitaErrore = 1;
inline constexpr int UscitaUso = 2;

// A command line the tool does not take.
class EUso : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Answers -h/--help with `aiuto` and -v/--version with the version on `out`;
// else runs `comando`, whose value is the exit status. An empty command line
// or an EUso is told on `err` as "`programma`: reason" and the usage, any
// other error with its text.
int AvviaRigaComando(const char* programma, const char* aiuto,
                     const std::vector<std::string>& argomenti, std::ostream& out,
                     std::ostream& err, const std::function<int()>& comando);

}  // namespace brivano

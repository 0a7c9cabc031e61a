#pragma once
// Message settings kept in the configuration store: the footer and whether
// messages offer "List-Unsubscribe".

#include <string>
#include <vector>

namespace brivano {

namespace ValoriMessaggio {
// The footer lines joined by LF; empty or missing: the usual nine lines.
inline constexpr const char* PiePagina = "PiePagina";
// "0" turns "List-Unsubscribe" off; anything else leaves it on.
inline constexpr const char* ListUnsubscribe = "ListUnsubscribe";
}  // namespace ValoriMessaggio

// The nine privacy lines every message ends with unless the user changed them.
std::vector<std::string> PiePaginaPredefinito();

// The footer to use: the stored lines, else the usual nine.
std::vector<std::string> LeggiPiePagina();

// Stores the footer; the usual nine lines (or none) store an empty value, so
// that a later change of the usual text reaches the user.
void ScriviPiePagina(const std::vector<std::string>& righe);

bool LeggiListUnsubscribe();

}  // namespace brivano

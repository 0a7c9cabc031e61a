#pragma once
// Which column of an imported file fills which field of a contact, read from
// the file's header row. Italian and English names are recognised, without
// regard to case, accents, spaces, hyphens or underscores.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/Contatto.h"

namespace brivano {

// The field a header names, or nothing for a column that is not imported.
std::optional<TCampo> CampoDaIntestazione(std::string_view intestazione);

// Per column of the header, the field it fills; a field named twice is
// filled from its first column only.
std::vector<std::optional<TCampo>> MappaIntestazione(const std::vector<std::string>& intestazione);

}  // namespace brivano

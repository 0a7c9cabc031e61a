#pragma once
// The contact register in vCard: each entry a card with the address as EMAIL,
// the telephone as TEL, the tags as CATEGORIES and the other fields as X-
// properties; read back from the same properties.

#include <string>
#include <string_view>
#include <vector>

#include "workflow/RegistroContatti.h"

namespace brivano {

std::string TestoVCardRegistro(const std::vector<TVoceRegistro>& voci);

// Whether a vCard text holds any of the register's X- properties.
bool VCardConRegistro(std::string_view testo);

struct TVociLette {
    std::vector<TVoceRegistro> Voci;  // cards with an address and a register field
    std::vector<int> Linee;           // of each one's BEGIN
    std::vector<std::string> Errori;  // "scheda della riga N: why"
};
// Every card's entry, unchecked: the properties a card has over the entry
// the register already holds for its address, if any. A basis not known is
// an error.
TVociLette VociDaVCard(std::string_view testo, const TRegistroContatti* registro);

}  // namespace brivano

#pragma once
// The contact register in vCard: each entry a card with the address as EMAIL,
// the telephone as TEL, the tags as CATEGORIES and the other fields as X-
// properties; read back from the same properties, on its own cards or on the
// contacts' cards of the address book's export.

#include <string>
#include <string_view>
#include <vector>

#include "workflow/RegistroContatti.h"

namespace brivano {

std::string TestoVCardRegistro(const std::vector<TVoceRegistro>& voci);

// A contact's card names its type in a plain CATEGORIES, as the contact
// import reads it; the register's tags go on one with this parameter, which
// the contact import leaves alone.
constexpr const char* ParametroEtichette = "X-REGISTRO";
// An entry's properties on a card, all but EMAIL: TEL, the tags as
// CATEGORIES (with the parameter when the card is a contact's) and the X-
// properties.
void AggiungiRegistroVCard(std::string& out, const TVoceRegistro& voce, bool schedaContatto);

// Whether a vCard text holds any of the register's X- properties.
bool VCardConRegistro(std::string_view testo);

struct TVociLette {
    std::vector<TVoceRegistro> Voci;  // cards with an address and a register field
    std::vector<int> Linee;           // of each one's BEGIN
    std::vector<std::string> Errori;  // "scheda della riga N: why"
};
// Every card's entry, unchecked: the properties a card has over the entry
// the register already holds for its address, if any. A basis not known is
// an error. On a card with ORG (a contact's) a plain CATEGORIES is the
// contact's type, not tags.
TVociLette VociDaVCard(std::string_view testo, const TRegistroContatti* registro);

}  // namespace brivano

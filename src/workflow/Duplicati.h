#pragma once
// Contacts that may be one: the same address in its normal form, the same
// P.IVA in the contact register, or the same company name once folded (case,
// accents, punctuation and the legal form set aside: "Rossi S.r.l." and
// "ROSSI srl" are one).

#include <string>
#include <string_view>
#include <vector>

#include "workflow/Contatto.h"

namespace brivano {

class TRegistroContatti;

enum class TMotivoDoppio { EMail, PartitaIva, RagioneSociale };
// "stessa e-mail", "stessa P.IVA", "stessa ragione sociale".
const char* TestoMotivoDoppio(TMotivoDoppio motivo);

struct TGruppoDoppi {
    TMotivoDoppio Motivo = TMotivoDoppio::EMail;
    std::string Chiave;                 // what they share, as compared
    std::vector<std::size_t> Contatti;  // positions in the list, ascending
};

// The company name as compared; empty for a name of legal form only.
std::string RagioneSocialePiegata(std::string_view nome);

// Every group of two or more, by reason, then by the first contact's place.
std::vector<TGruppoDoppi> TrovaDuplicati(const std::vector<TContatto>& contatti,
                                         const TRegistroContatti* registro);

}  // namespace brivano

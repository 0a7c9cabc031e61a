#pragma once
// Reading vCard 3.0 and 4.0 files into contacts: ORG (else FN) gives the
// company, EMAIL the e-mail, URL the web site, ADR the city and postal code,
// NOTE the notes and CATEGORIES the type.

#include <stdexcept>
#include <string_view>
#include <vector>

#include "workflow/Contatto.h"

namespace brivano {

class EVCardNonValida : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct TSchedaVCard {
    int Linea = 0;  // line of its BEGIN:VCARD
    TContatto Contatto;
    std::array<bool, NumeroCampi> Presenti{};  // fields the card gives
};

// Every card of a UTF-8 text. Raises EVCardNonValida for a card that is never
// closed or a line without a colon inside a card.
std::vector<TSchedaVCard> LeggiVCard(std::string_view testo);

}  // namespace brivano

#pragma once
// One normal form of an e-mail address, the one every comparison uses (the
// do-not-mail list, duplicates in a picked list, the journal, contacts): the
// bare address taken out of any "Nome <indirizzo>" or "<indirizzo>" form, the
// domain in lower case, without a trailing dot and in its ASCII (IDNA) form,
// the local part in lower case. Local parts beyond ASCII are refused: the
// client cannot announce them to the server yet.

#include <string>
#include <string_view>

namespace brivano {

struct TFormaIndirizzo {
    std::string Normale;  // empty when refused
    std::string Errore;   // why it was refused, for the user; empty when valid
    bool Valida() const { return Errore.empty(); }
};

TFormaIndirizzo FormaIndirizzo(std::string_view testo);

// Why the address cannot be sent yet when its local part goes beyond ASCII
// (the client does not announce SMTPUTF8); empty for any other text.
std::string ErroreNonAscii(std::string_view indirizzo);

// The key two entries compare by: the normal form, or for a text that is no
// single address (a list, a typo) that text trimmed and case folded, so it
// still matches itself.
std::string ChiaveIndirizzo(std::string_view testo);

}  // namespace brivano

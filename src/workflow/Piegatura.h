#pragma once
// Text folding for searching and matching: what a reader takes for the same
// text ("Città" and "CITTA", " Info@Ditta.it" and "info@ditta.it") folds to
// the same bytes.

#include <cstddef>
#include <string>
#include <string_view>

namespace brivano {

// Case folded and without accents (letters keep their base form), UTF-8.
// Bytes that are not UTF-8 stand as U+FFFD.
std::string Piega(std::string_view utf8);
// The same, added at the end of `destinazione`: folding many texts into one
// buffer costs no string per text.
void AggiungiPiegato(std::string& destinazione, std::string_view utf8);

// An e-mail address as compared: trimmed (characters up to 32 off both ends)
// and case folded. Accents stay: they make a different address.
std::string NormalizzaIndirizzo(std::string_view indirizzo);

// Characters (code points) of a UTF-8 text.
std::size_t Caratteri(std::string_view utf8);

// True when the bytes are well-formed UTF-8.
bool UTF8Valido(std::string_view bytes);

}  // namespace brivano

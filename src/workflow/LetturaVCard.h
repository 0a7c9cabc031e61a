#pragma once
// Reading vCard 2.1, 3.0 and 4.0 files into contacts: ORG (else FN) gives the
// company, EMAIL the e-mail, URL the web site, ADR the city and postal code,
// NOTE the notes and CATEGORIES the type. Values in quoted-printable (soft
// line breaks included) are decoded, and a property's CHARSET honoured.

#include <stdexcept>
#include <string>
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
    bool NonAscii = false;                     // some value held bytes beyond ASCII
    bool Windows1252 = false;                  // some value was not UTF-8 and read as Windows-1252
    bool Nul = false;                          // some value held a NUL byte
};

// Cards read one line at a time, as a file arrives in pieces.
class TLettoreVCard {
  public:
    // The next line of the text (without its line end), numbered from 1.
    // True when it completed a card, given in `scheda` (whose strings are
    // taken for the next card, so a caller reusing it saves their room). Raises
    // EVCardNonValida for a card never closed before the next one, or a line
    // without a colon inside a card.
    bool Linea(int numero, std::string_view linea, TSchedaVCard& scheda);
    // The text has ended: true when that completed a last card. Raises for a
    // card never closed.
    bool Fine(TSchedaVCard& scheda);

  private:
    bool Completa(TSchedaVCard& scheda);

    // The line being joined with its continuations.
    int numero_ = 0;
    std::string attesa_;
    bool quotedPrintable_ = false;
    // The card being read.
    bool dentro_ = false;
    TSchedaVCard scheda_;
    std::string fn_;
    std::string spazio_;  // a value that is not the line's own bytes
    bool org_ = false, email_ = false, url_ = false, adr_ = false;
};

// Every card of a text, lines read as TLettoreVCard reads them.
std::vector<TSchedaVCard> LeggiVCard(std::string_view testo);

// A text of a charset ICU knows ("ISO-8859-1", "windows-1252", ...) as UTF-8;
// false when the charset is unknown or the bytes do not convert.
bool ConvertiDaCharset(std::string_view bytes, const std::string& charset, std::string& utf8);

// Windows-1252 bytes as UTF-8.
std::string DaWindows1252(std::string_view bytes);

}  // namespace brivano

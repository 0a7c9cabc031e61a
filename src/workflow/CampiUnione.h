#pragma once
// Merge fields: "{{Ragione_Sociale}}" and the like in the subject and the text
// lines, filled for each recipient from the contact whose row added the entry.
// A name matches with or without accents and in any case ("{{città}}" is
// "{{Citta}}"); "{{Campo|testo}}" puts the text where the field is empty.

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "mailing/IdMessage.h"

namespace brivano {

// The names a text may use between "{{" and "}}".
inline constexpr std::array<const char*, 6> NomiCampiUnione = {
    "Ragione_Sociale", "Tipo", "Citta", "Cap", "EMail", "Sito"};

// The values of one entry by field name; an entry typed by hand has none, and
// a missing name reads as empty.
using TCampiContatto = std::map<std::string, std::string, std::less<>>;

// A text names a field that does not exist; nothing was sent.
class ECampoSconosciuto : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The field's name as listed in NomiCampiUnione for a name written with or
// without accents and in any case; nullopt for an unknown name.
std::optional<std::string> CampoCanonico(std::string_view nome);

// The fields the texts use (names as listed), each once, in order of first use. Raises
// ECampoSconosciuto naming the first unknown one. "{{" without a closing "}}"
// is plain text.
std::vector<std::string> CampiUsati(const std::vector<std::string>& testi);

// The text with every "{{Name}}" of a known field replaced by its value, or by
// the text after "|" when the value is empty or blank; line breaks and NULs in
// a value become spaces, so a value never adds a line.
std::string RiempiCampi(std::string_view testo, const TCampiContatto& campi);

// One run's texts with their fields: subject, the eight lines and the footer.
class TUnioneInvio {
  public:
    // Raises ECampoSconosciuto when a text names an unknown field.
    TUnioneInvio(std::string oggetto, std::array<std::string, 8> righe,
                 std::vector<std::string> piePagina, std::vector<TCampiContatto> campi);

    const std::vector<std::string>& Usati() const { return usati_; }
    // Subject and body of entry `indice` (an entry without a contact fills
    // every field empty).
    std::string Oggetto(std::size_t indice) const;
    std::string Corpo(std::size_t indice) const;
    // Puts subject and body of entry `indice` into the message.
    void Applica(std::size_t indice, TIdMessage& message) const;

    // The warning before a run when a used field is empty for some entries:
    // one line per such entry with the empty fields; empty when none. A field
    // that has a fallback text wherever it is used is left out.
    std::string AvvisoCampiVuoti(const std::vector<std::string>& voci) const;

  private:
    const TCampiContatto& CampiDi(std::size_t indice) const;

    std::string oggetto_;
    std::array<std::string, 8> righe_;
    std::vector<std::string> piePagina_;
    std::vector<TCampiContatto> campi_;
    std::vector<std::string> usati_;
    std::vector<std::string> senzaRipiego_;
};

}  // namespace brivano

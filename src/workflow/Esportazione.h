#pragma once
// Contacts written out for other programs: CSV for spreadsheets (UTF-8 with a
// byte order mark, ";" unless asked otherwise, the header names the import
// recognises) and vCard 4.0.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/Contatto.h"

namespace brivano {

struct TVoceRegistro;

// A cell a spreadsheet would run as a formula starts with one of these, after
// any apostrophes: the export writes one apostrophe more in front, and the
// import takes one away again, so every value comes back as it was.
constexpr bool SembraFormula(std::string_view valore) {
    std::size_t i = 0;
    while (i < valore.size() && valore[i] == '\'') ++i;
    if (i == valore.size()) return false;
    const char c = valore[i];
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

// Header row and one row per contact, CR LF line ends; fields holding the
// separator, a quote, a line break or outer blanks are quoted (RFC 4180).
std::string TestoCsv(const std::vector<TContatto>& contatti, char separatore = ';',
                     bool bom = true);

// One card per contact: FN, ORG, CATEGORIES, EMAIL, URL, ADR, NOTE; lines
// folded at 75 bytes without splitting a character.
std::string TestoVCard(const std::vector<TContatto>& contatti);

// ".vcf" and ".vcard" give a vCard, anything else CSV.
std::string TestoEsportazione(const std::filesystem::path& percorso,
                              const std::vector<TContatto>& contatti, char separatore = ';');

// Contacts written one at a time, in the order given, straight into a file
// (CSV or vCard as TestoEsportazione chooses), through a temporary file
// renamed into place on Chiudi: a failed or abandoned export leaves the old
// file as it was. Raises std::runtime_error with the reason.
class TScritturaEsportazione {
  public:
    TScritturaEsportazione(const std::filesystem::path& percorso, char separatore = ';');
    ~TScritturaEsportazione();
    TScritturaEsportazione(const TScritturaEsportazione&) = delete;
    TScritturaEsportazione& operator=(const TScritturaEsportazione&) = delete;

    // A vCard carries the contact's register entry `voce` too, if given.
    void Aggiungi(const TContatto& contatto, const TVoceRegistro* voce = nullptr);
    bool VCard() const { return vcard_; }
    void Chiudi();
    std::size_t Scritti() const { return scritti_; }

  private:
    void Svuota();
    [[noreturn]] void Fallisci(int errore);

    std::filesystem::path percorso_, temporaneo_;
    int fd_ = -1;
    bool vcard_ = false;
    char separatore_;
    std::string buffer_;
    std::string linea_;  // a vCard line before folding
    std::size_t scritti_ = 0;
};

// The pieces other exports share: one CSV field (quoted when it must be, a
// formula kept from running); a vCard value escaped (commas too, when it is
// one item of a list); a vCard content line folded at 75 bytes.
void AggiungiCampoCsv(std::string& out, const std::string& valore, char separatore);
std::string ValoreVCard(const std::string& valore, bool virgola = true);
void AggiungiLineaVCard(std::string& out, const std::string& linea);

// Replaces the file with the text in one step (a temporary file renamed into
// place), so a failed write leaves the old file as it was. Raises
// std::runtime_error with the reason.
void ScriviFile(const std::filesystem::path& percorso, const std::string& testo);

}  // namespace brivano

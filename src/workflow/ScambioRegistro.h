#pragma once
// The contact register in and out: a CSV for a consultant or a spreadsheet
// (with each address's last run from the journal), a vCard with the register's
// fields as X- properties and the tags as CATEGORIES, and a CSV read back
// with its columns found from the usual spreadsheet headings.

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/RegistroContatti.h"
#include "workflow/RegistroVCard.h"

namespace brivano {

class TNonInviare;
class TRegistroInvii;

// The register's entries with what the do-not-mail list adds: an entry
// without an opposition date gets the day its address went on the list, and
// an address on the list without an entry comes as one, basis "Nessuna".
std::vector<TVoceRegistro> VociDaEsportare(const TRegistroContatti& registro,
                                           const TNonInviare& nonInviare);

// What the journal says of one address.
struct TInviiIndirizzo {
    std::string Ultimo;  // UTC, "AAAA-MM-GG hh:mm:ss" of the last message taken
    int Quanti = 0;      // messages taken, every run
};
// By address key (ChiaveIndirizzo); only addresses a message went to.
using TInviiPerIndirizzo = std::map<std::string, TInviiIndirizzo, std::less<>>;
TInviiPerIndirizzo InviiPerIndirizzo(const TRegistroInvii& registro);

// Header and one line per entry, ";" separated, UTF-8 with a byte order mark.
std::string TestoCsvRegistro(const std::vector<TVoceRegistro>& voci,
                             const TInviiPerIndirizzo& invii);

// The register's columns an imported file may hold.
enum class TCampoRegistro {
    Indirizzo,
    Base,
    Fonte,
    DataRaccolta,
    Informativa,
    DataOpposizione,
    Etichette,
    PartitaIva,
    CodiceFiscale,
    Pec,
    CodiceSdi,
    Referente,
    Telefono
};
// The column a heading names ("P.IVA", "Partita IVA", "VAT", "Tag", "Categorie",
// "Codice destinatario", …), compared without case, accents, blanks or dots.
std::optional<TCampoRegistro> CampoRegistroDaIntestazione(std::string_view intestazione);
// Puts a file's value into an entry; false for a basis it does not know.
bool MettiCampo(TVoceRegistro& voce, TCampoRegistro campo, const std::string& valore);
// An entry's value as a file holds it, MettiCampo's inverse; the name a
// reader sees ("Base giuridica", "Partita IVA", …).
std::string TestoCampo(const TVoceRegistro& voce, TCampoRegistro campo);
const char* NomeCampoRegistro(TCampoRegistro campo);

struct TEsitoImportazioneRegistro {
    int Scritte = 0;
    // "riga N: why", one per line left out; when any, nothing was written.
    std::vector<std::string> Errori;
};
// Reads a CSV (UTF-8 or Windows-1252, any of the usual separators) or a
// vCard (RegistroVCard) into the register, all rows or none. Columns the file has replace those of
// an entry already there; the others stay. Raises ERegistroContatti for a file with no address
// column.
TEsitoImportazioneRegistro ImportaRegistro(TRegistroContatti& registro, std::string_view bytes);

// After a contact import: a CSV file whose header names a register column
// beside the e-mail ("Base giuridica", "P.IVA", "Tag", …), or a vCard with
// the register's X- properties, fills the register of the configuration's
// data root too. nullopt for a file without such columns or properties.
std::optional<TEsitoImportazioneRegistro> ImportaRegistroDaFile(const std::filesystem::path& file);
// "Registro dei contatti: 12 voci scritte." or the rows in error.
std::string TestoEsitoRegistro(const TEsitoImportazioneRegistro& esito);

}  // namespace brivano

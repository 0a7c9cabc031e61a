#pragma once
// An import file read into contacts, before anything is written: what the
// import window previews and what the import then writes. A file is read a
// block at a time, a row at a time, so its size never becomes memory.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "workflow/Contatto.h"

namespace brivano {

enum class TFormatoFile { Csv, VCard };

// How a row's text was read.
enum class TCodificaRiga : unsigned char { Ascii, Utf8, Windows1252 };

struct TRigaImportata {
    int Riga = 0;  // CSV: the record's row (the header is row 1); vCard: the line of BEGIN
    TContatto Contatto;
    std::array<bool, NumeroCampi> Presenti{};  // fields the file gives for this row
    std::string Errore;                        // not empty: the row is left out for this reason
    TCodificaRiga Codifica = TCodificaRiga::Ascii;
};

struct TFileImportazione {
    TFormatoFile Formato = TFormatoFile::Csv;
    std::string Codifica;
    char Separatore = 0;                       // CSV only
    std::vector<std::string> Intestazione;     // CSV only
    std::vector<std::optional<TCampo>> Mappa;  // CSV only: per header column
    std::vector<TRigaImportata> Righe;
};

// The largest file an import reads, and how the refusal names it.
constexpr std::uintmax_t kMassimoFileImportazione = std::uintmax_t{256} << 20;
inline constexpr const char* kTestoMassimoFileImportazione = "256 MB";

// ".vcf" and ".vcard" files, and files starting with "BEGIN:VCARD", are
// vCards; everything else is CSV.
TFormatoFile FormatoDelFile(const std::filesystem::path& percorso, std::string_view inizio);

// A file (or a text) read row by row. Only a regular file is opened, and no
// more than kMassimoFileImportazione of it is read; a row's text is UTF-8
// when it is, else Windows-1252 (a byte order mark or UTF-16 decides for the
// whole file). Every failure raises std::runtime_error (ECsvNonValido,
// EVCardNonValida among them) with an Italian reason.
class TLetturaImportazione {
  public:
    explicit TLetturaImportazione(const std::filesystem::path& percorso);
    TLetturaImportazione(std::string_view bytes, TFormatoFile formato);
    ~TLetturaImportazione();
    TLetturaImportazione(const TLetturaImportazione&) = delete;
    TLetturaImportazione& operator=(const TLetturaImportazione&) = delete;

    // Format, separator, header and mapping (Righe stays empty); Codifica
    // names the encodings of the rows read so far.
    const TFileImportazione& File() const { return file_; }
    // The next row, false at the end of the file. Blank CSV rows are skipped.
    bool Prossima(TRigaImportata& riga);
    // Whether the rows read so far came in more than one encoding (then
    // File().Codifica says which rows in which).
    bool CodificheMiste() const;

  private:
    struct TStato;
    void Inizia(TFormatoFile formato, const std::filesystem::path* percorso);
    bool Riempi();
    void AnnotaCodifica(int riga, TCodificaRiga codifica);
    bool ProssimaCsv(TRigaImportata& riga);
    bool ProssimaVCard(TRigaImportata& riga);

    TFileImportazione file_;
    std::unique_ptr<TStato> stato_;
};

// Decodes and reads a whole text, every row held: for short texts and tests.
TFileImportazione LeggiImportazione(std::string_view bytes, TFormatoFile formato);

// The whole file, within the same limits as TLetturaImportazione.
std::string LeggiFile(const std::filesystem::path& percorso);

}  // namespace brivano

#pragma once
// An import file read into contacts, before anything is written: what the
// import window previews and what the import then writes.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workflow/Contatto.h"

namespace brivano {

enum class TFormatoFile { Csv, VCard };

struct TRigaImportata {
    int Riga = 0;  // CSV: the record's row (the header is row 1); vCard: the line of BEGIN
    TContatto Contatto;
    std::array<bool, NumeroCampi> Presenti{};  // fields the file gives for this row
    std::string Errore;                        // not empty: the row is left out for this reason
};

struct TFileImportazione {
    TFormatoFile Formato = TFormatoFile::Csv;
    std::string Codifica;
    char Separatore = 0;                       // CSV only
    std::vector<std::string> Intestazione;     // CSV only
    std::vector<std::optional<TCampo>> Mappa;  // CSV only: per header column
    std::vector<TRigaImportata> Righe;
};

// ".vcf" and ".vcard" files, and files starting with "BEGIN:VCARD", are
// vCards; everything else is CSV.
TFormatoFile FormatoDelFile(const std::filesystem::path& percorso, std::string_view inizio);

// Decodes and reads the bytes. Raises std::runtime_error (ECsvNonValido,
// EVCardNonValida among them) with an Italian reason when the file cannot be
// read at all, for instance a header without any known column.
TFileImportazione LeggiImportazione(std::string_view bytes, TFormatoFile formato);

// The whole file; raises std::runtime_error when it cannot be read.
std::string LeggiFile(const std::filesystem::path& percorso);

}  // namespace brivano

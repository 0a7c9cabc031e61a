#pragma once
// The address book's contact commands, the same for its windows and for
// brivano-rubrica: import (with the preview the import window shows), export,
// "Non inviare più". The windows only choose files and show the outcome.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "workflow/FileImportazione.h"
#include "workflow/Importazione.h"

class TFDB;
class TTableFile;

namespace brivano {

// The working year's address table.
std::shared_ptr<TTableFile> RubricaDiLavoro(TFDB& fdb);

// Reads the file a row at a time and writes every row in the same pass,
// inside one batch: all of it lands or none. Raises with the reason when
// the file cannot be read.
TEsitoImportazione ImportaFile(TTableFile& rubrica, const std::filesystem::path& file,
                               TDuplicati duplicati,
                               const std::function<void(std::size_t fatte)>& avanzamento = {});

struct TRigaAnteprima {
    TRigaImportata Riga;
    TEsitoRiga Esito = TEsitoRiga::Nuovo;
    std::string Motivo;  // why it is left out
};

struct TAnteprimaImportazione {
    TFileImportazione File;  // format, encoding, separator, header and mapping
    std::vector<TRigaAnteprima> Righe;
    bool Altre = false;  // the file goes on beyond the rows shown
};

// The file's mapping and only its first `righe` rows, each with what an
// import would do with it; nothing is written.
TAnteprimaImportazione AnteprimaImportazione(TTableFile& rubrica, const std::filesystem::path& file,
                                             TDuplicati duplicati, std::size_t righe);

// Every contact (or only those whose row ids are in `soli`) in the contact
// list's order, straight into the file, CSV or vCard by its extension.
// Returns how many were written.
std::size_t EsportaContatti(TTableFile& rubrica, const std::filesystem::path& file,
                            char separatore = ';',
                            const std::unordered_set<long long>* soli = nullptr);
std::string TestoEsportati(std::size_t quanti, const std::filesystem::path& file);

// "Non inviare più" for a contact's address: adds it to the do-not-mail list
// and returns what to tell the user.
std::string NonInviarePiu(const std::optional<std::string>& email);

}  // namespace brivano

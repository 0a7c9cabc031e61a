#pragma once
// Writing imported contacts into an address table: all of them in one batch,
// so an import lands whole or not at all. Rows are taken one at a time, so a
// file is read, checked and written in one pass.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "workflow/FileImportazione.h"

class TTableFile;

namespace brivano {

// What happens to a contact whose e-mail (normalised) is already in the table.
enum class TDuplicati { Salta, Aggiorna };

// What an import does with one row.
enum class TEsitoRiga { Nuovo, Aggiorna, GiaPresente, Scartato };

struct TRigaScartata {
    int Riga = 0;
    std::string Motivo;
};

// A row with the same e-mail as an earlier row of the same file.
struct TDoppioNelFile {
    int Riga = 0;
    int Prima = 0;  // the earlier row
    int Vale = 0;   // the row whose values stand: the first when skipping, else the last
};

// Rows left out, and rows met twice, are listed up to this many each (the
// counts are whole), so a long file's report stays small.
inline constexpr int kRigheElencate = 1000;

struct TEsitoImportazione {
    int Aggiunti = 0;
    int Aggiornati = 0;
    int Duplicati = 0;  // left alone because already there
    int RigheScartate = 0;
    int RigheDoppie = 0;                       // rows with the address of an earlier row
    std::vector<TRigaScartata> Scartate;       // the first kRigheElencate
    std::vector<TDoppioNelFile> DoppiNelFile;  // the first kRigheElencate
    std::string CodificheMiste;  // which rows were read in which encoding, when not all in one
};

struct TOpzioniImportazione {
    TDuplicati Duplicati = TDuplicati::Salta;
    // Nothing is written: the outcome says what an import would do.
    bool Prova = false;
    // Called after each row; may raise to stop: any error undoes every row
    // of the import and escapes.
    std::function<void(std::size_t fatte)> Avanzamento;
    // Each row with what happens to it (the reason when left out).
    std::function<void(const TRigaImportata& riga, TEsitoRiga esito, const std::string& motivo)>
        PerRiga;
    // Addresses met held in memory; beyond them they go to a temporary file.
    std::size_t IndirizziInMemoria = std::size_t{1} << 16;
};

// Writes the rows `prossima` gives until it returns false. A row with an
// error, no value at all, or a value longer than its column is left out and
// listed; nothing is ever cut short. A contact without e-mail counts as
// already there when a contact with the very same values is.
TEsitoImportazione ImportaContatti(TTableFile& tabella,
                                   const std::function<bool(TRigaImportata& riga)>& prossima,
                                   const TOpzioniImportazione& opzioni);

// The same for rows already read.
TEsitoImportazione ImportaContatti(TTableFile& tabella, const std::vector<TRigaImportata>& righe,
                                   TDuplicati duplicati,
                                   const std::function<void(std::size_t fatte)>& avanzamento = {});

// The report: the counts, then one line per row left out, per row met twice
// in the file, and the encodings when the file mixes them.
std::string TestoEsitoImportazione(const TEsitoImportazione& esito);

// "nuovo", "aggiorna", "già presente", "scartato: motivo".
std::string TestoEsitoRiga(TEsitoRiga esito, const std::string& motivo);

}  // namespace brivano

#pragma once
// Writing imported contacts into an address table: all of them in one batch,
// so an import lands whole or not at all.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "workflow/FileImportazione.h"

class TTableFile;

namespace brivano {

// What happens to a contact whose e-mail (normalised) is already in the table.
enum class TDuplicati { Salta, Aggiorna };

struct TRigaScartata {
    int Riga = 0;
    std::string Motivo;
};

struct TEsitoImportazione {
    int Aggiunti = 0;
    int Aggiornati = 0;
    int Duplicati = 0;  // left alone because already there
    std::vector<TRigaScartata> Scartate;
};

// Writes the rows. A row with an error, no value at all, or a value longer
// than its column is left out and listed; nothing is ever cut short. A
// contact without e-mail counts as already there when a contact with the very
// same values is. Called after each row, `avanzamento` may raise to stop: any
// error undoes every row of the import and escapes.
TEsitoImportazione ImportaContatti(TTableFile& tabella, const std::vector<TRigaImportata>& righe,
                                   TDuplicati duplicati,
                                   const std::function<void(std::size_t fatte)>& avanzamento = {});

// The report: the counts, then one line per row left out.
std::string TestoEsitoImportazione(const TEsitoImportazione& esito);

}  // namespace brivano

#pragma once
// Carrying the contacts of one working year into another year's address table.

#include <cstddef>
#include <functional>
#include <string>

#include "workflow/Importazione.h"

class TFDB;
class TTableFile;

namespace brivano {

// Every contact of `da` into `a`, in one batch: any error leaves `a` as it
// was and escapes. Contacts already in `a` (same e-mail, or the very same
// values) are left alone. `avanzamento` as for ImportaContatti.
TEsitoImportazione CopiaContatti(TTableFile& da, TTableFile& a,
                                 const std::function<void(std::size_t fatte)>& avanzamento = {});

// Once the working year has been switched from `annoPrecedente`: copies the
// address table of that year into the working year's and returns the text
// that tells the user (empty when the year did not change: nothing to copy).
// Raises when either table cannot be opened.
std::string CopiaContattiNelNuovoAnno(TFDB& fdb, const std::string& annoPrecedente);

}  // namespace brivano

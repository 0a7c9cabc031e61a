#pragma once
// Contacts read from and written to an address table file, by column name.

#include <array>
#include <vector>

#include "archive/RowCursor.h"
#include "workflow/Contatto.h"

class TTableFile;

namespace brivano {

// Per field, its column in the table file; raises EArchiveError when the
// table lacks one.
std::array<std::size_t, NumeroCampi> ColonneContatto(const TTableFile& tabella);

// Every contact of the table in the contact list's order (company name, as
// an Italian reader sorts it).
std::vector<TContatto> LeggiContatti(TTableFile& tabella);

// A row's values turned into a contact, and back into a row of the table.
TContatto ContattoDaRiga(const std::vector<TFieldValue>& riga,
                         const std::array<std::size_t, NumeroCampi>& colonne);
std::vector<TFieldValue> RigaDaContatto(const TContatto& contatto, std::size_t numeroColonne,
                                        const std::array<std::size_t, NumeroCampi>& colonne);
// The same into a row already sized for the table, reusing its strings' room.
void RiempiRiga(const TContatto& contatto, const std::array<std::size_t, NumeroCampi>& colonne,
                std::vector<TFieldValue>& riga);

}  // namespace brivano

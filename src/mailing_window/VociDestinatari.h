#pragma once
// Recipient list entries that remember the contact whose row added them, so
// merge fields can be filled for each; an entry added any other way has none.

#include <string>
#include <vector>

#include "workflow/CampiUnione.h"

class QListWidget;
class QModelIndex;
class QString;
class TRowCursor;

namespace brivano {

// The merge fields of the cursor's current row.
TCampiContatto CampiDellaRiga(const TRowCursor& riga);
// The merge fields of row `numero` (1-based) of a list, without moving it.
TCampiContatto CampiDellaRiga(const TRowCursor& elenco, int numero);

// Draws each entry of the list as its address followed by its contact's name
// and city ("anna@example.it — Rossi Srl, Bari"); the entry's text stays the
// address.
void MostraContattoDelleVoci(QListWidget& lista);
// What that shows for one entry of the list.
QString TestoMostrato(const QModelIndex& voce);

// Appends an entry with its contact's fields.
void AggiungiVoce(QListWidget& lista, const std::string& indirizzo, const TCampiContatto& campi);

// The texts of the entries and their fields, in list order.
std::vector<std::string> TestiDelleVoci(const QListWidget& lista);
std::vector<TCampiContatto> CampiDelleVoci(const QListWidget& lista);

}  // namespace brivano

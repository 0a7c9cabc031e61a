#pragma once
// Where the program's file dialogs open: the folder of the last file chosen
// in any of them during this run, else the user's documents folder (the
// home folder when there is none), never the program's working folder.

#include <QString>

namespace brivano {

// The proposed path for a dialog: `nome` (may be empty) in that folder.
QString PercorsoProposto(const QString& nome = {});
// Remembers the folder of a file the user chose; an empty text is ignored.
void RicordaCartella(const QString& file);

}  // namespace brivano

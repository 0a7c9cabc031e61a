#pragma once
// Pieces the list windows (journal history, mailbox actions) build alike: a
// read-only table picked a whole row at a time, and buttons Enter does not
// press unless they have the focus.

#include <QString>
#include <string>
#include <vector>

class QPushButton;
class QTableWidget;
class QWidget;

namespace brivano {

QTableWidget* NuovoElencoRighe(QWidget* parent, const char* nome,
                               const std::vector<std::string>& colonne);
QPushButton* NuovoPulsante(QWidget* parent, const char* nome, const QString& testo);

}  // namespace brivano

#pragma once
// Pieces the list windows (journal history, mailbox actions) build alike: a
// read-only table picked a whole row at a time, the number its picked row
// keeps, and buttons Enter does not press unless they have the focus.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QPushButton;
class QTableWidget;
class QWidget;

namespace brivano {

QTableWidget* NuovoElencoRighe(QWidget* parent, const char* nome,
                               const std::vector<std::string>& colonne);
QPushButton* NuovoPulsante(QWidget* parent, const char* nome, const QString& testo);
// The number the picked row keeps (its first cell's Qt::UserRole); none when
// no row is picked.
std::optional<std::int64_t> NumeroScelto(const QTableWidget& elenco);

}  // namespace brivano

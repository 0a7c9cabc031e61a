#include "ui/ElencoRighe.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

namespace brivano {

QTableWidget* NuovoElencoRighe(QWidget* parent, const char* nome,
                               const std::vector<std::string>& colonne) {
    auto* griglia = new QTableWidget(0, static_cast<int>(colonne.size()), parent);
    griglia->setObjectName(QString::fromLatin1(nome));
    QStringList titoli;
    for (const std::string& c : colonne) titoli << QString::fromStdString(c);
    griglia->setHorizontalHeaderLabels(titoli);
    griglia->setSelectionBehavior(QAbstractItemView::SelectRows);
    griglia->setSelectionMode(QAbstractItemView::SingleSelection);
    griglia->setEditTriggers(QAbstractItemView::NoEditTriggers);
    griglia->verticalHeader()->hide();
    griglia->horizontalHeader()->setStretchLastSection(true);
    return griglia;
}

QPushButton* NuovoPulsante(QWidget* parent, const char* nome, const QString& testo) {
    auto* b = new QPushButton(testo, parent);
    b->setObjectName(QString::fromLatin1(nome));
    b->setAutoDefault(false);
    return b;
}

std::optional<std::int64_t> NumeroScelto(const QTableWidget& elenco) {
    const auto scelte = elenco.selectedItems();
    if (scelte.isEmpty()) return std::nullopt;
    return scelte.front()->data(Qt::UserRole).value<qint64>();
}

}  // namespace brivano

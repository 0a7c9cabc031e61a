#include "mailing_window/GrigliaContatti.h"

#include <QFont>

#include "archive/DataSet.h"

namespace brivano {

TGrigliaContatti::TGrigliaContatti(TDataSet& dati, std::vector<TColonnaGriglia> colonne,
                                   QObject* parent)
    : QAbstractTableModel(parent), dati_(dati), colonne_(std::move(colonne)) {
    ascolto_ = dati_.Subscribe([this](TDataEvent event) {
        if (event == TDataEvent::DataSetChange) Ricarica();
    });
    Ricarica();
}

TGrigliaContatti::~TGrigliaContatti() {
    dati_.Unsubscribe(ascolto_);
}

void TGrigliaContatti::Ricarica() {
    beginResetModel();
    campi_.clear();
    for (const auto& colonna : colonne_)
        campi_.push_back(dati_.Active() ? dati_.FindField(colonna.Campo) : -1);
    righe_ = dati_.Active() ? dati_.RecordCount() : 0;
    endResetModel();
}

int TGrigliaContatti::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : righe_;
}

int TGrigliaContatti::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(colonne_.size());
}

QVariant TGrigliaContatti::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= righe_) return {};
    const auto c = static_cast<std::size_t>(index.column());
    const TColonnaGriglia& colonna = colonne_[c];
    switch (role) {
        case Qt::DisplayRole: {
            if (campi_[c] < 0) return {};
            const TFieldValue value = dati_.ValueAt(index.row() + 1, campi_[c]);
            return value ? QString::fromStdString(*value) : QString();
        }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(colonna.Allineamento);
        case Qt::FontRole:
            if (colonna.Grassetto) {
                QFont font;
                font.setBold(true);
                return font;
            }
            return {};
        case Qt::BackgroundRole:
            return colonna.Sfondo.isValid() ? QVariant(colonna.Sfondo) : QVariant();
        default:
            return {};
    }
}

QVariant TGrigliaContatti::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(colonne_.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    const auto s = static_cast<std::size_t>(section);
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    if (role != Qt::DisplayRole) return {};
    if (!colonne_[s].Titolo.isEmpty()) return colonne_[s].Titolo;
    if (campi_[s] >= 0)
        return QString::fromStdString(dati_.FieldNames()[static_cast<std::size_t>(campi_[s])]);
    return QString::fromStdString(colonne_[s].Campo);
}

Qt::ItemFlags TGrigliaContatti::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace brivano

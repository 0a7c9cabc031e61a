#include "ui/GrigliaFiltrata.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <utility>

#include "archive/RowCursor.h"
#include "archive/Session.h"
#include "workflow/RegistroContatti.h"

namespace brivano {

TGrigliaFiltrata::TGrigliaFiltrata(TRowCursor& elenco, QAbstractItemModel* sorgente,
                                   QObject* parent)
    : QAbstractProxyModel(parent), elenco_(elenco) {
    setSourceModel(sorgente);
    Prepara();
    // A reloaded list has other rows: fold them again.
    connect(sorgente, &QAbstractItemModel::modelReset, this, [this] {
        beginResetModel();
        caricato_ = false;
        Prepara();
        Applica();
        endResetModel();
    });
    connect(sorgente, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex&, const QModelIndex&) {
                emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
            });
}

void TGrigliaFiltrata::ImpostaFiltro(const QString& testo) {
    beginResetModel();
    testo_ = testo;
    Applica();
    endResetModel();
}

void TGrigliaFiltrata::CaricaConRegistro(const std::function<void()>& carica) {
    registroAnticipato_.reset();
    try {
        std::filesystem::path anno = elenco_.Session().AliasFolder(elenco_.Alias());
        if (!anno.has_filename()) anno = anno.parent_path();
        std::error_code errore;
        if (std::filesystem::exists(PercorsoRegistroContatti(anno.parent_path()), errore))
            registroAnticipato_ = std::make_unique<TLetturaTestiRegistro>(anno.parent_path());
    } catch (const std::exception&) {
        // The preparation reads the register itself.
    }
    struct TLascia {
        std::unique_ptr<TLetturaTestiRegistro>& r;
        ~TLascia() { r.reset(); }
    } lascia{registroAnticipato_};
    carica();
}

void TGrigliaFiltrata::Applica() {
    tutte_ = testo_.trimmed().isEmpty();
    if (tutte_) {
        righe_.clear();
        return;
    }
    if (!caricato_) {
        std::optional<TTestiRicerca> testi;
        if (preparazione_) testi = preparazione_->Prendi();
        preparazione_.reset();
        if (testi)
            filtro_.Carica(elenco_.RowIds(), std::move(*testi));
        else
            filtro_.Carica(elenco_);
        caricato_ = true;
    }
    righe_ = filtro_.Filtra(testo_.toStdString());
}

void TGrigliaFiltrata::Prepara() {
    preparazione_.reset();
    if (elenco_.Active())
        preparazione_ = std::make_unique<TPreparazioneRicerca>(elenco_.FilePath(),
                                                               std::move(registroAnticipato_));
}

int TGrigliaFiltrata::RigaElenco(int riga) const {
    if (riga < 0 || riga >= rowCount()) return 0;
    return (tutte_ ? riga : righe_[static_cast<std::size_t>(riga)]) + 1;
}

int TGrigliaFiltrata::RigaGriglia(int rigaElenco) const {
    const int sorgente = rigaElenco - 1;
    if (sorgente < 0) return -1;
    if (tutte_) return sorgente < sourceModel()->rowCount() ? sorgente : -1;
    const auto it = std::lower_bound(righe_.begin(), righe_.end(), sorgente);
    return it != righe_.end() && *it == sorgente ? static_cast<int>(it - righe_.begin()) : -1;
}

QModelIndex TGrigliaFiltrata::mapToSource(const QModelIndex& proxy) const {
    if (!proxy.isValid()) return {};
    return sourceModel()->index(RigaElenco(proxy.row()) - 1, proxy.column());
}

QModelIndex TGrigliaFiltrata::mapFromSource(const QModelIndex& source) const {
    if (!source.isValid()) return {};
    const int riga = RigaGriglia(source.row() + 1);
    return riga < 0 ? QModelIndex() : index(riga, source.column());
}

QModelIndex TGrigliaFiltrata::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex TGrigliaFiltrata::parent(const QModelIndex&) const {
    return {};
}

int TGrigliaFiltrata::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !sourceModel()) return 0;
    return tutte_ ? sourceModel()->rowCount() : static_cast<int>(righe_.size());
}

int TGrigliaFiltrata::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !sourceModel() ? 0 : sourceModel()->columnCount();
}

QVariant TGrigliaFiltrata::headerData(int section, Qt::Orientation orientation, int role) const {
    return sourceModel()->headerData(section, orientation, role);
}

}  // namespace brivano

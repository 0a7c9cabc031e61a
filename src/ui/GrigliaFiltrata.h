#pragma once
// The contact grid seen through the search box: only the rows whose company,
// type, city, postal code or e-mail contain the text, in the grid's own order.
// The list's rows are folded once after each reload, on a thread of their
// own while the list is on screen, ready for the first search; the contact
// register's texts can be read while the list is.

#include <QAbstractProxyModel>
#include <functional>
#include <memory>
#include <vector>

#include "workflow/FiltroContatti.h"
#include "workflow/PreparazioneRicerca.h"

class TRowCursor;

namespace brivano {

class TGrigliaFiltrata : public QAbstractProxyModel {
    Q_OBJECT
  public:
    // `elenco` is the data set the source model shows (the contact list).
    TGrigliaFiltrata(TRowCursor& elenco, QAbstractItemModel* sorgente, QObject* parent = nullptr);

    void ImpostaFiltro(const QString& testo);
    // Runs `carica`, which (re)loads the list, while the contact register's
    // search texts are read on a thread of their own for the search the
    // reload prepares; left unused, they are dropped.
    void CaricaConRegistro(const std::function<void()>& carica);
    const QString& Filtro() const { return testo_; }

    // The list row (1-based, as the cursor numbers them) shown at a grid row.
    int RigaElenco(int riga) const;
    // The grid row of a list row; -1 when filtered out.
    int RigaGriglia(int rigaElenco) const;

    QModelIndex mapToSource(const QModelIndex& proxy) const override;
    QModelIndex mapFromSource(const QModelIndex& source) const override;
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    void Applica();
    void Prepara();

    TRowCursor& elenco_;
    TFiltroContatti filtro_;
    std::unique_ptr<TPreparazioneRicerca> preparazione_;
    std::unique_ptr<TLetturaTestiRegistro> registroAnticipato_;
    bool caricato_ = false;
    QString testo_;
    bool tutte_ = true;       // no filter: every source row, without a list
    std::vector<int> righe_;  // source rows shown, when filtered
};

}  // namespace brivano

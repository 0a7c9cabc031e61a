#pragma once
// The mailing window's read-only grid over the contact list: five columns,
// cells read from the query only when the view asks for them.

#include <QAbstractTableModel>
#include <QColor>
#include <string>
#include <vector>

class TDataSet;

namespace brivano {

struct TColonnaGriglia {
    std::string Campo;  // matched without regard to case
    QString Titolo;     // empty: the field's name as the table defines it
    int Larghezza;
    Qt::Alignment Allineamento = Qt::AlignLeft | Qt::AlignVCenter;
    bool Grassetto = false;
    QColor Sfondo;  // invalid: the grid's own
};

class TGrigliaContatti : public QAbstractTableModel {
    Q_OBJECT
  public:
    TGrigliaContatti(TDataSet& dati, std::vector<TColonnaGriglia> colonne,
                     QObject* parent = nullptr);
    ~TGrigliaContatti() override;

    const std::vector<TColonnaGriglia>& Colonne() const { return colonne_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    void Ricarica();

    TDataSet& dati_;
    std::vector<TColonnaGriglia> colonne_;
    std::vector<int> campi_;  // field index per column, -1 when absent
    int righe_ = 0;
    int ascolto_ = 0;
};

}  // namespace brivano

#pragma once
// The picking controls of the mailing window: the search box over the grid,
// "Aggiungi selezionati", "Aggiungi tutti (filtrati)", "Rimuovi", "Svuota",
// "Non inviare più", the recipient count, and on the recipient list's
// context menu "Aggiungi segmento" with the saved segments. Kept apart from the window so
// the window only places them.

#include <QObject>
#include <QPointer>
#include <string>
#include <vector>

class QAbstractItemModel;
class QLabel;
class QListWidget;
class QPoint;
class QPushButton;
class QTableView;
class TCasellaFiltro;
class TRowCursor;
class TMessageBoxes;

namespace brivano {

class TGrigliaFiltrata;

class TSceltaDestinatari : public QObject {
    Q_OBJECT
  public:
    // Creates the controls as children of `finestra`; the grid shows `griglia`.
    TSceltaDestinatari(QWidget* finestra, QTableView* grid, TGrigliaFiltrata& griglia,
                       TRowCursor& elenco, QListWidget* destinatari, TMessageBoxes& boxes);

    void AggiungiSelezionati();
    void AggiungiTutti();
    // Adds the contacts of the list that the saved segment holds.
    void AggiungiSegmento(const std::string& nome);
    void Rimuovi();
    void Svuota();
    // Puts the addresses of the selected entries on the do-not-mail list and
    // takes those entries out of the recipient list.
    void NonInviarePiu();
    void Abilita(bool abilita);

    TCasellaFiltro* Filtro;
    QPushButton *ButtonAggiungiSelezionati, *ButtonAggiungiTutti, *ButtonRimuovi, *ButtonSvuota,
        *ButtonNonInviare;
    QLabel* LabelNumero;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // `numeri`: rows of the contact list, 1-based.
    void Aggiungi(const std::vector<int>& numeri);
    void MenuSegmenti(const QPoint& dove);
    void AggiornaNumero();

    QTableView* grid_;
    TGrigliaFiltrata& griglia_;
    TRowCursor& elenco_;
    QListWidget* destinatari_;
    QAbstractItemModel* lista_ = nullptr;
    QPointer<QLabel> numero_;
    TMessageBoxes& boxes_;
};

}  // namespace brivano

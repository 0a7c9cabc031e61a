#pragma once
// What the address book offers beyond browsing and editing: the search box
// over the list, import, export of all or of the filtered contacts, "Non
// inviare più" for the current contact, the do-not-mail window and the
// current contact's entry in the contact register, the duplicates. Kept
// apart from the window, which only places the box and the menu.

#include <QObject>
#include <functional>
#include <string>

class QMenu;
class QMenuBar;
class QAction;
class QTableView;
class QWidget;
class TCasellaFiltro;
class TFDB;
class TMessageBoxes;

namespace brivano {

class TGrigliaFiltrata;

class TStrumentiRubrica : public QObject {
    Q_OBJECT
  public:
    // `dettaglio` brings the detail panel to the list's current row (the
    // window's double-click); `ricarica` reopens the table and the list after
    // an import.
    TStrumentiRubrica(QWidget* finestra, QMenuBar* menu, QTableView* grid,
                      TGrigliaFiltrata& griglia, TFDB& fdb, TMessageBoxes& boxes,
                      std::function<void()> dettaglio, std::function<void()> ricarica);

    // The commands; the file windows are skipped when a file is given.
    void Importa(const QString& file = {});
    void Esporta(bool soloFiltrati, const QString& file = {});
    void NonInviarePiu();
    void ApriNonInviare();
    // The current contact's entry in the contact register.
    void ApriRegistro();
    // "Trova duplicati": the list is read again after a merge.
    void ApriDuplicati();

    TCasellaFiltro* Filtro;
    QMenu* Contatti;
    QAction *Importa1, *EsportaTutti1, *EsportaFiltrati1, *NonInviare1, *ElencoNonInviare1;
    QAction *Registro1, *Duplicati1;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* finestra_;
    QTableView* grid_;
    TGrigliaFiltrata& griglia_;
    TFDB& fdb_;
    TMessageBoxes& boxes_;
    std::function<void()> dettaglio_, ricarica_;
};

}  // namespace brivano

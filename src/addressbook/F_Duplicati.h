#pragma once
// "Trova duplicati": the groups of contacts that may be one, and the merging
// of a group field by field. The list of fields shows each contact's value in
// a column; a click on a value chooses it, fields where the contacts differ
// are marked. "Tutti gli anni" shows groups across the year archives, to be
// looked at only.

#include <QDialog>
#include <memory>
#include <vector>

#include "workflow/DuplicatiAnni.h"
#include "workflow/UnioneDoppi.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class TFDB;
class TMessageBoxes;

class TFDuplicati : public QDialog {
    Q_OBJECT
  public:
    TFDuplicati(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent = nullptr);
    ~TFDuplicati() override;

    // Reads the groups again (of the working year, or of every year).
    void Cerca();
    // Merges the group shown with the choices made; true when it was written.
    bool Unisci();
    // Whether a merge changed the address table since the window opened.
    bool Cambiata() const { return cambiata_; }

    QCheckBox* TuttiAnni;
    QListWidget* Gruppi;
    QComboBox* Resta;
    QTableWidget* Campi;
    QLabel* Nota;
    QPushButton* Unisci1;

  private:
    void MostraGruppo(int gruppo);
    void MostraScelte();

    TFDB& fdb_;
    TMessageBoxes& boxes_;
    std::unique_ptr<brivano::TRegistroContatti> registro_;
    std::vector<brivano::TGruppoDoppi> gruppi_;          // working year
    std::vector<brivano::TGruppoDoppiAnni> gruppiAnni_;  // every year
    std::vector<brivano::TContatto> contatti_;           // working year's, by list place
    std::unique_ptr<brivano::TUnione> unione_;
    bool cambiata_ = false;
};

#pragma once
// The import window: reads a CSV or vCard file, shows its encoding, how its
// columns map to the contact's fields and its first rows, and only then,
// on "Importa", writes the contacts into the address table in one batch.

#include <QDialog>
#include <memory>
#include <optional>

#include "workflow/FileImportazione.h"
#include "workflow/Importazione.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;
class TFDB;
class TMessageBoxes;

class TFImportaContatti : public QDialog {
    Q_OBJECT
  public:
    TFImportaContatti(TFDB& fdb, TMessageBoxes& boxes, QWidget* parent = nullptr);

    // Reads the file and fills the preview; false (after saying why) when it
    // cannot be read.
    bool Apri(const QString& file);
    // Writes the rows read; the report says what landed. True when written.
    bool Importa();
    const std::optional<brivano::TEsitoImportazione>& Esito() const { return esito_; }

    // Rows shown in the preview.
    static constexpr int RigheAnteprima = 20;

    QPushButton *ButtonScegli, *ButtonImporta, *ButtonAnnulla;
    QLabel* Descrizione;
    QTableWidget* Mappatura;
    QTableWidget* Anteprima;
    QCheckBox* Aggiorna;

  private:
    TFDB& fdb_;
    TMessageBoxes& boxes_;
    std::optional<brivano::TFileImportazione> file_;
    std::optional<brivano::TEsitoImportazione> esito_;
};

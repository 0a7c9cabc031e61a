#pragma once
// The import window: shows a CSV or vCard file's encoding, how its columns
// map to the contact's fields and its first rows, each with what the import
// will do with it; on "Importa" the import itself (brivano::ImportaFile)
// reads the file again and writes it in one batch.

#include <QDialog>
#include <memory>
#include <optional>

#include "workflow/ComandiContatti.h"

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

    // Reads the file's first rows and fills the preview; false (after saying
    // why) when it cannot be read.
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
    std::optional<QString> percorso_;
    std::optional<brivano::TEsitoImportazione> esito_;
};

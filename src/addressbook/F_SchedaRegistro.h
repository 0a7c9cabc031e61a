#pragma once
// The contact register's entry of one address, beside the described fields:
// legal basis, source, dates, notice, tags and the business fields. A field
// in error keeps the window open with the reason; nothing is half written.

#include <QDialog>
#include <string>

class QComboBox;
class QLineEdit;
class TMessageBoxes;

class TFSchedaRegistro : public QDialog {
    Q_OBJECT
  public:
    // Reads the entry of `indirizzo` (an empty one when it has none).
    TFSchedaRegistro(TMessageBoxes& boxes, std::string indirizzo, QWidget* parent = nullptr);

    // Writes the entry and closes; an error is shown and the window stays.
    void Salva();

    QComboBox* Base;
    QLineEdit *Fonte, *DataRaccolta, *Informativa, *DataOpposizione, *Etichette;
    QLineEdit *PartitaIva, *CodiceFiscale, *Pec, *CodiceSdi, *Referente, *Telefono;

  private:
    TMessageBoxes& boxes_;
    std::string indirizzo_;
};

#pragma once
// What the year-change and the new-archive windows have in common: one edit
// for the year, a confirm button (Enter) and a cancel button, centred on the
// main window.

#include <QDialog>
#include <functional>
#include <string>

#include "workflow/ConfermaAnno.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace brivano {

struct TFormaAnno {
    const char* objectName;
    const char* caption;
    int outerWidth, outerHeight;  // the least; wider when the title needs it
};

class TFAnnoLavoro : public QDialog {
    Q_OBJECT
  public:
    QLabel* StaticText1;
    QLineEdit* Edit1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void FormShow();
    void BitBtn1Click();
    void BitBtn2Click();

  protected:
    TFAnnoLavoro(TFDB& fdb, TMessageBoxes& boxes,
                 std::function<void(const std::string&)> mostraAnno, TComandoAnno comando,
                 const TFormaAnno& forma, QWidget* parent);

    // Places a box of the window between the edit and the buttons.
    void AggiungiSopraBottoni(QWidget* casella);

    // After a confirmed switch, with the working year before it.
    virtual void Confermato(const std::string& annoPrecedente) { (void)annoPrecedente; }

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void CreaControlli(const TFormaAnno& forma);
    // Centred in a window wide enough for its whole title.
    void Disponi();

    int larghezza_ = 0;
    int altezzaPiede_ = 0;  // below the buttons
    QWidget* sopraBottoni_ = nullptr;
    TFDB& fdb_;
    TMessageBoxes& boxes_;
    std::function<void(const std::string&)> mostraAnno_;
    TComandoAnno comando_;
};

}  // namespace brivano

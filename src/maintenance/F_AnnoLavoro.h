#pragma once
// What the year-change and the new-archive windows have in common: one edit
// for the year, a confirm and a cancel button.

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
    int outerWidth, outerHeight;
    int left;  // x of the label, the edit and the confirm button
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

    // After a confirmed switch, with the working year before it.
    virtual void Confermato(const std::string& annoPrecedente) { (void)annoPrecedente; }

    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    TFDB& fdb_;
    TMessageBoxes& boxes_;
    std::function<void(const std::string&)> mostraAnno_;
    TComandoAnno comando_;
};

}  // namespace brivano

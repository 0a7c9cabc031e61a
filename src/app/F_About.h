#pragma once
// The about window: the product picture, the version and an OK button.

#include <QDialog>

class QLabel;
class QPushButton;

class TFF_About : public QDialog {
    Q_OBJECT
  public:
    explicit TFF_About(QWidget* parent = nullptr);

    void Button1Click();

    QLabel* Image1;
    QLabel* Label1;
    QLabel* Image2;
    QPushButton* Button1;

  private:
    void CreaControlli();
};

#pragma once
// The search box above a contact grid: Escape empties it (and goes no
// further while it held text), Enter is passed to whoever listens.

#include <QLineEdit>

class TCasellaFiltro : public QLineEdit {
    Q_OBJECT
  public:
    explicit TCasellaFiltro(QWidget* parent = nullptr);

  signals:
    void Invio();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

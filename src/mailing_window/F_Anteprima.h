#pragma once
// "Anteprima": the message one recipient will get, for reading (headers and
// body decoded) or as the exact bytes that go on the wire.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;

class TFAnteprima : public QDialog {
    Q_OBJECT
  public:
    // The two forms of the message for entry `indice`.
    struct TForme {
        std::string Leggibile;
        std::string SulFilo;
    };
    using TComponi = std::function<TForme(std::size_t indice)>;

    TFAnteprima(const std::vector<std::string>& voci, TComponi componi, QWidget* parent = nullptr);

    QComboBox* Destinatario;
    QCheckBox* ByteSulFilo;
    QPlainTextEdit* Testo;

  private:
    void Mostra();

    TComponi componi_;
};

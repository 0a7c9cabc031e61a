#include "ui/QtMessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

namespace {

// A box that places itself in the middle of the screen rather than over its
// parent; the parent only keeps it above the window that asked.
class TCentredBox : public QMessageBox {
  public:
    TCentredBox(QMessageBox::Icon icon, const std::string& caption, const std::string& text)
        : QMessageBox(icon, QString::fromStdString(caption), BoxText(text), QMessageBox::NoButton,
                      QApplication::activeWindow()) {
        setTextFormat(Qt::PlainText);  // a "<" in a text is a character, not markup
        setWindowModality(Qt::ApplicationModal);
    }

  protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);  // settles the final size
        QScreen* scr = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
        if (!scr) return;
        QRect frame = frameGeometry();
        frame.moveCenter(scr->availableGeometry().center());
        move(frame.topLeft());
    }

  private:
    // A carriage return breaks the line.
    static QString BoxText(const std::string& text) {
        QString s = QString::fromStdString(text);
        s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        return s;
    }
};

void ShowOk(QMessageBox::Icon icon, const std::string& text) {
    TCentredBox box(icon, "Brivano", text);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

}  // namespace

void TQtMessageBoxes::ShowInfo(const std::string& text) {
    ShowOk(QMessageBox::NoIcon, text);
}

void TQtMessageBoxes::ShowError(const std::string& text) {
    ShowOk(QMessageBox::Critical, ErrorDisplayText(text));
}

TConfirmAnswer TQtMessageBoxes::Confirm(const std::string& caption, const std::string& text) {
    TCentredBox box(QMessageBox::Question, caption, text);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? TConfirmAnswer::Yes : TConfirmAnswer::No;
}

TConfirmAnswer TQtMessageBoxes::Ask(const std::string& text) {
    TCentredBox box(QMessageBox::Question, "Brivano", text);
    // Standard buttons, so they carry the toolkit's translated texts.
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Yes) ? TConfirmAnswer::Yes
                                                               : TConfirmAnswer::No;
}

TConfirmAnswer TQtMessageBoxes::Choose(const std::string& text, const std::string& yes,
                                       const std::string& no, bool warning) {
    TCentredBox box(warning ? QMessageBox::Warning : QMessageBox::Question, "Brivano", text);
    QPushButton* si = box.addButton(QString::fromStdString(yes), QMessageBox::YesRole);
    QPushButton* annulla = box.addButton(QString::fromStdString(no), QMessageBox::NoRole);
    // A change of certificate must be accepted on purpose, not by Enter.
    box.setDefaultButton(warning ? annulla : si);
    box.setEscapeButton(annulla);
    box.exec();
    return box.clickedButton() == si ? TConfirmAnswer::Yes : TConfirmAnswer::No;
}

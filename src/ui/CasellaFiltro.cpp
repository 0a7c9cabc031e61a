#include "ui/CasellaFiltro.h"

#include <QKeyEvent>

TCasellaFiltro::TCasellaFiltro(QWidget* parent) : QLineEdit(parent) {
    setPlaceholderText(QStringLiteral("Cerca: ragione sociale, tipo, città, CAP, e-mail"));
    setClearButtonEnabled(true);
}

void TCasellaFiltro::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        const bool aveva = !text().isEmpty();
        clear();
        if (aveva) {
            event->accept();
            return;
        }
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        emit Invio();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

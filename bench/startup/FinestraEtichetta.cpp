// The second peer of the start-up benchmark: one window with one line of
// text, so the figures show what the first text (font set-up) costs a
// Qt Widgets program by itself.
#include <QApplication>
#include <QLabel>

#include "app/PrimoDipinto.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    brivano::EsciDopoPrimoDipintoSeRichiesto();
    QLabel finestra(QStringLiteral("Brivano"));
    finestra.resize(750, 745);
    finestra.show();
    return QApplication::exec();
}

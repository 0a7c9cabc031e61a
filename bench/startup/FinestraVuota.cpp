// The peer of the start-up benchmark: the smallest Qt Widgets program that
// shows one window, signalling its first paint the same way the program does.
#include <QApplication>
#include <QWidget>

#include "app/PrimoDipinto.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    brivano::EsciDopoPrimoDipintoSeRichiesto();
    QWidget finestra;
    finestra.resize(750, 745);
    finestra.show();
    return QApplication::exec();
}

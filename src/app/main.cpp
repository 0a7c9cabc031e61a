// Program entry.
#include <QApplication>
#include <memory>

#include "app/Programma.h"
#include "app/SequenzaAvvio.h"
#include "archive/F_DB.h"
#include "ui/QtMessageBoxes.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brivano"));
    TQtMessageBoxes boxes;
    const std::string cartella = QCoreApplication::applicationDirPath().toStdString() + "/";
    return brivano::Programma(boxes, cartella, brivano::CartellaScrivibile(cartella),
                              [](TMessageBoxes& b) { return std::make_unique<TFDB>(b); });
}

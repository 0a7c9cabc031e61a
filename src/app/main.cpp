// Program entry.
#include <QApplication>
#include <iostream>
#include <memory>

#include "app/CopiaUnica.h"
#include "app/PrimoDipinto.h"
#include "app/Programma.h"
#include "app/RigaComando.h"
#include "app/StileProgramma.h"
#include "archive/F_DB.h"
#include "ui/QtMessageBoxes.h"
#include "ui/TraduzioniQt.h"
#include "workflow/SequenzaAvvio.h"

int main(int argc, char** argv) {
    // Before the application object: --help and --version need no display.
    if (const auto uscita = brivano::RispondiRigaComando(argc, argv, std::cout)) return *uscita;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brivano"));
    QApplication::setStyle(new brivano::TStileProgramma);
    brivano::CaricaTraduzioniQt(app);
    brivano::EsciDopoPrimoDipintoSeRichiesto();
    TQtMessageBoxes boxes;
    brivano::TCopiaUnica copia;
    if (!copia.Prendi()) {
        std::cerr << brivano::GiaInEsecuzione << '\n';
        boxes.ShowInfo(brivano::GiaInEsecuzione);
        return 1;
    }
    const std::string cartella = QCoreApplication::applicationDirPath().toStdString() + "/";
    return brivano::Programma(boxes, cartella, brivano::DatiNellaCartellaDelProgramma(cartella),
                              [](TMessageBoxes& b) { return std::make_unique<TFDB>(b); });
}

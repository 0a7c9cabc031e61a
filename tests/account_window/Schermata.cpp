// Saves the documentation's picture of the "Impostazioni Invio" window with
// the Gmail preset picked (so its note shows) and a sender filled in, in a
// private configuration and without touching any keyring:
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata_impostazioni docs/account-window.png
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>

#include "BoxesSilenziose.h"
#include "PortachiaviInMemoria.h"
#include "TempDir.h"
#include "account_window/F_ImpostazioniInvio.h"
#include "dialogs/MessageBoxes.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    TScopedXdgHome home;
    TPortachiaviInMemoria portachiavi;
    brivano::TImpostazioniInvio impostazioni(portachiavi);
    TBoxesSilenziose boxes;
    TFImpostazioniInvio finestra(impostazioni, boxes);
    finestra.show();
    finestra.ComboFornitore->setCurrentIndex(finestra.ComboFornitore->findText("Gmail"));
    finestra.ComboFornitoreChange();
    finestra.DDMittente->setText("ufficio.commerciale@gmail.com");
    finestra.DDMittenteNome->setText(QStringLiteral("Tipografia Serena"));
    finestra.DDPassword->setText("abcdefghijklmnop");
    int risultato = 1;
    QTimer::singleShot(500, [&] {
        risultato = finestra.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
        QApplication::quit();
    });
    QApplication::exec();
    return risultato;
}

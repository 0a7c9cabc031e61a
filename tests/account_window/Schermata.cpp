// Saves the documentation's picture of the "Impostazioni Invio" window with
// the Gmail preset picked (so its note shows) and a sender filled in, or with
// "accesso" the Microsoft 365 preset signed in, in a private configuration
// and without touching any keyring:
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata_impostazioni docs/account-window.png
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata_impostazioni
//       docs/account-window-accesso.png accesso
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>
#include <string>

#include "BoxesSilenziose.h"
#include "PortachiaviInMemoria.h"
#include "TempDir.h"
#include "account_window/F_ImpostazioniInvio.h"
#include "dialogs/MessageBoxes.h"

int main(int argc, char** argv) {
    const bool accesso = argc == 3 && std::string(argv[2]) == "accesso";
    if (argc != 2 && !accesso) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [accesso]\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    TScopedXdgHome home;
    TPortachiaviInMemoria portachiavi;
    brivano::TImpostazioniInvio impostazioni(portachiavi);
    TBoxesSilenziose boxes;
    TFImpostazioniInvio finestra(impostazioni, boxes);
    finestra.show();
    if (accesso) {
        // A refresh token as a sign-in leaves it: the window says who is signed in.
        portachiavi.Voci[{"Accesso Microsoft", "ufficio@tipografiaserena.it"}] = "rt";
        finestra.ComboFornitore->setCurrentIndex(
            finestra.ComboFornitore->findText("Microsoft 365 / Outlook.com"));
        finestra.DDMittente->setText("ufficio@tipografiaserena.it");
        finestra.DDMittenteNome->setText(QStringLiteral("Tipografia Serena"));
        finestra.DDIdApplicazione->setText("0b1c2d3e-4f50-4a6b-8c7d-9e0f1a2b3c4d");
        finestra.ComboFornitoreChange();
    } else {
        finestra.ComboFornitore->setCurrentIndex(finestra.ComboFornitore->findText("Gmail"));
        finestra.ComboFornitoreChange();
        finestra.DDMittente->setText("ufficio.commerciale@gmail.com");
        finestra.DDMittenteNome->setText(QStringLiteral("Tipografia Serena"));
        finestra.DDPassword->setText("abcdefghijklmnop");
    }
    int risultato = 1;
    QTimer::singleShot(500, [&] {
        risultato = finestra.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
        QApplication::quit();
    });
    QApplication::exec();
    return risultato;
}

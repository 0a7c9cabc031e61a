// Saves the documentation's picture of the "Impostazioni Invio" window with
// the Gmail preset picked (so its note shows) and a sender filled in, or with
// "accesso" the Microsoft 365 preset signed in, in a private configuration
// and without touching any keyring:
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata_impostazioni docs/account-window.png
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata_impostazioni
//       docs/account-window-accesso.png accesso
#include <QComboBox>
#include <QLineEdit>
#include <string>

#include "BoxesSilenziose.h"
#include "PortachiaviInMemoria.h"
#include "Schermata.h"
#include "account_window/F_ImpostazioniInvio.h"
#include "dialogs/MessageBoxes.h"

int main(int argc, char** argv) {
    const bool accesso = argc == 3 && std::string(argv[2]) == "accesso";
    TSchermata schermata(argc, argv, argc == 2 || accesso, "OUTPUT.png [accesso]");
    if (!schermata.Pronta()) return 2;
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
        finestra.DDMittente->setText("ufficio@esempio.it");
        finestra.DDMittenteNome->setText(QStringLiteral("Tipografia Serena"));
        finestra.DDPassword->setText("abcdefghijklmnop");
    }
    return schermata.SalvaDopoLaPosa({&finestra});
}

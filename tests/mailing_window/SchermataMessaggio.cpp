// Saves the documentation's pictures of merge fields and the preview: the
// mailing window with "{{Ragione_Sociale}}" and "{{Citta}}" in its texts and
// every contact picked, then "Anteprima" for the first of them:
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata_messaggio
//       docs/campi-unione.png docs/anteprima.png
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <cstdio>

#include "BoxesSilenziose.h"
#include "RubricaDiProva.h"
#include "TempDir.h"
#include "archive/F_DB.h"
#include "mailing_window/F_Agenda.h"
#include "mailing_window/F_Anteprima.h"
#include "mailing_window/SceltaDestinatari.h"

namespace {

void Contatto(TFDB& fdb, const char* nome, const char* citta, const char* email) {
    fdb.T_Rubrica.Open();
    fdb.T_Rubrica.Append();
    fdb.T_Rubrica.SetFieldValue("Ragione_Sociale", nome);
    fdb.T_Rubrica.SetFieldValue("Citta", citta);
    fdb.T_Rubrica.SetFieldValue("EMail", email);
    fdb.T_Rubrica.Post();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WINDOW.png PREVIEW.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    TScopedXdgHome home;
    TTempDir root;
    // Goes on past the run's questions (an empty field, an empty subject).
    TBoxesSilenziose boxes(TConfirmAnswer::Yes);
    TFDB fdb{boxes};
    PreparaRubricaDiProva(fdb, root.str());
    Contatto(fdb, "Cartolibreria Rossi", "Bologna", "info@cartolibreriarossi.it");
    Contatto(fdb, "Studio Bianchi & C.", "Modena", "acquisti@studiobianchi.it");
    Contatto(fdb, "Pasticceria Gallo", "Forlì", "info@pasticceriagallo.it");

    TFInvioMail finestra(fdb, boxes);
    finestra.show();
    finestra.DDHost->setText("smtps.aruba.it");
    finestra.DDIndirizzoSped->setText("ufficio@tipografiaserena.it");
    finestra.DDOgetto->setText("Offerta di primavera per {{Ragione_Sociale}}");
    const char* righe[] = {"Gentile {{Ragione_Sociale}},",
                           "",
                           "per i clienti di {{Citta}} la nostra offerta di primavera",
                           "vale fino al 30 aprile: biglietti da visita, carta intestata",
                           "e cataloghi con il 15% di sconto.",
                           "",
                           "Cordiali saluti,",
                           "Tipografia Serena"};
    for (std::size_t i = 0; i < finestra.DDTestoRiga.size(); ++i)
        finestra.DDTestoRiga[i]->setText(QString::fromUtf8(righe[i]));
    finestra.Scelta->AggiungiTutti();

    int risultato = 1;
    QTimer::singleShot(500, [&] {
        const bool finestraSalvata = finestra.grab().save(QString::fromLocal8Bit(argv[1]));
        TFAnteprima* anteprima = finestra.ButtonAnteprimaClick();
        if (!anteprima) {
            QApplication::quit();
            return;
        }
        anteprima->show();
        QTimer::singleShot(500, [&, anteprima, finestraSalvata] {
            const bool salvata = anteprima->grab().save(QString::fromLocal8Bit(argv[2]));
            risultato = finestraSalvata && salvata ? 0 : 1;
            QApplication::quit();
        });
    });
    QApplication::exec();
    return risultato;
}

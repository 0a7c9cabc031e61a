// Saves the documentation's pictures of files sent with the messages and of
// runs sent later: the mailing window with a file for everyone and an
// invoice per recipient named by a merge-field pattern, and the history
// window's "Invii programmati" panel over a journal made up here:
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata_allegati
//       docs/allegati.png docs/invii-programmati.png
#include <QLineEdit>
#include <chrono>

#include "BoxesSilenziose.h"
#include "EsempioInvio.h"
#include "Schermata.h"
#include "archive/F_DB.h"
#include "history_window/RiquadroProgrammati.h"
#include "mailing_window/F_Agenda.h"
#include "mailing_window/RiquadroAllegati.h"
#include "mailing_window/SceltaDestinatari.h"
#include "ui/TraduzioniQt.h"
#include "workflow/Programmati.h"
#include "workflow/RegistroInvii.h"

namespace {

// Three runs: one started two hours ago, one waiting for tomorrow at nine,
// one cancelled.
void ProgrammatiDiEsempio(const std::filesystem::path& file) {
    using namespace std::chrono;
    const brivano::TRegistroInvii crea(file);
    brivano::TProgrammati programmati(file);
    brivano::TDatiInvio testi;
    testi.Mittente = "ufficio@tipografiaserena.it";
    const auto adesso = system_clock::now();
    const auto domani =
        brivano::IstanteDaTesto(brivano::TestoIstante(adesso + hours(24)).substr(0, 10) + " 09:00")
            .value_or(adesso + hours(24));
    const std::vector<std::string> tre = {"info@cartolibreriarossi.it", "acquisti@studiobianchi.it",
                                          "info@pasticceriagallo.it"};
    testi.Oggetto = "Offerta di primavera per {{Ragione_Sociale}}";
    programmati.Prendi(programmati.Aggiungi(testi, tre, {}, adesso - hours(2)), adesso);
    testi.Oggetto = "Auguri di buona Pasqua";
    programmati.Annulla(programmati.Aggiungi(testi, tre, {}, domani + hours(72)));
    testi.Oggetto = "Fattura di marzo per {{Ragione_Sociale}}";
    programmati.Aggiungi(testi, tre, {}, domani);
}

}  // namespace

int main(int argc, char** argv) {
    TSchermata schermata(argc, argv, argc == 3, "ATTACHMENTS.png SCHEDULED.png");
    if (!schermata.Pronta()) return 2;
    brivano::CaricaTraduzioniQt(schermata.App());
    TTempDir root;
    TBoxesSilenziose boxes(TConfirmAnswer::Yes);
    TFDB fdb{boxes};
    PreparaRubricaDiProva(fdb, root.str());
    ClientiDiEsempio(fdb);

    TFInvioMail finestra(fdb, boxes);
    finestra.resize(1000, 660);
    finestra.show();
    MessaggioDiEsempio(finestra, "Fattura di marzo per {{Ragione_Sociale}}",
                       std::array{"Gentile {{Ragione_Sociale}},", "",
                                  "in allegato la fattura di marzo e le condizioni di vendita",
                                  "aggiornate.", "", "Cordiali saluti,", "Tipografia Serena"});
    brivano::TSceltaAllegati scelta;
    scelta.Comuni = {"Condizioni di vendita 2027.pdf"};
    scelta.Modello = "fatture/marzo/{{Ragione_Sociale}}.pdf";
    finestra.Allegati->Mostra(scelta);

    const auto registro = brivano::TRegistroInvii::Percorso(root.path());
    ProgrammatiDiEsempio(registro);
    TRiquadroProgrammati programmati(
        boxes, [&] { return std::optional(registro); }, nullptr);
    programmati.Aggiorna();
    programmati.resize(760, 190);
    programmati.show();

    return schermata.SalvaDopoLaPosa({&finestra, &programmati});
}

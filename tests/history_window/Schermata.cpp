// Saves the documentation's picture of the "Storico Invii" window over a
// journal made up here, with a run stopped after a failure, picked so that
// "Riprendi" and "Reinvia ai falliti" are on offer:
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata_storico docs/storico-invii.png
#include <QTableWidget>

#include "BoxesSilenziose.h"
#include "Schermata.h"
#include "dialogs/MessageBoxes.h"
#include "history_window/F_StoricoInvii.h"
#include "workflow/RegistroInvii.h"

namespace {

void RegistroDiEsempio(const std::filesystem::path& file) {
    using brivano::TStatoVoce;
    brivano::TRegistroInvii registro(file);
    const std::string account = "smtp.esempio.it:465 ufficio@tipografiaserena.it";
    const auto listino =
        registro.NuovaSpedizione({account, "ufficio@tipografiaserena.it", "Listino 2010", {}},
                                 {"info@cartolibreriarossi.it", "acquisti@studiobianchi.it"});
    for (std::size_t p : {0u, 1u}) {
        registro.Segna(listino, p, TStatoVoce::InCorso, 0, {},
                       "<1262340000123456.8f3a2c1b9e7d4a60." + std::to_string(p + 1) +
                           "@tipografiaserena.it>");
        registro.Segna(listino, p, TStatoVoce::Inviato, 250, "2.0.0 Ok: queued as 4F2A1C");
    }
    const std::vector<std::string> voci = {
        "info@cartolibreriarossi.it",   "acquisti@studiobianchi.it", "amministrazione@verdisnc.it",
        "segreteria@ferramentaneri.it", "ordini@colombo-srl.it",     "info@pasticceriagallo.it",
        "posta@esempio-chiuso.it"};
    const auto offerta = registro.NuovaSpedizione({account,
                                                   "ufficio@tipografiaserena.it",
                                                   "Offerta di primavera per {{Ragione_Sociale}}",
                                                   {}},
                                                  voci);
    auto inviato = [&](std::size_t p) {
        registro.Segna(offerta, p, TStatoVoce::InCorso, 0, {},
                       "<1267430000654321.2b6e9d0c71a5f348." + std::to_string(p + 1) +
                           "@tipografiaserena.it>");
        registro.Segna(offerta, p, TStatoVoce::Inviato, 250, "2.0.0 Ok: queued as 7B1D0E");
    };
    inviato(0);
    inviato(1);
    inviato(2);
    registro.Segna(offerta, 3, TStatoVoce::InCorso);
    registro.Segna(offerta, 3, TStatoVoce::Fallito, 550, "5.1.1 User unknown");
    registro.Segna(offerta, 4, TStatoVoce::Escluso);
    // Stopped here: the last two are still to send, so "Riprendi" is on offer.
}

}  // namespace

int main(int argc, char** argv) {
    TSchermata schermata(argc, argv, argc == 2, "OUTPUT.png");
    if (!schermata.Pronta()) return 2;
    TTempDir dir;
    const auto file = brivano::TRegistroInvii::Percorso(dir.path());
    RegistroDiEsempio(file);
    TBoxesSilenziose boxes;
    TFStoricoInvii finestra(boxes, [&] { return std::optional(file); });
    finestra.SetRiprendi([](std::int64_t, bool) {});
    finestra.resize(1120, 500);
    finestra.show();
    return schermata.SalvaDopoLaPosa({&finestra});
}

// Saves the documentation's pictures of the contact register's panel and of
// "Trova duplicati", over an archive made up here:
//   xvfb-run -a -s "-screen 0 1024x768x24" brivano_schermata_registro
//       docs/registro-contatto.png docs/trova-duplicati.png  (one line)
#include <QListWidget>

#include "BoxesSilenziose.h"
#include "RubricaDiProva.h"
#include "Schermata.h"
#include "addressbook/F_Duplicati.h"
#include "addressbook/F_SchedaRegistro.h"
#include "ui/TraduzioniQt.h"
#include "workflow/RegistroContatti.h"

namespace {

void ContattiDiEsempio(TFDB& fdb) {
    for (const TRigaDiProva& riga :
         std::vector<TRigaDiProva>{{{"Ragione_Sociale", "Cartolibreria Rossi S.r.l."},
                                    {"Tipo", "Cliente"},
                                    {"Citta", "Forlì"},
                                    {"CAP", "47121"},
                                    {"EMail", "info@cartolibreriarossi.it"},
                                    {"Sito", "www.cartolibreriarossi.it"}},
                                   {{"Ragione_Sociale", "CARTOLIBRERIA ROSSI srl"},
                                    {"Tipo", "Cliente"},
                                    {"Citta", "Forli"},
                                    {"EMail", "amministrazione@cartolibreriarossi.it"},
                                    {"Note", "Fatture alla sede di via Roma"}},
                                   {{"Ragione_Sociale", "Studio Bianchi"},
                                    {"Tipo", "Fornitore"},
                                    {"Citta", "Cesena"},
                                    {"EMail", "acquisti@studiobianchi.it"}}})
        ScriviRigaDiProva(fdb, riga);
    brivano::TRegistroContatti registro(brivano::PercorsoRegistroContattiConfigurato());
    brivano::TVoceRegistro rossi{"info@cartolibreriarossi.it"};
    rossi.Base = brivano::TBaseGiuridica::Cliente;
    rossi.Fonte = "fattura n. 118/2024";
    rossi.DataRaccolta = "2024-03-12";
    rossi.Informativa = "v2 (2024)";
    rossi.Etichette = {"cancelleria", "fiera Rimini"};
    rossi.PartitaIva = "01234567897";
    rossi.Pec = "cartolibreriarossi@pec.it";
    rossi.CodiceSdi = "M5UXCR1";
    rossi.Referente = "Giulia Rossi";
    rossi.Telefono = "0543 123456";
    registro.Scrivi(rossi);
    brivano::TVoceRegistro amministrazione{"amministrazione@cartolibreriarossi.it"};
    amministrazione.Base = brivano::TBaseGiuridica::Contratto;
    amministrazione.Fonte = "modulo ordini";
    amministrazione.DataRaccolta = "2023-11-02";
    amministrazione.PartitaIva = "01234567897";
    amministrazione.Referente = "Ufficio amministrazione";
    registro.Scrivi(amministrazione);
}

}  // namespace

int main(int argc, char** argv) {
    TSchermata schermata(argc, argv, argc == 3, "REGISTRO.png DUPLICATI.png");
    if (!schermata.Pronta()) return 2;
    brivano::CaricaTraduzioniQt(schermata.App());  // as the program does: "Chiudi", not "Close"
    TTempDir dir;
    TBoxesSilenziose boxes;
    TFDB fdb(boxes);
    PreparaRubricaDiProva(fdb, dir.str() + "/");
    ContattiDiEsempio(fdb);

    TFSchedaRegistro scheda(boxes, "info@cartolibreriarossi.it");
    scheda.resize(520, scheda.sizeHint().height());
    scheda.show();
    TFDuplicati duplicati(fdb, boxes);
    duplicati.resize(1000, 620);
    duplicati.show();
    return schermata.SalvaDopoLaPosa({&scheda, &duplicati});
}

// Saves a picture of the address book window holding a few contacts, or of
// that window with its search box in use, of the import window previewing a
// spreadsheet export, or of the do-not-mail window:
//   xvfb-run -a addressbook_screenshot docs/address-book.png
//   xvfb-run -a addressbook_screenshot docs/ricerca.png ricerca
//   xvfb-run -a addressbook_screenshot docs/importa-contatti.png importa
//   xvfb-run -a addressbook_screenshot docs/non-inviare.png non-inviare
#include <QApplication>
#include <QPixmap>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "addressbook/F_ImportaContatti.h"
#include "addressbook/F_NonInviare.h"
#include "addressbook/F_Rubrica.h"
#include "addressbook/StrumentiRubrica.h"
#include "archive/F_DB.h"
#include "config/F_Conf.h"
#include "ui/CasellaFiltro.h"
#include "workflow/NonInviare.h"

namespace {

class TSilentBoxes : public TMessageBoxes {
  public:
    void ShowInfo(const std::string&) override {}
    void ShowError(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    TConfirmAnswer Confirm(const std::string&, const std::string&) override {
        return TConfirmAnswer::No;
    }
};

struct TContatto {
    const char *ragione, *tipo, *citta, *cap, *email, *sito;
};

const TContatto kContatti[] = {
    {"Tipografia Serena", "Fornitore", "Bologna", "40121", "info@tipografiaserena.it",
     "www.tipografiaserena.it"},
    {"Agraria Monteverde", "Cliente", "Cuneo", "12100", "ordini@monteverde.it", ""},
    {"Studio Bellini & Figli", "Consulente", "Padova", "35122", "studio@bellini.it",
     "www.studiobellini.it"},
    {"Caseificio Valle Verde", "Cliente", "Parma", "43121", "vendite@valleverde.it", ""},
    {"Ferramenta Ruggeri", "Fornitore", "Città di Castello", "06012", "ruggeri@esempio.it", ""},
    {"Hotel Belvedere", "Cliente", "Riva del Garda", "38066", "booking@belvedere.it",
     "www.hotelbelvedere.it"},
    {"Officine Meccaniche Zanetti", "Fornitore", "Brescia", "25121", "zanetti@esempio.it", ""},
};

// A spreadsheet's export as the import window first meets it.
constexpr const char* kFoglio =
    "Azienda;Categoria;Città;CAP;E-mail;Web;Note\r\n"
    "Cartoleria Rossi;Cliente;Forlì;47121;info@cartoleriarossi.it;www.cartoleriarossi.it;\r\n"
    "Studio Bianchi;Consulente;Pesaro;61121;acquisti@studiobianchi.it;;\"Chiamare dopo le 15; "
    "chiedere di Anna\"\r\n"
    "Verdi s.n.c.;Fornitore;Rimini;47921;amministrazione@verdisnc.it;www.verdisnc.it;\r\n"
    "Ferramenta Neri;Cliente;Cesena;47521;segreteria@ferramentaneri.it;;\r\n"
    "Pasticceria Gallo;Cliente;Ravenna;48121;info@pasticceriagallo.it;;\"Ordine "
    "\"\"Natale\"\"\"\r\n";

bool Salva(QWidget& finestra, const std::string& out) {
    return finestra.grab().save(QString::fromStdString(out));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string vista = argc == 3 ? argv[2] : "";
    if ((argc != 2 && argc != 3) ||
        (argc == 3 && vista != "ricerca" && vista != "importa" && vista != "non-inviare")) {
        std::fprintf(stderr, "usage: %s picture.png [ricerca|importa|non-inviare]\n", argv[0]);
        return 2;
    }
    const std::string out = std::filesystem::absolute(argv[1]).string();
    char name[] = "/tmp/brivano-screenshot-XXXXXX";
    const std::filesystem::path root = mkdtemp(name);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    const std::string year = (root / "2010").string() + "/";
    std::filesystem::create_directories(year);

    QApplication app(argc, argv);
    TSilentBoxes boxes;
    int result = 1;
    {
        TFDB fdb(boxes);
        fdb.PuntaAlias("DBrivano10", year);
        fdb.CreaTabella("DBrivano10", "Rubrica.DB", DefinizioneRubrica);
        fdb.LegaQuery("DBrivano10");
        fdb.LegaTabella(fdb.T_Rubrica, "DBrivano10", "Rubrica.DB");
        TTableCursor& t = fdb.T_Rubrica;
        t.Open();
        for (const TContatto& c : kContatti) {
            t.Append();
            t.SetFieldValue("Ragione_Sociale", c.ragione);
            t.SetFieldValue("Tipo", c.tipo);
            t.SetFieldValue("Citta", c.citta);
            t.SetFieldValue("Cap", c.cap);
            t.SetFieldValue("EMail", c.email);
            t.SetFieldValue("Sito", c.sito);
            t.Post();
        }
        t.Close();

        ScriviReg(KeyBrivano, "PathDatiGen", root.string() + "/");
        TFRubrica window(fdb, boxes);
        TFImportaContatti importa(fdb, boxes);
        TFNonInviare nonInviare(boxes);
        QWidget* fotografata = &window;
        if (vista == "importa") {
            const auto foglio = root / "clienti.csv";
            std::FILE* f = std::fopen(foglio.c_str(), "wb");
            if (!f || std::fputs(kFoglio, f) < 0 || std::fclose(f) != 0) return 1;
            if (!importa.Apri(QString::fromStdString(foglio.string()))) return 1;
            importa.show();
            fotografata = &importa;
        } else if (vista == "non-inviare") {
            brivano::TNonInviare(brivano::PercorsoNonInviareConfigurato())
                .AggiungiTesto(
                    "mario.rossi@esempio.it\nufficio@studiobianchi.it\n"
                    "info@hotelbelvedere.it\nnewsletter@agrariamonteverde.it\n");
            nonInviare.show();
            fotografata = &nonInviare;
        } else {
            window.show();
            if (vista == "ricerca") {
                // Part of a city, typed without its accent.
                window.Strumenti->Filtro->setFocus();
                window.Strumenti->Filtro->setText("citta");
                // Enter in the box brings the detail to the row found.
                window.DBGrid1->selectRow(0);
                window.DBGrid1DblClick();
                window.Strumenti->Filtro->setFocus();
            } else {
                // Bring the detail to the list's third contact, as a double-click does.
                window.DBGrid1->selectRow(2);
                window.DBGrid1DblClick();
            }
        }
        QTimer::singleShot(500, [&] {
            result = Salva(*fotografata, out) ? 0 : 1;
            app.quit();
        });
        QApplication::exec();
    }
    std::filesystem::remove_all(root);
    return result;
}

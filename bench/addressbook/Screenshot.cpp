// Saves a picture of the address book window holding a few contacts:
//   xvfb-run -a addressbook_screenshot docs/address-book.png
#include <QApplication>
#include <QPixmap>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "addressbook/F_Rubrica.h"
#include "archive/F_DB.h"

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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s picture.png\n", argv[0]);
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
        TTable& t = fdb.T_Rubrica;
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

        TFRubrica window(fdb, boxes);
        window.show();
        // Bring the detail to the list's third contact, as a double-click does.
        window.DBGrid1->selectRow(2);
        window.DBGrid1DblClick();
        QTimer::singleShot(500, [&] {
            result = window.grab().save(QString::fromStdString(out)) ? 0 : 1;
            app.quit();
        });
        QApplication::exec();
    }
    std::filesystem::remove_all(root);
    return result;
}

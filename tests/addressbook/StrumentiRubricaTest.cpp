// The address book's search box, import, export and "Non inviare più",
// offscreen on a real archive.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTableWidget>

#include "RecordingMessageBoxes.h"
#include "RubricaDiProva.h"
#include "TempDir.h"
#include "addressbook/F_Duplicati.h"
#include "addressbook/F_ImportaContatti.h"
#include "addressbook/F_NonInviare.h"
#include "addressbook/F_Rubrica.h"
#include "addressbook/StrumentiRubrica.h"
#include "archive/F_DB.h"
#include "config/F_Conf.h"
#include "ui/CasellaFiltro.h"
#include "workflow/ComandiContatti.h"
#include "workflow/ContattiArchivio.h"
#include "workflow/Esportazione.h"
#include "workflow/FileImportazione.h"
#include "workflow/NonInviare.h"

namespace {

constexpr const char* kAlias = "DBrivano10";

class StrumentiRubricaTest : public ::testing::Test {
  protected:
    StrumentiRubricaTest() {
        ScriviReg(KeyBrivano, "PathDatiGen", root.str());
        ScriviReg(KeyBrivano, "AliasDB", kAlias);
        ScriviReg(KeyBrivano, "DBRubrica", "Rubrica.DB");
        PreparaAnnoDiProva(fdb, kAlias, year);
        for (auto [azienda, citta, email] :
             {std::tuple{"Zeta", "Forlì", "zeta@z.it"}, std::tuple{"Alfa", "Roma", "alfa@a.it"},
              std::tuple{"Beta", "Forli", ""}})
            ScriviRigaDiProva(fdb,
                              {{"Ragione_Sociale", azienda}, {"Citta", citta}, {"EMail", email}});
        boxes.boxes.clear();
    }

    QString Azienda(int row) const { return w.DBGrid1->model()->index(row, 0).data().toString(); }
    void Premi(QWidget* control, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(control, &press);
    }

    TScopedXdgHome home;
    TTempDir root;
    std::string year = root.str() + "2010/";
    TRecordingMessageBoxes boxes;
    TFDB fdb{boxes};
    TFRubrica w{fdb, boxes};
};

TEST_F(StrumentiRubricaTest, FilterByCityWithoutAccentsThenEnterShowsTheContact) {
    w.show();
    ASSERT_EQ(w.DBGrid1->model()->rowCount(), 3);
    w.Strumenti->Filtro->setText("FORLI");
    ASSERT_EQ(w.DBGrid1->model()->rowCount(), 2);
    EXPECT_EQ(Azienda(0), "Beta");
    EXPECT_EQ(Azienda(1), "Zeta");
    w.DBGrid1->setCurrentIndex(w.DBGrid1->model()->index(1, 0));
    Premi(w.DBGrid1, Qt::Key_Return);
    EXPECT_EQ(w.Ragione_Sociale->text(), "Zeta");

    // Enter in the box goes to the current row of the filtered list.
    w.Strumenti->Filtro->setText("roma");
    Premi(w.Strumenti->Filtro, Qt::Key_Return);
    EXPECT_EQ(w.Ragione_Sociale->text(), "Alfa");

    Premi(w.Strumenti->Filtro, Qt::Key_Escape);
    EXPECT_EQ(w.DBGrid1->model()->rowCount(), 3);
}

TEST_F(StrumentiRubricaTest, ExportFilteredThenImportWithPreview) {
    w.show();
    w.Strumenti->Filtro->setText("forli");
    const std::filesystem::path csv = root.path() / "filtrati.csv";
    w.Strumenti->Esporta(true, QString::fromStdString(csv.string()));
    EXPECT_EQ(brivano::LeggiFile(csv),
              "\xEF\xBB\xBFRagione Sociale;Tipo;Città;CAP;Email;Sito;Note\r\n"
              "Beta;;Forli;;;;\r\nZeta;;Forlì;;zeta@z.it;;\r\n");

    const std::filesystem::path nuovi = root.path() / "nuovi.csv";
    brivano::ScriviFile(nuovi,
                        "Company,E-mail,City\r\nGamma,g@g.it,Pisa\r\nAlfa bis,ALFA@a.it,Bari\r\n");
    TFImportaContatti finestra(fdb, boxes);
    ASSERT_TRUE(finestra.Apri(QString::fromStdString(nuovi.string())));
    EXPECT_TRUE(finestra.Descrizione->text().contains(QStringLiteral("separatore: virgola")));
    EXPECT_EQ(finestra.Mappatura->item(0, 2)->text(), QStringLiteral("Città"));
    EXPECT_EQ(finestra.Anteprima->rowCount(), 2);
    EXPECT_EQ(finestra.Anteprima->item(1, 1)->text(), "Alfa bis");
    EXPECT_EQ(finestra.Anteprima->item(0, 8)->text(), "nuovo");
    EXPECT_EQ(finestra.Anteprima->item(1, 8)->text(), QStringLiteral("già presente"));
    finestra.Aggiorna->setChecked(true);  // the marks follow the choice
    EXPECT_EQ(finestra.Anteprima->item(1, 8)->text(), "aggiorna");
    EXPECT_EQ(fdb.QGEN.RowCount(), 3);  // nothing written by the preview

    w.Strumenti->Importa(QString::fromStdString(nuovi.string()));
    EXPECT_EQ(boxes.Messages().back(),
              "Contatti aggiunti: 1\rContatti aggiornati: 0\rGià presenti, lasciati com'erano: 1"
              "\rRighe scartate: 0");
    w.Strumenti->Filtro->clear();
    ASSERT_EQ(w.DBGrid1->model()->rowCount(), 4);
    EXPECT_EQ(Azienda(2), "Gamma");
}

TEST_F(StrumentiRubricaTest, NonInviarePiuTakesTheDetailPanelsContact) {
    w.show();
    w.Strumenti->Filtro->setText("zeta");
    Premi(w.Strumenti->Filtro, Qt::Key_Return);
    w.Strumenti->NonInviare1->trigger();
    EXPECT_EQ(boxes.Messages().back(), "zeta@z.it non riceverà più messaggi.");
    EXPECT_TRUE(
        brivano::TNonInviare(brivano::PercorsoNonInviareConfigurato()).Contiene("ZETA@z.it"));

    brivano::TNonInviare(brivano::PercorsoNonInviareConfigurato())
        .Aggiungi("rimbalzato@x.it", "rimbalzo 5.1.1 utente sconosciuto", "<rapporto.1@x.it>");
    TFNonInviare finestra(boxes);
    finestra.Aggiorna();
    ASSERT_EQ(finestra.Elenco->rowCount(), 2);
    // Each address with why and when it was listed; the report is the proof.
    const int rimbalzato = finestra.Elenco->item(0, 0)->text() == "rimbalzato@x.it" ? 0 : 1;
    EXPECT_EQ(finestra.Elenco->item(rimbalzato, 1)->text(), "rimbalzo 5.1.1 utente sconosciuto");
    EXPECT_EQ(finestra.Elenco->item(rimbalzato, 1)->toolTip(), "Messaggio: <rapporto.1@x.it>");
    EXPECT_EQ(finestra.Elenco->item(rimbalzato, 2)->text().size(), 19);
    finestra.Filtro->setText("rimbalzato");
    ASSERT_EQ(finestra.Elenco->rowCount(), 1);
    finestra.Elenco->selectRow(0);
    finestra.RimuoviSelezionati();
    finestra.Filtro->clear();
    ASSERT_EQ(finestra.Elenco->rowCount(), 1);
    finestra.Incolla->setPlainText("uno@x.it\n\ndue@x.it\nZeta <ZETA@z.it.>\n");
    finestra.AggiungiIncollati();
    EXPECT_EQ(boxes.Messages().back(),
              "Aggiunti all'elenco non inviare: 2 (già presenti: 1).\n"
              "Già nell'elenco: Zeta <ZETA@z.it.>");
    EXPECT_EQ(finestra.Elenco->rowCount(), 3);
    finestra.Filtro->setText("DUE");
    ASSERT_EQ(finestra.Elenco->rowCount(), 1);
    finestra.Elenco->selectRow(0);
    finestra.RimuoviSelezionati();
    finestra.Filtro->clear();
    EXPECT_EQ(finestra.Elenco->rowCount(), 2);
    const std::filesystem::path file = root.path() / "non-inviare.txt";
    finestra.EsportaIn(QString::fromStdString(file.string()));
    EXPECT_EQ(brivano::LeggiFile(file), "uno@x.it\nzeta@z.it\n");

    // An address typed but not added is not lost by Escape: going back keeps
    // it, closing adds it.
    finestra.show();
    finestra.Incolla->setPlainText("tre@x.it");
    finestra.reject();
    EXPECT_TRUE(finestra.isVisible());
    EXPECT_EQ(finestra.Incolla->toPlainText(), "tre@x.it");
    boxes.answers.push_back(TConfirmAnswer::Yes);
    finestra.reject();
    EXPECT_FALSE(finestra.isVisible());
    EXPECT_TRUE(
        brivano::TNonInviare(brivano::PercorsoNonInviareConfigurato()).Contiene("tre@x.it"));
    EXPECT_EQ(boxes.asked.size(), 2u);
}

TEST_F(StrumentiRubricaTest, ContactCommandsWaitWhileAContactIsEdited) {
    w.show();
    EXPECT_TRUE(w.Strumenti->Contatti->isEnabled());
    w.Nuovo1Click();
    EXPECT_FALSE(w.Strumenti->Contatti->isEnabled());
    w.Annulla1Click();
    EXPECT_TRUE(w.Strumenti->Contatti->isEnabled());
}

TEST_F(StrumentiRubricaTest, DuplicatesMergeKeepsTheValueClicked) {
    ScriviRigaDiProva(fdb, {{"Ragione_Sociale", "ALFA"}, {"Citta", "Asti"}, {"EMail", "b@a.it"}});
    w.show();
    TFDuplicati finestra(fdb, boxes, &w);
    ASSERT_EQ(finestra.Gruppi->count(), 1);
    ASSERT_EQ(finestra.Campi->columnCount(), 2);
    // Row 2 is the city: the second contact's is kept.
    emit finestra.Campi->cellClicked(2, 1);
    EXPECT_EQ(finestra.Campi->item(2, 1)->checkState(), Qt::Checked);
    EXPECT_EQ(finestra.Campi->item(2, 0)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(finestra.Unisci());  // the question answered No
    boxes.answers.push_back(TConfirmAnswer::Yes);
    ASSERT_TRUE(finestra.Unisci());
    EXPECT_EQ(finestra.Gruppi->count(), 0);
    const auto contatti = brivano::LeggiContatti(*brivano::RubricaDiLavoro(fdb));
    ASSERT_EQ(contatti.size(), 3u);
    EXPECT_EQ(contatti[0][brivano::TCampo::Citta], "Asti");
    EXPECT_EQ(contatti[0][brivano::TCampo::EMail], "alfa@a.it");
}

}  // namespace

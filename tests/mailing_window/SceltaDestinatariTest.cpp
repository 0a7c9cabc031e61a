// Picking in the mailing window: the search box, many rows at once, taking
// entries back, and the do-not-mail list at send time.

#include <gtest/gtest.h>

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>

#include "ArchivioContatti.h"
#include "SmtpSessionServer.h"
#include "mailing_window/F_Agenda.h"
#include "mailing_window/SceltaDestinatari.h"
#include "mailing_window/VociDestinatari.h"
#include "ui/CasellaFiltro.h"
#include "workflow/NonInviare.h"
#include "workflow/Segmenti.h"

namespace {

class SceltaDestinatari : public ArchivioContatti {
  protected:
    void SetUp() override {
        ArchivioContatti::SetUp();
        AggiungiContatto("Caffè Roma", "caffe@roma.it");
        AggiungiContatto("Alfa", "alfa@example.it");
        AggiungiContatto("Bar Città", "BAR@citta.it");
        AggiungiContatto("Senza posta", std::nullopt);
    }
    static std::vector<std::string> Voci(const TFInvioMail& w) {
        std::vector<std::string> voci;
        for (int i = 0; i < w.ListBox1->count(); ++i)
            voci.push_back(w.ListBox1->item(i)->text().toStdString());
        return voci;
    }
    static QString Azienda(const TFInvioMail& w, int row) {
        return w.DBGrid1->model()->index(row, 0).data().toString();
    }
};

TEST_F(SceltaDestinatari, FilterKeepsOrderAndAddsAllFiltered) {
    TFInvioMail w(fdb, boxes);
    w.show();
    ASSERT_EQ(w.DBGrid1->model()->rowCount(), 4);
    w.Scelta->Filtro->setText(QStringLiteral("CITTA"));
    ASSERT_EQ(w.DBGrid1->model()->rowCount(), 1);
    EXPECT_EQ(Azienda(w, 0), QStringLiteral("Bar Città"));
    w.Scelta->Filtro->setText(QStringLiteral("a"));  // every row, in the list's order
    ASSERT_EQ(w.DBGrid1->model()->rowCount(), 4);
    EXPECT_EQ(Azienda(w, 0), "Alfa");
    EXPECT_EQ(Azienda(w, 3), "Senza posta");

    w.ListBox1->addItem("alfa@EXAMPLE.it ");
    w.Scelta->ButtonAggiungiTutti->click();
    EXPECT_EQ(Voci(w),
              (std::vector<std::string>{"alfa@EXAMPLE.it ", "BAR@citta.it", "caffe@roma.it"}));
    EXPECT_EQ(boxes.Messages().back(),
              "Aggiunti 2 destinatari, saltati 2 (senza e-mail o già presenti).");
    EXPECT_EQ(w.Scelta->LabelNumero->text(), "3 destinatari");

    // Escape empties the box and the grid shows everything again.
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    w.Scelta->Filtro->setText("zzz");
    EXPECT_EQ(w.DBGrid1->model()->rowCount(), 0);
    QCoreApplication::sendEvent(w.Scelta->Filtro, &esc);
    EXPECT_TRUE(w.Scelta->Filtro->text().isEmpty());
    EXPECT_EQ(w.DBGrid1->model()->rowCount(), 4);
}

TEST_F(SceltaDestinatari, EntriesPickedManyAtATimeKeepTheirContactsFields) {
    TFInvioMail w(fdb, boxes);
    w.show();
    w.ListBox1->addItem("scritto@a.mano.it");
    w.Scelta->Filtro->setText(QStringLiteral("a"));
    w.Scelta->ButtonAggiungiTutti->click();
    ASSERT_EQ(Voci(w), (std::vector<std::string>{"scritto@a.mano.it", "alfa@example.it",
                                                 "BAR@citta.it", "caffe@roma.it"}));
    const auto campi = brivano::CampiDelleVoci(*w.ListBox1);
    ASSERT_EQ(campi.size(), 4u);
    EXPECT_EQ(campi[0].count("Ragione_Sociale"), 0u);  // typed: no contact
    EXPECT_EQ(campi[1].at("Ragione_Sociale"), "Alfa");
    EXPECT_EQ(campi[2].at("Ragione_Sociale"), "Bar Città");
    EXPECT_EQ(campi[2].at("EMail"), "BAR@citta.it");
    EXPECT_EQ(campi[3].at("Ragione_Sociale"), "Caffè Roma");
}

TEST_F(SceltaDestinatari, SelectedRowsRemoveAndEmpty) {
    TFInvioMail w(fdb, boxes);
    w.show();
    auto* selezione = w.DBGrid1->selectionModel();
    auto* model = w.DBGrid1->model();
    // Picked bottom-up: still appended in grid order.
    selezione->select(model->index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selezione->select(model->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    w.Scelta->ButtonAggiungiSelezionati->click();
    EXPECT_EQ(Voci(w), (std::vector<std::string>{"alfa@example.it", "caffe@roma.it"}));

    // The double-click keeps appending without looking for duplicates.
    w.DBGrid1->setCurrentIndex(model->index(0, 0));
    w.DBGrid1DblClick();
    EXPECT_EQ(w.ListBox1->count(), 3);

    w.ListBox1->item(0)->setSelected(true);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QCoreApplication::sendEvent(w.ListBox1, &del);
    EXPECT_EQ(Voci(w), (std::vector<std::string>{"caffe@roma.it", "alfa@example.it"}));
    w.ListBox1->item(1)->setSelected(true);
    w.Scelta->ButtonRimuovi->click();
    EXPECT_EQ(Voci(w), std::vector<std::string>{"caffe@roma.it"});
    EXPECT_EQ(w.Scelta->LabelNumero->text(), "1 destinatario");
    w.Scelta->ButtonSvuota->click();
    EXPECT_EQ(w.ListBox1->count(), 0);
    EXPECT_EQ(w.Scelta->LabelNumero->text(), "0 destinatari");
}

TEST_F(SceltaDestinatari, DoNotMailAddressesAreSkippedAndCounted) {
    TFInvioMail w(fdb, boxes);
    w.show();
    w.ListBox1->addItem("Caffe@Roma.it");
    w.Scelta->ButtonNonInviare->click();  // nothing selected: says what to do
    EXPECT_EQ(w.ListBox1->count(), 1);
    w.ListBox1->item(0)->setSelected(true);
    w.Scelta->ButtonNonInviare->click();
    EXPECT_EQ(w.ListBox1->count(), 0);
    EXPECT_TRUE(
        brivano::TNonInviare(brivano::PercorsoNonInviareConfigurato()).Contiene("caffe@roma.it"));

    using namespace smtptest;
    TScriptedSmtp server(Greeting, {"250 test.local\r\n", Ok, Ok, Ok, Go, Ok, Bye});
    for (const char* voce : {" CAFFE@roma.it", "alfa@example.it"}) w.ListBox1->addItem(voce);
    bool concluso = false;
    QObject::connect(&w, &TFInvioMail::InvioConcluso, &w, [&] { concluso = true; });
    w.SetPortaInvio(server.Port());
    w.DDHost->setText("127.0.0.1");
    w.DDIndirizzoSped->setText("mario@example.it");
    w.DDOgetto->setText("Offerta");
    boxes.boxes.clear();
    boxes.answers = {TConfirmAnswer::Yes};
    w.ButtonInvioClick();
    ASSERT_TRUE(Attendi([&] { return concluso; }));
    EXPECT_EQ(boxes.asked.at(0),
              "1 destinatario escluso: è nell'elenco non inviare.\rInviare il messaggio a 1 "
              "destinatario?");
    EXPECT_EQ(boxes.Messages(), std::vector<std::string>{"Inviati: 1, esclusi: 1, falliti: 0."});
    // "Aggiungi tutti" does not put a listed address back without a word.
    w.ListBox1->clear();
    w.Scelta->Filtro->setText(QStringLiteral("roma"));
    w.Scelta->ButtonAggiungiTutti->click();
    EXPECT_EQ(w.ListBox1->count(), 0);
    EXPECT_EQ(boxes.Messages().back(),
              "Aggiunti 0 destinatari, saltati 0 (senza e-mail o già presenti). Non aggiunti "
              "perché nell'elenco non inviare: 1.");
    const auto transcript = server.Transcript();
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "RCPT TO:<alfa@example.it>"), 1);
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "DATA"), 1);
}

}  // namespace

namespace {

TEST_F(SceltaDestinatari, ASavedSegmentAddsItsContactsWhateverTheSearchShows) {
    brivano::TSegmento bar;
    bar.Nome = "Bar";
    bar.Testo = "CITTA";
    brivano::TSegmenti(brivano::PercorsoRegistroContattiConfigurato()).Salva(bar);
    TFInvioMail w(fdb, boxes);
    w.show();
    w.Scelta->Filtro->setText(QStringLiteral("alfa"));
    w.Scelta->AggiungiSegmento("Bar");
    EXPECT_EQ(Voci(w), std::vector<std::string>{"BAR@citta.it"});
    w.Scelta->AggiungiSegmento("Nessuno");
    EXPECT_EQ(boxes.boxes.back().text, "Nessun segmento si chiama Nessuno.");
}

}  // namespace

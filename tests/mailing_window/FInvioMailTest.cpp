// The mailing window offscreen: loading, picking, reopening and send runs
// against a scripted loopback server.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>

#include "ArchivioContatti.h"
#include "SmtpSessionServer.h"
#include "mailing_window/F_Agenda.h"
#include "mailing_window/RiquadroAllegati.h"
#include "mailing_window/SceltaDestinatari.h"
#include "mailing_window/VociDestinatari.h"
#include "ui/CasellaFiltro.h"

namespace {

using smtptest::Greeting;

std::vector<std::string> Consegne(int volte, bool rifiutaUltimo = false) {
    std::vector<std::string> replies;
    for (int i = 0; i < volte; ++i) {
        const bool rifiuta = rifiutaUltimo && i == volte - 1;
        for (const char* r : {"250 test.local\r\n", "250 OK\r\n", "250 OK\r\n"})
            replies.push_back(r);
        if (rifiuta) {
            replies.push_back("550 5.1.1 no such user\r\n");
        } else {
            for (const char* r : {"250 OK\r\n", "354 go\r\n", "250 OK\r\n"}) replies.push_back(r);
        }
        replies.push_back("221 bye\r\n");
    }
    return replies;
}

class FInvioMail : public ArchivioContatti {
  protected:
    void SetUp() override {
        ArchivioContatti::SetUp();
        AggiungiContatto("Beta", "beta@example.it");
        AggiungiContatto("Alfa", "alfa@example.it");
        AggiungiContatto("Gamma", std::nullopt);
    }
    QString Cell(TFInvioMail& w, int row, int column) {
        auto* model = w.DBGrid1->model();
        return model->data(model->index(row, column)).toString();
    }
    // Runs the send and records what the status text said during it.
    std::vector<QString> Invia(TFInvioMail& w, int port) {
        std::vector<QString> stati;
        bool concluso = false;
        QObject::connect(&w, &TFInvioMail::StatoInvio, &w,
                         [&](const QString& s) { stati.push_back(s); });
        QObject::connect(&w, &TFInvioMail::InvioConcluso, &w, [&] { concluso = true; });
        w.SetPortaInvio(port);
        w.DDHost->setText("127.0.0.1");
        w.DDIndirizzoSped->setText("mario@example.it");
        w.DDOgetto->setText(QStringLiteral("Novità di dicembre"));
        w.DDTestoRiga[0]->setText("Gentile cliente,");
        w.DDTestoRiga[1]->setText("le presentiamo il nuovo catalogo.");
        w.ButtonInvioClick();
        EXPECT_TRUE(Attendi([&] { return concluso; }));
        return stati;
    }
};

TEST_F(FInvioMail, LoadsPicksAndReopens) {
    TFInvioMail w(fdb, boxes);
    w.show();
    ASSERT_EQ(w.DBGrid1->model()->rowCount(), 3);
    EXPECT_EQ(Cell(w, 0, 0), "Alfa");
    EXPECT_EQ(Cell(w, 0, 2), "alfa@example.it");
    auto* model = w.DBGrid1->model();
    std::vector<QString> titles;
    for (int c = 0; c < model->columnCount(); ++c)
        titles.push_back(model->headerData(c, Qt::Horizontal).toString());
    EXPECT_EQ(titles, (std::vector<QString>{"Ragione Sociale", "Tipo", "EMail", "Cap", "Citta"}));

    fdb.QGEN.MoveToRow(2);
    w.DBGrid1DblClick();
    w.DBGrid1DblClick();  // no check for duplicates
    fdb.QGEN.MoveToRow(3);
    w.DBGrid1DblClick();
    ASSERT_EQ(w.ListBox1->count(), 2);
    EXPECT_EQ(w.ListBox1->item(0)->text(), "beta@example.it");
    EXPECT_EQ(boxes.Errors(), std::vector<std::string>{
                                  "Could not convert variant of type (Null) into type (String)"});

    w.DDHost->setText("smtp.example.it");
    w.DDIndirizzoPSW->setText("1234");
    w.DDTestoRiga[7]->setText("ultima");
    w.hide();
    w.show();
    EXPECT_EQ(w.ListBox1->count(), 2) << "closing to reach a setting keeps the picked ones";
    EXPECT_EQ(w.DDHost->text(), "smtp.example.it");
    EXPECT_EQ(w.DDTestoRiga[7]->text(), "ultima");
    EXPECT_EQ(w.DDIndirizzoPSW->echoMode(), QLineEdit::Password);
}

TEST_F(FInvioMail, TheDraftSurvivesARestart) {
    {
        TFInvioMail w(fdb, boxes);
        w.show();
        fdb.QGEN.MoveToRow(2);
        w.DBGrid1DblClick();
        w.ListBox1->addItem("a mano@example.it");
        w.DDOgetto->setText(QStringLiteral("Novità"));
        w.DDTestoRiga[7]->setText("ultima");
        w.DDIndirizzoPSW->setText("segreta-1234");
        w.Allegati->Modello->setText("fatture/{{Ragione_Sociale}}.pdf");
    }  // the program ends at once: the last change still reaches the file
    TFInvioMail w(fdb, boxes);
    w.show();
    ASSERT_EQ(w.ListBox1->count(), 2);
    EXPECT_EQ(brivano::TestoMostrato(w.ListBox1->model()->index(0, 0)),
              QStringLiteral("beta@example.it — Beta"));
    EXPECT_EQ(w.ListBox1->item(1)->text(), "a mano@example.it");
    EXPECT_EQ(w.DDOgetto->text(), QStringLiteral("Novità"));
    EXPECT_EQ(w.DDTestoRiga[7]->text(), "ultima");
    EXPECT_EQ(w.Allegati->Modello->text(), "fatture/{{Ragione_Sociale}}.pdf");
    EXPECT_TRUE(boxes.Errors().empty());
    std::ifstream file(root.path() / "BozzaMessaggio.json");
    const std::string testo{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(testo.find("segreta-1234"), std::string::npos) << "no password in the draft";

    // Emptied by the user, it is gone for the next start too.
    w.Scelta->ButtonSvuota->click();
    w.DDOgetto->clear();
    w.DDTestoRiga[7]->clear();
    w.Allegati->Modello->clear();
    w.SalvaBozza();
    EXPECT_FALSE(std::filesystem::exists(root.path() / "BozzaMessaggio.json"));
}

TEST_F(FInvioMail, ADoubleClickTakesTheGridsRowWhereverTheAddressBookLeftTheList) {
    TFInvioMail w(fdb, boxes);
    w.show();
    w.DBGrid1->setCurrentIndex(w.DBGrid1->model()->index(0, 0));  // Alfa
    // The address book, usable meanwhile, moved the shared list to Gamma.
    fdb.QGEN.MoveToRow(3);
    w.TornaAttiva();
    w.DBGrid1DblClick();
    ASSERT_EQ(w.ListBox1->count(), 1);
    EXPECT_EQ(w.ListBox1->item(0)->text(), "alfa@example.it");
}

TEST_F(FInvioMail, MessageGrowsWithTheWindowAndHelpsWithFields) {
    TFInvioMail w(fdb, boxes);
    w.show();
    w.resize(1400, 900);
    QCoreApplication::processEvents();
    EXPECT_GT(w.DDTestoRiga[7]->width(), 300) << "the lines widen with the window";
    for (QPushButton* b : {w.ButtonAnteprima, w.ButtonProva, w.ButtonPiePagina, w.ButtonCampi})
        EXPECT_GE(b->width(), b->sizeHint().width()) << b->text().toStdString() << " is cut";

    // Every merge field is offered; it goes where the user writes.
    ASSERT_EQ(w.ButtonCampi->menu()->actions().size(),
              6 + 1 + 11);  // the register's after a section
    EXPECT_EQ(w.ButtonCampi->menu()->actions()[2]->text(), "{{Citta}}");
    w.DDTestoRiga[0]->setText("Gentile ");
    w.InserisciCampo(QStringLiteral("{{Ragione_Sociale}}"));
    EXPECT_EQ(w.DDTestoRiga[0]->text(), "Gentile {{Ragione_Sociale}}");

    // The entry shows its contact beside the address; its text stays the address.
    fdb.QGEN.MoveToRow(2);
    w.DBGrid1DblClick();
    EXPECT_EQ(w.ListBox1->item(0)->text(), "beta@example.it");
    EXPECT_EQ(brivano::TestoMostrato(w.ListBox1->model()->index(0, 0)),
              QStringLiteral("beta@example.it — Beta"));

    // "Account..." opens the settings over the window, which keeps its work.
    EXPECT_FALSE(w.ButtonAccount->isVisible()) << "shown only where the settings can open";
    int aperte = 0;
    w.SetApriAccount([&] { ++aperte; });
    w.ButtonAccount->click();
    EXPECT_EQ(aperte, 1);
    EXPECT_EQ(w.ListBox1->count(), 1);

    // Tab walks the picking, the account, then the message; it leaves the grid.
    EXPECT_FALSE(w.DBGrid1->tabKeyNavigation());
    std::vector<QWidget*> giro;
    QWidget* passo = w.Scelta->Filtro;
    for (int i = 0; i < 40 && giro.size() < 30; ++i, passo = passo->nextInFocusChain())
        if (passo->focusPolicy() & Qt::TabFocus) giro.push_back(passo);
    auto posto = [&](QWidget* x) { return std::find(giro.begin(), giro.end(), x) - giro.begin(); };
    EXPECT_LT(posto(w.DBGrid1), posto(w.ListBox1));
    EXPECT_LT(posto(w.ListBox1), posto(w.DDHost));
    EXPECT_LT(posto(w.DDIndirizzoPSW), posto(w.DDOgetto));
    EXPECT_LT(posto(w.DDTestoRiga[7]), posto(w.ButtonInvio));
}

TEST_F(FInvioMail, ContactsAddedMeanwhileShowWhenTheWindowComesBack) {
    TFInvioMail w(fdb, boxes);
    w.show();
    ASSERT_EQ(w.DBGrid1->model()->rowCount(), 3);
    w.Scelta->Filtro->setText("zeta");
    EXPECT_EQ(w.DBGrid1->model()->rowCount(), 0);
    // Another program (the command-line tool) writes the file meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    AggiungiContatto("Zeta", "zeta@example.it");
    w.RicaricaSeCambiata();
    ASSERT_EQ(w.DBGrid1->model()->rowCount(), 1) << "the search stays";
    EXPECT_EQ(Cell(w, 0, 0), "Zeta");
}

TEST_F(FInvioMail, EmptyListSendsNothing) {
    TFInvioMail w(fdb, boxes);
    w.show();
    EXPECT_TRUE(Invia(w, 1).empty());
    EXPECT_FALSE(w.InvioInCorso());
    EXPECT_TRUE(w.ProgressBar1->isHidden());
    EXPECT_TRUE(w.Operazione->isHidden());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(FInvioMail, EachEntryIsSentAndFailuresStaySelected) {
    smtptest::TScriptedSmtp server(Greeting, Consegne(2, true), 2);
    TFInvioMail w(fdb, boxes);
    w.show();
    for (const char* voce : {"beta@example.it", "beta@example.it", "ignoto@example.it"})
        w.ListBox1->addItem(voce);
    // Sent to the count asked; afterwards the failed stay in the list.
    boxes.answers = {TConfirmAnswer::Yes, TConfirmAnswer::No};
    bool disabilitato = false;
    QObject::connect(&w, &TFInvioMail::StatoInvio, &w, [&] {
        disabilitato = !w.ButtonInvio->isEnabled() && !w.DDHost->isEnabled();
        // BRIVANO_SCREENSHOT=file.png keeps a picture of the window during the run.
        if (const char* path = std::getenv("BRIVANO_SCREENSHOT")) w.grab().save(path);
    });
    const auto stati = Invia(w, server.Port());
    EXPECT_EQ(stati, (std::vector<QString>{"Sto Spedendo beta@example.it",
                                           "Sto Spedendo ignoto@example.it"}));
    EXPECT_TRUE(disabilitato);
    EXPECT_TRUE(w.ButtonInvio->isEnabled());
    auto transcript = server.Transcript();
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "RCPT TO:<beta@example.it>"), 1);
    ASSERT_FALSE(boxes.asked.empty());
    EXPECT_EQ(boxes.asked[0],
              "1 indirizzo ripetuto nell'elenco riceve il messaggio una volta sola.\rInviare il "
              "messaggio a 2 destinatari?");
    EXPECT_EQ(boxes.Messages(),
              std::vector<std::string>{"Inviati: 1, esclusi: 1, falliti: 1.\r"
                                       "Invio non riuscito per 1 indirizzo:\r"
                                       "ignoto@example.it - Destinatario rifiutato dal server: "
                                       "controllare l'indirizzo. Dettagli: no such user"});
    ASSERT_EQ(w.ListBox1->count(), 1);
    EXPECT_EQ(w.ListBox1->item(0)->text(), "ignoto@example.it");
    EXPECT_TRUE(w.ListBox1->item(0)->isSelected());
    EXPECT_EQ(w.ListBox1->item(0)->toolTip(), "Stato: fallito");
    EXPECT_TRUE(w.ProgressBar1->isHidden());
    EXPECT_EQ(w.ProgressBar1->maximum(), 1);
    EXPECT_EQ(w.ProgressBar1->value(), 1);
}

}  // namespace

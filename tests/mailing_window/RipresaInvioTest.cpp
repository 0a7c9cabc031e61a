// The mailing window's journal: a run stopped with "Interrompi" is offered
// again when the window opens and goes on without a duplicate; after a run
// with failures, "Reinvia ai falliti" sends to those alone.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <thread>

#include "ArchivioContatti.h"
#include "ServerSmtpFinto.h"
#include "mailing_window/F_Agenda.h"
#include "mailing_window/VociDestinatari.h"

namespace {

class RipresaInvio : public ArchivioContatti {
  protected:
    void Prepara(TFInvioMail& w, int port, const std::vector<std::string>& voci) {
        w.show();
        w.SetPortaInvio(port);
        w.DDHost->setText("127.0.0.1");
        w.DDIndirizzoSped->setText("mario@example.it");
        w.DDOgetto->setText("Offerta");
        for (const auto& v : voci) w.ListBox1->addItem(QString::fromStdString(v));
    }
    // Entries as a contact's row adds them, with its company name.
    static void AggiungiConDitta(TFInvioMail& w, const std::vector<std::string>& voci) {
        for (const auto& v : voci)
            brivano::AggiungiVoce(*w.ListBox1, v, {{"Ragione_Sociale", "Ditta " + v.substr(0, 5)}});
    }
    // Every recipient got the subject with its own company name.
    static void OggettiConDitta(invioprova::TServerContatore& server) {
        for (const auto& [destinatario, oggetto] : server.Oggetti())
            EXPECT_EQ(oggetto, "Offerta per Ditta " + destinatario.substr(0, 5));
    }
    void Invia(TFInvioMail& w, const std::function<void()>& durante = {}) {
        bool concluso = false;
        auto c = QObject::connect(&w, &TFInvioMail::InvioConcluso, &w, [&] { concluso = true; });
        boxes.answers = {TConfirmAnswer::Yes};  // to the count asked before every run
        w.ButtonInvioClick();
        if (durante) durante();
        ASSERT_TRUE(Attendi([&] { return concluso; }));
        QObject::disconnect(c);
    }
};

TEST_F(RipresaInvio, StoppedRunIsResumedWithoutDuplicates) {
    invioprova::TServerContatore server(10);
    std::vector<std::string> voci;
    for (int i = 0; i < 6; ++i) voci.push_back("des" + std::to_string(i) + "t@example.it");
    {
        TFInvioMail w(fdb, boxes);
        Prepara(w, server.Port(), {});
        w.DDOgetto->setText("Offerta per {{Ragione_Sociale}}");
        AggiungiConDitta(w, voci);
        Invia(w, [&] {
            ASSERT_TRUE(Attendi([&] { return server.Consegne().size() >= 2; }));
            EXPECT_TRUE(w.ButtonInterrompi->isVisible());
            w.ButtonInterrompiClick();
        });
        EXPECT_FALSE(w.ButtonInterrompi->isVisible());
        ASSERT_FALSE(boxes.Messages().empty());
        EXPECT_NE(boxes.Messages().back().find("Invio interrotto: "), std::string::npos);
    }
    const std::size_t primi = server.Consegne().size();
    ASSERT_LT(primi, 6u);

    // A new window, as after starting the program again: it offers the run.
    boxes.answers = {TConfirmAnswer::Yes};
    TFInvioMail w(fdb, boxes);
    w.SetPortaInvio(server.Port());
    w.show();
    // The stop may catch an entry after its end of data: that one is uncertain
    // and, unless the user says otherwise, left out whether or not the server
    // stored it. Every other entry not yet delivered is offered.
    const auto restano = static_cast<std::size_t>(w.ListBox1->count());
    ASSERT_TRUE(restano == 6 - primi || restano + 1 == 6 - primi) << restano << " of " << primi;
    EXPECT_EQ(w.DDOgetto->text(), "Offerta per {{Ragione_Sociale}}");
    EXPECT_EQ(w.DDHost->text(), "127.0.0.1");
    const std::size_t domande = boxes.asked.size();
    Invia(w);
    // No entry lost its fields: no warning, only the count and the list.
    EXPECT_EQ(std::vector<std::string>(boxes.asked.begin() + static_cast<long>(domande),
                                       boxes.asked.end()),
              (std::vector<std::string>{
                  "Inviare il messaggio a " + std::to_string(restano) + " destinatari?",
                  "Svuotare l'elenco dei destinatari? (No: resta com'è, con lo stato di "
                  "ciascuno)"}));
    const auto consegne = server.Consegne();
    EXPECT_EQ(consegne.size(), primi + restano);
    for (const auto& [destinatario, volte] : consegne) EXPECT_EQ(volte, 1) << destinatario;
    OggettiConDitta(server);
}

TEST_F(RipresaInvio, ResentEntriesKeepTheirMergeFields) {
    // Nobody listens on the first port: every entry fails.
    int chiusa = 0;
    const int socketChiuso = smtptest::BindLoopback(chiusa, false);
    TFInvioMail w(fdb, boxes);
    Prepara(w, chiusa, {});
    w.DDOgetto->setText("Offerta per {{Ragione_Sociale}}");
    AggiungiConDitta(w, {"anna@example.it", "bruno@example.it"});
    Invia(w);
    ::close(socketChiuso);
    ASSERT_TRUE(w.ButtonReinvia->isVisible());
    invioprova::TServerContatore server;
    w.SetPortaInvio(server.Port());
    const std::size_t prima = boxes.asked.size();
    bool concluso = false;
    QObject::connect(&w, &TFInvioMail::InvioConcluso, &w, [&] { concluso = true; });
    boxes.answers = {TConfirmAnswer::Yes};
    w.ButtonReinviaClick();
    ASSERT_TRUE(Attendi([&] { return concluso; }));
    // No warning about empty fields, no failure.
    EXPECT_EQ(boxes.asked.at(prima), "Inviare il messaggio a 2 destinatari?");
    EXPECT_EQ(boxes.Messages().back(), "Inviati: 2, esclusi: 0, falliti: 0.");
    EXPECT_EQ(server.Consegne().size(), 2u);
    OggettiConDitta(server);
}

}  // namespace

// The mailing window with a saved sending account: the boxes it fills, what a
// run takes from the account, and the "From" it writes. aiosmtpd receives.

#include <gtest/gtest.h>

#include <deque>

#include <QLineEdit>
#include <QListWidget>

#include "ArchivioContatti.h"
#include "PortachiaviInMemoria.h"
#include "SinkAiosmtpd.h"
#include "mailing_window/F_Agenda.h"
#include "workflow/AccountInvio.h"

namespace {

class InvioConAccount : public ArchivioContatti {
  protected:
    // Every run asks first: Yes to the count, unless told otherwise.
    void Invia(TFInvioMail& window, const std::vector<std::string>& voci,
               std::deque<TConfirmAnswer> risposte = {TConfirmAnswer::Yes}) {
        boxes.answers = std::move(risposte);
        window.DDOgetto->setText(QStringLiteral("Offerta"));
        window.ListBox1->clear();
        for (const auto& voce : voci) window.ListBox1->addItem(QString::fromStdString(voce));
        bool concluso = false;
        QObject::connect(&window, &TFInvioMail::InvioConcluso, &window, [&] { concluso = true; });
        window.ButtonInvioClick();
        ASSERT_TRUE(Attendi([&] { return concluso; }));
    }
    static std::string From(const std::string& bytes) {
        return bytes.substr(0, bytes.find("\r\n"));
    }

    TTempDir stored;
    TPortachiaviInMemoria portachiavi;
    brivano::TImpostazioniInvio impostazioni{portachiavi};
};

TEST_F(InvioConAccount, BoxesFilledOnceTypedValuesWinPortAndNameFromTheAccount) {
    TSinkAiosmtpd sink(stored.path());
    ASSERT_TRUE(sink.Ready()) << "aiosmtpd did not start (Debian package python3-aiosmtpd)";
    brivano::TAccountInvio account;
    account.Host = "127.0.0.1";
    account.Porta = sink.Port();
    account.Mittente = "ufficio@example.it";
    account.MittenteNome = "Ditta Esempio";
    impostazioni.Salva(account, "segreta");

    TFInvioMail window(fdb, boxes);
    window.SetImpostazioni(&impostazioni);
    window.show();
    EXPECT_EQ(window.DDHost->text(), "127.0.0.1");
    EXPECT_EQ(window.DDIndirizzoSped->text(), "ufficio@example.it");
    EXPECT_EQ(window.DDIndirizzoPSW->text(), "segreta");

    // The port is the account's (the window's own would be 25).
    Invia(window, {"anna@example.it"});
    window.DDIndirizzoSped->setText("mario@example.it");
    window.hide();
    window.show();
    EXPECT_EQ(window.DDIndirizzoSped->text(), "mario@example.it") << "typed values win";
    Invia(window, {"bruno@example.it"});

    EXPECT_TRUE(boxes.Errors().empty()) << boxes.Errors().front();
    const auto messages = TSinkAiosmtpd::Messages(stored.path());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(From(messages[0]), "From: \"Ditta Esempio\" <ufficio@example.it>");
    EXPECT_EQ(From(messages[1]), "From: \"Ditta Esempio\" <mario@example.it>");

    // Saved again with another sender: the boxes follow at the next showing.
    account.Mittente = "vendite@example.it";
    impostazioni.Salva(account, "segreta");
    window.hide();
    window.show();
    EXPECT_EQ(window.DDIndirizzoSped->text(), "vendite@example.it");
}

TEST_F(InvioConAccount, WithoutSavedAccountTheRunIsAsBefore) {
    TSinkAiosmtpd sink(stored.path());
    ASSERT_TRUE(sink.Ready());
    TFInvioMail window(fdb, boxes);
    window.SetImpostazioni(&impostazioni);
    window.show();
    EXPECT_TRUE(window.DDHost->text().isEmpty());
    EXPECT_TRUE(window.DDIndirizzoSped->text().isEmpty());
    window.SetPortaInvio(sink.Port());
    window.DDHost->setText("127.0.0.1");
    window.DDIndirizzoSped->setText("mario@example.it");
    Invia(window, {"anna@example.it"});
    window.DDIndirizzoSped->setText("luigi@example.it");
    // The same text to the same address: sent again only on the user's word.
    Invia(window, {"anna@example.it"}, {TConfirmAnswer::Yes, TConfirmAnswer::Yes});
    ASSERT_GE(boxes.asked.size(), 3u);
    EXPECT_EQ(boxes.asked[2].rfind("1 destinatario ha già ricevuto questo messaggio il ", 0), 0u)
        << boxes.asked[2];
    const auto messages = TSinkAiosmtpd::Messages(stored.path());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(From(messages[0]), "From: \"mario@example.it\" <mario@example.it>");
    // The current sender, not the first one of the program run.
    EXPECT_EQ(From(messages[1]), "From: \"luigi@example.it\" <luigi@example.it>");
}

TEST_F(InvioConAccount, DamagedAccountStopsTheRunWithItsError) {
    brivano::TAccountInvio account;
    account.Host = "127.0.0.1";
    impostazioni.Salva(account, "");
    ScriviReg(KeyBrivano, "SmtpPorta", "porta");
    TFInvioMail window(fdb, boxes);
    window.SetImpostazioni(&impostazioni);
    window.show();
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_NE(boxes.boxes.back().text.find("SmtpPorta"), std::string::npos);
    boxes.boxes.clear();
    window.DDHost->setText("127.0.0.1");
    Invia(window, {"anna@example.it"});
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("SmtpPorta"), std::string::npos);
}

}  // namespace

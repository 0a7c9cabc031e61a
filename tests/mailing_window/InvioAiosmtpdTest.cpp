// Send runs of the mailing window against a real SMTP server: Debian's
// aiosmtpd on a loopback port, offering AUTH LOGIN and storing each message.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>

#include <QCheckBox>
#include <QPlainTextEdit>
#include "ArchivioContatti.h"
#include "SinkAiosmtpd.h"

#include "mailing_window/F_Agenda.h"
#include "mailing_window/F_Anteprima.h"
#include "workflow/SpedizioneMail.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

class InvioAiosmtpd : public ArchivioContatti {
  protected:
    void Invia(TFInvioMail& window, int port, const std::vector<std::string>& voci) {
        window.show();
        window.SetPortaInvio(port);
        window.DDHost->setText("127.0.0.1");
        window.DDIndirizzoSped->setText("mario@example.it");
        window.DDIndirizzoPSW->setText("segreta");
        window.DDOgetto->setText(QStringLiteral("Novità di dicembre"));
        for (int n = 0; n < 8; ++n)
            window.DDTestoRiga[static_cast<std::size_t>(n)]->setText(
                n == 2 ? QString() : QStringLiteral("Riga %1").arg(n + 1));
        for (const auto& voce : voci) window.ListBox1->addItem(QString::fromStdString(voce));
        bool concluso = false;
        QObject::connect(&window, &TFInvioMail::InvioConcluso, &window, [&] { concluso = true; });
        boxes.answers = {TConfirmAnswer::Yes};  // to the count asked before every run
        window.ButtonInvioClick();
        ASSERT_TRUE(Attendi([&] { return concluso; }));
    }

    static void ExpectMessage(const std::string& bytes, const std::string& to) {
        const std::size_t split = bytes.find("\r\n\r\n");
        ASSERT_NE(split, std::string::npos);
        const auto header = Lines(bytes.substr(0, split + 2));
        ASSERT_EQ(header.size(), 6u) << bytes;
        EXPECT_EQ(header[0], "From: \"mario@example.it\" <mario@example.it>");
        EXPECT_EQ(header[1].rfind("Subject: =?", 0), 0u) << header[1];
        EXPECT_EQ(header[2], "To: " + to);
        EXPECT_EQ(header[3].rfind("Date: ", 0), 0u);
        EXPECT_TRUE(header[4].rfind("Message-ID: <", 0) == 0 && header[4].size() > 25 &&
                    header[4].substr(header[4].size() - 12) == "@example.it>")
            << header[4];
        EXPECT_EQ(header[5], "List-Unsubscribe: <mailto:mario@example.it?subject=Cancellami>");
        std::vector<std::string> body = Lines(bytes.substr(split + 4));
        std::vector<std::string> expected;
        for (int n = 0; n < 8; ++n)
            expected.push_back(n == 2 ? "" : "Riga " + std::to_string(n + 1));
        expected.insert(expected.end(), 9, "");
        expected.insert(expected.end(), brivano::PiePagina.begin(), brivano::PiePagina.end());
        expected.push_back("");  // the empty line that closes every message text
        EXPECT_EQ(body, expected);
    }

    TTempDir stored;
};

TEST_F(InvioAiosmtpd, DeliversOneMessagePerRecipient) {
    TSinkAiosmtpd sink(stored.path());
    ASSERT_TRUE(sink.Ready()) << "aiosmtpd did not start (Debian package python3-aiosmtpd)";
    TFInvioMail window(fdb, boxes);
    const std::vector<std::string> voci = {"anna@example.it", "bruno@example.it",
                                           "carla@example.it"};
    Invia(window, sink.Port(), voci);
    EXPECT_EQ(boxes.Messages(), std::vector<std::string>{"Inviati: 3, esclusi: 0, falliti: 0."});
    const auto messages = TSinkAiosmtpd::Messages(stored.path());
    ASSERT_EQ(messages.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) ExpectMessage(messages[i], voci[i]);
}

TEST_F(InvioAiosmtpd, RefusedRecipientIsReported) {
    TSinkAiosmtpd sink(stored.path(), {"plain", "--refuse", "rifiuta"});
    ASSERT_TRUE(sink.Ready()) << "aiosmtpd did not start (Debian package python3-aiosmtpd)";
    TFInvioMail window(fdb, boxes);
    Invia(window, sink.Port(), {"anna@example.it", "rifiuta@example.it", "carla@example.it"});
    const auto messages = TSinkAiosmtpd::Messages(stored.path());
    ASSERT_EQ(messages.size(), 2u);
    ExpectMessage(messages[1], "carla@example.it");
    EXPECT_EQ(boxes.Messages(),
              std::vector<std::string>{"Inviati: 2, esclusi: 0, falliti: 1.\r"
                                       "Invio non riuscito per 1 indirizzo:\r"
                                       "rifiuta@example.it - Destinatario rifiutato dal server: "
                                       "controllare l'indirizzo. Dettagli: Recipient refused"});
    // The list not cleared keeps only the failed, selected.
    ASSERT_EQ(window.ListBox1->count(), 1);
    EXPECT_EQ(window.ListBox1->item(0)->text(), "rifiuta@example.it");
    EXPECT_TRUE(window.ListBox1->item(0)->isSelected());
}

TEST_F(InvioAiosmtpd, MergeFieldsPreviewAndTestSend) {
    TSinkAiosmtpd sink(stored.path());
    ASSERT_TRUE(sink.Ready()) << "aiosmtpd did not start (Debian package python3-aiosmtpd)";
    AggiungiContatto("Società Città", std::string("sc@example.it"));
    TFInvioMail window(fdb, boxes);
    window.show();
    for (int riga = 1; riga <= fdb.QGEN.RowCount(); ++riga) {
        fdb.QGEN.MoveToRow(riga);
        if (fdb.QGEN.FieldValue("EMail") == std::optional<std::string>("sc@example.it"))
            window.DBGrid1DblClick();
    }
    window.ListBox1->addItem(QStringLiteral("scritto@example.it"));  // typed: no contact
    window.SetPortaInvio(sink.Port());
    window.DDHost->setText("127.0.0.1");
    window.DDIndirizzoSped->setText("mario@example.it");
    window.DDOgetto->setText(QStringLiteral("Per {{Ragione_Sociale}}"));
    window.DDTestoRiga[0]->setText(QStringLiteral("Spett. {{Ragione_Sociale}},"));

    TFAnteprima* anteprima = window.ButtonAnteprimaClick();
    ASSERT_NE(anteprima, nullptr);
    EXPECT_NE(anteprima->Testo->toPlainText().indexOf(QStringLiteral("Subject: Per Società Città")),
              -1);
    anteprima->ByteSulFilo->setChecked(true);
    EXPECT_NE(
        anteprima->Testo->toPlainText().indexOf(QStringLiteral("Subject: Per =?ISO-8859-1?Q?")),
        -1);
    anteprima->close();

    // Unknown field: no connection, the field named.
    window.DDTestoRiga[1]->setText(QStringLiteral("{{Nome}}"));
    bool concluso = false;
    QObject::connect(&window, &TFInvioMail::InvioConcluso, &window, [&] { concluso = true; });
    window.ButtonInvioClick();
    ASSERT_TRUE(concluso);
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.Messages()[0].rfind("Campo di unione sconosciuto: {{Nome}}.", 0), 0u);
    window.DDTestoRiga[1]->clear();

    // The test send goes to the sender, with the first entry's fields.
    concluso = false;
    window.ButtonProvaClick();
    ASSERT_TRUE(Attendi([&] { return concluso; }));
    auto messages = TSinkAiosmtpd::Messages(stored.path());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("To: mario@example.it\r\n"), std::string::npos);
    EXPECT_LT(messages[0].find("PROVA]"), messages[0].find("\r\n\r\n")) << "marked as a test";
    EXPECT_NE(messages[0].find("\r\n\r\nSpett. Societ=E0 Citt=E0,\r\n"), std::string::npos)
        << messages[0];
    ASSERT_EQ(boxes.Messages().size(), 2u);
    EXPECT_EQ(boxes.Messages()[1], "Messaggio di prova inviato a mario@example.it.");

    // The run warns about the typed entry's empty field; going on sends both.
    boxes.answers = {TConfirmAnswer::Yes, TConfirmAnswer::Yes};
    concluso = false;
    window.ButtonInvioClick();
    ASSERT_TRUE(Attendi([&] { return concluso; }));
    EXPECT_NE(std::find(boxes.asked.begin(), boxes.asked.end(),
                        "Per 1 indirizzo alcuni campi di unione sono vuoti e resteranno vuoti nel "
                        "messaggio:\rscritto@example.it - Ragione_Sociale\rContinuare?"),
              boxes.asked.end());
    messages = TSinkAiosmtpd::Messages(stored.path());
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(boxes.Messages().back(), "Inviati: 2, esclusi: 0, falliti: 0.");
    EXPECT_NE(messages[1].find("Subject: Per =?ISO-8859-1?Q?Societ=E0_Citt=E0?="),
              std::string::npos);
    EXPECT_NE(messages[2].find("\r\nSpett. ,\r\n"), std::string::npos);
}

}  // namespace

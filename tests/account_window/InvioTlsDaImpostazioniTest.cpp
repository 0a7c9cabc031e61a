// From the settings window to a delivered message: the user picks "Aruba",
// points the host at a loopback aiosmtpd with implicit TLS, saves, and sends
// from the mailing window; then the same with "Microsoft 365 / Outlook.com",
// signed in through the stand-in browser and sent over XOAUTH2.
// Certificates are made for this run.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <cstdlib>

#include "ArchivioContatti.h"
#include "PortachiaviInMemoria.h"
#include "ServerAccesso.h"
#include "SinkAiosmtpd.h"
#include "TestCertificates.h"
#include "account_window/F_ImpostazioniInvio.h"
#include "config/F_Conf.h"
#include "mailing_window/F_Agenda.h"

namespace {

// The contacts' archive with certificates made for the test and trusted alone.
class InvioTlsDaImpostazioni : public ArchivioContatti {
  protected:
    void SetUp() override {
        ArchivioContatti::SetUp();
        ASSERT_TRUE(certificati.Ok()) << "openssl could not make the certificates";
    }

    // One message to anna@example.it from the mailing window, with the
    // settings saved; the run must report it sent, without errors.
    void InviaUno(brivano::TImpostazioniInvio& impostazioni, const char* password = nullptr) {
        TFInvioMail invio(fdb, boxes);
        invio.SetImpostazioni(&impostazioni);
        invio.show();
        if (password) {
            EXPECT_EQ(invio.DDIndirizzoPSW->text(), password);
        }
        invio.DDOgetto->setText(QStringLiteral("Offerta"));
        invio.ListBox1->addItem(QStringLiteral("anna@example.it"));
        bool concluso = false;
        QObject::connect(&invio, &TFInvioMail::InvioConcluso, &invio, [&] { concluso = true; });
        boxes.boxes.clear();
        boxes.answers = {TConfirmAnswer::Yes};  // to the count asked before every run
        invio.ButtonInvioClick();
        ASSERT_TRUE(Attendi([&] { return concluso; }));
        EXPECT_TRUE(boxes.Errors().empty()) << boxes.Errors().front();
        EXPECT_EQ(boxes.Messages(),
                  std::vector<std::string>{"Inviati: 1, esclusi: 0, falliti: 0."});
    }

    TTempDir pki;
    TTestCertificates certificati{pki.path()};
    const TSoloAutorita autorita{certificati.Ca()};
};

TEST_F(InvioTlsDaImpostazioni, ArubaPresetSendsOverImplicitTls) {
    TTempDir cartella;
    TSinkAiosmtpd sink(cartella.path(),
                       {"tls", "--cert", certificati.Cert(TTestCertificates::Good).string(),
                        "--key", certificati.Key(TTestCertificates::Good).string(), "--user",
                        "info@esempio.it", "--password", "segreta"});
    ASSERT_TRUE(sink.Ready());

    TPortachiaviInMemoria portachiavi;
    brivano::TImpostazioniInvio impostazioni(portachiavi);
    TFImpostazioniInvio finestra(impostazioni, boxes);
    finestra.show();
    finestra.ComboFornitore->setCurrentIndex(finestra.ComboFornitore->findText("Aruba"));
    finestra.ComboFornitoreChange();
    finestra.DDHost->setText("localhost");
    finestra.DDPorta->setValue(sink.Port());
    finestra.DDMittente->setText("info@esempio.it");
    finestra.DDMittenteNome->setText(QStringLiteral("Ditta Esempio"));
    finestra.DDPassword->setText("segreta");
    finestra.ButtonSalva->click();
    ASSERT_EQ(brivano::LeggiAccount()->Sicurezza, brivano::TSicurezza::SSLTLS);

    ASSERT_NO_FATAL_FAILURE(InviaUno(impostazioni, "segreta"));

    const auto messaggi = sink.Messages();
    ASSERT_EQ(messaggi.size(), 1u);
    EXPECT_EQ(messaggi[0].rfind("From: \"Ditta Esempio\" <info@esempio.it>\r\n", 0), 0u);
    for (const auto& riga : sink.Transcript())
        EXPECT_EQ(riga.rfind("tls ", 0), 0u) << "in the clear: " << riga;
}

TEST_F(InvioTlsDaImpostazioni, MicrosoftPresetSignsInAndSendsOverXoauth2) {
    TTempDir autorizzazione;
    TServerAccesso server(autorizzazione.path(), {"--client-id", "id-di-prova"});
    ASSERT_TRUE(server.Ready());
    ScriviReg(KeyBrivano, "AccessoMicrosoftAutorizza", server.Base() + "/authorize");
    ScriviReg(KeyBrivano, "AccessoMicrosoftToken", server.Base() + "/token");
    ::setenv("BRIVANO_BROWSER", TServerAccesso::WriteBrowser(autorizzazione.path()).c_str(), 1);
    TTempDir cartella;
    TSinkAiosmtpd sink(
        cartella.path(),
        {"starttls", "--cert", certificati.Cert(TTestCertificates::Good).string(), "--key",
         certificati.Key(TTestCertificates::Good).string(), "--mechanisms", "LOGIN,PLAIN,XOAUTH2",
         "--tokens-file", (autorizzazione.path() / "tokens").string()});
    ASSERT_TRUE(sink.Ready());

    TPortachiaviInMemoria portachiavi;
    brivano::TImpostazioniInvio impostazioni(portachiavi);
    TFImpostazioniInvio finestra(impostazioni, boxes);
    finestra.show();
    finestra.ComboFornitore->setCurrentIndex(
        finestra.ComboFornitore->findText("Microsoft 365 / Outlook.com"));
    finestra.ComboFornitoreChange();
    finestra.DDHost->setText("localhost");
    finestra.DDPorta->setValue(sink.Port());
    finestra.DDMittente->setText("info@esempio.it");
    finestra.DDIdApplicazione->setText("id-di-prova");
    bool accesso = false;
    QObject::connect(&finestra, &TFImpostazioniInvio::AccessoConcluso, &finestra,
                     [&] { accesso = true; });
    finestra.ButtonAccediClick();
    ASSERT_TRUE(Attendi([&] { return accesso; }));
    ::unsetenv("BRIVANO_BROWSER");
    finestra.ButtonSalva->click();
    ASSERT_EQ(brivano::LeggiAccount()->Metodo, brivano::TMetodoAccesso::Microsoft);

    ASSERT_NO_FATAL_FAILURE(InviaUno(impostazioni));
    EXPECT_EQ(sink.Messages().size(), 1u);
    const auto transcript = sink.Transcript();
    EXPECT_TRUE(std::any_of(transcript.begin(), transcript.end(), [](const std::string& riga) {
        return riga.rfind("tls AUTH XOAUTH2 ", 0) == 0;
    }));
    // The sign-in's access token came from memory: no request but the code's.
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"authorization_code"});
}

}  // namespace

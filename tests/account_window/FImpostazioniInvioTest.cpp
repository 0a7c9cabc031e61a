// The "Impostazioni Invio" window offscreen, over the real configuration
// store (a private home) and an in-memory keyring.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <chrono>

#include "LoopbackServer.h"
#include "PortachiaviInMemoria.h"
#include "RecordingMessageBoxes.h"
#include "ServerAccesso.h"
#include "SinkAiosmtpd.h"
#include "TempDir.h"
#include "account_window/CampiPostaInArrivo.h"
#include "account_window/F_ImpostazioniInvio.h"
#include "config/F_Conf.h"
#include "posta/AccountPosta.h"
#include "workflow/AccountInvio.h"
#include "workflow/Fornitori.h"

using namespace brivano;

namespace {

bool Attendi(const std::function<bool()>& condizione, int secondi = 20) {
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(secondi);
    while (!condizione()) {
        if (std::chrono::steady_clock::now() > limite) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class FImpostazioniInvioTest : public ::testing::Test {
  protected:
    void Scegli(const char* fornitore) {
        finestra.ComboFornitore->setCurrentIndex(
            finestra.ComboFornitore->findText(QString::fromUtf8(fornitore)));
        emit finestra.ComboFornitore->activated(finestra.ComboFornitore->currentIndex());
    }
    void Compila() {
        finestra.DDMittente->setText("info@esempio.it");
        finestra.DDMittenteNome->setText(QStringLiteral("Ditta Esempio"));
        finestra.DDPassword->setText("segreta");
    }
    std::string Prova() {
        bool conclusa = false;
        QObject::connect(&finestra, &TFImpostazioniInvio::ProvaConclusa, &finestra,
                         [&] { conclusa = true; });
        finestra.ButtonProva->click();
        EXPECT_FALSE(finestra.ButtonSalva->isEnabled()) << "inputs wait for the test";
        EXPECT_TRUE(Attendi([&] { return conclusa; }));
        EXPECT_TRUE(finestra.ButtonSalva->isEnabled());
        return finestra.MemoProva->toPlainText().toStdString();
    }

    TScopedXdgHome home;
    TPortachiaviInMemoria portachiavi;
    TImpostazioniInvio impostazioni{portachiavi};
    TRecordingMessageBoxes boxes;
    TFImpostazioniInvio finestra{impostazioni, boxes};
};

TEST_F(FImpostazioniInvioTest, EscapeAsksBeforeDroppingChanges) {
    finestra.show();
    static_cast<QDialog&>(finestra).reject();
    EXPECT_FALSE(finestra.isVisible()) << "nothing changed: nothing to ask";
    EXPECT_TRUE(boxes.asked.empty());

    finestra.show();
    finestra.DDHost->setText("smtp.example.it");
    static_cast<QDialog&>(finestra).reject();
    EXPECT_TRUE(finestra.isVisible());
    EXPECT_EQ(finestra.DDHost->text(), "smtp.example.it");
    boxes.answers.push_back(TConfirmAnswer::Yes);
    static_cast<QDialog&>(finestra).reject();
    EXPECT_FALSE(finestra.isVisible());
    EXPECT_EQ(boxes.asked.size(), 2u);
    EXPECT_FALSE(brivano::LeggiAccount());

    finestra.show();
    finestra.DDPassword->setText("nuova");
    finestra.ButtonAnnulla->click();
    EXPECT_FALSE(finestra.isVisible()) << "\"Annulla\" drops the changes on purpose";
    EXPECT_EQ(boxes.asked.size(), 2u);
}

// Each preset, picked by the name the list shows, fills exactly its own
// values (incoming server included) and leaves the sender alone.
TEST_F(FImpostazioniInvioTest, PresetsFillHostPortSecurityAndNote) {
    finestra.show();
    EXPECT_EQ(finestra.ComboFornitore->currentText(), "Altro");
    EXPECT_EQ(finestra.DDPorta->value(), 25);
    EXPECT_EQ(finestra.ComboSicurezza->currentText(), "Nessuna");
    const auto fornitori = Fornitori();
    ASSERT_EQ(finestra.ComboFornitore->count(), static_cast<int>(fornitori.size()));

    Compila();
    QString ultimoHost;
    for (const TFornitore& f : fornitori.first(fornitori.size() - 1)) {
        SCOPED_TRACE(f.Nome);
        Scegli(f.Nome);
        ASSERT_EQ(finestra.ComboFornitore->currentText().toStdString(), f.Nome);
        EXPECT_EQ(finestra.DDHost->text().toStdString(), f.Host);
        EXPECT_EQ(finestra.DDPorta->value(), f.Porta);
        EXPECT_EQ(finestra.ComboSicurezza->currentText().toStdString(),
                  TestoSicurezza(f.Sicurezza));
        EXPECT_EQ(finestra.ComboMetodo->currentText().toStdString(), TestoMetodo(f.Metodo));
        EXPECT_EQ(finestra.LabelNota->text().toStdString(), f.Nota);
        EXPECT_EQ(finestra.DDLimiteMinuto->value(), f.Limiti.PerMinuto);
        EXPECT_EQ(finestra.DDLimiteOra->value(), f.Limiti.PerOra);
        EXPECT_EQ(finestra.DDLimiteGiorno->value(), f.Limiti.PerGiorno);
        if (const TPresetPosta* arrivo = PresetPostaPer(f.Nome)) {
            EXPECT_EQ(finestra.CampiArrivo->DDImapHost->text().toStdString(), arrivo->Host);
            EXPECT_EQ(finestra.CampiArrivo->DDImapPorta->value(), arrivo->Porta);
        }
        EXPECT_EQ(finestra.DDMittente->text(), "info@esempio.it") << "the sender stays";
        ultimoHost = finestra.DDHost->text();
    }

    // "Altro" keeps the fields for the user to change.
    Scegli("Altro");
    EXPECT_EQ(finestra.DDHost->text(), ultimoHost);
    EXPECT_TRUE(finestra.LabelNota->text().isEmpty());
    // A new security brings its usual port, a typed one stays.
    finestra.ComboSicurezza->setCurrentIndex(2);
    emit finestra.ComboSicurezza->activated(2);
    EXPECT_EQ(finestra.DDPorta->value(), 465);
    finestra.DDPorta->setValue(2465);
    finestra.ComboSicurezza->setCurrentIndex(1);
    emit finestra.ComboSicurezza->activated(1);
    EXPECT_EQ(finestra.DDPorta->value(), 2465);
}

TEST_F(FImpostazioniInvioTest, APasswordWithoutTlsIsSaidToCrossTheNetworkInClear) {
    finestra.show();
    EXPECT_TRUE(finestra.LabelInChiaro->text().isEmpty()) << "no password yet";
    finestra.DDPassword->setText("segreta");
    EXPECT_TRUE(finestra.LabelInChiaro->text().contains("in chiaro"));
    Scegli("Aruba");
    EXPECT_TRUE(finestra.LabelInChiaro->text().isEmpty());
    finestra.ComboSicurezza->setCurrentIndex(0);
    EXPECT_FALSE(finestra.LabelInChiaro->text().isEmpty());
}

TEST_F(FImpostazioniInvioTest, SalvaStoresTheAccountAndThePasswordApart) {
    finestra.show();
    Scegli("Libero");
    const std::string host = TrovaFornitore("Libero")->Host;
    const std::string imapHost = PresetPostaPer("Libero")->Host;
    Compila();
    finestra.DDUtente->setText("utente-smtp");
    // The provider fills the incoming side too, saying it is to be checked.
    EXPECT_EQ(finestra.CampiArrivo->DDImapHost->text().toStdString(), imapHost);
    EXPECT_EQ(finestra.CampiArrivo->DDImapPorta->value(), 993);
    EXPECT_FALSE(finestra.CampiArrivo->LabelImapNota->text().isEmpty());
    finestra.CampiArrivo->ComboImapSicurezza->setCurrentIndex(1);
    emit finestra.CampiArrivo->ComboImapSicurezza->activated(1);
    EXPECT_EQ(finestra.CampiArrivo->DDImapPorta->value(), 143);
    finestra.ButtonSalva->click();
    EXPECT_EQ(boxes.Messages(), std::vector<std::string>{TestoSalvatoConPassword});
    const auto arrivo = LeggiAccountPosta();
    ASSERT_TRUE(arrivo);
    EXPECT_EQ(arrivo->Host, imapHost);
    EXPECT_EQ(arrivo->Porta, 143);
    EXPECT_EQ(arrivo->Sicurezza, TSicurezzaImap::STARTTLS);
    EXPECT_EQ(arrivo->Utente, "");
    EXPECT_FALSE(finestra.isVisible());

    const auto account = LeggiAccount();
    ASSERT_TRUE(account);
    EXPECT_EQ(account->Host, host);
    EXPECT_EQ(account->Porta, 465);
    EXPECT_EQ(account->Sicurezza, TSicurezza::SSLTLS);
    EXPECT_EQ(account->Utente, "utente-smtp");
    EXPECT_EQ(account->Mittente, "info@esempio.it");
    EXPECT_EQ(account->MittenteNome, "Ditta Esempio");
    EXPECT_EQ(account->Fornitore, "Libero");
    EXPECT_EQ((portachiavi.Voci[{host, "utente-smtp"}]), "segreta");

    // Shown again: the saved account and its password.
    finestra.DDHost->setText("altro.host");
    finestra.show();
    EXPECT_EQ(finestra.DDHost->text().toStdString(), host);
    EXPECT_EQ(finestra.ComboFornitore->currentText(), "Libero");
    EXPECT_EQ(finestra.DDPassword->text(), "segreta");
    EXPECT_EQ(finestra.CampiArrivo->DDImapPorta->value(), 143);

    // No incoming server: the check has nothing to read.
    finestra.CampiArrivo->DDImapHost->clear();
    finestra.ButtonSalva->click();
    EXPECT_FALSE(LeggiAccountPosta());
}

TEST_F(FImpostazioniInvioTest, PaceAndRetriesComeFromThePresetAndAreSaved) {
    finestra.show();
    EXPECT_EQ(finestra.DDLimiteGiorno->text(), "nessun limite");
    EXPECT_EQ(finestra.DDTentativi->value(), 2);
    EXPECT_EQ(finestra.DDAttesaTentativi->value(), 60);
    Compila();
    Scegli("Gmail");
    const TLimitiInvio limiti = TrovaFornitore("Gmail")->Limiti;
    EXPECT_EQ(finestra.DDLimiteGiorno->value(), limiti.PerGiorno);
    EXPECT_EQ(finestra.DDLimiteMinuto->value(), limiti.PerMinuto);
    finestra.DDLimiteOra->setValue(30);
    finestra.DDPausa->setValue(4);
    finestra.DDTentativi->setValue(1);
    finestra.DDAttesaTentativi->setValue(300);
    finestra.ButtonSalva->click();
    const auto account = LeggiAccount();
    ASSERT_TRUE(account);
    EXPECT_EQ(account->Limiti, (TLimitiInvio{limiti.PerMinuto, 30, limiti.PerGiorno, 4}));
    EXPECT_EQ(account->Rinvii, (TRinvii{1, 300}));
    finestra.DDPausa->setValue(0);
    finestra.show();
    EXPECT_EQ(finestra.DDPausa->value(), 4);
}

TEST_F(FImpostazioniInvioTest, UnusableFieldsKeepTheWindowOpenAndStoreNothing) {
    finestra.show();
    Compila();
    finestra.ButtonSalva->click();
    EXPECT_EQ(boxes.Messages(), std::vector<std::string>{"Indicare l'host di spedizione."});
    EXPECT_TRUE(finestra.isVisible());
    EXPECT_FALSE(LeggiAccount());
    EXPECT_TRUE(portachiavi.Voci.empty());
    finestra.ButtonAnnulla->click();
    EXPECT_FALSE(finestra.isVisible());
}

TEST_F(FImpostazioniInvioTest, WithoutKeyringTheWindowSaysSo) {
    portachiavi.Assente = true;
    finestra.show();
    Scegli("TIM");
    Compila();
    finestra.ButtonSalva->click();
    EXPECT_EQ(boxes.Messages(), std::vector<std::string>{TestoSenzaPortachiavi});
    ASSERT_TRUE(LeggiAccount());
    // The same run still knows it; a new run does not, and says why.
    finestra.show();
    EXPECT_EQ(finestra.DDPassword->text(), "segreta");
    TImpostazioniInvio nuovoAvvio(portachiavi);
    TFImpostazioniInvio nuova(nuovoAvvio, boxes);
    nuova.show();
    EXPECT_TRUE(nuova.DDPassword->text().isEmpty());
    EXPECT_TRUE(nuova.LabelPortachiavi->text().startsWith("Portachiavi non disponibile"));
}

TEST_F(FImpostazioniInvioTest, ProvaConnessioneReportsEachStepAgainstAiosmtpd) {
    TTempDir cartella;
    TSinkAiosmtpd sink(cartella.path());
    ASSERT_TRUE(sink.Ready()) << "aiosmtpd did not start (Debian package python3-aiosmtpd)";
    finestra.show();
    Compila();
    finestra.DDHost->setText("127.0.0.1");
    finestra.DDPorta->setValue(sink.Port());
    const std::string testo = Prova();
    const std::string host = "127.0.0.1:" + std::to_string(sink.Port());
    EXPECT_NE(testo.find("[OK] Connessione a " + host + "\n[OK] Saluto del server ed EHLO: 250 "),
              std::string::npos)
        << testo;
    EXPECT_NE(testo.find("\n[OK] Accesso come info@esempio.it: 235 "), std::string::npos) << testo;
    EXPECT_NE(testo.find("\n[OK] Chiusura (QUIT): 221 "), std::string::npos) << testo;
    EXPECT_EQ(testo.substr(testo.rfind('\n') + 1), "Prova riuscita.");
    EXPECT_FALSE(LeggiAccount()) << "a test saves nothing";
}

TEST_F(FImpostazioniInvioTest, ProvaConnessioneNamesTheFailedStep) {
    int chiusa = 0;
    const int fd = smtptest::BindLoopback(chiusa, false);
    ASSERT_GE(fd, 0);
    finestra.show();
    Compila();
    finestra.DDHost->setText("127.0.0.1");
    finestra.DDPorta->setValue(chiusa);
    const std::string testo = Prova();
    ::close(fd);
    EXPECT_NE(testo.find("[ERRORE] Connessione a 127.0.0.1:"), std::string::npos) << testo;
    EXPECT_NE(testo.find("Connessione rifiutata: controllare host e porta. Dettagli: "),
              std::string::npos);
    EXPECT_EQ(testo.substr(testo.rfind('\n') + 1), "Prova non riuscita.");
}

// The window's wiring of a sign-in: the preset picks the method, "Accedi…"
// opens the browser through the hook (the stand-in browser here) and waits,
// the signed-in address shows, "Esci" forgets the tokens.
TEST_F(FImpostazioniInvioTest, AccediThroughTheBrowserHookThenEsci) {
    TTempDir cartella;
    TServerAccesso server(cartella.path(), {"--client-id", "id-di-prova"});
    ASSERT_TRUE(server.Ready());
    ScriviReg(KeyBrivano, "AccessoMicrosoftAutorizza", server.Base() + "/authorize");
    ScriviReg(KeyBrivano, "AccessoMicrosoftToken", server.Base() + "/token");
    ::setenv("BRIVANO_BROWSER", TServerAccesso::WriteBrowser(cartella.path()).c_str(), 1);
    finestra.show();
    Compila();
    Scegli("Microsoft 365 / Outlook.com");
    EXPECT_EQ(finestra.ComboMetodo->currentText(), "Accesso Microsoft");
    EXPECT_FALSE(finestra.DDPassword->isEnabled());
    finestra.DDIdApplicazione->setText("id-di-prova");
    bool concluso = false;
    QObject::connect(&finestra, &TFImpostazioniInvio::AccessoConcluso, &finestra,
                     [&] { concluso = true; });
    finestra.ButtonAccedi->click();
    EXPECT_TRUE(finestra.ButtonAnnullaAccesso->isVisible());
    EXPECT_FALSE(finestra.ButtonSalva->isEnabled());
    EXPECT_TRUE(Attendi([&] { return concluso; }, 60));
    ::unsetenv("BRIVANO_BROWSER");
    EXPECT_TRUE(boxes.Errors().empty());
    EXPECT_EQ(finestra.LabelAccesso->text(), "Accesso eseguito come info@esempio.it");
    EXPECT_EQ(portachiavi.Voci.count({"Accesso Microsoft", "info@esempio.it"}), 1U);
    finestra.ButtonEsci->click();
    EXPECT_TRUE(portachiavi.Voci.empty());
    EXPECT_TRUE(finestra.LabelAccesso->text().startsWith("Accesso non eseguito"));
}

}  // namespace

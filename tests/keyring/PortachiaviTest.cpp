// Runs twice under ctest: once inside a private session bus with an unlocked
// keyring daemon (ConSecretService.sh), once with a session bus address that
// leads nowhere. A process keeps its first bus connection, so the two never
// share a run.
#include "keyring/PortachiaviSegreti.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "TempDir.h"
#include "config/F_Conf.h"
#include "workflow/ImpostazioniInvio.h"
#include "workflow/SessioneAccesso.h"

using namespace brivano;

namespace {

const TChiavePassword Chiave{"smtp.esempio.it", "info@esempio.it"};

TEST(PortachiaviReale, StoreReadBackReplaceDelete) {
    TPortachiaviSegreti portachiavi;
    EXPECT_EQ(portachiavi.Leggi(Chiave), std::nullopt);
    portachiavi.Salva(Chiave, "prima password è");
    EXPECT_EQ(portachiavi.Leggi(Chiave), "prima password è");

    portachiavi.Salva(Chiave, "seconda");
    EXPECT_EQ(portachiavi.Leggi(Chiave), "seconda");
    // Another user on the same server is another item.
    const TChiavePassword altro{Chiave.Host, "altro@esempio.it"};
    EXPECT_EQ(portachiavi.Leggi(altro), std::nullopt);
    portachiavi.Salva(altro, "terza");
    EXPECT_EQ(portachiavi.Leggi(Chiave), "seconda");

    portachiavi.Cancella(Chiave);
    EXPECT_EQ(portachiavi.Leggi(Chiave), std::nullopt);
    EXPECT_EQ(portachiavi.Leggi(altro), "terza");
    portachiavi.Cancella(Chiave);  // nothing left to remove
    portachiavi.Cancella(altro);
    EXPECT_EQ(portachiavi.Leggi(altro), std::nullopt);
}

TEST(PortachiaviReale, SavedAccountFindsItsPasswordInANewRun) {
    TScopedXdgHome home;
    TPortachiaviSegreti portachiavi;
    TAccountInvio account;
    account.Host = "posta.esempio.it";
    account.Porta = 465;
    account.Sicurezza = TSicurezza::SSLTLS;
    account.Mittente = "io@esempio.it";
    EXPECT_TRUE(
        TImpostazioniInvio(portachiavi).Salva(account, "chiave-xyz").PasswordNelPortachiavi);
    EXPECT_EQ(TImpostazioniInvio(portachiavi).Carica().Password, "chiave-xyz");
    portachiavi.Cancella({account.Host, account.Mittente});
}

// The refresh token of a sign-in is read back by a new keyring connection
// and a new session (as after a restart); "Esci" removes it.
TEST(PortachiaviReale, SignInRefreshTokenFoundInANewRun) {
    TAccountInvio account;
    account.Mittente = "info@esempio.it";
    account.Metodo = TMetodoAccesso::Microsoft;
    account.IdApplicazione = "id-di-prova";
    {
        TPortachiaviSegreti portachiavi;
        TSessioneAccesso(portachiavi, account).Conserva({"accesso", "rinnovo-1", 3600});
    }
    TPortachiaviSegreti portachiavi;
    EXPECT_EQ(portachiavi.Leggi({"Accesso Microsoft", "info@esempio.it"}), "rinnovo-1");
    TSessioneAccesso nuova(portachiavi, account);
    EXPECT_TRUE(nuova.Collegato());
    nuova.Esci();
    EXPECT_FALSE(nuova.Collegato());
    EXPECT_EQ(portachiavi.Leggi({"Accesso Microsoft", "info@esempio.it"}), std::nullopt);
}

TEST(PortachiaviAssente, NothingStoredAndTheWindowTextSaysSo) {
    TPortachiaviSegreti portachiavi;
    try {
        portachiavi.Salva(Chiave, "segreta");
        FAIL() << "stored without a keyring";
    } catch (const EPortachiaviNonDisponibile& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Portachiavi non disponibile: ", 0), 0u) << e.what();
    }
    EXPECT_THROW(portachiavi.Leggi(Chiave), EPortachiaviNonDisponibile);
    EXPECT_THROW(portachiavi.Cancella(Chiave), EPortachiaviNonDisponibile);

    TScopedXdgHome home;
    TAccountInvio account;
    account.Host = "smtp.tim.it";
    account.Porta = 587;
    account.Mittente = "io@tim.it";
    const TEsitoSalvataggio esito = TImpostazioniInvio(portachiavi).Salva(account, "segreta");
    EXPECT_FALSE(esito.PasswordNelPortachiavi);
    EXPECT_EQ(esito.Messaggio, TestoSenzaPortachiavi);
    std::ifstream file(TRegistryStore::FileForKey(KeyBrivano));
    std::stringstream testo;
    testo << file.rdbuf();
    EXPECT_NE(testo.str().find("smtp.tim.it"), std::string::npos);
    EXPECT_EQ(testo.str().find("segreta"), std::string::npos);
}

}  // namespace

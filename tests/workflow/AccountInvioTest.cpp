#include "workflow/AccountInvio.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "PortachiaviInMemoria.h"
#include "TempDir.h"
#include "config/F_Conf.h"
#include "workflow/Fornitori.h"
#include "workflow/ImpostazioniInvio.h"

using namespace brivano;

namespace {

TAccountInvio Esempio() {
    TAccountInvio a;
    a.Host = "smtp.esempio.it";
    a.Porta = 465;
    a.Sicurezza = TSicurezza::SSLTLS;
    a.Utente = "smtp-utente";
    a.Mittente = "info@esempio.it";
    a.MittenteNome = "Ditta Esempio S.r.l. – Ufficio è";
    a.Fornitore = "Aruba";
    a.MessaggiPerConnessione = 20;
    a.Connessioni = 3;
    return a;
}

std::string ContenutoConfigurazione() {
    std::ifstream in(TRegistryStore::FileForKey(KeyBrivano), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class AccountTest : public ::testing::Test {
  protected:
    TScopedXdgHome home;
};

TEST_F(AccountTest, NoSavedAccountReadsAsNothing) {
    EXPECT_FALSE(LeggiAccount());
    ScriviReg(KeyBrivano, "Anno", "2010");
    EXPECT_FALSE(LeggiAccount());
}

TEST_F(AccountTest, RoundTripThroughTheConfigurationStore) {
    ScriviAccount(Esempio());
    EXPECT_EQ(LeggiAccount(), Esempio());
    EXPECT_EQ(LeggiReg(KeyBrivano, "SmtpSicurezza"), "SSL/TLS");
    EXPECT_EQ(LeggiReg(KeyBrivano, "SmtpPorta"), "465");
    EXPECT_EQ(LeggiReg(KeyBrivano, "Fornitore"), "Aruba");

    TAccountInvio altro = Esempio();
    altro.Sicurezza = TSicurezza::STARTTLS;
    altro.Porta = 587;
    altro.Utente.clear();
    altro.Metodo = TMetodoAccesso::Microsoft;
    altro.Tenant = "organizations";
    altro.IdApplicazione = "0b1c2d3e-0000-4000-8000-123456789abc";
    ScriviAccount(altro);
    EXPECT_EQ(LeggiReg(KeyBrivano, "SmtpAccesso"), "Accesso Microsoft");
    EXPECT_EQ(LeggiAccount(), altro);
    EXPECT_EQ(altro.UtenteAccesso(), "info@esempio.it");
}

TEST_F(AccountTest, UnusableAccountIsRefusedAndNothingIsWritten) {
    struct Caso {
        const char* nome;
        void (*guasta)(TAccountInvio&);
    };
    const Caso casi[] = {
        {"host vuoto", [](TAccountInvio& a) { a.Host.clear(); }},
        {"porta 0", [](TAccountInvio& a) { a.Porta = 0; }},
        {"porta oltre 65535", [](TAccountInvio& a) { a.Porta = 65536; }},
        {"a capo nell'host", [](TAccountInvio& a) { a.Host += "\r\nRCPT TO:<x@y>"; }},
        {"a capo nel mittente", [](TAccountInvio& a) { a.Mittente += "\n"; }},
        {"NUL nel nome", [](TAccountInvio& a) { a.MittenteNome += std::string(1, '\0'); }},
        {"a capo nell'utente", [](TAccountInvio& a) { a.Utente = "u\rv"; }},
        {"nessun messaggio per connessione",
         [](TAccountInvio& a) { a.MessaggiPerConnessione = 0; }},
        {"troppi messaggi per connessione",
         [](TAccountInvio& a) { a.MessaggiPerConnessione = 101; }},
        {"nessuna connessione", [](TAccountInvio& a) { a.Connessioni = 0; }},
        {"cinque connessioni", [](TAccountInvio& a) { a.Connessioni = 5; }},
        {"accesso in chiaro",
         [](TAccountInvio& a) {
             a.Metodo = TMetodoAccesso::Microsoft;
             a.Sicurezza = TSicurezza::Nessuna;
         }},
        {"tenant con barra", [](TAccountInvio& a) { a.Tenant = "common/../x"; }},
        {"id con spazio", [](TAccountInvio& a) { a.IdApplicazione = "a b"; }},
    };
    for (const auto& caso : casi) {
        TAccountInvio a = Esempio();
        caso.guasta(a);
        EXPECT_THROW(ScriviAccount(a), EAccountNonValido) << caso.nome;
        EXPECT_FALSE(LeggiAccount()) << caso.nome;
    }
}

TEST_F(AccountTest, DamagedStoredValuesAreNamedInTheError) {
    ScriviAccount(Esempio());
    for (const char* porta : {"abc", "0", "70000", "465x", "-1"}) {
        ScriviReg(KeyBrivano, "SmtpPorta", porta);
        try {
            LeggiAccount();
            ADD_FAILURE() << porta;
        } catch (const EAccountNonValido& e) {
            EXPECT_NE(std::string(e.what()).find("SmtpPorta"), std::string::npos) << porta;
        }
    }
    ScriviReg(KeyBrivano, "SmtpPorta", "");
    ScriviReg(KeyBrivano, "SmtpSicurezza", "TLS?");
    EXPECT_THROW(LeggiAccount(), EAccountNonValido);
    ScriviReg(KeyBrivano, "SmtpSicurezza", "STARTTLS");
    ScriviReg(KeyBrivano, "SmtpAccesso", "Accesso Altro");
    EXPECT_THROW(LeggiAccount(), EAccountNonValido);
    ScriviReg(KeyBrivano, "SmtpAccesso", "");
    // A missing port follows the security.
    ScriviReg(KeyBrivano, "SmtpSicurezza", "STARTTLS");
    EXPECT_EQ(LeggiAccount()->Porta, 587);

    const std::pair<const char*, const char*> numeri[] = {
        {"SmtpMessaggiPerConnessione", "0"},  {"SmtpMessaggiPerConnessione", "101"},
        {"SmtpMessaggiPerConnessione", "5x"}, {"SmtpConnessioni", "5"},
        {"SmtpConnessioni", "due"},           {"SmtpConnessioni", "-1"},
    };
    for (const auto& [valore, testo] : numeri) {
        ScriviAccount(Esempio());
        ScriviReg(KeyBrivano, valore, testo);
        try {
            LeggiAccount();
            ADD_FAILURE() << valore << "=" << testo;
        } catch (const EAccountNonValido& e) {
            EXPECT_NE(std::string(e.what()).find(std::string("'") + valore + "'"),
                      std::string::npos)
                << e.what();
        }
    }
    // Missing (an account saved before they existed): one connection per message.
    ScriviReg(KeyBrivano, "SmtpMessaggiPerConnessione", "");
    ScriviReg(KeyBrivano, "SmtpConnessioni", "");
    EXPECT_EQ(LeggiAccount()->MessaggiPerConnessione, 1);
    EXPECT_EQ(LeggiAccount()->Connessioni, 1);
}

TEST(Sicurezza, TextsAndTransportModes) {
    struct Caso {
        TSicurezza s;
        const char* testo;
        TIdUseTLS useTLS;
        int porta;
    };
    for (const Caso& c : {Caso{TSicurezza::Nessuna, "Nessuna", utNoTLSSupport, 25},
                          Caso{TSicurezza::STARTTLS, "STARTTLS", utUseRequireTLS, 587},
                          Caso{TSicurezza::SSLTLS, "SSL/TLS", utUseImplicitTLS, 465}}) {
        EXPECT_STREQ(TestoSicurezza(c.s), c.testo);
        EXPECT_EQ(SicurezzaDaTesto(c.testo), c.s);
        EXPECT_EQ(UseTLSPer(c.s), c.useTLS);
        EXPECT_EQ(PortaAbituale(c.s), c.porta);
    }
    // The port follows the security only while it is the usual one.
    EXPECT_EQ(PortaPerSicurezza(25, TSicurezza::Nessuna, TSicurezza::SSLTLS), 465);
    EXPECT_EQ(PortaPerSicurezza(465, TSicurezza::SSLTLS, TSicurezza::STARTTLS), 587);
    EXPECT_EQ(PortaPerSicurezza(2525, TSicurezza::Nessuna, TSicurezza::STARTTLS), 2525);
    EXPECT_EQ(PortaPerSicurezza(587, TSicurezza::SSLTLS, TSicurezza::Nessuna), 587);
    EXPECT_FALSE(SicurezzaDaTesto("starttls"));
    EXPECT_FALSE(SicurezzaDaTesto(""));
}

// Every preset but "Altro" must be usable as it stands: a bare host name, the
// security its port goes with, limits that throttle, and the account filled
// with exactly the preset's values and nothing of the user's lost.
TEST(Fornitori, EveryPresetIsConsistentAndFillsTheAccount) {
    const auto fornitori = Fornitori();
    ASSERT_GE(fornitori.size(), 2U);
    EXPECT_STREQ(fornitori.back().Nome, "Altro");
    std::set<std::string> nomi;
    for (const TFornitore& f : fornitori.first(fornitori.size() - 1)) {
        SCOPED_TRACE(f.Nome);
        EXPECT_TRUE(nomi.insert(f.Nome).second);
        EXPECT_EQ(TrovaFornitore(f.Nome), &f);
        const std::string host = f.Host;
        EXPECT_FALSE(host.empty());
        EXPECT_EQ(host.find_first_of(":/ "), std::string::npos);
        EXPECT_NE(host.find('.'), std::string::npos);
        if (f.Porta == 465)
            EXPECT_EQ(f.Sicurezza, TSicurezza::SSLTLS);
        else if (f.Porta == 587)
            EXPECT_EQ(f.Sicurezza, TSicurezza::STARTTLS);
        else
            ADD_FAILURE() << "porta " << f.Porta;
        EXPECT_GT(f.Limiti.PerMinuto, 0);
        EXPECT_LE(f.Limiti.PerMinuto, f.Limiti.PerOra);
        EXPECT_LE(f.Limiti.PerOra, f.Limiti.PerGiorno);
        EXPECT_GE(f.Limiti.PausaSecondi, 0);

        TAccountInvio account = Esempio();
        account.Metodo = f.Metodo == TMetodoAccesso::Password ? TMetodoAccesso::Microsoft
                                                              : TMetodoAccesso::Password;
        TAccountInvio atteso = account;
        atteso.Fornitore = f.Nome;
        atteso.Host = f.Host;
        atteso.Porta = f.Porta;
        atteso.Sicurezza = f.Sicurezza;
        atteso.Limiti = f.Limiti;
        atteso.Metodo = f.Metodo;
        ApplicaFornitore(f, account);
        EXPECT_EQ(account, atteso);
    }
    EXPECT_NE(std::string(TrovaFornitore("Gmail")->Nota).find("password per app"),
              std::string::npos);
    EXPECT_NE(std::string(TrovaFornitore("Gmail")->Nota).find("Accesso Google"), std::string::npos);
    EXPECT_NE(std::string(TrovaFornitore("Outlook.com")->Nota).find("autenticazione moderna"),
              std::string::npos);
    // "Altro" keeps what the user typed.
    TAccountInvio proprio = Esempio();
    proprio.Host = "posta.mia.it";
    ApplicaFornitore(*TrovaFornitore("Altro"), proprio);
    EXPECT_EQ(proprio.Host, "posta.mia.it");
    EXPECT_EQ(proprio.Porta, 465);
    EXPECT_EQ(proprio.Fornitore, "Altro");
    EXPECT_EQ(TrovaFornitore("Sconosciuto"), nullptr);
}

class ImpostazioniTest : public AccountTest {
  protected:
    TPortachiaviInMemoria portachiavi;
    TImpostazioniInvio impostazioni{portachiavi};
};

TEST_F(ImpostazioniTest, NoAccountLoadsPort25WithoutSecurity) {
    const TAccountCaricato c = impostazioni.Carica();
    EXPECT_FALSE(c.Salvato);
    EXPECT_EQ(c.Account.Porta, 25);
    EXPECT_EQ(c.Account.Sicurezza, TSicurezza::Nessuna);
    EXPECT_EQ(c.Password, "");
}

TEST_F(ImpostazioniTest, PasswordGoesToTheKeyringNeverToTheConfiguration) {
    const TEsitoSalvataggio esito = impostazioni.Salva(Esempio(), "segreta-123");
    EXPECT_TRUE(esito.PasswordNelPortachiavi);
    EXPECT_EQ(esito.Messaggio, TestoSalvatoConPassword);
    EXPECT_EQ((portachiavi.Voci[{"smtp.esempio.it", "smtp-utente"}]), "segreta-123");
    EXPECT_EQ(ContenutoConfigurazione().find("segreta-123"), std::string::npos);

    const TAccountCaricato c = impostazioni.Carica();
    EXPECT_TRUE(c.Salvato);
    EXPECT_EQ(c.Account, Esempio());
    EXPECT_EQ(c.Password, "segreta-123");
}

TEST_F(ImpostazioniTest, ChangingServerOrUserMovesThePassword) {
    impostazioni.Salva(Esempio(), "vecchia");
    TAccountInvio nuovo = Esempio();
    nuovo.Host = "posta.esempio.it";
    impostazioni.Salva(nuovo, "nuova");
    ASSERT_EQ(portachiavi.Voci.size(), 1u);
    EXPECT_EQ((portachiavi.Voci[{"posta.esempio.it", "smtp-utente"}]), "nuova");
    // An empty password forgets the stored one.
    impostazioni.Salva(nuovo, "");
    EXPECT_TRUE(portachiavi.Voci.empty());
    EXPECT_EQ(impostazioni.Carica().Password, "");
}

TEST_F(ImpostazioniTest, WithoutKeyringThePasswordLastsOnlyForTheRun) {
    portachiavi.Assente = true;
    const TEsitoSalvataggio esito = impostazioni.Salva(Esempio(), "segreta-123");
    EXPECT_FALSE(esito.PasswordNelPortachiavi);
    EXPECT_EQ(esito.Messaggio, TestoSenzaPortachiavi);
    EXPECT_EQ(LeggiAccount(), Esempio()) << "the account itself is saved";
    EXPECT_EQ(ContenutoConfigurazione().find("segreta-123"), std::string::npos);
    EXPECT_EQ(impostazioni.Carica().Password, "segreta-123");

    // A new program run: the password is gone and the load says why.
    TImpostazioniInvio nuovoAvvio(portachiavi);
    const TAccountCaricato c = nuovoAvvio.Carica();
    EXPECT_TRUE(c.Salvato);
    EXPECT_EQ(c.Password, "");
    EXPECT_NE(c.AvvisoPortachiavi.find("Portachiavi non disponibile"), std::string::npos);
}

TEST_F(ImpostazioniTest, UnusableAccountWritesNothingAndKeepsTheKeyring) {
    impostazioni.Salva(Esempio(), "segreta");
    TAccountInvio guasto = Esempio();
    guasto.Host = "a\nb";
    EXPECT_THROW(impostazioni.Salva(guasto, "altra"), EAccountNonValido);
    EXPECT_EQ(LeggiAccount(), Esempio());
    EXPECT_EQ((portachiavi.Voci[{"smtp.esempio.it", "smtp-utente"}]), "segreta");
}

}  // namespace

#include "workflow/AccountInvio.h"

#include <gtest/gtest.h>

#include <fstream>
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
    a.Host = "smtps.aruba.it";
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

TEST(Fornitori, PublishedSettings) {
    struct Atteso {
        const char* nome;
        const char* host;
        int porta;
        TSicurezza s;
        bool nota;
        TMetodoAccesso metodo = TMetodoAccesso::Password;
    };
    const Atteso attesi[] = {
        {"Aruba", "smtps.aruba.it", 465, TSicurezza::SSLTLS, false},
        {"Libero", "smtp.libero.it", 465, TSicurezza::SSLTLS, false},
        {"TIM", "smtp.tim.it", 587, TSicurezza::STARTTLS, false},
        {"Gmail", "smtp.gmail.com", 587, TSicurezza::STARTTLS, true},
        {"Microsoft 365 / Outlook.com", "smtp.office365.com", 587, TSicurezza::STARTTLS, false,
         TMetodoAccesso::Microsoft},
        {"Outlook.com", "smtp-mail.outlook.com", 587, TSicurezza::STARTTLS, true,
         TMetodoAccesso::Microsoft},
        {"Register.it", "authsmtp.register.it", 465, TSicurezza::SSLTLS, false},
    };
    ASSERT_EQ(Fornitori().size(), std::size(attesi) + 1);
    for (std::size_t i = 0; i < std::size(attesi); ++i) {
        const Atteso& a = attesi[i];
        const TFornitore& f = Fornitori()[i];
        EXPECT_STREQ(f.Nome, a.nome);
        TAccountInvio account;
        account.Mittente = "io@esempio.it";
        ApplicaFornitore(f, account);
        EXPECT_EQ(account.Host, a.host) << a.nome;
        EXPECT_EQ(account.Porta, a.porta) << a.nome;
        EXPECT_EQ(account.Sicurezza, a.s) << a.nome;
        EXPECT_EQ(account.Metodo, a.metodo) << a.nome;
        EXPECT_EQ(account.Fornitore, a.nome);
        EXPECT_EQ(account.Mittente, "io@esempio.it");
        EXPECT_EQ(*f.Nota != '\0', a.nota) << a.nome;
        EXPECT_EQ(TrovaFornitore(a.nome), &f);
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
    EXPECT_EQ((portachiavi.Voci[{"smtps.aruba.it", "smtp-utente"}]), "segreta-123");
    EXPECT_EQ(ContenutoConfigurazione().find("segreta-123"), std::string::npos);

    const TAccountCaricato c = impostazioni.Carica();
    EXPECT_TRUE(c.Salvato);
    EXPECT_EQ(c.Account, Esempio());
    EXPECT_EQ(c.Password, "segreta-123");
}

TEST_F(ImpostazioniTest, ChangingServerOrUserMovesThePassword) {
    impostazioni.Salva(Esempio(), "vecchia");
    TAccountInvio nuovo = Esempio();
    nuovo.Host = "smtp.libero.it";
    impostazioni.Salva(nuovo, "nuova");
    ASSERT_EQ(portachiavi.Voci.size(), 1u);
    EXPECT_EQ((portachiavi.Voci[{"smtp.libero.it", "smtp-utente"}]), "nuova");
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
    EXPECT_EQ((portachiavi.Voci[{"smtps.aruba.it", "smtp-utente"}]), "segreta");
}

}  // namespace

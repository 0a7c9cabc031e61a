// Sign-in at a provider against loopback stand-ins: the tests' own
// authorization server (ServerAccesso.py), its stand-in browser run through
// the program's browser hook, and an aiosmtpd peer that takes only the
// access tokens that server issued.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "InvioDiProva.h"
#include "PortachiaviInMemoria.h"
#include "ServerAccesso.h"
#include "SinkAiosmtpd.h"
#include "TempDir.h"
#include "config/F_Conf.h"
#include "workflow/ProvaConnessione.h"
#include "workflow/RegistroInvii.h"
#include "workflow/SessioneAccesso.h"

using namespace brivano;

namespace {

// The file the stand-in browser writes last, once it is there (20 s at most).
std::string Attendi(const std::filesystem::path& file) {
    for (int i = 0; i < 400 && !std::filesystem::exists(file); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return ContenutoFile(file);
}

TEST(AccessoOAuth, PkceAnswersAndProviders) {
    // RFC 7636 Appendix B.
    EXPECT_EQ(SfidaS256("dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk"),
              "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
    const TPkce a = NuovoPkce(), b = NuovoPkce();
    EXPECT_EQ(a.Verifica.size(), 43U);
    EXPECT_NE(a.Verifica, b.Verifica);
    EXPECT_NE(NuovoStato(), NuovoStato());

    struct TCaso {
        long stato;
        std::string corpo;
        bool daRifare;
        std::string contiene;
    };
    const TCaso casi[] = {
        {400, R"({"error":"invalid_grant","error_description":"AADSTS70008: expired\r\nTrace"})",
         true, "Accedi di nuovo"},
        {400, R"({"error":"invalid_grant","error_description":"AADSTS65001: no consent"})", true,
         "AADSTS65001"},
        {400, R"({"error":"consent_required","error_description":"AADSTS65001: no consent"})",
         false, "amministratore"},
        {401, R"({"error":"invalid_client"})", false, "ID applicazione"},
        {500, "<html>guasto</html>", false, "HTTP 500"},
        {200, R"({"token_type":"Bearer"})", false, "non ha dato il token"},
    };
    for (const TCaso& c : casi) {
        SCOPED_TRACE(c.corpo);
        try {
            LeggiRispostaToken(c.stato, c.corpo);
            ADD_FAILURE() << "no error";
        } catch (const EAccessoNonRiuscito& e) {
            EXPECT_EQ(dynamic_cast<const EAccessoDaRifare*>(&e) != nullptr, c.daRifare);
            EXPECT_NE(std::string(e.what()).find(c.contiene), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
        }
    }
    const TToken t =
        LeggiRispostaToken(200, R"({"access_token":"A","refresh_token":"R","expires_in":"120"})");
    EXPECT_EQ(t.Accesso, "A");
    EXPECT_EQ(t.Rinnovo, "R");
    EXPECT_EQ(t.ScadeTraSecondi, 120);

    // The built-in endpoints of each sign-in: HTTPS only, the tenant typed
    // put into both, and scopes that bring a refresh token for the next run.
    TScopedXdgHome home;
    TAccountInvio account;
    account.Tenant = "organizations";
    account.IdApplicazione = "id-mio";
    for (const TMetodoAccesso metodo : {TMetodoAccesso::Microsoft, TMetodoAccesso::Google}) {
        SCOPED_TRACE(TestoMetodo(metodo));
        account.Metodo = metodo;
        const TFornitoreToken f = FornitoreToken(account);
        EXPECT_EQ(f.Autorizza.rfind("https://", 0), 0U);
        EXPECT_EQ(f.Token.rfind("https://", 0), 0U);
        EXPECT_NE(f.Autorizza, f.Token);
        EXPECT_FALSE(f.Ambiti.empty());
        EXPECT_EQ(f.IdClient, "id-mio");
        if (metodo == TMetodoAccesso::Microsoft) {
            EXPECT_NE(f.Token.find("/organizations/"), std::string::npos);
            EXPECT_NE(f.Autorizza.find("/organizations/"), std::string::npos);
            EXPECT_NE(f.Ambiti.find("offline_access"), std::string::npos);
            EXPECT_NE(f.Ambiti.find("SMTP.Send"), std::string::npos);
            EXPECT_NE(f.Ambiti.find("IMAP"), std::string::npos);
        }
    }
    account.Metodo = TMetodoAccesso::Microsoft;
    ScriviReg(KeyBrivano, "AccessoMicrosoftToken", "http://127.0.0.1:9/token");
    EXPECT_EQ(FornitoreToken(account).Token, "http://127.0.0.1:9/token");
    account.Metodo = TMetodoAccesso::Google;
    account.IdApplicazione.clear();
    ScriviReg(KeyBrivano, "AccessoGoogleIdClient", "g-id");
    TFornitoreToken f = FornitoreToken(account);
    EXPECT_EQ(f.IdClient, "g-id");
    const std::string indirizzo = IndirizzoAutorizzazione(f, "http://localhost:5/", a, "st", "");
    EXPECT_NE(indirizzo.find("redirect_uri=http%3A%2F%2Flocalhost%3A5%2F"), std::string::npos);
    EXPECT_NE(indirizzo.find("code_challenge_method=S256"), std::string::npos);
    EXPECT_NE(indirizzo.find("access_type=offline"), std::string::npos);
    // An address that is neither HTTPS nor loopback gets no code.
    f.Token = "http://esempio.it/token";
    EXPECT_THROW(ScambiaCodice(f, "c", "v", "http://localhost:5/"), EAccessoNonRiuscito);
}

// "Prova connessione" of an account that signs in gets the token first; a
// missing or refused sign-in fails that step and connects to nothing.
TEST(AccessoOAuth, ConnectionTestStopsAtTheTokenStep) {
    TAccountInvio account;
    account.Host = "127.0.0.1";
    account.Porta = 9;
    account.Sicurezza = TSicurezza::STARTTLS;
    account.Mittente = "mario@example.it";
    account.Metodo = TMetodoAccesso::Google;
    const TIdBearerSource rifiuta = [](const std::string&) -> std::string {
        throw EAccessoDaRifare("invalid_grant (Accedi di nuovo)");
    };
    for (const TIdBearerSource& token : {TIdBearerSource{}, rifiuta}) {
        const auto passi = ProvaConnessione(account, "", {}, {}, token);
        ASSERT_EQ(passi.size(), 1U);
        EXPECT_EQ(RigaPasso(passi[0]).rfind("[ERRORE] Token di accesso (Accesso Google): ", 0), 0U)
            << RigaPasso(passi[0]);
        EXPECT_NE(passi[0].Dettaglio.find("Accedi di nuovo"), std::string::npos);
    }
}

class Accesso : public ::testing::Test {
  protected:
    void SetUp() override {
        server_ = std::make_unique<TServerAccesso>(
            cartella_.path(), std::vector<std::string>{"--client-id", "id-di-prova"});
        ASSERT_TRUE(server_->Ready());
        ScriviReg(KeyBrivano, "AccessoMicrosoftAutorizza", server_->Base() + "/authorize");
        ScriviReg(KeyBrivano, "AccessoMicrosoftToken", server_->Base() + "/token");
        account_.Host = "127.0.0.1";
        account_.Sicurezza = TSicurezza::STARTTLS;
        account_.Mittente = "mario@example.it";
        account_.Metodo = TMetodoAccesso::Microsoft;
        account_.IdApplicazione = "id-di-prova";
        ::setenv("BRIVANO_BROWSER", TServerAccesso::WriteBrowser(cartella_.path()).c_str(), 1);
        ::setenv("BRIVANO_FINTO_PAGINA", Pagina().c_str(), 1);
        ::unsetenv("BRIVANO_FINTO_STATO");
    }
    void TearDown() override {
        ::unsetenv("BRIVANO_BROWSER");
        ::unsetenv("BRIVANO_FINTO_PAGINA");
        ::unsetenv("BRIVANO_FINTO_STATO");
    }
    std::filesystem::path Pagina() const { return cartella_.path() / "pagina"; }

    // The sign-in as the window runs it: the browser hook, then the wait.
    void Accedi(TSessioneAccesso& sessione) {
        TAccessoInCorso accesso(account_);
        ASSERT_TRUE(ApriBrowser(accesso.Indirizzo()));
        accesso.Completa(sessione, nullptr, std::chrono::seconds(60));
    }

    // A run of the account over the aiosmtpd peer taking the server's tokens.
    struct TInvio : invioprova::TRun {
        TInvio(int porta, TSessioneAccesso& sessione) : TRun(porta) {
            limiti = {20000, 20000, {20000, 20000, 20000, 20000, 20000}, 20000};
            dati.Token = [&sessione](const std::string& r) { return sessione.Token(r); };
        }
    };
    std::unique_ptr<TSinkAiosmtpd> Sink() {
        auto sink = std::make_unique<TSinkAiosmtpd>(
            smtp_.path(),
            std::vector<std::string>{"plain", "--mechanisms", "XOAUTH2", "--tokens-file",
                                     (cartella_.path() / "tokens").string()});
        EXPECT_TRUE(sink->Ready());
        return sink;
    }
    std::vector<std::string> Destinatari(const TSinkAiosmtpd& sink) const {
        std::vector<std::string> tutti;
        for (int n = 1;; ++n) {
            std::ifstream f(smtp_.path() / (std::to_string(n) + ".rcpt"));
            if (!f) break;
            for (std::string riga; std::getline(f, riga);) tutti.push_back(riga);
        }
        (void)sink;
        return tutti;
    }

    TScopedXdgHome home_;
    TTempDir cartella_;
    TTempDir smtp_;
    std::unique_ptr<TServerAccesso> server_;
    TAccountInvio account_;
    TPortachiaviInMemoria portachiavi_;
};

std::vector<std::string> Indirizzi(int da, int a) {
    std::vector<std::string> voci;
    for (int i = da; i < a; ++i) voci.push_back("d" + std::to_string(i) + "@example.it");
    return voci;
}

TEST_F(Accesso, SignInThenFiftyMessagesOverOneRefreshWithNoTokenLeftInFiles) {
    {
        TSessioneAccesso sessione(portachiavi_, account_);
        Accedi(sessione);
        EXPECT_TRUE(sessione.Collegato());
    }
    EXPECT_EQ(Attendi(Pagina().string() + ".second"), "refused");
    const std::string pagina = ContenutoFile(Pagina());
    EXPECT_NE(pagina.find(PaginaAccessoCompletato), std::string::npos);
    EXPECT_EQ(pagina.find("code"), std::string::npos) << "the page never repeats the code";
    const std::string rinnovo = portachiavi_.Voci.at({"Accesso Microsoft", "mario@example.it"});

    // A new program run: the access token was only in memory.
    auto sink = Sink();
    TSessioneAccesso sessione(portachiavi_, account_);
    TInvio invio(sink->Port(), sessione);
    invio.dati.PerConnessione = 50;
    ImpostaConnessioni(invio.opzioni, invio.dati, invio.limiti);
    const TEsitoInvio esito = invio.Esegui(Indirizzi(0, 50));
    EXPECT_EQ(esito.Inviati, 50U);
    EXPECT_EQ(sink->Messages().size(), 50U);
    EXPECT_EQ(server_->Requests(),
              (std::vector<std::string>{"authorization_code", "refresh_token"}));
    // The refresh token rotated and the new one was kept at once.
    const std::string ruotato = portachiavi_.Voci.at({"Accesso Microsoft", "mario@example.it"});
    EXPECT_NE(ruotato, rinnovo);

    const std::string accesso = sessione.Token();
    for (const auto& voce : std::filesystem::recursive_directory_iterator(home_.path())) {
        if (!voce.is_regular_file()) continue;
        const std::string testo = ContenutoFile(voce.path());
        for (const std::string& segreto : {accesso, rinnovo, ruotato})
            EXPECT_EQ(testo.find(segreto), std::string::npos) << voce.path();
    }
    const std::string riga = ContenutoFile("/proc/self/cmdline");
    EXPECT_EQ(riga.find(accesso), std::string::npos);
    EXPECT_EQ(riga.find(ruotato), std::string::npos);
}

TEST_F(Accesso, ExpiryMidRunRefreshesOnceAndRevocationStopsBeforeTheNextMessage) {
    TSessioneAccesso sessione(portachiavi_, account_);
    Accedi(sessione);
    auto sink = Sink();
    TInvio invio(sink->Port(), sessione);
    invio.dati.PerConnessione = 4;
    ImpostaConnessioni(invio.opzioni, invio.dati, invio.limiti);
    // Before the 5th entry (a new connection) the peer forgets every token:
    // the token the client holds has run out for it.
    TAvvisiInvio avvisi;
    avvisi.Inizio = [&](std::size_t i, const std::string&) {
        if (i == 4) std::filesystem::remove(cartella_.path() / "tokens");
    };
    TEsitoInvio esito = invio.Esegui(Indirizzi(0, 10), avvisi);
    EXPECT_EQ(esito.Inviati, 10U);
    EXPECT_FALSE(esito.Interrotto);
    EXPECT_EQ(server_->Requests(),
              (std::vector<std::string>{"authorization_code", "refresh_token"}));
    std::vector<std::string> ricevuti = Destinatari(*sink);
    EXPECT_EQ(std::set<std::string>(ricevuti.begin(), ricevuti.end()).size(), 10U);
    EXPECT_EQ(ricevuti.size(), 10U) << "no entry sent twice";

    // Consent revoked mid-run: the entry after the refusal is not sent, the
    // rest waits; after signing in again the rest goes.
    avvisi.Inizio = [&](std::size_t i, const std::string&) {
        if (i == 4) {
            std::filesystem::remove(cartella_.path() / "tokens");
            std::ofstream(cartella_.path() / "revoked") << "1";
        }
    };
    // The run is kept in a journal, so the resume is the one a user gets.
    TTempDir radice;
    TRegistroInvii registro(TRegistroInvii::Percorso(radice.path()));
    const auto voci = Indirizzi(10, 20);
    const std::int64_t id =
        registro.NuovaSpedizione({"test", "mario@example.it", "Offerta", {}}, voci);
    TInvio seconda(sink->Port(), sessione);
    seconda.dati.PerConnessione = 4;
    ImpostaConnessioni(seconda.opzioni, seconda.dati, seconda.limiti);
    seconda.opzioni.Registro = &registro;
    seconda.opzioni.Spedizione = id;
    esito = seconda.Esegui(voci, avvisi);
    EXPECT_EQ(esito.Inviati, 4U);
    EXPECT_TRUE(esito.Interrotto);
    EXPECT_TRUE(esito.Falliti.empty());
    EXPECT_NE(esito.MotivoInterruzione.find("Accedi di nuovo"), std::string::npos)
        << esito.MotivoInterruzione;
    EXPECT_EQ(Destinatari(*sink).size(), 14U);
    // Nothing left "in corso": the resume asks about no uncertain entry.
    std::map<TStatoVoce, int> stati;
    for (const auto& v : registro.Voci(id)) ++stati[v.Stato];
    EXPECT_EQ(stati,
              (std::map<TStatoVoce, int>{{TStatoVoce::Inviato, 4}, {TStatoVoce::DaInviare, 6}}));

    std::filesystem::remove(cartella_.path() / "revoked");
    Accedi(sessione);
    TInvio ripresa(sink->Port(), sessione);
    ImpostaConnessioni(ripresa.opzioni, ripresa.dati, ripresa.limiti);
    ripresa.opzioni.Registro = &registro;
    ripresa.opzioni.Spedizione = id;
    ripresa.opzioni.Posizioni = registro.Riprendi(id, false);
    std::vector<std::string> resto;
    for (std::size_t p : ripresa.opzioni.Posizioni) resto.push_back(voci.at(p));
    esito = ripresa.Esegui(resto);
    EXPECT_EQ(esito.Inviati, 6U);
    EXPECT_TRUE(registro.Spedizione(id).Finita());
    // The journal keeps the refusals' texts, never a token.
    const std::string accesso = sessione.Token();
    const std::string rinnovo = portachiavi_.Voci.at({"Accesso Microsoft", "mario@example.it"});
    for (const auto& voce : std::filesystem::recursive_directory_iterator(radice.path())) {
        if (!voce.is_regular_file()) continue;
        for (const std::string& segreto : {accesso, rinnovo}) {
            EXPECT_EQ(ContenutoFile(voce.path()).find(segreto), std::string::npos) << voce.path();
        }
    }
    ricevuti = Destinatari(*sink);
    EXPECT_EQ(ricevuti.size(), 20U);
    EXPECT_EQ(std::set<std::string>(ricevuti.begin(), ricevuti.end()).size(), 20U);
}

// Before a run: a token with more than five minutes left is used as it is,
// one with less is renewed once, and the renewed one is used after.
TEST_F(Accesso, ATokenUnderFiveMinutesFromItsEndIsRenewedOnce) {
    auto ora = std::chrono::steady_clock::now();
    TSessioneAccesso sessione(portachiavi_, account_, [&] { return ora; });
    Accedi(sessione);
    const std::string primo = sessione.Token();
    ora += std::chrono::seconds(3600 - 301);
    EXPECT_EQ(sessione.Token(), primo);
    EXPECT_EQ(sessione.Richieste(), 0);
    ora += std::chrono::seconds(2);
    const std::string secondo = sessione.Token();
    EXPECT_NE(secondo, primo);
    EXPECT_EQ(sessione.Token(), secondo);
    // A refusal of a token already replaced asks for nothing more.
    EXPECT_EQ(sessione.Token(primo), secondo);
    EXPECT_EQ(sessione.Richieste(), 1);
    EXPECT_EQ(server_->Requests(),
              (std::vector<std::string>{"authorization_code", "refresh_token"}));
}

TEST_F(Accesso, WrongStateConsentAndCancelAreRefused) {
    TSessioneAccesso sessione(portachiavi_, account_);
    ::setenv("BRIVANO_FINTO_STATO", "1", 1);
    try {
        Accedi(sessione);
        ADD_FAILURE() << "wrong state taken";
    } catch (const EAccessoNonRiuscito& e) {
        EXPECT_NE(std::string(e.what()).find("state"), std::string::npos) << e.what();
    }
    EXPECT_EQ(Attendi(Pagina().string() + ".second"), "refused");
    ::unsetenv("BRIVANO_FINTO_STATO");

    std::ofstream(cartella_.path() / "error") << "consent_required";
    try {
        Accedi(sessione);
        ADD_FAILURE() << "consent error taken";
    } catch (const EAccessoNonRiuscito& e) {
        EXPECT_NE(std::string(e.what()).find("amministratore"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(sessione.Collegato());

    TAccessoInCorso accesso(account_);
    const std::atomic<bool> annulla{true};
    EXPECT_THROW(accesso.Completa(sessione, &annulla), EAccessoNonRiuscito);
    // Without a refresh token the run cannot start.
    EXPECT_THROW(sessione.Token(), EAccessoDaRifare);
}

}  // namespace

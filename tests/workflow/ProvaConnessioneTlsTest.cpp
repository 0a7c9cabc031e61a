// "Prova connessione" over TLS against aiosmtpd (implicit TLS and required
// STARTTLS), with certificates made for this run and SSL_CERT_FILE at their
// authority.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "SinkAiosmtpd.h"
#include "SuiteTls.h"
#include "TempDir.h"
#include "TestCertificates.h"
#include "workflow/ProvaConnessione.h"

using namespace brivano;

namespace {

using TKind = TTestCertificates::TKind;

class ProvaConnessioneTls : public TSuiteTls {
  protected:
    std::unique_ptr<TSinkAiosmtpd> Avvia(const std::string& modo, TKind kind = TKind::Good) {
        auto sink = std::make_unique<TSinkAiosmtpd>(
            cartella_.path(),
            std::vector<std::string>{modo, "--cert", certificates_->Cert(kind).string(), "--key",
                                     certificates_->Key(kind).string(), "--user", "io@esempio.it",
                                     "--password", "segreta"});
        EXPECT_TRUE(sink->Ready()) << "the aiosmtpd sink did not start";
        return sink;
    }
    static TAccountInvio Account(int porta, TSicurezza sicurezza) {
        TAccountInvio a;
        a.Host = "localhost";
        a.Porta = porta;
        a.Sicurezza = sicurezza;
        a.Mittente = "io@esempio.it";
        return a;
    }
    static std::vector<std::string> Nomi(const std::vector<TPassoProva>& passi) {
        std::vector<std::string> nomi;
        for (const auto& p : passi) nomi.push_back((p.Riuscito ? "OK " : "ERRORE ") + p.Nome);
        return nomi;
    }

    TTempDir cartella_;
};

TEST_F(ProvaConnessioneTls, ImplicitTlsThenLogin) {
    auto sink = Avvia("tls");
    const auto passi = ProvaConnessione(Account(sink->Port(), TSicurezza::SSLTLS), "segreta");
    const std::string connessione = "Connessione a localhost:" + std::to_string(sink->Port());
    EXPECT_EQ(Nomi(passi),
              (std::vector<std::string>{"OK " + connessione, "OK TLS (SSL/TLS)",
                                        "OK Saluto del server ed EHLO",
                                        "OK Accesso come io@esempio.it", "OK Chiusura (QUIT)"}))
        << TestoProva(passi);
    EXPECT_EQ(passi[1].Dettaglio.rfind("TLSv1.", 0), 0u) << passi[1].Dettaglio;
}

TEST_F(ProvaConnessioneTls, RequiredStartTlsBeforeLogin) {
    auto sink = Avvia("starttls");
    const auto passi = ProvaConnessione(Account(sink->Port(), TSicurezza::STARTTLS), "segreta");
    ASSERT_EQ(passi.size(), 5u) << TestoProva(passi);
    EXPECT_EQ(passi[2].Nome, "TLS (STARTTLS)");
    EXPECT_TRUE(passi[3].Riuscito) << TestoProva(passi);
    for (const auto& riga : sink->Transcript())
        EXPECT_EQ(riga.find("clear AUTH"), std::string::npos) << riga;
}

TEST_F(ProvaConnessioneTls, NoSecurityStillEncryptsBeforeThePassword) {
    auto sink = Avvia("starttls");
    const auto passi = ProvaConnessione(Account(sink->Port(), TSicurezza::Nessuna), "segreta");
    ASSERT_EQ(passi.size(), 5u) << TestoProva(passi);
    EXPECT_EQ(passi[2].Nome, "TLS (STARTTLS)");
    EXPECT_EQ(EsitoProva(passi), "Prova riuscita.");
}

TEST_F(ProvaConnessioneTls, RefusedCertificateIsTheFailedStepWithItsReason) {
    struct Caso {
        TKind kind;
        const char* spiegazione;
    };
    for (const Caso& c : {Caso{TKind::SelfSigned, "non garantito da un'autorità riconosciuta"},
                          Caso{TKind::OtherName, "rilasciato per un altro nome"},
                          Caso{TKind::Expired, "scaduto"}}) {
        auto sink = Avvia("tls", c.kind);
        const auto passi = ProvaConnessione(Account(sink->Port(), TSicurezza::SSLTLS), "segreta");
        ASSERT_EQ(passi.size(), 2u) << TestoProva(passi);
        EXPECT_TRUE(passi[0].Riuscito);
        EXPECT_EQ(passi[1].Nome, "TLS (SSL/TLS)");
        EXPECT_FALSE(passi[1].Riuscito);
        EXPECT_NE(passi[1].Dettaglio.find("Certificate refused"), std::string::npos);
        EXPECT_NE(passi[1].Dettaglio.find(c.spiegazione), std::string::npos) << passi[1].Dettaglio;
        EXPECT_TRUE(sink->Transcript().empty()) << "nothing may reach the server";
    }
}

TEST_F(ProvaConnessioneTls, FirmRelayWithSelfSignedCertificate) {
    auto sink = Avvia("starttls", TKind::SelfSigned);
    // "Nessuna": encrypted for the password, the certificate not judged.
    const auto senza = ProvaConnessione(Account(sink->Port(), TSicurezza::Nessuna), "segreta");
    EXPECT_EQ(EsitoProva(senza), "Prova riuscita.") << TestoProva(senza);

    // STARTTLS refuses it, and says which certificate; trusted, it passes.
    const TAccountInvio account = Account(sink->Port(), TSicurezza::STARTTLS);
    const auto rifiutata = ProvaConnessione(account, "segreta");
    ASSERT_FALSE(rifiutata.empty());
    ASSERT_TRUE(rifiutata.back().Rifiuto) << TestoProva(rifiutata);
    const std::string impronta = rifiutata.back().Rifiuto->Certificate().Fingerprint;
    const auto fidata = ProvaConnessione(
        account, "segreta", {}, {}, {}, TIdTrustedCertificate{"localhost", sink->Port(), impronta});
    EXPECT_EQ(EsitoProva(fidata), "Prova riuscita.") << TestoProva(fidata);
}

TEST_F(ProvaConnessioneTls, WrongPasswordOverTls) {
    auto sink = Avvia("tls");
    const auto passi = ProvaConnessione(Account(sink->Port(), TSicurezza::SSLTLS), "sbagliata");
    ASSERT_EQ(passi.size(), 4u) << TestoProva(passi);
    EXPECT_FALSE(passi[3].Riuscito);
    EXPECT_EQ(passi[3].Dettaglio.rfind("Accesso rifiutato: controllare nome utente e password. "
                                       "Dettagli: ",
                                       0),
              0u)
        << passi[3].Dettaglio;
}

}  // namespace

#include "workflow/ProvaConnessione.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "SinkAiosmtpd.h"
#include "SmtpSessionServer.h"
#include "TempDir.h"

using namespace brivano;
using namespace smtptest;

namespace {

const std::string EhloConLogin = "250-test.local\r\n250 AUTH LOGIN\r\n";

TAccountInvio AccountLocale(int porta) {
    TAccountInvio a;
    a.Host = "127.0.0.1";
    a.Porta = porta;
    a.Mittente = "io@esempio.it";
    return a;
}

std::vector<std::string> Righe(const std::vector<TPassoProva>& passi) {
    std::vector<std::string> righe;
    for (const auto& p : passi) righe.push_back(RigaPasso(p));
    return righe;
}

TEST(ProvaConnessione, EachStepReportedAsItEndsAndNothingIsSent) {
    TScriptedSmtp server(Greeting, {EhloConLogin, "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n",
                                    "235 2.7.0 Authentication successful\r\n", Bye});
    std::vector<std::string> sentiti;
    const auto passi = ProvaConnessione(AccountLocale(server.Port()), "segreta",
                                        [&](const TPassoProva& p) { sentiti.push_back(p.Nome); });
    const std::string host = "Connessione a 127.0.0.1:" + std::to_string(server.Port());
    EXPECT_EQ(Righe(passi),
              (std::vector<std::string>{
                  "[OK] " + host,
                  "[OK] Saluto del server ed EHLO: 250 test.local",
                  "[OK] Accesso come io@esempio.it: 235 Authentication successful (AUTH LOGIN)",
                  "[OK] Chiusura (QUIT): 221 bye",
              }));
    EXPECT_EQ(sentiti.size(), passi.size());
    const auto transcript = server.Transcript();
    ASSERT_EQ(transcript.size(), 5u);
    EXPECT_EQ(transcript[1], "AUTH LOGIN");
    EXPECT_EQ(transcript[4], "QUIT");
    EXPECT_EQ(TestoProva(passi).substr(TestoProva(passi).rfind('\n') + 1), "Prova riuscita.");
}

TEST(ProvaConnessione, SeparateUserNameIsTheOneLoggedIn) {
    TScriptedSmtp server(Greeting, {EhloConLogin, "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n",
                                    "235 ok\r\n", Bye});
    TAccountInvio a = AccountLocale(server.Port());
    a.Utente = "utente-smtp";
    const auto passi = ProvaConnessione(a, "p");
    ASSERT_EQ(passi.size(), 4u);
    EXPECT_EQ(passi[2].Nome, "Accesso come utente-smtp");
    EXPECT_EQ(server.Transcript()[2], "dXRlbnRlLXNtdHA=");
}

TEST(ProvaConnessione, RefusedLoginIsTheFailedStepWithReplyAndExplanation) {
    TScriptedSmtp server(Greeting, {EhloConLogin, "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n",
                                    "535 5.7.8 Authentication credentials invalid\r\n", Bye});
    const auto passi = ProvaConnessione(AccountLocale(server.Port()), "sbagliata");
    ASSERT_EQ(passi.size(), 3u);
    EXPECT_FALSE(passi[2].Riuscito);
    EXPECT_EQ(RigaPasso(passi[2]),
              "[ERRORE] Accesso come io@esempio.it: Accesso rifiutato: controllare nome utente e "
              "password. Dettagli: Authentication credentials invalid");
    EXPECT_EQ(server.Transcript().back(), "QUIT") << "the server still answers: say goodbye";
    EXPECT_NE(TestoProva(passi).find("Prova non riuscita."), std::string::npos);
}

TEST(ProvaConnessione, FailuresBeforeTheLogin) {
    int chiusa = 0;
    const int fd = BindLoopback(chiusa, false);
    ASSERT_GE(fd, 0);
    auto passi = ProvaConnessione(AccountLocale(chiusa), "");
    ::close(fd);
    ASSERT_EQ(passi.size(), 1u);
    EXPECT_FALSE(passi[0].Riuscito);
    EXPECT_NE(
        passi[0].Dettaglio.find("Connessione rifiutata: controllare host e porta. Dettagli: "),
        std::string::npos);

    TScriptedSmtp rifiuta("554 5.3.2 no service here\r\n", {Bye});
    passi = ProvaConnessione(AccountLocale(rifiuta.Port()), "");
    ASSERT_EQ(passi.size(), 2u);
    EXPECT_TRUE(passi[0].Riuscito);
    EXPECT_EQ(RigaPasso(passi[1]),
              "[ERRORE] Saluto del server ed EHLO: Il server non accetta connessioni ora: "
              "riprovare più tardi o controllare host e porta. Dettagli: no service here");

    TAccountInvio vuoto = AccountLocale(25);
    vuoto.Host.clear();
    passi = ProvaConnessione(vuoto, "");
    ASSERT_EQ(passi.size(), 1u);
    EXPECT_EQ(passi[0].Dettaglio, "Indicare l'host di spedizione.");
}

TEST(ProvaConnessione, ServerWithoutAuthenticationIsNotAskedToLogIn) {
    TScriptedSmtp server(Greeting, {"250 test.local\r\n", Bye});
    const auto passi = ProvaConnessione(AccountLocale(server.Port()), "segreta");
    ASSERT_EQ(passi.size(), 4u);
    EXPECT_EQ(RigaPasso(passi[2]),
              "[OK] Accesso come io@esempio.it: il server non chiede l'accesso");
    EXPECT_EQ(server.Transcript().size(), 2u);
}

TEST(ProvaConnessione, AgainstAiosmtpd) {
    TTempDir cartella;
    TSinkAiosmtpd sink(cartella.path());
    ASSERT_TRUE(sink.Ready());
    const auto passi = ProvaConnessione(AccountLocale(sink.Port()), "segreta");
    ASSERT_EQ(passi.size(), 4u) << TestoProva(passi);
    for (const auto& p : passi) EXPECT_TRUE(p.Riuscito) << RigaPasso(p);
    EXPECT_EQ(passi[2].Dettaglio.substr(0, 3), "235");
    EXPECT_EQ(passi[3].Dettaglio.substr(0, 3), "221");
    EXPECT_TRUE(TSinkAiosmtpd::Messages(cartella.path()).empty());
}

}  // namespace

// The logins a saved account chooses: AUTH PLAIN in one round trip when
// preferred, and the bearer-token mechanisms, byte for byte against scripted
// loopback servers.

#include <gtest/gtest.h>

#include <memory>

#include "SmtpSessionServer.h"
#include "smtp/IdSMTP.h"
#include "text/Testo.h"

using smtptest::Bye;
using smtptest::Greeting;
using smtptest::TScriptedSmtp;

namespace {

enum class TFine { Riuscito, TokenRifiutato, AccessoRifiutato, NonOfferto };

struct TCaso {
    const char* nome;
    bool token;
    std::string ehlo;
    std::vector<std::string> risposte;  // after EHLO, before QUIT
    std::vector<std::string> attese;    // the lines after EHLO, QUIT left out
    TFine fine;
    std::vector<std::string> richieste;  // what the token giver heard
};

std::string B64(const std::string& s) {
    return brivano::Base64Encode(s);
}

const std::string Xoauth2 = "250-test.local\r\n250 AUTH LOGIN PLAIN XOAUTH2\r\n";
const std::string Bearer = "250-test.local\r\n250 AUTH OAUTHBEARER\r\n";
const std::string Accolto = "235 2.7.0 ok\r\n";
// The error challenge of a refused token: base64 of a JSON status.
const std::string Sfida = "334 eyJzdGF0dXMiOiI0MDEifQ==\r\n";
const std::string Rifiuto = "535 5.7.8 token not accepted\r\n";

std::string LineaXoauth2(const std::string& token) {
    return "AUTH XOAUTH2 " + B64("user=mario@example.it\x01"
                                 "auth=Bearer " +
                                 token + "\x01\x01");
}

}  // namespace

TEST(SmtpSasl, MechanismChosenAndExchangeOnTheWire) {
    const std::string utente = "mario@example.it";
    const TCaso casi[] = {
        {"plain preferito",
         false,
         "250-test.local\r\n250 AUTH LOGIN PLAIN\r\n",
         {Accolto},
         {"AUTH PLAIN " + B64(std::string("\0mario@example.it\0"
                                          "1234",
                                          22))},
         TFine::Riuscito,
         {}},
        {"solo login",
         false,
         "250-test.local\r\n250 AUTH LOGIN\r\n",
         {"334 a\r\n", "334 b\r\n", Accolto},
         {"AUTH LOGIN", B64(utente), B64("1234")},
         TFine::Riuscito,
         {}},
        {"xoauth2", true, Xoauth2, {Accolto}, {LineaXoauth2("t1")}, TFine::Riuscito, {""}},
        // RFC 7628 §3.1: gs2 header, then host, port and auth, each ended by ^A.
        {"oauthbearer", true, Bearer, {Accolto}, {"@OAUTHBEARER t1"}, TFine::Riuscito, {""}},
        // The error challenge gets an empty line, the 535 after it means the
        // token is stale: a fresh one is asked for once, naming the old one.
        {"xoauth2 scaduto",
         true,
         Xoauth2,
         {Sfida, Rifiuto, Accolto},
         {LineaXoauth2("t1"), "", LineaXoauth2("t2")},
         TFine::Riuscito,
         {"", "t1"}},
        // RFC 7628 §3.2.3: the error challenge is answered with a lone ^A.
        {"oauthbearer rifiutato due volte",
         true,
         Bearer,
         {Sfida, Rifiuto, Sfida, Rifiuto},
         {"@OAUTHBEARER t1", "AQ==", "@OAUTHBEARER t2", "AQ=="},
         TFine::TokenRifiutato,
         {"", "t1"}},
        // SMTP AUTH disabled for the mailbox: a fresh token would not help.
        {"5.7.139",
         true,
         Xoauth2,
         {"535 5.7.139 SmtpClientAuthentication is disabled\r\n"},
         {LineaXoauth2("t1")},
         TFine::AccessoRifiutato,
         {""}},
        // Never a password instead, never a send without login.
        {"nessun meccanismo con token",
         true,
         "250-test.local\r\n250 AUTH LOGIN PLAIN\r\n",
         {},
         {},
         TFine::NonOfferto,
         {}},
    };
    for (const TCaso& c : casi) {
        SCOPED_TRACE(c.nome);
        std::vector<std::string> risposte{c.ehlo};
        risposte.insert(risposte.end(), c.risposte.begin(), c.risposte.end());
        risposte.push_back(Bye);
        TScriptedSmtp server(Greeting, risposte);
        TIdSMTP smtp;
        smtp.SetHost("127.0.0.1");
        smtp.SetPort(server.Port());
        smtp.SetHeloName("client.test");
        smtp.SetUsername(utente);
        smtp.SetPassword("1234");
        smtp.SetReadTimeout(5000);
        smtp.SetPreferPlain(true);
        std::vector<std::string> richieste;
        if (c.token)
            smtp.SetBearerSource([&](const std::string& rifiutato) {
                richieste.push_back(rifiutato);
                return "t" + std::to_string(richieste.size());
            });
        smtp.Connect();
        TFine fine = TFine::Riuscito;
        try {
            smtp.Authenticate();
        } catch (const EIdSMTPTokenRefused&) {
            fine = TFine::TokenRifiutato;
        } catch (const EIdSMTPLoginRefused&) {
            fine = TFine::AccessoRifiutato;
        } catch (const EIdSASLNotOffered&) {
            fine = TFine::NonOfferto;
        }
        smtp.Disconnect();
        EXPECT_EQ(fine, c.fine);
        EXPECT_EQ(richieste, c.richieste);
        auto righe = server.Transcript();
        ASSERT_GE(righe.size(), 2U);
        EXPECT_EQ(righe.front(), "EHLO client.test");
        EXPECT_EQ(righe.back(), "QUIT");
        // "@OAUTHBEARER t" stands for the line, which holds the server's port.
        std::vector<std::string> attese = c.attese;
        for (auto& riga : attese)
            if (riga.rfind("@OAUTHBEARER ", 0) == 0)
                riga =
                    "AUTH OAUTHBEARER " + B64("n,a=mario@example.it,\x01host=127.0.0.1\x01port=" +
                                              std::to_string(server.Port()) +
                                              "\x01"
                                              "auth=Bearer " +
                                              riga.substr(13) + "\x01\x01");
        EXPECT_EQ(std::vector<std::string>(righe.begin() + 1, righe.end() - 1), attese);
    }
}

#include "workflow/SpiegazioneErrori.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "SmtpSessionServer.h"
#include "exception/IdException.h"
#include "mailing/IdMessage.h"
#include "smtp/IdReplySMTP.h"
#include "smtp/IdSMTP.h"
#include "smtp/IdTLSException.h"

using namespace brivano;
using namespace smtptest;

namespace {

TIdSMTPEnhancedCode Esteso(const std::string& parola) {
    TIdSMTPEnhancedCode codice;
    codice.SetReplyAsStr(parola);
    return codice;
}

void Risposta(int codice, const std::string& esteso, const std::string& testo) {
    throw EIdSMTPReplyError(testo, codice, Esteso(esteso));
}

TEST(SpiegazioneErrori, ErrorsAUserMeets) {
    struct Caso {
        const char* nome;
        std::function<void()> solleva;
        const char* spiegazione;  // "" for none; a certificate's is followed by what to do
    };
    const Caso casi[] = {
        {"rifiutata", [] { RaiseSocketError(10061); },
         "Connessione rifiutata: controllare host e porta"},
        {"host sconosciuto", [] { RaiseSocketError(11001); },
         "Host non trovato: controllare il nome del server"},
        {"nome non risolto", [] { RaiseSocketError(11002); },
         "Nome del server non risolto: controllare il nome e la connessione"},
        {"connessione scaduta", [] { RaiseSocketError(10060); },
         "Tempo scaduto: il server non ha risposto, controllare host e porta"},
        {"rete", [] { RaiseSocketError(10065); },
         "Server non raggiungibile: controllare la connessione di rete"},
        {"reset", [] { RaiseSocketError(10054); }, "Connessione interrotta dal server"},
        {"risposta scaduta", [] { throw EIdReadTimeout(); },
         "Tempo scaduto: il server non ha risposto in tempo"},
        {"chiusa", [] { throw EIdConnClosedGracefully(); }, "Il server ha chiuso la connessione"},
        {"accesso 535", [] { Risposta(535, "5.7.8", "Authentication credentials invalid"); },
         "Accesso rifiutato: controllare nome utente e password"},
        {"accesso 530", [] { Risposta(530, "", "Authentication required"); },
         "Accesso rifiutato: controllare nome utente e password"},
        {"destinatario 550", [] { Risposta(550, "5.1.1", "Recipient refused"); },
         "Destinatario rifiutato dal server: controllare l'indirizzo"},
        {"destinatario senza codice esteso", [] { Risposta(553, "", "mailbox name not allowed"); },
         "Destinatario rifiutato dal server: controllare l'indirizzo"},
        {"mittente", [] { Risposta(550, "5.1.8", "Bad sender's system address"); },
         "Mittente rifiutato: controllare l'indirizzo di spedizione"},
        {"servizio 421", [] { Risposta(421, "4.3.2", "closing"); },
         "Il server non è disponibile in questo momento: riprovare più tardi"},
        {"smtp auth disattivato",
         [] {
             throw EIdSMTPTokenRefused(
                 EIdSMTPReplyError("SmtpClientAuthentication is disabled", 535, Esteso("5.7.139")));
         },
         "L'invio con SMTP AUTH è disattivato per questa casella o per l'organizzazione: "
         "l'amministratore deve attivarlo"},
        {"password non più accettata",
         [] { Risposta(550, "5.7.30", "Basic authentication is not supported"); },
         "Il server non accetta più la password: scegliere \"Accesso Microsoft\" nelle "
         "Impostazioni Invio"},
        {"token rifiutato",
         [] { throw EIdSMTPTokenRefused(EIdSMTPReplyError("no", 535, Esteso("5.7.3"))); },
         "Il server non ha accettato l'accesso: usare \"Accedi…\" nelle Impostazioni Invio e "
         "controllare che l'indirizzo sia quello dell'accesso"},
        {"accesso con altro codice",
         [] { throw EIdSMTPLoginRefused(EIdSMTPReplyError("no", 501, Esteso(""))); },
         "Accesso rifiutato: controllare nome utente e password"},
        {"certificato scaduto",
         [] { throw EIdTLSCertificateRefused(TIdCertificateFault::Expired, "expired"); },
         "Certificato del server rifiutato, scaduto"},
        {"certificato non attendibile",
         [] { throw EIdTLSCertificateRefused(TIdCertificateFault::Untrusted, "self-signed"); },
         "Certificato del server rifiutato, non garantito da un'autorità riconosciuta"},
        {"certificato per un altro nome",
         [] { throw EIdTLSCertificateRefused(TIdCertificateFault::WrongName, "mismatch"); },
         "Certificato del server rifiutato, rilasciato per un altro nome: controllare l'host"},
        {"certificato non ancora valido",
         [] { throw EIdTLSCertificateRefused(TIdCertificateFault::NotYetValid, "x"); },
         "Certificato del server rifiutato, non ancora valido"},
        {"certificato altro",
         [] { throw EIdTLSCertificateRefused(TIdCertificateFault::Other, "x"); },
         "Certificato del server rifiutato, non valido"},
        {"STARTTLS assente", [] { throw EIdTLSNotOffered(); },
         "Il server non offre STARTTLS: controllare porta e sicurezza"},
        {"handshake", [] { throw EIdTLSError("wrong version number"); },
         "Connessione cifrata non riuscita: controllare porta e sicurezza"},
        {"altro codice", [] { Risposta(552, "5.3.4", "too big"); }, ""},
        {"porta non valida", [] { throw EIdException("Invalid port: 70000"); }, ""},
        {"estraneo", [] { throw std::runtime_error("x"); }, ""},
    };
    for (const auto& caso : casi) {
        try {
            caso.solleva();
            ADD_FAILURE() << caso.nome;
        } catch (const std::exception& e) {
            const std::string spiegazione = SpiegaErrore(e);
            if (dynamic_cast<const EIdTLSCertificateRefused*>(&e)) {
                EXPECT_EQ(spiegazione.rfind(caso.spiegazione, 0), 0u) << spiegazione;
                EXPECT_NE(spiegazione.find("\"Prova connessione\""), std::string::npos);
            } else {
                EXPECT_EQ(spiegazione, caso.spiegazione) << caso.nome;
            }
        }
    }
}

// The same code after different commands, through the client's own dialogue.
TEST(SpiegazioneErrori, ReplyExplainedByTheCommandItAnswered) {
    const std::string ehlo = "250 test.local\r\n";
    const std::string ehloLogin = "250-test.local\r\n250 AUTH LOGIN\r\n";
    struct Caso {
        const char* nome;
        std::string saluto;
        std::vector<std::string> risposte;
        bool accesso;
        TIdUseTLS tls;
        const char* spiegazione;
    };
    const Caso casi[] = {
        {"saluto 554",
         "554 5.3.2 no service\r\n",
         {Bye},
         false,
         utNoTLSSupport,
         "Il server non accetta connessioni ora: riprovare più tardi o controllare host e porta"},
        {"STARTTLS 454",
         Greeting,
         {"250-test.local\r\n250 STARTTLS\r\n", "454 4.7.0 TLS not available\r\n", Bye},
         false,
         utUseRequireTLS,
         "Il server non può avviare ora la connessione cifrata (STARTTLS): riprovare più tardi"},
        {"AUTH 454",
         Greeting,
         {ehloLogin, "454 4.7.0 Temporary authentication failure\r\n", Bye},
         true,
         utNoTLSSupport,
         "Accesso non riuscito per un problema temporaneo del server: riprovare più tardi"},
        {"AUTH 535",
         Greeting,
         {ehloLogin, "334 VXNlcm5hbWU6\r\n", "334 UGFzc3dvcmQ6\r\n", "535 5.7.8 invalid\r\n", Bye},
         true,
         utNoTLSSupport,
         "Accesso rifiutato: controllare nome utente e password"},
        {"MAIL FROM 550",
         Greeting,
         {ehlo, Ok, "550 5.1.0 Sender rejected\r\n", Bye},
         false,
         utNoTLSSupport,
         "Mittente rifiutato: controllare l'indirizzo di spedizione"},
        {"MAIL FROM 530",
         Greeting,
         {ehlo, Ok, "530 5.7.0 Authentication required\r\n", Bye},
         false,
         utNoTLSSupport,
         "Il server non accetta l'invio da questo mittente senza accesso: controllare nome "
         "utente, password e indirizzo di spedizione"},
        {"RCPT TO 550",
         Greeting,
         {ehlo, Ok, Ok, "550 5.1.1 No such user\r\n", Bye},
         false,
         utNoTLSSupport,
         "Destinatario rifiutato dal server: controllare l'indirizzo"},
        {"RCPT TO 554 inoltro",
         Greeting,
         {ehlo, Ok, Ok, "554 5.7.1 Relay access denied\r\n", Bye},
         false,
         utNoTLSSupport,
         "Inoltro non permesso: il server non invia a questo indirizzo senza accesso"},
        {"fine testo 552",
         Greeting,
         {ehlo, Ok, Ok, Ok, Go, "552 5.3.4 Message too big\r\n", Bye},
         false,
         utNoTLSSupport,
         "Messaggio troppo grande per il server"},
    };
    for (const auto& caso : casi) {
        TScriptedSmtp server(caso.saluto, caso.risposte);
        TIdSMTP smtp;
        smtp.SetHost("127.0.0.1");
        smtp.SetPort(server.Port());
        smtp.SetReadTimeout(20000);
        smtp.SetUseTLS(caso.tls);
        smtp.SetPipeLine(false);
        if (caso.accesso) {
            smtp.SetUsername("io@esempio.it");
            smtp.SetPassword("segreta");
        }
        TIdMessage messaggio;
        messaggio.From().SetAddress("io@esempio.it");
        messaggio.Recipients().SetListText("anna@example.it");
        messaggio.SetSubject("Prova");
        messaggio.SetBodyText("Testo");
        try {
            smtp.Connect();
            smtp.Send(messaggio);
            ADD_FAILURE() << caso.nome << ": no error";
        } catch (const std::exception& e) {
            EXPECT_EQ(SpiegaErrore(e), caso.spiegazione) << caso.nome << ": " << e.what();
        }
        try {
            smtp.Disconnect(false);
        } catch (const std::exception&) {
        }
    }
}

TEST(SpiegazioneErrori, ExplanationComesBeforeTheTechnicalTextOnOneLine) {
    try {
        RaiseSocketError(10061);
    } catch (const std::exception& e) {
        EXPECT_EQ(TestoConSpiegazione(e),
                  "Connessione rifiutata: controllare host e porta. Dettagli: Socket Error # "
                  "10061 Connection refused.");
    }
    try {
        Risposta(552, "5.3.4", "Message too big\r\nsecond line\r\n");
    } catch (const std::exception& e) {
        EXPECT_EQ(TestoConSpiegazione(e), "Message too big second line");
    }
}

}  // namespace

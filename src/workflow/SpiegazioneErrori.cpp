#include "workflow/SpiegazioneErrori.h"

#include <algorithm>

#include "exception/IdException.h"
#include "smtp/IdReplySMTP.h"
#include "smtp/IdSMTP.h"
#include "smtp/IdTLSException.h"

namespace brivano {

namespace {

std::string PerSocket(int codice) {
    switch (codice) {
        case 10061:
            return "Connessione rifiutata: controllare host e porta";
        case 11001:
            return "Host non trovato: controllare il nome del server";
        case 11002:
            return "Nome del server non risolto: controllare il nome e la connessione";
        case 10060:
            return "Tempo scaduto: il server non ha risposto, controllare host e porta";
        case 10050:
        case 10051:
        case 10064:
        case 10065:
            return "Server non raggiungibile: controllare la connessione di rete";
        case 10052:
        case 10053:
        case 10054:
            return "Connessione interrotta dal server";
        default:
            return {};
    }
}

// Refusals of a mailbox that may not log in as asked, whatever the secret.
std::string PerAccessoChiuso(const EIdSMTPReplyError& e) {
    const TIdSMTPEnhancedCode& esteso = e.EnhancedCode();
    if (!esteso.Available || esteso.Subject != 7) return {};
    if (esteso.Details == 139)
        return "L'invio con SMTP AUTH è disattivato per questa casella o per l'organizzazione: "
               "l'amministratore deve attivarlo";
    if (esteso.Details == 30)
        return "Il server non accetta più la password: scegliere \"Accesso Microsoft\" nelle "
               "Impostazioni Invio";
    return {};
}

constexpr const char* AccessoRifiutato = "Accesso rifiutato: controllare nome utente e password";
constexpr const char* MittenteRifiutato =
    "Mittente rifiutato: controllare l'indirizzo di spedizione";
constexpr const char* DestinatarioRifiutato =
    "Destinatario rifiutato dal server: controllare l'indirizzo";
constexpr const char* NonDisponibile =
    "Il server non è disponibile in questo momento: riprovare più tardi";

bool Esteso(const TIdSMTPEnhancedCode& e, int soggetto, int dettaglio = -1) {
    return e.Available && e.Subject == soggetto && (dettaglio < 0 || e.Details == dettaglio);
}

std::string PerAccesso(int codice, const TIdSMTPEnhancedCode& esteso) {
    if (codice == 454 || codice / 100 == 4)
        return "Accesso non riuscito per un problema temporaneo del server: riprovare più tardi";
    if (codice == 504 || codice == 502)
        return "Il server non accetta questo modo di accesso: controllare porta e sicurezza";
    if (codice == 534 || Esteso(esteso, 7, 9))
        return "Il server chiede un modo di accesso più sicuro: controllare la sicurezza "
               "o le impostazioni dell'account presso il fornitore";
    return AccessoRifiutato;
}

std::string PerMittente(int codice, const TIdSMTPEnhancedCode& esteso) {
    if (codice == 530 || Esteso(esteso, 7, 0) || Esteso(esteso, 7, 1))
        return "Il server non accetta l'invio da questo mittente senza accesso: controllare "
               "nome utente, password e indirizzo di spedizione";
    if (codice == 552 || codice == 452 || Esteso(esteso, 3, 4))
        return "Il server rifiuta il messaggio per le sue dimensioni o per lo spazio";
    if (codice == 451 || codice == 450) return "Il server rimanda l'invio: riprovare più tardi";
    if (codice / 100 == 5) return MittenteRifiutato;
    return {};
}

std::string PerDestinatario(int codice, const TIdSMTPEnhancedCode& esteso) {
    if (Esteso(esteso, 7, 1) || codice == 554)
        return "Inoltro non permesso: il server non invia a questo indirizzo senza accesso";
    if (codice == 452 || Esteso(esteso, 5, 3))
        return "Troppi destinatari per un messaggio: il server ne accetterà altri più tardi";
    if (codice == 450 || codice == 451)
        return "Casella del destinatario momentaneamente non disponibile: nuovo tentativo più "
               "tardi";
    if (codice / 100 == 5) return DestinatarioRifiutato;
    return {};
}

std::string PerTesto(int codice, const TIdSMTPEnhancedCode& esteso) {
    if (codice == 552 || Esteso(esteso, 3, 4)) return "Messaggio troppo grande per il server";
    if (codice == 554 || codice == 550 || Esteso(esteso, 7))
        return "Messaggio rifiutato dal server per il suo contenuto o le sue regole";
    if (codice / 100 == 4) return "Il server rimanda il messaggio: riprovare più tardi";
    return {};
}

// The same code means different things after different commands.
std::string PerRisposta(const EIdSMTPReplyError& e) {
    const TIdSMTPEnhancedCode& esteso = e.EnhancedCode();
    const int codice = e.ErrorCode();
    if (std::string chiuso = PerAccessoChiuso(e); !chiuso.empty()) return chiuso;
    if (codice == 421) return NonDisponibile;
    switch (e.Command()) {
        case TIdSMTPCommand::Greeting:
            return "Il server non accetta connessioni ora: riprovare più tardi o controllare "
                   "host e porta";
        case TIdSMTPCommand::Hello:
            return "Il server ha rifiutato il saluto (EHLO): controllare host e porta";
        case TIdSMTPCommand::StartTLS:
            if (codice / 100 == 4)
                return "Il server non può avviare ora la connessione cifrata (STARTTLS): "
                       "riprovare più tardi";
            return "Il server ha rifiutato la connessione cifrata (STARTTLS): controllare porta "
                   "e sicurezza";
        case TIdSMTPCommand::Auth:
            return PerAccesso(codice, esteso);
        case TIdSMTPCommand::MailFrom:
            return PerMittente(codice, esteso);
        case TIdSMTPCommand::RcptTo:
            return PerDestinatario(codice, esteso);
        case TIdSMTPCommand::Data:
        case TIdSMTPCommand::DataEnd:
            return PerTesto(codice, esteso);
        case TIdSMTPCommand::Reset:
        case TIdSMTPCommand::Quit:
            return {};
        case TIdSMTPCommand::Unknown:
            break;
    }
    // A reply whose command is not known: only what its code says alone.
    if (codice == 535 || codice == 534 || codice == 530 || codice == 538 || Esteso(esteso, 7, 8))
        return AccessoRifiutato;
    if (Esteso(esteso, 1, 7) || Esteso(esteso, 1, 8)) return MittenteRifiutato;
    if (Esteso(esteso, 1) || codice == 550 || codice == 551 || codice == 553)
        return DestinatarioRifiutato;
    return {};
}

std::string PerCertificato(TIdCertificateFault motivo) {
    const char* perche = "non valido";
    switch (motivo) {
        case TIdCertificateFault::Expired:
            perche = "scaduto";
            break;
        case TIdCertificateFault::NotYetValid:
            perche = "non ancora valido";
            break;
        case TIdCertificateFault::Untrusted:
            perche = "non garantito da un'autorità riconosciuta";
            break;
        case TIdCertificateFault::WrongName:
            perche = "rilasciato per un altro nome: controllare l'host";
            break;
        case TIdCertificateFault::Other:
            break;
    }
    return std::string("Certificato del server rifiutato, ") + perche +
           ". Per vederlo e, se è quello del vostro server, fidarsene: \"Prova connessione\" in "
           "\"Impostazioni Invio\"";
}

}  // namespace

std::string SpiegaErrore(const std::exception& errore) {
    if (const auto* e = dynamic_cast<const EIdSMTPLoginRefused*>(&errore)) {
        if (std::string chiuso = PerAccessoChiuso(*e); !chiuso.empty()) return chiuso;
        if (dynamic_cast<const EIdSMTPTokenRefused*>(&errore))
            return "Il server non ha accettato l'accesso: usare \"Accedi…\" nelle Impostazioni "
                   "Invio e controllare che l'indirizzo sia quello dell'accesso";
        return PerAccesso(e->ErrorCode(), e->EnhancedCode());
    }
    if (dynamic_cast<const EIdSASLNotOffered*>(&errore))
        return "Controllare host e porta, o scegliere il metodo Password";
    if (const auto* e = dynamic_cast<const EIdTLSCertificateRefused*>(&errore))
        return PerCertificato(e->Reason());
    if (dynamic_cast<const EIdTLSNotOffered*>(&errore))
        return "Il server non offre STARTTLS: controllare porta e sicurezza";
    if (dynamic_cast<const EIdTLSError*>(&errore))
        return "Connessione cifrata non riuscita: controllare porta e sicurezza";
    if (const auto* e = dynamic_cast<const EIdSMTPReplyError*>(&errore)) return PerRisposta(*e);
    if (const auto* e = dynamic_cast<const EIdSocketError*>(&errore))
        return PerSocket(e->ErrorCode());
    if (dynamic_cast<const EIdReadTimeout*>(&errore))
        return "Tempo scaduto: il server non ha risposto in tempo";
    if (dynamic_cast<const EIdConnClosedGracefully*>(&errore) ||
        dynamic_cast<const EIdClosedSocket*>(&errore))
        return "Il server ha chiuso la connessione";
    return {};
}

std::string SuUnaRiga(const std::string& testo) {
    std::string riga;
    for (char c : testo) {
        if (c == '\r') continue;
        if (c == '\n') {
            if (!riga.empty() && riga.back() != ' ') riga += ' ';
        } else {
            riga += c;
        }
    }
    while (!riga.empty() && riga.back() == ' ') riga.pop_back();
    return riga;
}

std::string ConDettagli(const std::string& spiegazione, const std::string& tecnico) {
    if (spiegazione.empty()) return tecnico;
    if (tecnico.empty()) return spiegazione;
    return spiegazione + ". Dettagli: " + tecnico;
}

std::string TestoConSpiegazione(const std::exception& errore) {
    return ConDettagli(SpiegaErrore(errore), SuUnaRiga(errore.what()));
}

}  // namespace brivano

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

std::string PerRisposta(const EIdSMTPReplyError& e) {
    const TIdSMTPEnhancedCode& esteso = e.EnhancedCode();
    const int codice = e.ErrorCode();
    if (std::string chiuso = PerAccessoChiuso(e); !chiuso.empty()) return chiuso;
    if (codice == 535 || codice == 534 || codice == 530 || codice == 538 || codice == 454 ||
        (esteso.Available && esteso.Subject == 7 && esteso.Details == 8))
        return "Accesso rifiutato: controllare nome utente e password";
    if (esteso.Available && esteso.Subject == 1 && (esteso.Details == 7 || esteso.Details == 8))
        return "Mittente rifiutato: controllare l'indirizzo di spedizione";
    if ((esteso.Available && esteso.Subject == 1) || codice == 550 || codice == 551 ||
        codice == 553)
        return "Destinatario rifiutato dal server: controllare l'indirizzo";
    if (codice == 421) return "Il server non è disponibile in questo momento: riprovare più tardi";
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
    return std::string("Certificato del server rifiutato, ") + perche;
}

}  // namespace

std::string SpiegaErrore(const std::exception& errore) {
    if (const auto* e = dynamic_cast<const EIdSMTPLoginRefused*>(&errore)) {
        if (std::string chiuso = PerAccessoChiuso(*e); !chiuso.empty()) return chiuso;
        if (dynamic_cast<const EIdSMTPTokenRefused*>(&errore))
            return "Il server non ha accettato l'accesso: usare \"Accedi…\" nelle Impostazioni "
                   "Invio e controllare che l'indirizzo sia quello dell'accesso";
        return "Accesso rifiutato: controllare nome utente e password";
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

std::string TestoConSpiegazione(const std::exception& errore) {
    std::string testo = SuUnaRiga(errore.what());
    const std::string spiegazione = SpiegaErrore(errore);
    if (!spiegazione.empty()) testo += " (" + spiegazione + ")";
    return testo;
}

}  // namespace brivano

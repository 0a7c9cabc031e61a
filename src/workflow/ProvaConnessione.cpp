#include "workflow/ProvaConnessione.h"

#include <algorithm>

#include "smtp/IdIOHandlerTLS.h"
#include "smtp/IdSMTP.h"
#include "smtp/IdTLSException.h"
#include "workflow/AccessoOAuth.h"
#include "workflow/SpiegazioneErrori.h"

namespace brivano {

namespace {

std::string PrimaRiga(const TIdReply& risposta) {
    std::string riga = risposta.Code();
    if (!risposta.Text().empty()) riga += " " + risposta.Text().front();
    return riga;
}

// "TLSv1.3, TLS_AES_256_GCM_SHA384" for the session now encrypted.
std::string DatiTLS(const TIdSMTP& smtp) {
    const auto* canale = dynamic_cast<const TIdIOHandlerTLS*>(smtp.IOHandler());
    if (!canale) return {};
    return canale->TLSVersion() + ", " + canale->TLSCipher();
}

bool OffreSTARTTLS(const TIdSMTP& smtp) {
    for (std::string riga : smtp.Capabilities()) {
        for (char& c : riga)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (riga == "STARTTLS") return true;
    }
    return false;
}

class TRegistroPassi {
  public:
    explicit TRegistroPassi(const TAvvisoPasso& avviso) : avviso_(avviso) {}

    void Riuscito(std::string nome, std::string dettaglio = {}) {
        Aggiungi({std::move(nome), true, std::move(dettaglio), std::nullopt});
    }
    void Fallito(std::string nome, const std::exception& errore) {
        TPassoProva passo{std::move(nome), false, TestoConSpiegazione(errore), std::nullopt};
        if (const auto* rifiuto = dynamic_cast<const EIdTLSCertificateRefused*>(&errore))
            passo.Rifiuto = *rifiuto;
        Aggiungi(std::move(passo));
    }
    std::vector<TPassoProva> Passi() && { return std::move(passi_); }

  private:
    void Aggiungi(TPassoProva passo) {
        if (avviso_) avviso_(passo);
        passi_.push_back(std::move(passo));
    }
    const TAvvisoPasso& avviso_;
    std::vector<TPassoProva> passi_;
};

// Closes after a failure: QUIT while the server still answers in step,
// a plain close otherwise. Errors of the goodbye add nothing to the report.
void Chiudi(TIdSMTP& smtp, bool saluta) {
    try {
        if (smtp.Connected()) smtp.Disconnect(saluta);
    } catch (const std::exception&) {
        try {
            smtp.Disconnect(false);
        } catch (const std::exception&) {
        }
    }
}

}  // namespace

std::vector<TPassoProva> ProvaConnessione(const TAccountInvio& account, const std::string& password,
                                          const TAvvisoPasso& avviso, const TLimitiProva& limiti,
                                          const TIdBearerSource& token,
                                          const TIdTrustedCertificate& fidato) {
    TRegistroPassi registro(avviso);
    if (account.Metodo != TMetodoAccesso::Password) {
        const std::string passo =
            std::string("Token di accesso (") + TestoMetodo(account.Metodo) + ")";
        try {
            if (!token) throw EAccessoNonRiuscito("Accesso non disponibile: Accedi di nuovo.");
            token(std::string());
            registro.Riuscito(passo, "ottenuto");
        } catch (const std::exception& e) {
            registro.Fallito(passo, e);
            return std::move(registro).Passi();
        }
    }
    const std::string passoConnessione =
        "Connessione a " + account.Host + ":" + std::to_string(account.Porta);
    const std::string passoEhlo = "Saluto del server ed EHLO";
    TIdSMTP smtp;
    // The steps of a send's connect, one by one so each can be named; a
    // failure closes the connection as the send would.
    const auto fallito = [&](const std::string& passo, const std::exception& e) {
        registro.Fallito(passo, e);
        Chiudi(smtp, dynamic_cast<const EIdReplyError*>(&e) != nullptr);
        return std::move(registro).Passi();
    };
    try {
        ControllaAccount(account);
        smtp.SetHost(account.Host);
        smtp.SetPort(account.Porta);
        smtp.SetUseTLS(UseTLSPer(account.Sicurezza));
        smtp.SetTrustedCertificate(fidato);
        smtp.SetUsername(account.UtenteAccesso());
        smtp.SetPassword(password);
        smtp.SetPreferPlain(true);
        if (account.Metodo != TMetodoAccesso::Password) smtp.SetBearerSource(token);
        smtp.SetConnectTimeout(limiti.Connessione);
        smtp.SetReadTimeout(limiti.Risposta);
        smtp.OpenConnection();
    } catch (const EIdTLSError& e) {
        // The implicit handshake follows a TCP connect that went through.
        registro.Riuscito(passoConnessione);
        return fallito("TLS (SSL/TLS)", e);
    } catch (const std::exception& e) {
        return fallito(passoConnessione, e);
    }
    registro.Riuscito(passoConnessione);
    if (smtp.TLSActive()) registro.Riuscito("TLS (SSL/TLS)", DatiTLS(smtp));

    try {
        smtp.Greet();
    } catch (const std::exception& e) {
        return fallito(passoEhlo, e);
    }
    registro.Riuscito(passoEhlo, PrimaRiga(smtp.LastReply()));

    // STARTTLS as the send runs it: when the security asks for it, and in
    // any case before a password goes to a server that offers it.
    const bool accesso = !account.UtenteAccesso().empty();
    const bool starttls = !smtp.TLSActive() && (account.Sicurezza == TSicurezza::STARTTLS ||
                                                (accesso && OffreSTARTTLS(smtp)));
    if (starttls) {
        try {
            smtp.StartTLS();
        } catch (const std::exception& e) {
            return fallito("TLS (STARTTLS)", e);
        }
        std::string dettaglio = DatiTLS(smtp);
        if (account.Sicurezza == TSicurezza::Nessuna)
            dettaglio +=
                " (cifrata per la password, certificato non controllato: sicurezza "
                "\"Nessuna\")";
        registro.Riuscito("TLS (STARTTLS)", std::move(dettaglio));
    }

    if (accesso) {
        const std::string passoAccesso = "Accesso come " + account.UtenteAccesso();
        try {
            const std::string meccanismo = smtp.Authenticate();
            if (meccanismo.empty())
                registro.Riuscito(passoAccesso, "il server non chiede l'accesso");
            else
                registro.Riuscito(passoAccesso,
                                  PrimaRiga(smtp.LastReply()) + " (AUTH " + meccanismo + ")");
        } catch (const std::exception& e) {
            return fallito(passoAccesso, e);
        }
    }

    try {
        smtp.Disconnect();
        registro.Riuscito("Chiusura (QUIT)", PrimaRiga(smtp.LastReply()));
    } catch (const std::exception& e) {
        registro.Fallito("Chiusura (QUIT)", e);
        Chiudi(smtp, false);
    }
    return std::move(registro).Passi();
}

std::string RigaPasso(const TPassoProva& passo) {
    std::string riga = (passo.Riuscito ? "[OK] " : "[ERRORE] ") + passo.Nome;
    if (!passo.Dettaglio.empty()) riga += ": " + passo.Dettaglio;
    return riga;
}

std::string EsitoProva(const std::vector<TPassoProva>& passi) {
    const bool riuscita = !passi.empty() && std::all_of(passi.begin(), passi.end(),
                                                        [](const auto& p) { return p.Riuscito; });
    return riuscita ? "Prova riuscita." : "Prova non riuscita.";
}

std::string TestoProva(const std::vector<TPassoProva>& passi) {
    std::string testo;
    for (const auto& passo : passi) testo += RigaPasso(passo) + "\n";
    return testo + EsitoProva(passi);
}

}  // namespace brivano

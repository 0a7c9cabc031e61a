#include "workflow/ProvaConnessione.h"

#include <algorithm>

#include "smtp/IdSMTP.h"
#include "workflow/SpiegazioneErrori.h"

namespace brivano {

namespace {

std::string PrimaRiga(const TIdReply& risposta) {
    std::string riga = risposta.Code();
    if (!risposta.Text().empty()) riga += " " + risposta.Text().front();
    return riga;
}

class TRegistroPassi {
  public:
    explicit TRegistroPassi(const TAvvisoPasso& avviso) : avviso_(avviso) {}

    void Riuscito(std::string nome, std::string dettaglio = {}) {
        Aggiungi({std::move(nome), true, std::move(dettaglio)});
    }
    void Fallito(std::string nome, const std::exception& errore) {
        Aggiungi({std::move(nome), false, TestoConSpiegazione(errore)});
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
                                          const TAvvisoPasso& avviso, const TLimitiProva& limiti) {
    TRegistroPassi registro(avviso);
    const std::string passoConnessione =
        "Connessione a " + account.Host + ":" + std::to_string(account.Porta);
    TIdSMTP smtp;
    bool connesso = false;
    try {
        ControllaAccount(account);
        smtp.SetHost(account.Host);
        smtp.SetPort(account.Porta);
        smtp.SetUseTLS(UseTLSPer(account.Sicurezza));
        smtp.SetUsername(account.UtenteAccesso());
        smtp.SetPassword(password);
        smtp.SetConnectTimeout(limiti.Connessione);
        smtp.SetReadTimeout(limiti.Risposta);
        smtp.SetOnConnected([&] {
            connesso = true;
            registro.Riuscito(passoConnessione);
        });
        smtp.Connect();
    } catch (const std::exception& e) {
        registro.Fallito(connesso ? "Saluto del server ed EHLO" : passoConnessione, e);
        return std::move(registro).Passi();
    }
    registro.Riuscito("Saluto del server ed EHLO", PrimaRiga(smtp.LastReply()));

    if (!account.UtenteAccesso().empty()) {
        const std::string passoAccesso = "Accesso come " + account.UtenteAccesso();
        const auto offerti = TIdSMTP::AuthMechanisms(smtp.Capabilities());
        if (offerti.empty()) {
            registro.Riuscito(passoAccesso, "il server non chiede l'accesso");
        } else {
            try {
                smtp.Authenticate();
                registro.Riuscito(passoAccesso, PrimaRiga(smtp.LastReply()));
            } catch (const std::exception& e) {
                registro.Fallito(passoAccesso, e);
                Chiudi(smtp, dynamic_cast<const EIdReplyError*>(&e) != nullptr);
                return std::move(registro).Passi();
            }
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

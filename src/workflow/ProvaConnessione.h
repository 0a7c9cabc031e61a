#pragma once
// "Prova connessione": the dialogue of a send up to the login, then QUIT,
// with each step reported as it ends. Nothing is sent. Runs on any thread; it
// touches only its own client.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "smtp/IdSMTP.h"
#include "smtp/IdTLSException.h"
#include "workflow/AccountInvio.h"

namespace brivano {

struct TPassoProva {
    std::string Nome;  // "Connessione a smtp.esempio.it:465", "EHLO", ...
    bool Riuscito = false;
    // The server's reply on success; on failure the error with its
    // explanation.
    std::string Dettaglio;
    // The refusal of the server's certificate that failed the step, so the
    // user can be offered to trust it.
    std::optional<EIdTLSCertificateRefused> Rifiuto;
};

struct TLimitiProva {
    int Connessione = 30000;
    int Risposta = 60000;
};

using TAvvisoPasso = std::function<void(const TPassoProva&)>;

// The steps that ran, in order; the first failed one is the last. `avviso`
// hears each step as it ends.
// An account that signs in gets its token first (a step of its own) from
// `token`, and logs in with it; without `token` that step fails. `fidato` is
// accepted though unchecked, for its host and port.
std::vector<TPassoProva> ProvaConnessione(const TAccountInvio& account, const std::string& password,
                                          const TAvvisoPasso& avviso = {},
                                          const TLimitiProva& limiti = {},
                                          const TIdBearerSource& token = {},
                                          const TIdTrustedCertificate& fidato = {});

// "Prova riuscita." when every step succeeded, else "Prova non riuscita.".
std::string EsitoProva(const std::vector<TPassoProva>& passi);

// One line per step ("[OK] ..." or "[ERRORE] ..."), then the outcome.
std::string TestoProva(const std::vector<TPassoProva>& passi);

// The line of one step.
std::string RigaPasso(const TPassoProva& passo);

}  // namespace brivano

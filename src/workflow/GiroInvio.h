#pragma once
// One round of a send run: each entry's work on a connection of the pool
// (exclusion, pacing, notices, the message, the journal's marks), and the
// sorting of the round's results into what went, what failed and what the
// next round tries again.

#include <atomic>
#include <cstddef>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "workflow/ConnessioniInvio.h"
#include "workflow/SessioneInvio.h"
#include "workflow/StatoVoce.h"
#include "workflow/TipiInvio.h"

namespace brivano {

// What became of the entry at one place of a round; neither excluded nor a
// result when the run stopped before it.
struct TPostoGiro {
    bool Escluso = false;  // by the do-not-mail list
    // Left out by the journal: why (Nessuno: no longer to send).
    bool Saltato = false;
    TMotivoEsclusione Motivo = TMotivoEsclusione::Nessuno;
    std::optional<TRisultatoVoce> Risultato;
};

// The work on the entries of one run, shared by every connection: the
// notices come one at a time and the count of entries done is the run's.
class TLavoroVoci {
  public:
    TLavoroVoci(const std::vector<std::string>& voci, const TAvvisiInvio& avvisi,
                const TOpzioniInvio& opzioni)
        : voci_(voci), avvisi_(avvisi), opzioni_(opzioni) {}

    // Entry `indice` over connection `c`: left out when the do-not-mail list
    // says so (first round only), else paced, let through by the journal
    // (which keeps its Message-ID first, or leaves it out as already
    // served), composed, sent and marked in the journal. False when the run must take no further
    // entry (stopped). Raises what the journal raises.
    bool Lavora(TConnessione& c, std::size_t indice, bool primoGiro, TPostoGiro& posto);
    // True once an entry or a wait was cut short by the stop.
    bool Fermato() const { return fermato_.load(); }
    void Riparti() { fermato_ = false; }

  private:
    void Segna(std::size_t indice, TStatoVoce stato, int codice, const std::string& testo,
               const std::string& messageId = std::string());
    void Fatto();
    std::size_t Posizione(std::size_t indice) const;
    // The entry's Message-ID: the one it had, else a new one, kept for the
    // rounds after.
    std::string MessageIdLeft(std::size_t indice);

    const std::vector<std::string>& voci_;
    const TAvvisiInvio& avvisi_;
    const TOpzioniInvio& opzioni_;
    std::mutex avvisiMutex_;
    std::size_t fatti_ = 0;
    std::atomic<bool> fermato_{false};
    std::mutex idMutex_;
    std::map<std::size_t, std::string> idFatti_;
};

// Adds one round's places (entries `giro`, in list order) to the run's
// results; returns the deferred entries, which the next round tries again.
// A place without a result marks the run stopped.
std::vector<TFallimento> RaccogliGiro(const std::vector<std::size_t>& giro,
                                      const std::vector<TPostoGiro>& posti,
                                      const std::vector<std::string>& voci, TEsitoInvio& esito);

}  // namespace brivano

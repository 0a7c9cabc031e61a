#pragma once
// The states of one entry of a send run and the moves between them.
//
// "in corso" is written before the end-of-data line leaves and "inviato"
// right after the server's 250, so an entry found "in corso" after a crash is
// uncertain: the server may or may not have taken it. It becomes "incerto"
// unless the user has it sent again.

#include <cstddef>
#include <optional>
#include <string>

namespace brivano {

// "rimbalzato": sent, then a report from a mail server said it was refused
// for good.
enum class TStatoVoce {
    DaInviare,
    InCorso,
    Inviato,
    Rinviato,
    Fallito,
    Escluso,
    Incerto,
    Rimbalzato
};

// How many states there are, for counts indexed by state.
inline constexpr std::size_t NumeroStati = 8;

// "da inviare", "in corso", "inviato", "rinviato", "fallito", "escluso",
// "incerto", "rimbalzato".
const char* NomeStato(TStatoVoce stato);
std::optional<TStatoVoce> StatoDaNome(const std::string& nome);

// Whether an entry may go from one state to the other. "inviato" only
// becomes "rimbalzato", and back when the user undoes that; "in corso" may stay (a note added) but
// never becomes "da inviare" again except by the user's choice.
bool TransizioneAmmessa(TStatoVoce da, TStatoVoce a);

// An entry still to be sent by a run that goes on: "da inviare" or "rinviato".
inline bool DaSpedire(TStatoVoce stato) {
    return stato == TStatoVoce::DaInviare || stato == TStatoVoce::Rinviato;
}

// An entry the run is done with: "inviato", "fallito", "escluso", "incerto".
// A run whose entries are all final is finished.
inline bool StatoFinale(TStatoVoce stato) {
    return stato == TStatoVoce::Inviato || stato == TStatoVoce::Fallito ||
           stato == TStatoVoce::Escluso || stato == TStatoVoce::Incerto ||
           stato == TStatoVoce::Rimbalzato;
}

// Why an entry is left out of a run.
enum class TMotivoEsclusione {
    Nessuno,
    NonInviare,  // on the do-not-mail list
    Doppione,    // the same address is earlier in the list
    GiaServito,  // the address already got this message
    Scelta,      // the user left it out (an uncertain entry not sent again)
    SenzaBase,   // a promotional run, and the address has no basis for it
};

// "non inviare", "doppione", "già servito", "scelta", "senza base"; "" for
// Nessuno.
const char* NomeMotivo(TMotivoEsclusione motivo);
TMotivoEsclusione MotivoDaNome(const std::string& nome);
// For the user: "nell'elenco non inviare", "indirizzo ripetuto nell'elenco",
// "ha già ricevuto questo messaggio", "escluso su richiesta", "senza base
// giuridica per una promozione".
const char* TestoMotivo(TMotivoEsclusione motivo);

}  // namespace brivano

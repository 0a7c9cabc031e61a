#pragma once
// The states of one entry of a send run and the moves between them.
//
// "in corso" is written before the end-of-data line leaves and "inviato"
// right after the server's 250, so an entry found "in corso" after a crash is
// uncertain: the server may or may not have taken it.

#include <optional>
#include <string>

namespace brivano {

enum class TStatoVoce { DaInviare, InCorso, Inviato, Rinviato, Fallito, Escluso };

// "da inviare", "in corso", "inviato", "rinviato", "fallito", "escluso".
const char* NomeStato(TStatoVoce stato);
std::optional<TStatoVoce> StatoDaNome(const std::string& nome);

// Whether an entry may go from one state to the other. Nothing leaves
// "inviato"; "in corso" may stay (a note added) but never becomes
// "da inviare" again except by the user's choice.
bool TransizioneAmmessa(TStatoVoce da, TStatoVoce a);

// An entry still to be sent by a run that goes on: "da inviare" or "rinviato".
inline bool DaSpedire(TStatoVoce stato) {
    return stato == TStatoVoce::DaInviare || stato == TStatoVoce::Rinviato;
}

}  // namespace brivano

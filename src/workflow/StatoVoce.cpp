#include "workflow/StatoVoce.h"

#include <array>
#include <utility>

namespace brivano {

namespace {

constexpr std::array<std::pair<TStatoVoce, const char*>, 6> Nomi{{
    {TStatoVoce::DaInviare, "da inviare"},
    {TStatoVoce::InCorso, "in corso"},
    {TStatoVoce::Inviato, "inviato"},
    {TStatoVoce::Rinviato, "rinviato"},
    {TStatoVoce::Fallito, "fallito"},
    {TStatoVoce::Escluso, "escluso"},
}};

}  // namespace

const char* NomeStato(TStatoVoce stato) {
    for (const auto& [s, nome] : Nomi)
        if (s == stato) return nome;
    return "";
}

std::optional<TStatoVoce> StatoDaNome(const std::string& nome) {
    for (const auto& [s, n] : Nomi)
        if (nome == n) return s;
    return std::nullopt;
}

bool TransizioneAmmessa(TStatoVoce da, TStatoVoce a) {
    using S = TStatoVoce;
    switch (da) {
        case S::DaInviare:
            return a == S::InCorso || a == S::Rinviato || a == S::Fallito || a == S::Escluso;
        case S::InCorso:
            // Back to "da inviare" only when the end of data surely never left,
            // or when the user asks for the uncertain entry to be sent again.
            return a == S::InCorso || a == S::Inviato || a == S::Rinviato || a == S::Fallito ||
                   a == S::DaInviare || a == S::Escluso;
        case S::Rinviato:
            return a == S::InCorso || a == S::Rinviato || a == S::Fallito || a == S::Escluso;
        case S::Fallito:
        case S::Escluso:
            return a == S::DaInviare;
        case S::Inviato:
            return false;
    }
    return false;
}

}  // namespace brivano

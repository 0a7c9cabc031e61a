#include "workflow/StatoVoce.h"

#include <array>
#include <utility>

namespace brivano {

namespace {

constexpr std::array<std::pair<TStatoVoce, const char*>, NumeroStati> Nomi{{
    {TStatoVoce::DaInviare, "da inviare"},
    {TStatoVoce::InCorso, "in corso"},
    {TStatoVoce::Inviato, "inviato"},
    {TStatoVoce::Rinviato, "rinviato"},
    {TStatoVoce::Fallito, "fallito"},
    {TStatoVoce::Escluso, "escluso"},
    {TStatoVoce::Incerto, "incerto"},
    {TStatoVoce::Rimbalzato, "rimbalzato"},
}};

struct TNomeMotivo {
    TMotivoEsclusione Motivo;
    const char* Nome;
    const char* Testo;
};

constexpr std::array<TNomeMotivo, 5> Motivi{{
    {TMotivoEsclusione::NonInviare, "non inviare", "nell'elenco non inviare"},
    {TMotivoEsclusione::Doppione, "doppione", "indirizzo ripetuto nell'elenco"},
    {TMotivoEsclusione::GiaServito, "già servito", "ha già ricevuto questo messaggio"},
    {TMotivoEsclusione::Scelta, "scelta", "escluso su richiesta"},
    {TMotivoEsclusione::SenzaBase, "senza base", "senza base giuridica per una promozione"},
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
                   a == S::DaInviare || a == S::Escluso || a == S::Incerto;
        case S::Rinviato:
            return a == S::InCorso || a == S::Rinviato || a == S::Fallito || a == S::Escluso;
        case S::Fallito:
        case S::Escluso:
        case S::Incerto:
            return a == S::DaInviare;
        case S::Inviato:
            return a == S::Rimbalzato;
        case S::Rimbalzato:
            return a == S::Inviato;
    }
    return false;
}

const char* NomeMotivo(TMotivoEsclusione motivo) {
    for (const TNomeMotivo& m : Motivi)
        if (m.Motivo == motivo) return m.Nome;
    return "";
}

TMotivoEsclusione MotivoDaNome(const std::string& nome) {
    for (const TNomeMotivo& m : Motivi)
        if (nome == m.Nome) return m.Motivo;
    return TMotivoEsclusione::Nessuno;
}

const char* TestoMotivo(TMotivoEsclusione motivo) {
    for (const TNomeMotivo& m : Motivi)
        if (m.Motivo == motivo) return m.Testo;
    return "";
}

}  // namespace brivano

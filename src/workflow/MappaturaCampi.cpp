#include "workflow/MappaturaCampi.h"

#include <array>
#include <utility>

#include "workflow/Piegatura.h"

namespace brivano {

namespace {

struct TNome {
    const char* chiave;  // folded, letters and digits only
    TCampo campo;
};

constexpr std::array<TNome, 19> kNomi = {{
    {"ragionesociale", TCampo::Ragione_Sociale},
    {"azienda", TCampo::Ragione_Sociale},
    {"company", TCampo::Ragione_Sociale},
    {"intestazione", TCampo::Ragione_Sociale},
    {"tipo", TCampo::Tipo},
    {"type", TCampo::Tipo},
    {"citta", TCampo::Citta},
    {"city", TCampo::Citta},
    {"cap", TCampo::Cap},
    {"zip", TCampo::Cap},
    {"postalcode", TCampo::Cap},
    {"email", TCampo::EMail},
    {"mail", TCampo::EMail},
    {"sito", TCampo::Sito},
    {"web", TCampo::Sito},
    {"website", TCampo::Sito},
    {"note", TCampo::Note},
    {"notes", TCampo::Note},
    {"sitoweb", TCampo::Sito},
}};

std::string Chiave(std::string_view intestazione) {
    std::string chiave;
    for (char c : Piega(intestazione))
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) chiave += c;
    return chiave;
}

}  // namespace

std::optional<TCampo> CampoDaIntestazione(std::string_view intestazione) {
    const std::string chiave = Chiave(intestazione);
    for (const TNome& nome : kNomi)
        if (chiave == nome.chiave) return nome.campo;
    return std::nullopt;
}

std::vector<std::optional<TCampo>> MappaIntestazione(const std::vector<std::string>& intestazione) {
    std::vector<std::optional<TCampo>> mappa;
    std::array<bool, NumeroCampi> usato{};
    for (const std::string& nome : intestazione) {
        std::optional<TCampo> campo = CampoDaIntestazione(nome);
        if (campo && std::exchange(usato[static_cast<std::size_t>(*campo)], true)) campo.reset();
        mappa.push_back(campo);
    }
    return mappa;
}

}  // namespace brivano

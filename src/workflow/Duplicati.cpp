#include "workflow/Duplicati.h"

#include <algorithm>
#include <map>

#include "text/Testo.h"
#include "workflow/FormaIndirizzo.h"
#include "workflow/Piegatura.h"
#include "workflow/RegistroContatti.h"

namespace brivano {

namespace {

// Legal forms that do not tell two companies apart.
constexpr std::string_view FormeGiuridiche[] = {"srl",   "srls", "spa",  "snc", "sas",  "sapa",
                                                "scarl", "sc",   "coop", "ltd", "gmbh", "sa"};

void Raggruppa(std::map<std::string, std::vector<std::size_t>>& perChiave, TMotivoDoppio motivo,
               std::vector<TGruppoDoppi>& gruppi) {
    std::vector<TGruppoDoppi> questi;
    for (auto& [chiave, posti] : perChiave)
        if (posti.size() > 1) questi.push_back({motivo, chiave, std::move(posti)});
    std::sort(questi.begin(), questi.end(), [](const TGruppoDoppi& a, const TGruppoDoppi& b) {
        return a.Contatti.front() < b.Contatti.front();
    });
    gruppi.insert(gruppi.end(), questi.begin(), questi.end());
}

}  // namespace

const char* TestoMotivoDoppio(TMotivoDoppio motivo) {
    switch (motivo) {
        case TMotivoDoppio::EMail:
            return "stessa e-mail";
        case TMotivoDoppio::PartitaIva:
            return "stessa P.IVA";
        case TMotivoDoppio::RagioneSociale:
            return "stessa ragione sociale";
    }
    return "";
}

std::string RagioneSocialePiegata(std::string_view nome) {
    std::string piegato = Piega(nome);
    // "s.r.l." reads as "srl"; every other mark parts words.
    piegato.erase(std::remove(piegato.begin(), piegato.end(), '.'), piegato.end());
    std::string chiave, parola;
    const auto chiudi = [&] {
        if (!parola.empty() && std::find(std::begin(FormeGiuridiche), std::end(FormeGiuridiche),
                                         parola) == std::end(FormeGiuridiche))
            chiave += parola;
        parola.clear();
    };
    for (const char c : piegato) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x80 || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            parola += c;
        else
            chiudi();
    }
    chiudi();
    return chiave;
}

std::vector<TGruppoDoppi> TrovaDuplicati(const std::vector<TContatto>& contatti,
                                         const TRegistroContatti* registro) {
    std::map<std::string, std::vector<std::size_t>> email, piva, nome;
    for (std::size_t i = 0; i < contatti.size(); ++i) {
        const std::string& indirizzo = contatti[i][TCampo::EMail];
        if (!Trim(indirizzo).empty()) {
            const std::string chiave = ChiaveIndirizzo(indirizzo);
            email[chiave].push_back(i);
            if (registro)
                if (const auto voce = registro->Leggi(chiave); voce && !voce->PartitaIva.empty())
                    piva[voce->PartitaIva].push_back(i);
        }
        if (const std::string n = RagioneSocialePiegata(contatti[i][TCampo::Ragione_Sociale]);
            !n.empty())
            nome[n].push_back(i);
    }
    std::vector<TGruppoDoppi> gruppi;
    Raggruppa(email, TMotivoDoppio::EMail, gruppi);
    Raggruppa(piva, TMotivoDoppio::PartitaIva, gruppi);
    Raggruppa(nome, TMotivoDoppio::RagioneSociale, gruppi);
    return gruppi;
}

}  // namespace brivano

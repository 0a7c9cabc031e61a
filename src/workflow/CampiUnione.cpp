#include "workflow/CampiUnione.h"

#include <algorithm>
#include <utility>

#include "workflow/SpedizioneMail.h"

namespace brivano {
namespace {

bool CampoNoto(std::string_view nome) {
    return std::any_of(NomiCampiUnione.begin(), NomiCampiUnione.end(),
                       [nome](const char* noto) { return nome == noto; });
}

std::string ElencoCampi() {
    std::string elenco;
    for (const char* nome : NomiCampiUnione) {
        if (!elenco.empty()) elenco += ", ";
        elenco.append("{{").append(nome).append("}}");
    }
    return elenco;
}

// Calls `campo` for every "{{name}}" of the text with the name and its place
// (start, length of the whole mark), in order.
template <typename Visit>
void PerOgniCampo(std::string_view testo, Visit campo) {
    for (std::size_t pos = 0; (pos = testo.find("{{", pos)) != std::string_view::npos;) {
        const std::size_t fine = testo.find("}}", pos + 2);
        if (fine == std::string_view::npos) return;
        campo(testo.substr(pos + 2, fine - pos - 2), pos, fine + 2 - pos);
        pos = fine + 2;
    }
}

std::string_view Valore(const TCampiContatto& campi, std::string_view nome) {
    auto it = campi.find(nome);
    return it == campi.end() ? std::string_view() : std::string_view(it->second);
}

}  // namespace

std::vector<std::string> CampiUsati(const std::vector<std::string>& testi) {
    std::vector<std::string> usati;
    for (const auto& testo : testi) {
        PerOgniCampo(testo, [&](std::string_view nome, std::size_t, std::size_t) {
            if (!CampoNoto(nome))
                throw ECampoSconosciuto("Campo di unione sconosciuto: {{" + std::string(nome) +
                                        "}}. Campi disponibili: " + ElencoCampi() + ".");
            if (std::find(usati.begin(), usati.end(), nome) == usati.end())
                usati.emplace_back(nome);
        });
    }
    return usati;
}

std::string RiempiCampi(std::string_view testo, const TCampiContatto& campi) {
    std::string uscita;
    std::size_t copiato = 0;
    PerOgniCampo(testo, [&](std::string_view nome, std::size_t pos, std::size_t lunghezza) {
        if (!CampoNoto(nome)) return;  // CampiUsati refuses such texts before a run
        uscita.append(testo.substr(copiato, pos - copiato));
        for (char c : Valore(campi, nome))
            uscita += (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
        copiato = pos + lunghezza;
    });
    uscita.append(testo.substr(copiato));
    return uscita;
}

TUnioneInvio::TUnioneInvio(std::string oggetto, std::array<std::string, 8> righe,
                           std::vector<std::string> piePagina, std::vector<TCampiContatto> campi)
    : oggetto_(std::move(oggetto)),
      righe_(std::move(righe)),
      piePagina_(std::move(piePagina)),
      campi_(std::move(campi)) {
    std::vector<std::string> testi = {oggetto_};
    testi.insert(testi.end(), righe_.begin(), righe_.end());
    usati_ = CampiUsati(testi);
}

const TCampiContatto& TUnioneInvio::CampiDi(std::size_t indice) const {
    static const TCampiContatto nessuno;
    return indice < campi_.size() ? campi_[indice] : nessuno;
}

std::string TUnioneInvio::Oggetto(std::size_t indice) const {
    return RiempiCampi(oggetto_, CampiDi(indice));
}

std::string TUnioneInvio::Corpo(std::size_t indice) const {
    std::array<std::string, 8> righe;
    for (std::size_t n = 0; n < righe.size(); ++n)
        righe[n] = RiempiCampi(righe_[n], CampiDi(indice));
    return ComponiCorpo(righe, piePagina_);
}

void TUnioneInvio::Applica(std::size_t indice, TIdMessage& message) const {
    message.SetSubject(Oggetto(indice));
    message.SetBodyText(Corpo(indice));
}

std::string TUnioneInvio::AvvisoCampiVuoti(const std::vector<std::string>& voci) const {
    std::string elenco;
    std::size_t quante = 0;
    for (std::size_t i = 0; i < voci.size(); ++i) {
        std::string vuoti;
        for (const auto& nome : usati_) {
            if (!Valore(CampiDi(i), nome).empty()) continue;
            if (!vuoti.empty()) vuoti += ", ";
            vuoti += nome;
        }
        if (vuoti.empty()) continue;
        ++quante;
        elenco += "\r" + voci[i] + " - " + vuoti;
    }
    if (quante == 0) return {};
    return (quante == 1 ? std::string("Per 1 indirizzo")
                        : "Per " + std::to_string(quante) + " indirizzi") +
           " alcuni campi di unione sono vuoti e resteranno vuoti nel messaggio:" + elenco;
}

}  // namespace brivano

#include "workflow/CampiUnione.h"

#include <algorithm>
#include <utility>

#include "text/Testo.h"
#include "workflow/CampiRegistro.h"
#include "workflow/Piegatura.h"
#include "workflow/SpedizioneMail.h"

namespace brivano {
namespace {

// The listed name `nome` stands for (a contact's field or the contact
// register's), or nullptr.
const char* Canonico(std::string_view nome) {
    for (const char* noto : NomiCampiUnione)
        if (nome == noto) return noto;
    for (const char* noto : NomiCampiRegistro)
        if (nome == noto) return noto;
    if (nome.empty()) return nullptr;
    const std::string piegato = Piega(nome);
    for (const char* noto : NomiCampiUnione)
        if (piegato == Piega(noto)) return noto;
    for (const char* noto : NomiCampiRegistro)
        if (piegato == Piega(noto)) return noto;
    return nullptr;
}

// One "{{...}}" mark: the name and the fallback text after the first "|".
struct Segno {
    std::string_view nome;
    std::string_view ripiego;
};

Segno Dividi(std::string_view dentro) {
    const std::size_t barra = dentro.find('|');
    if (barra == std::string_view::npos) return {dentro, {}};
    return {dentro.substr(0, barra), dentro.substr(barra + 1)};
}

std::string ElencoCampi() {
    std::string elenco;
    for (const char* nome : NomiCampiUnione) {
        if (!elenco.empty()) elenco += ", ";
        elenco.append("{{").append(nome).append("}}");
    }
    for (const char* nome : NomiCampiRegistro) elenco.append(", {{").append(nome).append("}}");
    return elenco;
}

// Calls `campo` for every "{{...}}" of the text with what stands inside and
// its place (start, length of the whole mark), in order.
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

bool Vuoto(std::string_view valore) {
    return Trim(valore).empty();
}

void Aggiungi(std::vector<std::string>& nomi, const char* nome) {
    if (std::find(nomi.begin(), nomi.end(), nome) == nomi.end()) nomi.emplace_back(nome);
}

// Fields used, in order, and those used somewhere without a fallback text.
void Esamina(const std::vector<std::string>& testi, std::vector<std::string>& usati,
             std::vector<std::string>* senzaRipiego) {
    for (const auto& testo : testi) {
        PerOgniCampo(testo, [&](std::string_view dentro, std::size_t, std::size_t) {
            const Segno segno = Dividi(dentro);
            const char* nome = Canonico(segno.nome);
            if (nome == nullptr)
                throw ECampoSconosciuto("Campo di unione sconosciuto: {{" + std::string(dentro) +
                                        "}}. Campi disponibili: " + ElencoCampi() + ".");
            Aggiungi(usati, nome);
            if (senzaRipiego != nullptr && segno.ripiego.empty()) Aggiungi(*senzaRipiego, nome);
        });
    }
}

}  // namespace

std::optional<std::string> CampoCanonico(std::string_view nome) {
    if (const char* noto = Canonico(nome)) return std::string(noto);
    return std::nullopt;
}

std::vector<std::string> CampiUsati(const std::vector<std::string>& testi) {
    std::vector<std::string> usati;
    Esamina(testi, usati, nullptr);
    return usati;
}

std::string RiempiCampi(std::string_view testo, const TCampiContatto& campi) {
    std::string uscita;
    std::size_t copiato = 0;
    PerOgniCampo(testo, [&](std::string_view dentro, std::size_t pos, std::size_t lunghezza) {
        const Segno segno = Dividi(dentro);
        const char* nome = Canonico(segno.nome);
        if (nome == nullptr) return;  // CampiUsati refuses such texts before a run
        uscita.append(testo.substr(copiato, pos - copiato));
        std::string_view valore = Valore(campi, nome);
        if (Vuoto(valore)) valore = segno.ripiego;
        for (char c : valore) uscita += (c == '\r' || c == '\n' || c == '\0') ? ' ' : c;
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
    Esamina(testi, usati_, &senzaRipiego_);
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
        for (const auto& nome : senzaRipiego_) {
            if (!Vuoto(Valore(CampiDi(i), nome))) continue;
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

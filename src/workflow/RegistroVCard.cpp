#include "workflow/RegistroVCard.h"

#include <optional>

#include "text/Testo.h"
#include "workflow/Esportazione.h"
#include "workflow/ScambioRegistro.h"

namespace brivano {

namespace {

struct TProprieta {
    const char* Nome;
    TCampoRegistro Campo;
};

// The register's own properties, both ways.
constexpr TProprieta Proprieta[] = {
    {"X-BASE-GIURIDICA", TCampoRegistro::Base},
    {"X-FONTE", TCampoRegistro::Fonte},
    {"X-DATA-RACCOLTA", TCampoRegistro::DataRaccolta},
    {"X-INFORMATIVA", TCampoRegistro::Informativa},
    {"X-DATA-OPPOSIZIONE", TCampoRegistro::DataOpposizione},
    {"X-PARTITA-IVA", TCampoRegistro::PartitaIva},
    {"X-CODICE-FISCALE", TCampoRegistro::CodiceFiscale},
    {"X-PEC", TCampoRegistro::Pec},
    {"X-CODICE-SDI", TCampoRegistro::CodiceSdi},
    {"X-REFERENTE", TCampoRegistro::Referente},
};

std::optional<TCampoRegistro> CampoDellaProprieta(std::string_view nome) {
    for (const TProprieta& p : Proprieta)
        if (nome == p.Nome) return p.Campo;
    return std::nullopt;
}

// A line's property name (upper case, without group or parameters) and value.
struct TLinea {
    std::string Nome;
    std::string_view Valore;
};

std::optional<TLinea> Dividi(std::string_view linea) {
    bool virgolette = false;
    std::size_t duePunti = std::string_view::npos;
    for (std::size_t i = 0; i < linea.size(); ++i) {
        if (linea[i] == '"') virgolette = !virgolette;
        if (linea[i] == ':' && !virgolette) {
            duePunti = i;
            break;
        }
    }
    if (duePunti == std::string_view::npos) return std::nullopt;
    std::string_view nome = linea.substr(0, std::min(duePunti, linea.find(';')));
    if (const std::size_t punto = nome.find('.'); punto != std::string_view::npos)
        nome.remove_prefix(punto + 1);
    return TLinea{AsciiUpperCase(std::string(Trim(nome))), linea.substr(duePunti + 1)};
}

// Values split at the commas not escaped (all of them when `virgole`), each unescaped.
std::vector<std::string> Valori(std::string_view valore, bool virgole) {
    std::vector<std::string> valori(1);
    for (std::size_t i = 0; i < valore.size(); ++i) {
        const char c = valore[i];
        if (c == '\\' && i + 1 < valore.size()) {
            const char dopo = valore[++i];
            valori.back() += dopo == 'n' || dopo == 'N' ? '\n' : dopo == 'r' ? '\r' : dopo;
        } else if (c == ',' && virgole) {
            valori.emplace_back();
        } else {
            valori.back() += c;
        }
    }
    return valori;
}

// The text's lines with their folded continuations joined, numbered from 1.
template <class Visita>
void OgniLinea(std::string_view testo, Visita&& visita) {
    std::string linea;
    int numero = 0, inizio = 0;
    std::size_t pos = 0;
    while (pos <= testo.size()) {
        std::size_t fine = testo.find('\n', pos);
        if (fine == std::string_view::npos) fine = testo.size();
        std::string_view pezzo = testo.substr(pos, fine - pos);
        if (!pezzo.empty() && pezzo.back() == '\r') pezzo.remove_suffix(1);
        ++numero;
        if (!pezzo.empty() && (pezzo[0] == ' ' || pezzo[0] == '\t')) {
            linea.append(pezzo.substr(1));
        } else {
            if (!linea.empty()) visita(inizio, linea);
            linea.assign(pezzo);
            inizio = numero;
        }
        pos = fine + 1;
    }
    if (!linea.empty()) visita(inizio, linea);
}

}  // namespace

void AggiungiRegistroVCard(std::string& out, const TVoceRegistro& voce, bool schedaContatto) {
    const auto proprieta = [&](const char* nome, const std::string& valore) {
        if (!valore.empty()) AggiungiLineaVCard(out, std::string(nome) + ":" + ValoreVCard(valore));
    };
    proprieta("TEL", voce.Telefono);
    if (!voce.Etichette.empty()) {
        std::string categorie = "CATEGORIES";
        if (schedaContatto) categorie.append(";").append(ParametroEtichette).append("=ETICHETTE");
        categorie += ':';
        for (const std::string& e : voce.Etichette) {
            if (&e != &voce.Etichette.front()) categorie += ',';
            categorie += ValoreVCard(e);
        }
        AggiungiLineaVCard(out, categorie);
    }
    for (const TProprieta& p : Proprieta) proprieta(p.Nome, TestoCampo(voce, p.Campo));
}

std::string TestoVCardRegistro(const std::vector<TVoceRegistro>& voci) {
    std::string out;
    for (const TVoceRegistro& v : voci) {
        AggiungiLineaVCard(out, "BEGIN:VCARD");
        AggiungiLineaVCard(out, "VERSION:4.0");
        const std::string& nome = v.Referente.empty() ? v.Indirizzo : v.Referente;
        if (!nome.empty()) AggiungiLineaVCard(out, "FN:" + ValoreVCard(nome));
        if (!v.Indirizzo.empty()) AggiungiLineaVCard(out, "EMAIL:" + ValoreVCard(v.Indirizzo));
        AggiungiRegistroVCard(out, v, false);
        AggiungiLineaVCard(out, "END:VCARD");
    }
    return out;
}

bool VCardConRegistro(std::string_view testo) {
    bool trovata = false;
    OgniLinea(testo, [&](int, const std::string& linea) {
        if (const auto l = Dividi(linea); l && CampoDellaProprieta(l->Nome)) trovata = true;
    });
    return trovata;
}

TVociLette VociDaVCard(std::string_view testo, const TRegistroContatti* registro) {
    TVociLette lette;
    bool dentro = false;
    int inizio = 0;
    std::string indirizzo;
    std::vector<std::pair<TCampoRegistro, std::string>> campi;
    // The tags of a CATEGORIES without the parameter, kept until the card
    // shows whether it is a contact's.
    std::optional<std::string> categorie;
    bool contatto = false;
    OgniLinea(testo, [&](int numero, const std::string& linea) {
        const auto l = Dividi(linea);
        if (!l) return;
        const std::string valore = Valori(l->Valore, false).front();
        if (l->Nome == "BEGIN" && AsciiUpperCase(valore) == "VCARD") {
            dentro = true;
            inizio = numero;
            indirizzo.clear();
            campi.clear();
            categorie.reset();
            contatto = false;
        } else if (!dentro) {
            return;
        } else if (l->Nome == "EMAIL") {
            // The first address is the card's.
            if (indirizzo.empty()) indirizzo = std::string(Trim(valore));
        } else if (l->Nome == "ORG") {
            contatto = true;
        } else if (l->Nome == "TEL") {
            campi.emplace_back(TCampoRegistro::Telefono, valore);
        } else if (l->Nome == "CATEGORIES") {
            std::string etichette;
            for (const std::string& e : Valori(l->Valore, true))
                etichette += (etichette.empty() ? "" : ",") + e;
            const std::string testa =
                AsciiUpperCase(linea.substr(0, linea.size() - l->Valore.size()));
            if (testa.find(std::string(";") + ParametroEtichette + "=") != std::string::npos)
                campi.emplace_back(TCampoRegistro::Etichette, etichette);
            else
                categorie = std::move(etichette);
        } else if (const auto campo = CampoDellaProprieta(l->Nome)) {
            campi.emplace_back(*campo, valore);
        } else if (l->Nome == "END") {
            dentro = false;
            if (categorie && !contatto) campi.emplace_back(TCampoRegistro::Etichette, *categorie);
            if (indirizzo.empty() || campi.empty()) return;
            // Properties the card has replace those of an entry already there.
            TVoceRegistro voce = (registro ? registro->Leggi(indirizzo) : std::nullopt)
                                     .value_or(TVoceRegistro{indirizzo});
            voce.Indirizzo = indirizzo;
            for (const auto& [c, v] : campi)
                if (!MettiCampo(voce, c, v))
                    lette.Errori.push_back("scheda della riga " + std::to_string(inizio) +
                                           ": base giuridica sconosciuta: " + v);
            lette.Voci.push_back(std::move(voce));
            lette.Linee.push_back(inizio);
        }
    });
    return lette;
}

}  // namespace brivano

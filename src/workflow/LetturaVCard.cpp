#include "workflow/LetturaVCard.h"

#include <string>

namespace brivano {

namespace {

struct TLinea {
    int numero;
    std::string testo;
};

// Lines with their continuations joined (a line starting with a blank or a
// tab continues the one before).
std::vector<TLinea> Srotola(std::string_view testo) {
    std::vector<TLinea> linee;
    int numero = 0;
    std::size_t i = 0;
    while (i < testo.size()) {
        std::size_t fine = testo.find_first_of("\r\n", i);
        if (fine == std::string_view::npos) fine = testo.size();
        const std::string_view linea = testo.substr(i, fine - i);
        ++numero;
        if (!linea.empty() && (linea[0] == ' ' || linea[0] == '\t') && !linee.empty())
            linee.back().testo.append(linea.substr(1));
        else if (!linea.empty())
            linee.push_back({numero, std::string(linea)});
        i = fine;
        if (i < testo.size() && testo[i] == '\r') ++i;
        if (i < testo.size() && testo[i] == '\n') ++i;
    }
    return linee;
}

// Splits at every separator not escaped by a backslash; the escapes stay.
std::vector<std::string> Dividi(std::string_view valore, char separatore) {
    std::vector<std::string> parti(1);
    for (std::size_t i = 0; i < valore.size(); ++i) {
        if (valore[i] == '\\' && i + 1 < valore.size()) {
            parti.back() += valore[i];
            parti.back() += valore[++i];
        } else if (valore[i] == separatore) {
            parti.emplace_back();
        } else {
            parti.back() += valore[i];
        }
    }
    return parti;
}

std::string Sfuggi(std::string_view valore) {
    std::string out;
    for (std::size_t i = 0; i < valore.size(); ++i) {
        if (valore[i] == '\\' && i + 1 < valore.size()) {
            const char c = valore[++i];
            out += (c == 'n' || c == 'N') ? '\n' : c;
        } else {
            out += valore[i];
        }
    }
    return out;
}

std::string Maiuscolo(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

struct TProprieta {
    std::string nome;  // upper case, without its group
    std::string valore;
};

// "item1.EMAIL;TYPE=work:a@b.it" -> EMAIL, a@b.it. The colon that ends the
// name and its parameters is the first one outside double quotes.
bool Proprieta(const std::string& linea, TProprieta& p) {
    bool virgolette = false;
    std::size_t dueP = std::string::npos;
    for (std::size_t i = 0; i < linea.size(); ++i) {
        if (linea[i] == '"') virgolette = !virgolette;
        if (linea[i] == ':' && !virgolette) {
            dueP = i;
            break;
        }
    }
    if (dueP == std::string::npos) return false;
    std::string nome = linea.substr(0, std::min(dueP, linea.find(';')));
    if (const std::size_t punto = nome.rfind('.'); punto != std::string::npos)
        nome = nome.substr(punto + 1);
    p.nome = Maiuscolo(nome);
    p.valore = linea.substr(dueP + 1);
    return true;
}

void Imposta(TSchedaVCard& scheda, TCampo campo, std::string valore) {
    scheda.Contatto[campo] = std::move(valore);
    scheda.Presenti[static_cast<std::size_t>(campo)] = true;
}

}  // namespace

std::vector<TSchedaVCard> LeggiVCard(std::string_view testo) {
    std::vector<TSchedaVCard> schede;
    bool dentro = false;
    TSchedaVCard scheda;
    std::string fn;
    bool org = false, email = false, url = false, adr = false;
    for (const TLinea& linea : Srotola(testo)) {
        TProprieta p;
        if (!Proprieta(linea.testo, p)) {
            if (dentro)
                throw EVCardNonValida("Linea " + std::to_string(linea.numero) +
                                      " della vCard senza \":\"");
            continue;
        }
        if (p.nome == "BEGIN" && Maiuscolo(p.valore) == "VCARD") {
            if (dentro)
                throw EVCardNonValida("Scheda vCard della linea " + std::to_string(scheda.Linea) +
                                      " mai chiusa");
            dentro = true;
            scheda = {};
            scheda.Linea = linea.numero;
            fn.clear();
            org = email = url = adr = false;
            continue;
        }
        if (!dentro) continue;
        if (p.nome == "END" && Maiuscolo(p.valore) == "VCARD") {
            if (!org && !fn.empty()) Imposta(scheda, TCampo::Ragione_Sociale, fn);
            schede.push_back(std::move(scheda));
            scheda = {};
            dentro = false;
            continue;
        }
        if (p.nome == "ORG" && !org) {
            org = true;
            Imposta(scheda, TCampo::Ragione_Sociale, Sfuggi(Dividi(p.valore, ';').front()));
        } else if (p.nome == "FN" && fn.empty()) {
            fn = Sfuggi(p.valore);
        } else if (p.nome == "EMAIL" && !email) {
            email = true;
            Imposta(scheda, TCampo::EMail, Sfuggi(p.valore));
        } else if (p.nome == "URL" && !url) {
            url = true;
            Imposta(scheda, TCampo::Sito, Sfuggi(p.valore));
        } else if (p.nome == "ADR" && !adr) {
            adr = true;
            const std::vector<std::string> parti = Dividi(p.valore, ';');
            Imposta(scheda, TCampo::Citta, parti.size() > 3 ? Sfuggi(parti[3]) : "");
            Imposta(scheda, TCampo::Cap, parti.size() > 5 ? Sfuggi(parti[5]) : "");
        } else if (p.nome == "NOTE") {
            std::string note = scheda.Contatto[TCampo::Note];
            if (!note.empty()) note += '\n';
            Imposta(scheda, TCampo::Note, note + Sfuggi(p.valore));
        } else if (p.nome == "CATEGORIES") {
            std::string tipo = scheda.Contatto[TCampo::Tipo];
            for (const std::string& categoria : Dividi(p.valore, ',')) {
                if (!tipo.empty()) tipo += ", ";
                tipo += Sfuggi(categoria);
            }
            Imposta(scheda, TCampo::Tipo, tipo);
        }
    }
    if (dentro)
        throw EVCardNonValida("Scheda vCard della linea " + std::to_string(scheda.Linea) +
                              " mai chiusa");
    return schede;
}

}  // namespace brivano

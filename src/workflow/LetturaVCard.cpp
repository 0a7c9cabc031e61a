#include "workflow/LetturaVCard.h"

#include <unicode/ucnv.h>

#include <array>
#include <string>

#include "workflow/Piegatura.h"

namespace brivano {

namespace {

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

// Backslash escapes: \n a line feed, \r a carriage return (so a CR LF inside
// a field comes back whole), anything else the character itself.
std::string Sfuggi(std::string_view valore) {
    std::string out;
    for (std::size_t i = 0; i < valore.size(); ++i) {
        if (valore[i] == '\\' && i + 1 < valore.size()) {
            const char c = valore[++i];
            out += (c == 'n' || c == 'N') ? '\n' : (c == 'r' || c == 'R') ? '\r' : c;
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
    std::vector<std::string> parametri;
    std::string valore;
};

// "item1.EMAIL;TYPE=work:a@b.it" -> EMAIL, {TYPE=work}, a@b.it. The colon
// that ends the name and its parameters is the first one outside double
// quotes.
bool Proprieta(std::string_view linea, TProprieta& p) {
    bool virgolette = false;
    std::size_t dueP = std::string_view::npos;
    for (std::size_t i = 0; i < linea.size(); ++i) {
        if (linea[i] == '"') virgolette = !virgolette;
        if (linea[i] == ':' && !virgolette) {
            dueP = i;
            break;
        }
    }
    if (dueP == std::string_view::npos) return false;
    std::vector<std::string> parti = Dividi(linea.substr(0, dueP), ';');
    std::string nome = std::move(parti.front());
    if (const std::size_t punto = nome.rfind('.'); punto != std::string::npos)
        nome = nome.substr(punto + 1);
    p.nome = Maiuscolo(nome);
    p.parametri.assign(std::make_move_iterator(parti.begin() + 1),
                       std::make_move_iterator(parti.end()));
    p.valore = linea.substr(dueP + 1);
    return true;
}

// The value of a parameter ("CHARSET=UTF-8" -> "UTF-8"); a bare parameter of
// vCard 2.1 ("QUOTED-PRINTABLE") stands for its value.
std::string Parametro(const TProprieta& p, std::string_view nome) {
    for (const std::string& parametro : p.parametri) {
        const std::size_t uguale = parametro.find('=');
        if (uguale != std::string::npos && Maiuscolo(parametro.substr(0, uguale)) == nome)
            return parametro.substr(uguale + 1);
        if (uguale == std::string::npos && nome == "ENCODING" &&
            Maiuscolo(parametro) == "QUOTED-PRINTABLE")
            return parametro;
    }
    return {};
}

bool QuotedPrintable(std::string_view linea) {
    TProprieta p;
    return Proprieta(linea, p) && Maiuscolo(Parametro(p, "ENCODING")) == "QUOTED-PRINTABLE";
}

int Esadecimale(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// "Caff=C3=A8" -> "Caffè"; an "=" not followed by two hex digits stays.
std::string DecodificaQP(std::string_view valore) {
    std::string out;
    for (std::size_t i = 0; i < valore.size(); ++i) {
        if (valore[i] == '=' && i + 2 < valore.size()) {
            const int alto = Esadecimale(valore[i + 1]), basso = Esadecimale(valore[i + 2]);
            if (alto >= 0 && basso >= 0) {
                out += static_cast<char>(alto * 16 + basso);
                i += 2;
                continue;
            }
        }
        out += valore[i];
    }
    return out;
}

void Imposta(TSchedaVCard& scheda, TCampo campo, std::string valore) {
    scheda.Contatto[campo] = std::move(valore);
    scheda.Presenti[static_cast<std::size_t>(campo)] = true;
}

// The value's bytes as UTF-8: quoted-printable decoded, then read in the
// property's CHARSET, else as UTF-8 when it is, else as Windows-1252.
std::string Valore(const TProprieta& p, TSchedaVCard& scheda) {
    std::string bytes = Maiuscolo(Parametro(p, "ENCODING")) == "QUOTED-PRINTABLE"
                            ? DecodificaQP(p.valore)
                            : p.valore;
    if (bytes.find('\0') != std::string::npos) {
        scheda.Nul = true;
        std::erase(bytes, '\0');
    }
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) return bytes;
    scheda.NonAscii = true;
    const std::string charset = Parametro(p, "CHARSET");
    std::string convertito;
    if (!charset.empty() && Piega(charset) != "utf-8" &&
        ConvertiDaCharset(bytes, charset, convertito))
        return convertito;
    if (UTF8Valido(bytes)) return bytes;
    scheda.Windows1252 = true;
    return DaWindows1252(bytes);
}

}  // namespace

bool ConvertiDaCharset(std::string_view bytes, const std::string& charset, std::string& utf8) {
    UErrorCode status = U_ZERO_ERROR;
    utf8.assign(bytes.size() * 3 + 16, '\0');
    const int32_t len =
        ucnv_convert("UTF-8", charset.c_str(), utf8.data(), static_cast<int32_t>(utf8.size()),
                     bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return false;
    utf8.resize(static_cast<std::size_t>(len));
    return true;
}

std::string DaWindows1252(std::string_view bytes) {
    // Each high byte's UTF-8, asked of ICU once.
    static const std::array<std::string, 128> alti = [] {
        std::array<std::string, 128> t;
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char c = static_cast<char>(b);
            if (!ConvertiDaCharset(std::string_view(&c, 1), "windows-1252", t[b - 0x80]))
                t[b - 0x80] = "\xEF\xBF\xBD";
        }
        return t;
    }();
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80)
            out += c;
        else
            out += alti[b - 0x80];
    }
    return out;
}

bool TLettoreVCard::Linea(int numero, std::string_view linea, TSchedaVCard& scheda) {
    if (linea.empty()) return false;
    // A line starting with a blank or a tab continues the one before; so does
    // any line after a quoted-printable one ending in "=" (a soft break).
    if (!attesa_.empty()) {
        if (quotedPrintable_ && attesa_.back() == '=') {
            attesa_.pop_back();
            attesa_.append(linea);
            return false;
        }
        if (linea[0] == ' ' || linea[0] == '\t') {
            attesa_.append(linea.substr(1));
            return false;
        }
    }
    const bool completata = !attesa_.empty() && Completa(scheda);
    numero_ = numero;
    attesa_.assign(linea);
    quotedPrintable_ = QuotedPrintable(attesa_);
    return completata;
}

bool TLettoreVCard::Fine(TSchedaVCard& scheda) {
    const bool completata = !attesa_.empty() && Completa(scheda);
    attesa_.clear();
    if (dentro_)
        throw EVCardNonValida("Scheda vCard della linea " + std::to_string(scheda_.Linea) +
                              " mai chiusa");
    return completata;
}

bool TLettoreVCard::Completa(TSchedaVCard& scheda) {
    TProprieta p;
    if (!Proprieta(attesa_, p)) {
        if (dentro_)
            throw EVCardNonValida("Linea " + std::to_string(numero_) + " della vCard senza \":\"");
        return false;
    }
    if (p.nome == "BEGIN" && Maiuscolo(p.valore) == "VCARD") {
        if (dentro_)
            throw EVCardNonValida("Scheda vCard della linea " + std::to_string(scheda_.Linea) +
                                  " mai chiusa");
        dentro_ = true;
        scheda_ = {};
        scheda_.Linea = numero_;
        fn_.clear();
        org_ = email_ = url_ = adr_ = false;
        return false;
    }
    if (!dentro_) return false;
    if (p.nome == "END" && Maiuscolo(p.valore) == "VCARD") {
        if (!org_ && !fn_.empty()) Imposta(scheda_, TCampo::Ragione_Sociale, fn_);
        scheda = std::move(scheda_);
        scheda_ = {};
        dentro_ = false;
        return true;
    }
    const bool interessa = (p.nome == "ORG" && !org_) || (p.nome == "FN" && fn_.empty()) ||
                           (p.nome == "EMAIL" && !email_) || (p.nome == "URL" && !url_) ||
                           (p.nome == "ADR" && !adr_) || p.nome == "NOTE" || p.nome == "CATEGORIES";
    if (!interessa) return false;
    const std::string valore = Valore(p, scheda_);
    // Our export marks values whose line breaks were CR LF.
    const bool crlf = Maiuscolo(Parametro(p, "X-A-CAPO")) == "CRLF";
    auto Testo = [crlf](std::string_view v) {
        std::string s = Sfuggi(v);
        if (!crlf) return s;
        std::string out;
        for (char c : s) {
            if (c == '\n') out += '\r';
            out += c;
        }
        return out;
    };
    if (p.nome == "ORG") {
        org_ = true;
        Imposta(scheda_, TCampo::Ragione_Sociale, Testo(Dividi(valore, ';').front()));
    } else if (p.nome == "FN") {
        fn_ = Testo(valore);
    } else if (p.nome == "EMAIL") {
        email_ = true;
        Imposta(scheda_, TCampo::EMail, Testo(valore));
    } else if (p.nome == "URL") {
        url_ = true;
        Imposta(scheda_, TCampo::Sito, Testo(valore));
    } else if (p.nome == "ADR") {
        adr_ = true;
        const std::vector<std::string> parti = Dividi(valore, ';');
        Imposta(scheda_, TCampo::Citta, parti.size() > 3 ? Testo(parti[3]) : "");
        Imposta(scheda_, TCampo::Cap, parti.size() > 5 ? Testo(parti[5]) : "");
    } else if (p.nome == "NOTE") {
        std::string note = scheda_.Contatto[TCampo::Note];
        if (!note.empty()) note += '\n';
        Imposta(scheda_, TCampo::Note, note + Testo(valore));
    } else {
        std::string tipo = scheda_.Contatto[TCampo::Tipo];
        for (const std::string& categoria : Dividi(valore, ',')) {
            if (!tipo.empty()) tipo += ", ";
            tipo += Testo(categoria);
        }
        Imposta(scheda_, TCampo::Tipo, tipo);
    }
    return false;
}

std::vector<TSchedaVCard> LeggiVCard(std::string_view testo) {
    std::vector<TSchedaVCard> schede;
    TLettoreVCard lettore;
    TSchedaVCard scheda;
    int numero = 0;
    std::size_t i = 0;
    while (i < testo.size()) {
        std::size_t fine = testo.find_first_of("\r\n", i);
        if (fine == std::string_view::npos) fine = testo.size();
        if (lettore.Linea(++numero, testo.substr(i, fine - i), scheda))
            schede.push_back(std::move(scheda));
        i = fine;
        if (i < testo.size() && testo[i] == '\r') ++i;
        if (i < testo.size() && testo[i] == '\n') ++i;
    }
    if (lettore.Fine(scheda)) schede.push_back(std::move(scheda));
    return schede;
}

}  // namespace brivano

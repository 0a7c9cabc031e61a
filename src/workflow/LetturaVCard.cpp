#include "workflow/LetturaVCard.h"

#include <unicode/ucnv.h>

#include <array>
#include <string>

#include "workflow/Piegatura.h"
#include "workflow/RegistroVCard.h"

namespace brivano {

namespace {

// Calls `parte` with each piece between separators not escaped by a
// backslash (the escapes stay), until it returns false.
template <typename F>
void PerParte(std::string_view valore, char separatore, F&& parte) {
    std::size_t inizio = 0;
    for (std::size_t i = 0; i < valore.size(); ++i) {
        if (valore[i] == '\\' && i + 1 < valore.size()) {
            ++i;
        } else if (valore[i] == separatore) {
            if (!parte(valore.substr(inizio, i - inizio))) return;
            inizio = i + 1;
        }
    }
    parte(valore.substr(inizio));
}

// The piece `n` (from 0) of PerParte; empty when there are fewer.
std::string_view Parte(std::string_view valore, char separatore, std::size_t n) {
    std::string_view trovata;
    std::size_t i = 0;
    PerParte(valore, separatore, [&](std::string_view p) {
        if (i++ != n) return true;
        trovata = p;
        return false;
    });
    return trovata;
}

// Backslash escapes: \n a line feed, \r a carriage return (so a CR LF inside
// a field comes back whole), anything else the character itself. With
// `crlf`, every line feed becomes CR LF. Appended to `out`.
void AggiungiSfuggito(std::string& out, std::string_view valore, bool crlf) {
    // Most values have nothing to change.
    if (valore.find('\\') == std::string_view::npos &&
        (!crlf || valore.find('\n') == std::string_view::npos)) {
        out.append(valore);
        return;
    }
    for (std::size_t i = 0; i < valore.size(); ++i) {
        char c = valore[i];
        if (c == '\\' && i + 1 < valore.size()) {
            c = valore[++i];
            if (c == 'n' || c == 'N')
                c = '\n';
            else if (c == 'r' || c == 'R')
                c = '\r';
        }
        if (c == '\n' && crlf) out += '\r';
        out += c;
    }
}

// Whether `s` is `maiuscolo` in any case (ASCII).
bool Uguale(std::string_view s, std::string_view maiuscolo) {
    if (s.size() != maiuscolo.size()) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != maiuscolo[i]) return false;
    }
    return true;
}

// Views into the line.
struct TProprieta {
    std::string_view nome;       // without its group
    std::string_view parametri;  // after the name's ";", separated by ";"
    std::string_view valore;
};

// "item1.EMAIL;TYPE=work:a@b.it" -> EMAIL, TYPE=work, a@b.it. The colon
// that ends the name and its parameters is the first one outside double
// quotes.
bool Proprieta(std::string_view linea, TProprieta& p) {
    std::size_t dueP = linea.find(':');
    // Quotes matter only when one comes before the first colon.
    if (linea.substr(0, dueP).find('"') != std::string_view::npos) {
        bool virgolette = false;
        dueP = std::string_view::npos;
        for (std::size_t i = 0; i < linea.size(); ++i) {
            if (linea[i] == '"') virgolette = !virgolette;
            if (linea[i] == ':' && !virgolette) {
                dueP = i;
                break;
            }
        }
    }
    if (dueP == std::string_view::npos) return false;
    const std::string_view testa = linea.substr(0, dueP);
    std::string_view nome = Parte(testa, ';', 0);
    p.parametri = nome.size() < testa.size() ? testa.substr(nome.size() + 1) : std::string_view();
    if (const std::size_t punto = nome.rfind('.'); punto != std::string_view::npos)
        nome.remove_prefix(punto + 1);
    p.nome = nome;
    p.valore = linea.substr(dueP + 1);
    return true;
}

// The value of a parameter ("CHARSET=UTF-8" -> "UTF-8"); a bare parameter of
// vCard 2.1 ("QUOTED-PRINTABLE") stands for its value.
std::string_view Parametro(const TProprieta& p, std::string_view nome) {
    std::string_view trovato;
    if (p.parametri.empty()) return trovato;
    PerParte(p.parametri, ';', [&](std::string_view parametro) {
        const std::size_t uguale = parametro.find('=');
        if (uguale != std::string_view::npos && Uguale(parametro.substr(0, uguale), nome))
            trovato = parametro.substr(uguale + 1);
        else if (uguale == std::string_view::npos && nome == "ENCODING" &&
                 Uguale(parametro, "QUOTED-PRINTABLE"))
            trovato = parametro;
        else
            return true;
        return false;
    });
    return trovato;
}

bool QuotedPrintable(const TProprieta& p) {
    return Uguale(Parametro(p, "ENCODING"), "QUOTED-PRINTABLE");
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

std::string& Campo(TSchedaVCard& scheda, TCampo campo) {
    scheda.Presenti[static_cast<std::size_t>(campo)] = true;
    return scheda.Contatto[campo];
}

// The value's bytes as UTF-8: quoted-printable decoded, then read in the
// property's CHARSET, else as UTF-8 when it is, else as Windows-1252. Plain
// ASCII is the line itself; anything else is made in `spazio`.
std::string_view Valore(const TProprieta& p, TSchedaVCard& scheda, std::string& spazio) {
    std::string_view bytes = p.valore;
    if (QuotedPrintable(p)) {
        spazio = DecodificaQP(bytes);
        bytes = spazio;
    }
    if (bytes.find('\0') != std::string_view::npos) {
        scheda.Nul = true;
        if (bytes.data() != spazio.data()) spazio.assign(bytes);
        std::erase(spazio, '\0');
        bytes = spazio;
    }
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) return bytes;
    scheda.NonAscii = true;
    const std::string charset(Parametro(p, "CHARSET"));
    std::string convertito;
    if (!charset.empty() && !Uguale(charset, "UTF-8") &&
        ConvertiDaCharset(bytes, charset, convertito)) {
        spazio = std::move(convertito);
        return spazio;
    }
    if (UTF8Valido(bytes)) return bytes;
    scheda.Windows1252 = true;
    spazio = DaWindows1252(bytes);
    return spazio;
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
    // Only a line with parameters can be quoted-printable: without a ";" or
    // a quote before the first colon it has none.
    const std::string_view testa = linea.substr(0, linea.find(':'));
    TProprieta p;
    quotedPrintable_ = testa.find_first_of(";\"") != std::string_view::npos &&
                       Proprieta(attesa_, p) && QuotedPrintable(p);
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
    if (Uguale(p.nome, "BEGIN") && Uguale(p.valore, "VCARD")) {
        if (dentro_)
            throw EVCardNonValida("Scheda vCard della linea " + std::to_string(scheda_.Linea) +
                                  " mai chiusa");
        dentro_ = true;
        // The strings keep their room from the card before.
        for (std::string& v : scheda_.Contatto.Valori) v.clear();
        scheda_.Contatto.OrdNum = 0;
        scheda_.Presenti = {};
        scheda_.NonAscii = scheda_.Windows1252 = scheda_.Nul = false;
        scheda_.Linea = numero_;
        fn_.clear();
        org_ = email_ = url_ = adr_ = false;
        return false;
    }
    if (!dentro_) return false;
    if (Uguale(p.nome, "END") && Uguale(p.valore, "VCARD")) {
        if (!org_ && !fn_.empty()) Campo(scheda_, TCampo::Ragione_Sociale) = fn_;
        std::swap(scheda, scheda_);
        dentro_ = false;
        return true;
    }
    enum { Org, Fn, Email, Url, Adr, Note, Categories, Altro } quale = Altro;
    if (Uguale(p.nome, "ORG") && !org_)
        quale = Org;
    else if (Uguale(p.nome, "FN") && fn_.empty())
        quale = Fn;
    else if (Uguale(p.nome, "EMAIL") && !email_)
        quale = Email;
    else if (Uguale(p.nome, "URL") && !url_)
        quale = Url;
    else if (Uguale(p.nome, "ADR") && !adr_)
        quale = Adr;
    else if (Uguale(p.nome, "NOTE"))
        quale = Note;
    else if (Uguale(p.nome, "CATEGORIES") && Parametro(p, ParametroEtichette).empty())
        quale = Categories;  // the other one holds the contact register's tags
    if (quale == Altro) return false;
    const std::string_view valore = Valore(p, scheda_, spazio_);
    // Our export marks values whose line breaks were CR LF.
    const bool crlf = Uguale(Parametro(p, "X-A-CAPO"), "CRLF");
    auto metti = [&](TCampo campo, std::string_view v) {
        std::string& out = Campo(scheda_, campo);
        out.clear();
        AggiungiSfuggito(out, v, crlf);
    };
    switch (quale) {
        case Org:
            org_ = true;
            metti(TCampo::Ragione_Sociale, Parte(valore, ';', 0));
            break;
        case Fn:
            fn_.clear();
            AggiungiSfuggito(fn_, valore, crlf);
            break;
        case Email:
            email_ = true;
            metti(TCampo::EMail, valore);
            break;
        case Url:
            url_ = true;
            metti(TCampo::Sito, valore);
            break;
        case Adr:
            adr_ = true;
            metti(TCampo::Citta, Parte(valore, ';', 3));
            metti(TCampo::Cap, Parte(valore, ';', 5));
            break;
        case Note: {
            std::string& note = Campo(scheda_, TCampo::Note);
            if (!note.empty()) note += '\n';
            AggiungiSfuggito(note, valore, crlf);
            break;
        }
        case Categories: {
            std::string& tipo = Campo(scheda_, TCampo::Tipo);
            PerParte(valore, ',', [&](std::string_view categoria) {
                if (!tipo.empty()) tipo += ", ";
                AggiungiSfuggito(tipo, categoria, crlf);
                return true;
            });
            break;
        }
        case Altro:
            break;
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

#include "mailing/CorpoMisto.h"

#include <cstring>
#include <random>

#include "mailing/IdMessage.h"
#include "mailing/MailText.h"

namespace brivano {

namespace {

constexpr std::size_t LineaMassima = 78;

// RFC 2231 attribute-char: what an extended value may hold unencoded.
bool CarattereAttributo(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           (c != 0 && std::strchr("!#$&+-.^_`|~", c) != nullptr);
}

// The value percent-encoded, one token per character (a "%XX" never split).
std::vector<std::string> Gettoni(std::string_view valore) {
    std::vector<std::string> gettoni;
    gettoni.reserve(valore.size());
    for (char c : valore) {
        const auto byte = static_cast<unsigned char>(c);
        if (CarattereAttributo(byte)) {
            gettoni.emplace_back(1, c);
        } else {
            std::string g = "%";
            AppendHexByte(g, byte);
            gettoni.push_back(std::move(g));
        }
    }
    return gettoni;
}

void AggiungiRiga(std::string& out, std::string_view riga) {
    // The leading-dot rule of the wire (RFC 5321 §4.5.2).
    if (!riga.empty() && riga.front() == '.') out += '.';
    out.append(riga).append("\r\n");
}

std::string IntestazioniTesto(const TBodyForm& testo) {
    if (testo.QuotedPrintable())
        return Concat({"Content-Type: text/plain; charset=", testo.Charset(),
                       "\r\nContent-Transfer-Encoding: quoted-printable\r\n"});
    return "Content-Type: text/plain; charset=US-ASCII\r\nContent-Transfer-Encoding: 7bit\r\n";
}

}  // namespace

std::string NuovoConfine() {
    static thread_local std::mt19937_64 caso{std::random_device{}()};
    std::string confine = "=_allegati_";
    for (int i = 0; i < 2; ++i) {
        const std::uint64_t n = caso();
        for (int b = 0; b < 8; ++b)
            AppendHexByteLower(confine, static_cast<unsigned char>(n >> (8 * b)));
    }
    // "=_" never occurs in quoted-printable or base64 text.
    return confine;
}

std::string ParametroEsteso(std::string_view nome, std::string_view valore) {
    const std::vector<std::string> gettoni = Gettoni(valore);
    std::string tutto;
    for (const auto& g : gettoni) tutto += g;
    std::string intero = Concat({";\r\n ", nome, "*=UTF-8''", tutto});
    if (intero.size() - 3 <= LineaMassima) return intero;
    std::string out;
    std::size_t numero = 0;
    for (std::size_t i = 0; i < gettoni.size(); ++numero) {
        std::string testa = Concat({";\r\n ", nome, "*", std::to_string(numero), "*="});
        if (numero == 0) testa += "UTF-8''";
        std::string pezzo;
        while (i < gettoni.size() &&
               testa.size() - 3 + pezzo.size() + gettoni[i].size() + 1 <= LineaMassima)
            pezzo += gettoni[i++];
        out += testa + pezzo;
    }
    return out;
}

void AggiungiBase64(std::string_view bytes, std::string& out) {
    // 57 bytes make one 76-character line.
    constexpr std::size_t PerRiga = 57;
    out.reserve(out.size() + (bytes.size() + 2) / 3 * 4 + (bytes.size() / PerRiga + 1) * 2);
    for (std::size_t i = 0; i < bytes.size(); i += PerRiga) {
        out += Base64Encode(bytes.substr(i, PerRiga));
        out += "\r\n";
    }
}

std::string CorpoMisto(const TIdMessage& message, const TBodyForm& testo) {
    const std::string& confine = message.Boundary();
    std::string out;
    std::size_t stima = 512;
    for (const auto& a : message.Attachments())
        stima += 512 + (a.Contenuto ? a.Contenuto->size() / 57 * 78 + 80 : 0);
    for (const auto& riga : testo.Lines()) stima += riga.size() + 3;
    out.reserve(stima);
    out += "This is a multi-part message in MIME format.\r\n";
    out += Concat({"\r\n--", confine, "\r\n"});
    out += IntestazioniTesto(testo);
    out += "\r\n";
    for (const auto& riga : testo.Lines()) AggiungiRiga(out, riga);
    for (const auto& a : message.Attachments()) {
        out += Concat({"\r\n--", confine, "\r\nContent-Type: ",
                       a.TipoMedia.empty() ? "application/octet-stream" : a.TipoMedia});
        out += ParametroEsteso("name", a.Nome);
        out += "\r\nContent-Transfer-Encoding: base64\r\nContent-Disposition: attachment";
        out += ParametroEsteso("filename", a.Nome);
        out += "\r\n\r\n";
        if (a.Contenuto) AggiungiBase64(*a.Contenuto, out);
    }
    out += Concat({"\r\n--", confine, "--\r\n"});
    return out;
}

}  // namespace brivano

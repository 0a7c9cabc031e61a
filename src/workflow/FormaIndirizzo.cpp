#include "workflow/FormaIndirizzo.h"

#include <unicode/uidna.h>

#include <memory>

#include "text/Testo.h"
#include "workflow/Piegatura.h"

namespace brivano {

namespace {

bool SoloAscii(std::string_view testo) {
    for (const char c : testo)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The address inside "Nome <indirizzo>" or "<indirizzo>", without a trailing
// "(commento)"; a bare address as it is.
std::string_view IndirizzoNudo(std::string_view testo) {
    testo = Trim(testo);
    if (!testo.empty() && testo.back() == '>') {
        const std::size_t apre = testo.rfind('<');
        if (apre != std::string_view::npos)
            return Trim(testo.substr(apre + 1, testo.size() - apre - 2));
    }
    if (!testo.empty() && testo.back() == ')') {
        const std::size_t apre = testo.rfind('(');
        if (apre != std::string_view::npos && apre > 0) return Trim(testo.substr(0, apre));
    }
    return testo;
}

struct TChiudiIdna {
    void operator()(UIDNA* idna) const { uidna_close(idna); }
};

// The domain's ASCII form under the international rules, or empty when it
// breaks them.
std::string DominioAscii(std::string_view dominio) {
    UErrorCode stato = U_ZERO_ERROR;
    const std::unique_ptr<UIDNA, TChiudiIdna> idna(uidna_openUTS46(
        UIDNA_NONTRANSITIONAL_TO_ASCII | UIDNA_CHECK_BIDI | UIDNA_CHECK_CONTEXTJ, &stato));
    if (U_FAILURE(stato)) return {};
    std::string ascii(dominio.size() * 4 + 64, '\0');
    UIDNAInfo info = UIDNA_INFO_INITIALIZER;
    const int32_t n =
        uidna_nameToASCII_UTF8(idna.get(), dominio.data(), static_cast<int32_t>(dominio.size()),
                               ascii.data(), static_cast<int32_t>(ascii.size()), &info, &stato);
    if (U_FAILURE(stato) || info.errors != 0 || n <= 0) return {};
    ascii.resize(static_cast<std::size_t>(n));
    return ascii;
}

std::string TestoNonAscii(const std::string& mostrato) {
    return "\"" + mostrato +
           "\": la parte prima della @ ha caratteri non ASCII, che l'invio non sa ancora "
           "annunciare al server (SMTPUTF8)";
}

}  // namespace

TFormaIndirizzo FormaIndirizzo(std::string_view testo) {
    const std::string_view indirizzo = IndirizzoNudo(testo);
    const std::string mostrato(Trim(testo));
    if (indirizzo.empty()) return {{}, "Indirizzo e-mail vuoto"};
    const std::size_t chiocciola = indirizzo.rfind('@');
    if (chiocciola == std::string_view::npos || chiocciola == 0 ||
        chiocciola + 1 == indirizzo.size())
        return {{}, "\"" + mostrato + "\" non è un indirizzo e-mail (nome@dominio)"};
    const std::string_view locale = indirizzo.substr(0, chiocciola);
    std::string_view dominio = indirizzo.substr(chiocciola + 1);
    if (!SoloAscii(locale)) return {{}, TestoNonAscii(mostrato)};
    // A quoted local part may hold spaces and commas; nothing else may.
    const bool quotato = locale.size() >= 2 && locale.front() == '"' && locale.back() == '"';
    for (const char c : quotato ? indirizzo.substr(chiocciola) : indirizzo)
        if (static_cast<unsigned char>(c) <= ' ' || c == '<' || c == '>' || c == ',')
            return {{}, "\"" + mostrato + "\" non è un indirizzo e-mail (nome@dominio)"};
    while (!dominio.empty() && dominio.back() == '.') dominio.remove_suffix(1);
    std::string ascii = SoloAscii(dominio) ? AsciiLowerCase(dominio) : DominioAscii(dominio);
    if (ascii.empty() || ascii.front() == '.' || ascii.find("..") != std::string::npos)
        return {{},
                "\"" + mostrato + "\": il dominio \"" + std::string(dominio) + "\" non è valido"};
    return {AsciiLowerCase(locale) + '@' + ascii, {}};
}

std::string ErroreNonAscii(std::string_view indirizzo) {
    const std::string_view nudo = IndirizzoNudo(indirizzo);
    const std::size_t chiocciola = nudo.rfind('@');
    if (chiocciola == std::string_view::npos || SoloAscii(nudo.substr(0, chiocciola))) return {};
    return TestoNonAscii(std::string(Trim(indirizzo)));
}

std::string ChiaveIndirizzo(std::string_view testo) {
    TFormaIndirizzo forma = FormaIndirizzo(testo);
    return forma.Valida() ? std::move(forma.Normale) : NormalizzaIndirizzo(testo);
}

}  // namespace brivano

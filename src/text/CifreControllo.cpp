#include "text/CifreControllo.h"

#include <algorithm>
#include <array>

#include "text/Testo.h"

namespace brivano {

namespace {

bool Cifra(char c) {
    return c >= '0' && c <= '9';
}
bool Lettera(char c) {
    return c >= 'A' && c <= 'Z';
}

std::string SenzaSpaziMaiuscolo(std::string_view testo) {
    std::string forma;
    for (const char c : testo)
        if (!IsBlank(c)) forma += AsciiUpper(c);
    return forma;
}

// The check digit of the first ten digits of an eleven-digit number: odd
// places count as they are, even places doubled with their digits summed.
int CifraUndici(std::string_view cifre) {
    int somma = 0;
    for (std::size_t i = 0; i < 10; ++i) {
        int d = cifre[i] - '0';
        if (i % 2 == 1) {
            d *= 2;
            if (d > 9) d -= 9;
        }
        somma += d;
    }
    return (10 - somma % 10) % 10;
}

std::string ErroreUndiciCifre(const std::string& forma, const char* cosa) {
    if (forma.size() != 11) return std::string(cosa) + " deve avere 11 cifre";
    for (const char c : forma)
        if (!Cifra(c)) return std::string(cosa) + " deve avere solo cifre";
    if (forma == "00000000000") return std::string(cosa) + " non può essere tutta zeri";
    if (CifraUndici(forma) != forma[10] - '0')
        return std::string(cosa) + " non è valida: la cifra di controllo non torna";
    return {};
}

// Omocodia swaps digits for these letters, 0 to 9, at the digit places.
constexpr std::string_view LettereOmocodia = "LMNPQRSTUV";
constexpr std::array<std::size_t, 7> PostiCifre = {6, 7, 9, 10, 12, 13, 14};
constexpr std::string_view LettereMese = "ABCDEHLMPRST";

// Values of a character at an odd place (first, third, …), for 0-9 and A-Z.
constexpr std::array<int, 26> ValoriDispari = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                                               20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};

int ValoreDispari(char c) {
    return ValoriDispari[static_cast<std::size_t>(Cifra(c) ? c - '0' : c - 'A')];
}
int ValorePari(char c) {
    return Cifra(c) ? c - '0' : c - 'A';
}

std::string ErrorePersona(const std::string& cf) {
    for (std::size_t i = 0; i < 16; ++i) {
        const char c = cf[i];
        const bool postoCifra =
            std::find(PostiCifre.begin(), PostiCifre.end(), i) != PostiCifre.end();
        const bool bene =
            postoCifra ? Cifra(c) || LettereOmocodia.find(c) != std::string_view::npos : Lettera(c);
        if (!bene)
            return "Codice fiscale non valido: carattere inatteso in posizione " +
                   std::to_string(i + 1);
    }
    if (LettereMese.find(cf[8]) == std::string_view::npos)
        return "Codice fiscale non valido: lettera del mese inesistente";
    const auto cifra = [&](std::size_t i) {
        const std::size_t omocodia = LettereOmocodia.find(cf[i]);
        return omocodia == std::string_view::npos ? cf[i] - '0' : static_cast<int>(omocodia);
    };
    const int giorno = cifra(9) * 10 + cifra(10);
    if (!((giorno >= 1 && giorno <= 31) || (giorno >= 41 && giorno <= 71)))
        return "Codice fiscale non valido: giorno di nascita inesistente";
    int somma = 0;
    for (std::size_t i = 0; i < 15; ++i)
        somma += i % 2 == 0 ? ValoreDispari(cf[i]) : ValorePari(cf[i]);
    if (cf[15] != static_cast<char>('A' + somma % 26))
        return "Codice fiscale non valido: il carattere di controllo non torna";
    return {};
}

}  // namespace

std::string FormaPartitaIva(std::string_view testo) {
    std::string forma = SenzaSpaziMaiuscolo(testo);
    if (forma.rfind("IT", 0) == 0) forma.erase(0, 2);
    return forma;
}

std::string FormaCodiceFiscale(std::string_view testo) {
    return SenzaSpaziMaiuscolo(testo);
}

std::string FormaCodiceSdi(std::string_view testo) {
    return SenzaSpaziMaiuscolo(testo);
}

std::string ErrorePartitaIva(std::string_view testo) {
    const std::string forma = FormaPartitaIva(testo);
    if (forma.empty()) return {};
    return ErroreUndiciCifre(forma, "La partita IVA");
}

std::string ErroreCodiceFiscale(std::string_view testo) {
    const std::string forma = FormaCodiceFiscale(testo);
    if (forma.empty()) return {};
    // A company's tax code is its eleven-digit number.
    if (forma.size() == 11) return ErroreUndiciCifre(forma, "Il codice fiscale numerico");
    if (forma.size() != 16)
        return "Il codice fiscale deve avere 16 caratteri (persona) o 11 cifre (società)";
    return ErrorePersona(forma);
}

std::string ErroreCodiceSdi(std::string_view testo) {
    const std::string forma = FormaCodiceSdi(testo);
    if (forma.empty()) return {};
    if (forma.size() != 7) return "Il codice SDI deve avere 7 caratteri";
    for (const char c : forma)
        if (!Cifra(c) && !Lettera(c)) return "Il codice SDI deve avere solo lettere e cifre";
    return {};
}

}  // namespace brivano

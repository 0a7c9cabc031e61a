#include "workflow/CodificaTesto.h"

#include <unicode/ucnv.h>
#include <unicode/ucsdet.h>

#include <memory>
#include <stdexcept>

#include "workflow/Piegatura.h"

namespace brivano {

namespace {

// Enough of the start of a file for the detector; the rest says nothing new.
constexpr std::size_t kCampioneRilevamento = std::size_t{64} * 1024;

std::string Converti(std::string_view bytes, const char* da) {
    UErrorCode status = U_ZERO_ERROR;
    std::string out(bytes.size() * 3 + 16, '\0');
    const int32_t len = ucnv_convert("UTF-8", da, out.data(), static_cast<int32_t>(out.size()),
                                     bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("Il testo non si lascia convertire da ") + da + ": " +
                                 u_errorName(status));
    out.resize(static_cast<std::size_t>(len));
    return out;
}

// What ICU's detector names for the start of the text ("" when it has no idea).
std::string Rilevata(std::string_view bytes) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, void (*)(UCharsetDetector*)> detector(ucsdet_open(&status),
                                                                            ucsdet_close);
    if (U_FAILURE(status)) return {};
    const std::string_view campione = bytes.substr(0, kCampioneRilevamento);
    ucsdet_setText(detector.get(), campione.data(), static_cast<int32_t>(campione.size()), &status);
    const UCharsetMatch* match = ucsdet_detect(detector.get(), &status);
    if (U_FAILURE(status) || !match) return {};
    const char* name = ucsdet_getName(match, &status);
    return U_SUCCESS(status) && name ? name : "";
}

bool Inizia(std::string_view bytes, std::string_view prefisso) {
    return bytes.substr(0, prefisso.size()) == prefisso;
}

}  // namespace

std::string_view DecodificaTesto(std::string_view bytes, std::string& convertito,
                                 std::string& codifica) {
    if (Inizia(bytes, "\xEF\xBB\xBF")) {
        const std::string_view resto = bytes.substr(3);
        if (!UTF8Valido(resto))
            throw std::runtime_error("Il file dichiara UTF-8 ma contiene byte non validi");
        codifica = "UTF-8 con BOM";
        return resto;
    }
    if (Inizia(bytes, "\xFF\xFE")) {
        convertito = Converti(bytes.substr(2), "UTF-16LE");
        codifica = "UTF-16LE";
        return convertito;
    }
    if (Inizia(bytes, "\xFE\xFF")) {
        convertito = Converti(bytes.substr(2), "UTF-16BE");
        codifica = "UTF-16BE";
        return convertito;
    }
    // Bytes that are all well-formed UTF-8 are taken as such whatever a
    // detector would guess from a sample (plain ASCII reads the same either
    // way); only the rest is worth asking it about.
    if (UTF8Valido(bytes)) {
        codifica = "UTF-8";
        return bytes;
    }
    const std::string rilevata = Rilevata(bytes);
    if (rilevata == "UTF-16LE" || rilevata == "UTF-16BE") {
        convertito = Converti(bytes, rilevata.c_str());
        codifica = rilevata;
        return convertito;
    }
    // Every other guess for a Western text (ISO-8859-1, -15, windows-1252)
    // reads as Windows-1252, its superset as spreadsheets write it.
    convertito = Converti(bytes, "windows-1252");
    codifica = "Windows-1252";
    return convertito;
}

TTestoDecodificato DecodificaTesto(std::string_view bytes) {
    TTestoDecodificato decodificato;
    const std::string_view testo =
        DecodificaTesto(bytes, decodificato.Testo, decodificato.Codifica);
    if (testo.data() != decodificato.Testo.data()) decodificato.Testo = std::string(testo);
    return decodificato;
}

}  // namespace brivano

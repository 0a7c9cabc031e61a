// Import files as a user may hand them over: any bytes, any encoding. Reading
// either gives rows or raises the reader's error; it never crashes, and every
// record of a CSV text holds at least one field. A text without a byte order
// mark is taken as UTF-8 exactly when ICU finds every byte well-formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "workflow/CodificaTesto.h"
#include "workflow/FileImportazione.h"
#include "workflow/LetturaCsv.h"
#include "workflow/Piegatura.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (bytes.rfind("\xEF\xBB\xBF", 0) != 0) {
        try {
            const bool utf8 = brivano::DecodificaTesto(bytes).Codifica == "UTF-8";
            if (utf8 != brivano::UTF8Valido(bytes)) std::abort();
        } catch (const std::runtime_error&) {
            if (brivano::UTF8Valido(bytes)) std::abort();  // UTF-8 is never refused
        }
    }
    for (char separatore : {';', ',', '\t'}) {
        try {
            for (const auto& record : brivano::LeggiCsv(bytes, separatore))
                if (record.Campi.empty() || record.Riga < 1 || record.Linea < 1) std::abort();
        } catch (const brivano::ECsvNonValido&) {
        }
    }
    for (auto formato : {brivano::TFormatoFile::Csv, brivano::TFormatoFile::VCard}) {
        try {
            brivano::LeggiImportazione(bytes, formato);
        } catch (const std::runtime_error&) {
        }
    }
    return 0;
}

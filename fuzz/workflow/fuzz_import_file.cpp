// Import files as a user may hand them over: any bytes, any encoding. Reading
// either gives rows or raises the reader's error; it never crashes, and every
// record of a CSV text holds at least one field. Our UTF-8 check agrees with
// ICU's converter, and a text without a byte order mark is taken as UTF-8
// exactly when ICU finds every byte well-formed.
#include <unicode/ustring.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "workflow/CodificaTesto.h"
#include "workflow/FileImportazione.h"
#include "workflow/LetturaCsv.h"
#include "workflow/Piegatura.h"

namespace {

// ICU's own verdict, by converting the whole text.
bool Utf8SecondoIcu(std::string_view bytes) {
    if (bytes.empty()) return true;  // ICU refuses a null source
    int32_t lunghezza = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(nullptr, 0, &lunghezza, bytes.data(), static_cast<int32_t>(bytes.size()),
                  &status);
    return status == U_ZERO_ERROR || status == U_BUFFER_OVERFLOW_ERROR;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const bool utf8SecondoIcu = Utf8SecondoIcu(bytes);
    if (brivano::UTF8Valido(bytes) != utf8SecondoIcu) std::abort();
    if (bytes.rfind("\xEF\xBB\xBF", 0) != 0) {
        try {
            const bool utf8 = brivano::DecodificaTesto(bytes).Codifica == "UTF-8";
            if (utf8 != utf8SecondoIcu) std::abort();
        } catch (const std::runtime_error&) {
            if (utf8SecondoIcu) std::abort();  // UTF-8 is never refused
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

// Import files as a user may hand them over: any bytes, any encoding. Reading
// either gives rows or raises the reader's error; it never crashes, and every
// record of a CSV text holds at least one field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

#include "workflow/FileImportazione.h"
#include "workflow/LetturaCsv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
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

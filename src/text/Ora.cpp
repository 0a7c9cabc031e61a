#include "text/Ora.h"

namespace brivano {

std::optional<std::string> TestoOra(std::time_t istante, const char* formato, TFuso fuso) {
    std::tm parti{};
    const std::tm* ok =
        fuso == TFuso::Utc ? gmtime_r(&istante, &parti) : localtime_r(&istante, &parti);
    if (ok == nullptr) return std::nullopt;
    char testo[64];
    const std::size_t lunghezza = std::strftime(testo, sizeof testo, formato, &parti);
    return std::string(testo, lunghezza);
}

std::string OraCorrente(const char* formato, TFuso fuso) {
    return TestoOra(std::time(nullptr), formato, fuso).value_or("");
}

}  // namespace brivano

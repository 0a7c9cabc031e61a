#include "workflow/Collegamenti.h"

#include <algorithm>
#include <cctype>

#include "text/Testo.h"

namespace brivano {
namespace {

bool HasControlCharacters(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

// "host:8080/..." is a host with a port, not a scheme called "host".
bool StartsWithPort(const std::string& rest) {
    size_t digits = 0;
    while (digits < rest.size() && std::isdigit(static_cast<unsigned char>(rest[digits]))) ++digits;
    return digits > 0 && digits <= 5 &&
           (digits == rest.size() || rest[digits] == '/' || rest[digits] == '?' ||
            rest[digits] == '#');
}

// The scheme of a link in lower case, or nothing when the text has none.
std::optional<std::string> Scheme(const std::string& text) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0) return std::nullopt;
    if (!std::isalpha(static_cast<unsigned char>(text[0]))) return std::nullopt;
    for (size_t i = 1; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
    }
    if (StartsWithPort(text.substr(colon + 1))) return std::nullopt;
    return AsciiLowerCase(text.substr(0, colon));
}

}  // namespace

std::optional<std::string> LinkSito(const std::string& sito) {
    const std::string text = std::string(Trim(sito));
    if (text.empty() || HasControlCharacters(text)) return std::nullopt;
    const std::optional<std::string> scheme = Scheme(text);
    if (!scheme) {
        // A local path stays on this computer; everything else is a host name.
        if (text[0] == '/' || text[0] == '\\' || text[0] == '~' || text[0] == '.')
            return std::nullopt;
        return "http://" + text;
    }
    if (*scheme != "http" && *scheme != "https") return std::nullopt;
    const std::string rest = text.substr(scheme->size() + 1);
    if (rest.size() < 3 || rest.compare(0, 2, "//") != 0 || rest[2] == '/') return std::nullopt;
    return text;
}

std::optional<std::string> LinkMailto(const std::string& email) {
    if (HasControlCharacters(email)) return std::nullopt;
    return "mailto:" + email;
}

}  // namespace brivano

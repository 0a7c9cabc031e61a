#include "text/Testo.h"

#include <array>
#include <cstdint>

namespace brivano {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The value of every byte in the alphabet, -1 for the rest.
constexpr std::array<std::int16_t, 256> kValues = [] {
    std::array<std::int16_t, 256> values{};
    values.fill(-1);
    for (int i = 0; i < 64; ++i)
        values[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::int16_t>(i);
    return values;
}();

[[noreturn]] void Refuse(const std::string& why) {
    throw EBase64NonValido("Testo base64 non valido: " + why);
}

}  // namespace

std::string Base64Encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        unsigned v = 0;
        for (std::size_t k = 0; k < 3; ++k)
            v = v << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += n > 1 ? kAlphabet[v >> 6 & 63] : '=';
        out += n > 2 ? kAlphabet[v & 63] : '=';
    }
    return out;
}

std::string Base64Decode(std::string_view text) {
    if (text.size() % 4 != 0)
        Refuse("la lunghezza " + std::to_string(text.size()) + " non è un multiplo di 4");
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=')
        ++padding;
    std::string out;
    out.reserve(text.size() / 4 * 3);
    unsigned bits = 0;
    int count = 0;
    for (std::size_t i = 0; i + padding < text.size(); ++i) {
        const int v = kValues[static_cast<unsigned char>(text[i])];
        if (v < 0)
            Refuse(text[i] == '=' ? "\"=\" prima della fine, in posizione " + std::to_string(i + 1)
                                  : "carattere non ammesso in posizione " + std::to_string(i + 1));
        bits = (bits << 6 | static_cast<unsigned>(v)) & 0xFFFFFF;
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>(bits >> count & 0xFF);
        }
    }
    // With padding, the last group's spare bits must be zero (RFC 4648 §3.5):
    // otherwise two texts would decode to the same bytes.
    if ((bits & ((1u << count) - 1)) != 0) Refuse("bit non nulli prima del riempimento");
    return out;
}

char HexDigit(unsigned value) {
    return "0123456789ABCDEF"[value & 15];
}

char HexDigitLower(unsigned value) {
    return "0123456789abcdef"[value & 15];
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void AppendHexByte(std::string& out, unsigned char byte) {
    out += HexDigit(byte >> 4);
    out += HexDigit(byte);
}

void AppendHexByteLower(std::string& out, unsigned char byte) {
    out += HexDigitLower(byte >> 4);
    out += HexDigitLower(byte);
}

std::string AsciiLowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiLower(c);
    return out;
}

std::string AsciiUpperCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = AsciiUpper(c);
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimLeft(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return text.substr(i);
}

std::string_view TrimRight(std::string_view text) {
    std::size_t n = text.size();
    while (n > 0 && IsBlank(text[n - 1])) --n;
    return text.substr(0, n);
}

std::string_view Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

std::string_view SpaceTrim(std::string_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) ++b;
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) --e;
    return text.substr(b, e - b);
}

}  // namespace brivano

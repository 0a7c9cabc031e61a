#pragma once
// Small text helpers shared by the mail units. Texts are byte strings; "blank"
// means a byte with code up to 32.

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

namespace brivano {

inline bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

inline std::string_view TrimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return s.substr(i);
}

inline std::string_view TrimRight(std::string_view s) {
    std::size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1])) --n;
    return s.substr(0, n);
}

inline std::string_view Trim(std::string_view s) {
    return TrimRight(TrimLeft(s));
}

// Removes only spaces and TABs from both ends.
inline std::string_view SpaceTrim(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

inline char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

inline bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

// True when the text holds CR, LF or NUL, which would end or corrupt a line.
// (memchr per byte value: find_first_of would search the set once per character.)
inline bool HoldsLineBreakOrNul(std::string_view s) {
    return std::memchr(s.data(), '\r', s.size()) != nullptr ||
           std::memchr(s.data(), '\n', s.size()) != nullptr ||
           std::memchr(s.data(), '\0', s.size()) != nullptr;
}

// The parts joined into one text, allocated once.
inline std::string Concat(std::initializer_list<std::string_view> parts) {
    std::size_t size = 0;
    for (auto part : parts) size += part.size();
    std::string out;
    out.reserve(size);
    for (auto part : parts) out.append(part);
    return out;
}

inline bool IsAscii(std::string_view s) {
    unsigned char bits = 0;  // one accumulator, no early exit: the loop vectorises
    for (char c : s) bits |= static_cast<unsigned char>(c);
    return (bits & 0x80) == 0;
}

}  // namespace brivano

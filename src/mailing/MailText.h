#pragma once
// Small text helpers of the mail units, beside the shared ones of the text
// unit (trimming, case folding, hex digits, base64).

#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "text/Testo.h"

namespace brivano {

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

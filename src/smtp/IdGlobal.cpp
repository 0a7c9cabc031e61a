#include "smtp/IdGlobal.h"

namespace brivano {

std::string TrimControl(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && blank(text[first])) ++first;
    while (last > first && blank(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

}  // namespace brivano

namespace brivano {

int DecimalValue(std::string_view text, int fallback) {
    if (text.empty()) return fallback;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return fallback;
        value = value * 10 + (c - '0');
        if (value > 2147483647) return fallback;
    }
    return static_cast<int>(value);
}

}  // namespace brivano

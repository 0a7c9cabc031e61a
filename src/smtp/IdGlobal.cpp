#include "smtp/IdGlobal.h"

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

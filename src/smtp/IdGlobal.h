#pragma once
// Small text helpers shared by the transport units.

#include <string>
#include <string_view>

namespace brivano {

// Removes all characters with codes up to 32 from both ends.
std::string TrimControl(std::string_view text);

}  // namespace brivano

namespace brivano {

// The value of a text made only of decimal digits; `fallback` for any other
// text, the empty one, or a value beyond int.
int DecimalValue(std::string_view text, int fallback = 0);

}  // namespace brivano

#pragma once
// Number reading shared by the transport units.

#include <string>
#include <string_view>

namespace brivano {

// The value of a text made only of decimal digits; `fallback` for any other
// text, the empty one, or a value beyond int.
int DecimalValue(std::string_view text, int fallback = 0);

}  // namespace brivano

// Parsing a whole text as a signed 32-bit integer the way track numbers have always been typed:
// leading blanks, an optional sign, decimal digits, or hexadecimal digits after "$" or "0x".
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tagwright {

// The value, or nothing when the text is empty, has trailing characters ("7a", "5 ", "3/12") or
// does not fit. Decimal values must lie in the signed 32-bit range; hexadecimal ones may use all
// 32 bits and wrap ("$FFFFFFFF" is -1).
std::optional<std::int32_t> ParseIntegerText(std::string_view text);

}  // namespace tagwright

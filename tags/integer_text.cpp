#include "tags/integer_text.h"

namespace tagwright {

namespace {
int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::optional<std::int32_t> ParseIntegerText(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  bool hex = false;
  if (pos < text.size() && text[pos] == '$') {
    hex = true;
    ++pos;
  } else if (pos + 1 < text.size() && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    hex = true;
    pos += 2;
  }
  if (pos >= text.size()) return std::nullopt;
  std::uint64_t value = 0;
  for (; pos < text.size(); ++pos) {
    const int digit = hex ? HexDigitValue(text[pos]) : (text[pos] >= '0' && text[pos] <= '9' ? text[pos] - '0' : -1);
    if (digit < 0) return std::nullopt;
    value = value * (hex ? 16 : 10) + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  std::int64_t signedValue;
  if (hex) {
    signedValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  } else {
    if (value > (negative ? 2147483648ull : 2147483647ull)) return std::nullopt;
    signedValue = static_cast<std::int64_t>(value);
  }
  if (negative) signedValue = -signedValue;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(signedValue)));
}

}  // namespace tagwright

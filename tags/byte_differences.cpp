#include "tags/byte_differences.h"

#include <bit>
#include <cstdint>
#include <cstring>

namespace tagwright {

namespace {

// The bits where the 8 bytes of a and b from at differ (the first byte in the lowest bits).
std::uint64_t WordDifference(std::string_view a, std::string_view b, std::size_t at) {
  std::uint64_t one = 0;
  std::uint64_t other = 0;
  std::memcpy(&one, a.data() + at, sizeof one);
  std::memcpy(&other, b.data() + at, sizeof other);
  return one ^ other;
}

}  // namespace

std::vector<TByteSpan> DifferingSpans(std::string_view a, std::string_view b, std::size_t equalRunBetween) {
  static_assert(std::endian::native == std::endian::little, "the first byte of a word is its lowest");
  std::vector<TByteSpan> spans;
  if (a.size() != b.size()) return spans;
  const std::size_t size = b.size();
  for (std::size_t at = 0; at < size;) {
    // Equal bytes are passed a word at a time.
    if (at + 8 <= size) {
      const std::uint64_t difference = WordDifference(a, b, at);
      if (difference == 0) {
        at += 8;
        continue;
      }
      at += static_cast<std::size_t>(std::countr_zero(difference)) / 8;  // the first byte that differs
    } else if (a[at] == b[at]) {
      ++at;
      continue;
    }
    std::size_t end = at + 1;  // after the last byte that differs
    for (std::size_t i = end; i < size && i - end < equalRunBetween;) {
      if (i + 8 <= size) {
        if (const std::uint64_t difference = WordDifference(a, b, i); difference != 0) {
          end = i + static_cast<std::size_t>(63 - std::countl_zero(difference)) / 8 + 1;
        }
        i += 8;
      } else {
        if (a[i] != b[i]) end = i + 1;
        ++i;
      }
    }
    spans.push_back({at, end - at});
    at = end;
  }
  return spans;
}

}  // namespace tagwright

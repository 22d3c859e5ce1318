#include "songs/common_value.h"

#include "text/ascii_text.h"
#include "text/letters.h"

namespace tagwright {

const std::string kMixedValue(1, '\0');

void MergeCommonValue(std::string& accumulator, const std::string& value) {
  MergeCommonValue(accumulator, value, TLetters::Ascii);
}

void MergeCommonValue(std::string& accumulator, const std::string& value, TLetters letters) {
  if (accumulator == kMixedValue) return;  // stays mixed
  const bool agrees = !value.empty() && (accumulator.empty() || EqualsIgnoringCase(accumulator, value, letters));
  accumulator = agrees ? value : kMixedValue;
}

std::string CommonValueText(const std::string& accumulator) {
  return accumulator == kMixedValue ? std::string() : accumulator;
}

}  // namespace tagwright

#include "ui/common_value.h"

#include "text/ascii_text.h"

namespace tagwright {

const std::string MixedValue(1, '\0');

void MergeCommonValue(std::string& accumulator, const std::string& value) {
  if (value.empty()) {
    accumulator = MixedValue;
  } else if (accumulator == MixedValue) {
    // stays mixed
  } else if (accumulator.empty() || EqualsIgnoringAsciiCase(accumulator, value)) {
    accumulator = value;
  } else {
    accumulator = MixedValue;
  }
}

std::string CommonValueText(const std::string& accumulator) {
  return accumulator == MixedValue ? std::string() : accumulator;
}

}  // namespace tagwright

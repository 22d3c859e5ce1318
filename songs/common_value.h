// Gathering the value that several selected songs share, for the details panel's common mode.
#pragma once

#include <string>

#include "text/letters.h"

namespace tagwright {

// Marks an accumulator whose songs' values differ (or one of them has none); never shown.
extern const std::string kMixedValue;

// Folds one song's value into the accumulator: an empty value or a difference (other than the case of
// the letters a to z) makes it kMixedValue; agreeing values leave the last one's spelling.
void MergeCommonValue(std::string& accumulator, const std::string& value);
// The same, where a difference in the case of any letter (with accented letters) is no difference.
void MergeCommonValue(std::string& accumulator, const std::string& value, TLetters letters);

// The text a field shows for an accumulator: empty for kMixedValue.
std::string CommonValueText(const std::string& accumulator);

}  // namespace tagwright

#include "songs/common_value.h"

#include <gtest/gtest.h>

#include <vector>

namespace tagwright {
namespace {

std::string CommonOf(const std::vector<std::string>& values) {
  std::string accumulator;
  for (const std::string& value : values) MergeCommonValue(accumulator, value);
  return CommonValueText(accumulator);
}

TEST(CommonValue, SharedValuesShowAndDifferencesEmpty) {
  EXPECT_EQ(CommonOf({}), "");
  EXPECT_EQ(CommonOf({"Gold"}), "Gold");
  EXPECT_EQ(CommonOf({"Gold", "Gold", "Gold"}), "Gold");
  EXPECT_EQ(CommonOf({"Gold", "Silver"}), "");
  // Once mixed, agreeing values later on do not bring it back.
  EXPECT_EQ(CommonOf({"Gold", "Silver", "Gold", "Gold"}), "");
}

TEST(CommonValue, AnEmptyValueMakesItMixed) {
  EXPECT_EQ(CommonOf({"Gold", ""}), "");
  EXPECT_EQ(CommonOf({"", "Gold"}), "");
  EXPECT_EQ(CommonOf({"Gold", "", "Gold"}), "");
}

TEST(CommonValue, LetterCaseOnlyDifferencesKeepTheLastSpelling) {
  EXPECT_EQ(CommonOf({"abba", "ABBA"}), "ABBA");
  EXPECT_EQ(CommonOf({"ABBA", "Abba", "abba"}), "abba");
  EXPECT_EQ(CommonOf({"Abba", "Abba."}), "");
  // Only a to z fold: other bytes must be equal.
  EXPECT_EQ(CommonOf({"caf\xC3\xA9", "CAF\xC3\x89"}), "");
}

TEST(CommonValue, TheMixedMarkIsNeverShown) {
  std::string accumulator = kMixedValue;
  EXPECT_EQ(CommonValueText(accumulator), "");
  MergeCommonValue(accumulator, "Gold");
  EXPECT_EQ(accumulator, kMixedValue);
}

}  // namespace
}  // namespace tagwright

#include "app/cli/json_line.h"

#include <gtest/gtest.h>

#include <cmath>

#include <nlohmann/json.hpp>

namespace tagwright::cli {
namespace {

TEST(TJsonLine, WritesValidJsonForAnyBytes) {
  TJsonLine inner;
  inner.Add("n", 3);
  TJsonLine line;
  line.Add("text", "a\"b\\c\n\t\x01 \xC3\xA9 \xF0\x9F\x8E\xB5").Add("yes", true).Add("no", false).Add("o", inner);
  const auto json = nlohmann::json::parse(line.Text());
  EXPECT_EQ(json["text"], "a\"b\\c\n\t\x01 \xC3\xA9 \xF0\x9F\x8E\xB5");
  EXPECT_EQ(json["yes"], true);
  EXPECT_EQ(json["no"], false);
  EXPECT_EQ(json["o"]["n"], 3);
}

TEST(TJsonLine, WritesNumbersExactlyAndNullForWhatIsNoNumber) {
  TJsonLine line;
  line.Add("whole", 128.0).Add("part", 127.999).Add("nan", std::nan("")).Add("inf", HUGE_VAL);
  EXPECT_EQ(line.Text(), R"({"whole":128,"part":127.999,"nan":null,"inf":null})");
}

TEST(TJsonLine, EscapesBytesThatAreNotUtf8AsLowSurrogates) {
  struct Case {
    std::string bytes;
    std::string json;
  };
  const Case cases[] = {
      {"caf\xE9", R"("caf\udce9")"},                          // Latin-1 e-acute
      {"\xC3", R"("\udcc3")"},                                // cut sequence
      {"\xC0\xAF", R"("\udcc0\udcaf")"},                      // overlong "/"
      {"\xED\xA0\x80", R"("\udced\udca0\udc80")"},            // encoded surrogate
      {"\xF4\x90\x80\x80", R"("\udcf4\udc90\udc80\udc80")"},  // beyond U+10FFFF
      {"\xFF"
       "ok",
       R"("\udcffok")"},
  };
  for (const Case& c : cases) {
    std::string out;
    AppendJsonString(out, c.bytes);
    EXPECT_EQ(out, c.json);
  }
}

}  // namespace
}  // namespace tagwright::cli

#include "tags/genres.h"

#include <gtest/gtest.h>

#include "tags/integer_text.h"

namespace tagwright {
namespace {

TEST(GenreTable, NamesConvertToTheirNumbers) {
  const struct {
    const char* name;
    int number;
  } cases[] = {{"Rock", 17},   {"rock", 17},          {"ROCK", 17},     {"Hip-Hop", 7},      {"Synthpop", 147},
               {"Blues", 0},   {"Trash Metal", 144},  {"Unknown", 255}, {"unknown", 255},    {"", 255},
               {" Rock", 255}, {"Thrash Metal", 255}, {"Rock ", 255},   {"Psychadelic", 67}, {"AlternRock", 40}};
  for (const auto& c : cases) EXPECT_EQ(GenreToNumber(c.name), c.number) << c.name;
}

TEST(GenreTable, NumbersConvertToNames) {
  EXPECT_EQ(NumberToGenre(0), "Blues");
  EXPECT_EQ(NumberToGenre(147), "Synthpop");
  EXPECT_EQ(NumberToGenre(148), "");
  EXPECT_EQ(NumberToGenre(255), "");
}

TEST(GenreTable, EveryRowConvertsBothWays) {
  for (std::size_t i = 0; i < kGenreCount; ++i) {
    EXPECT_EQ(GenreToNumber(kGenreNames[i]), i) << kGenreNames[i];
    EXPECT_EQ(NumberToGenre(static_cast<std::uint8_t>(i)), kGenreNames[i]);
  }
}

TEST(IntegerText, ParsesWholeTextsOnly) {
  const struct {
    const char* text;
    std::optional<std::int32_t> value;
  } cases[] = {{"12", 12},
               {" 5", 5},
               {"-1", -1},
               {"+7", 7},
               {"$1F", 31},
               {"0x10", 16},
               {"0X10", 16},
               {"$FFFFFFFF", -1},
               {"2147483647", 2147483647},
               {"-2147483648", INT32_MIN},
               {"2147483648", std::nullopt},
               {"99999999999999999999", std::nullopt},
               {"", std::nullopt},
               {"x", std::nullopt},
               {"5 ", std::nullopt},
               {"3/12", std::nullopt},
               {"7a", std::nullopt},
               {"-", std::nullopt},
               {"$", std::nullopt},
               {"0x", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(ParseIntegerText(c.text), c.value) << '"' << c.text << '"';
}

}  // namespace
}  // namespace tagwright

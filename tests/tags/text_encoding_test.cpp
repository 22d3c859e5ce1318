#include "tags/text_encoding.h"

#include <gtest/gtest.h>

#include "tag_bytes.h"

namespace tagwright {
namespace {

using testing::Bytes;

TEST(TextEncoding, DecodesEachID3Encoding) {
  const struct {
    const char* what;
    int encoding;
    std::string bytes;
    std::string expected;
  } cases[] = {
      {"latin-1 is converted", 0, "Caf\xE9", "Caf\xC3\xA9"},
      {"utf-16 little-endian mark", 1, Bytes({0xFF, 0xFE, 'A', 0, 'B', 0}), "AB"},
      {"utf-16 big-endian mark", 1, Bytes({0xFE, 0xFF, 0, 'A', 0, 'B'}), "AB"},
      {"utf-16 without mark is little-endian", 1, Bytes({'A', 0, 0xE9, 0}), "A\xC3\xA9"},
      {"utf-16 surrogate pair", 1, Bytes({0xFF, 0xFE, 0x3D, 0xD8, 0xB5, 0xDC}), "\xF0\x9F\x92\xB5"},
      {"unpaired surrogate", 1, Bytes({0xFF, 0xFE, 0x3D, 0xD8, 'A', 0}),
       "\xEF\xBF\xBD"
       "A"},
      {"utf-16 big-endian without mark", 2, Bytes({0x04, 0x1F, 0, 'x'}), "\xD0\x9Fx"},
      {"utf-8 stays", 3, "\xD0\x9F\xD1\x80", "\xD0\x9F\xD1\x80"},
      {"invalid utf-8 is replaced", 3,
       "a\xFF"
       "b",
       "a\xEF\xBF\xBD"
       "b"},
      {"several values are joined", 3, std::string("Rock\0Pop", 8), "Rock/Pop"},
      {"utf-16 values each with a mark", 1, Bytes({0xFF, 0xFE, 'A', 0, 0, 0, 0xFF, 0xFE, 'B', 0, 0, 0}), "A/B"},
      {"a zero fill at the end is dropped", 0, std::string("Song\0\0\0", 7), "Song"},
      {"blanks around are trimmed", 0, "  Song \t", "Song"},
      {"utf-16 terminator only at even places", 1, Bytes({0xFF, 0xFE, 'A', 0, 0, 1, 'B', 0}),
       "A\xC4\x80"
       "B"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodeID3TextList(static_cast<std::uint8_t>(c.encoding), c.bytes), c.expected) << c.what;
  }
}

TEST(TextEncoding, ChoosesLatin1WhenItCanHoldTheText) {
  std::uint8_t encoding = 9;
  EXPECT_EQ(EncodeID3v23String("Caf\xC3\xA9", encoding), "Caf\xE9");
  EXPECT_EQ(encoding, 0);
  EXPECT_EQ(EncodeID3v23String("\xD0\x9F"
                               "a",
                               encoding),
            Bytes({0xFF, 0xFE, 0x1F, 0x04, 'a', 0}));
  EXPECT_EQ(encoding, 1);
  EXPECT_EQ(EncodeID3v23String("\xF0\x9F\x92\xB5", encoding), Bytes({0xFF, 0xFE, 0x3D, 0xD8, 0xB5, 0xDC}));
}

TEST(TextEncoding, Latin1ReplacesWhatItCannotHold) {
  EXPECT_EQ(Utf8ToLatin1("a\xD0\x9F"
                         "b\xC3\xA9"),
            "a?b\xE9");
  EXPECT_EQ(Utf8ToLatin1("x\xFFy"), "x?y");
  EXPECT_FALSE(FitsLatin1("x\xFFy"));
  EXPECT_EQ(Latin1ToUtf8(Utf8ToLatin1("\xC3\xBF\xC2\xA0")), "\xC3\xBF\xC2\xA0");
}

}  // namespace
}  // namespace tagwright

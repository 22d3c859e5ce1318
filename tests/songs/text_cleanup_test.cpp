#include "songs/text_cleanup.h"

#include <gtest/gtest.h>

namespace tagwright {
namespace {

using Pair = std::pair<const char*, const char*>;

TEST(TextCleanup, InitialCaps) {
  for (const auto& [in, out] :
       {Pair{"my song", "My Song"}, Pair{"MY SONG (LIVE)", "My Song (Live)"}, Pair{"mc-donald", "Mc-Donald"},
        Pair{"a.b.c", "A.b.c"}, Pair{"[live] set", "[live] Set"}, Pair{"ABBA", "Abba"}, Pair{"o'brien", "O'brien"},
        Pair{"  x", "  X"}, Pair{"-x", "-X"}, Pair{"", ""}, Pair{"\xC3\xA9mile", "\xC3\xA9mile"},
        Pair{"x)y(z", "X)Y(Z"}, Pair{"1st song", "1st Song"}}) {
    EXPECT_EQ(InitialCaps(in), out) << in;
  }
}

TEST(TextCleanup, CleanupTextHalvesSpaceRunsInOnePass) {
  for (const auto& [in, out] : {Pair{"my_song__title", "My Song Title"}, Pair{"a___b", "A  B"},
                                Pair{"the_end", "The End"}, Pair{"x    y", "X  Y"}, Pair{" a ", " A "}}) {
    EXPECT_EQ(CleanupText(in), out) << in;
  }
  EXPECT_EQ(UnderscoresToSpaces("__a_ b"), "  a  b");
}

TEST(TextCleanup, RemoveArtistFromTitle) {
  struct Case {
    const char* artist;
    const char* title;
    const char* result;
  };
  for (const Case& c :
       {Case{"Moby", "Moby - Porcelain", "Porcelain"}, Case{"Moby", "MOBY-Porcelain", "Porcelain"},
        Case{"Moby", "Moby -- Porcelain", "- Porcelain"}, Case{"Moby", "Porcelain", "Porcelain"},
        Case{"Sting", "Stingray", "Stingray"}, Case{"Sting", "Sting2", "Sting2"},
        Case{"Bj", "Bj\xC3\xB6rk", "Bj\xC3\xB6rk"}, Case{"Sting", "Sting: Live", ": Live"},
        Case{"moby", "MOBY - Why", "Why"}, Case{"Moby", "Song By Moby", "Song By Moby"}, Case{"Moby", "Moby", ""},
        Case{"", "  Title ", "  Title "}, Case{"Longer Artist", "Long", "Long"}}) {
    EXPECT_EQ(RemoveArtistFromTitle(c.artist, c.title), c.result) << c.artist << " / " << c.title;
  }
  EXPECT_EQ(CleanupTitle("Moby", "moby - why_does_my_heart"), "Why Does My Heart");
}

}  // namespace
}  // namespace tagwright

// Letters beyond ASCII in names, on request: recognised as word letters, capitalised and compared
// ignoring case with accented letters; ASCII letters leave everything as it was.
#include <gtest/gtest.h>

#include <cctype>

#include "songs/file_name_composition.h"
#include "songs/recognition.h"
#include "songs/song_details.h"
#include "songs/text_cleanup.h"
#include "text/letters.h"

namespace tagwright {
namespace {

constexpr TLetters kAscii = TLetters::Ascii;
constexpr TLetters kAccented = TLetters::Accented;

struct TAccentedName {
  const char* Name;
  const char* Artist;
  const char* Title;
};

void PrintTo(const TAccentedName& name, std::ostream* out) { *out << '\'' << name.Name << '\''; }

std::string CaseName(const ::testing::TestParamInfo<TAccentedName>& info) {
  std::string name = std::to_string(info.index) + "_";
  for (const char* c = info.param.Name; *c != 0; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name;
}

class AccentedNames : public ::testing::TestWithParam<TAccentedName> {};

TEST_P(AccentedNames, AreRecognisedWithAccentedLetters) {
  TSongDetails song;
  TTokenList tokens;
  RecognizeFileName(std::string("/music/") + GetParam().Name, tokens, song, {.Letters = kAccented});
  EXPECT_EQ(song.Recognition(), TRecognition::Pattern) << "class string '" << tokens.Classes << "'";
  EXPECT_EQ(song.Artist(), GetParam().Artist);
  EXPECT_EQ(song.Title(), GetParam().Title);
}

TEST_P(AccentedNames, AreNotRecognisedWithAsciiLetters) {
  TSongDetails song;
  TTokenList tokens;
  RecognizeFileName(std::string("/music/") + GetParam().Name, tokens, song);
  EXPECT_EQ(song.Recognition(), TRecognition::Failed) << "class string '" << tokens.Classes << "'";
  EXPECT_EQ(song.Artist(), "");
  EXPECT_EQ(song.Title(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Table, AccentedNames,
    ::testing::Values(TAccentedName{"Bj\xc3\xb6rk - J\xc3\xb3ga.mp3", "Bj\xc3\xb6rk", "J\xc3\xb3ga"},
                      TAccentedName{"Mot\xc3\xb6rhead - Ace of Spades.mp3", "Mot\xc3\xb6rhead", "Ace of Spades"},
                      TAccentedName{"Sin\xc3\xa9"
                                    "ad O'Connor - Mandinka.mp3",
                                    "Sin\xc3\xa9"
                                    "ad O'Connor",
                                    "Mandinka"},
                      TAccentedName{"sigur r\xc3\xb3s - Hopp\xc3\xadpolla.mp3", "sigur r\xc3\xb3s",
                                    "Hopp\xc3\xadpolla"},
                      TAccentedName{"Zo\xc3\xab Keating - Optimist.mp3", "Zo\xc3\xab Keating", "Optimist"},
                      // "e" followed by the combining acute accent
                      TAccentedName{"Beyonce\xcc\x81 - Halo.mp3", "Beyonce\xcc\x81", "Halo"},
                      // Cyrillic and Latin letters in one name
                      TAccentedName{"\xd0\x94\xd0\xb8\xd0\xbc\xd0\xb0 Bilan - Believe.mp3",
                                    "\xd0\x94\xd0\xb8\xd0\xbc\xd0\xb0 Bilan", "Believe"}),
    CaseName);

TEST(AccentedLetters, AreCapitalisedAndComparedIgnoringCaseOnlyWhenAskedFor) {
  EXPECT_EQ(InitialCaps("\xc3\xa9t\xc3\xa9 \xc3\x89T\xc3\x89", kAscii), "\xc3\xa9t\xc3\xa9 \xc3\x89t\xc3\x89");
  EXPECT_FALSE(EqualsIgnoringCase("Bj\xc3\xb6rk", "BJ\xc3\x96RK", kAscii));
  EXPECT_EQ(AccentedLetterLength("\xc3\xa9", 0, kAscii), 0u);

  EXPECT_EQ(InitialCaps("\xc3\xa9t\xc3\xa9 \xc3\x89T\xc3\x89", kAccented), "\xc3\x89t\xc3\xa9 \xc3\x89t\xc3\xa9");
  EXPECT_EQ(InitialCaps("beyonce\xcc\x81 (live)", kAccented), "Beyonce\xcc\x81 (Live)");
  EXPECT_TRUE(EqualsIgnoringCase("Bj\xc3\xb6rk", "BJ\xc3\x96RK", kAccented));
  EXPECT_FALSE(EqualsIgnoringCase("Bj\xc3\xb6rk", "Bjork", kAccented));
  EXPECT_EQ(RemoveArtistFromTitle("MOT\xc3\x96RHEAD", "Mot\xc3\xb6rhead - Ace", kAccented), "Ace");
  EXPECT_EQ(FindIgnoringCase("xx J\xc3\x93GA", "j\xc3\xb3ga", kAccented), 3u);
  // Invalid UTF-8 is no letter, and is compared byte for byte.
  EXPECT_EQ(AccentedLetterLength("\xc3", 0, kAccented), 0u);
  EXPECT_EQ(InitialCaps("\xff\xfe abc", kAccented), "\xff\xfe Abc");
  // Clean-up and a known spelling go by the letters they are given.
  EXPECT_EQ(CleanupText("BJ\xc3\x96RK", nullptr, kAccented), "Bj\xc3\xb6rk");
  EXPECT_EQ(CleanupText("BJ\xc3\x96RK", nullptr, kAscii), "Bj\xc3\x96rk");
  TKnownSpellings spellings;
  spellings.Add("DJ TI\xc3\x8bSTO");
  EXPECT_EQ(InitialCaps("dj ti\xc3\xabsto mix", &spellings, kAccented), "DJ TI\xc3\x8bSTO Mix");
  EXPECT_EQ(InitialCaps("dj ti\xc3\xabsto mix", &spellings, kAscii), "Dj Ti\xc3\xabsto Mix");
}

TEST(AccentedLetters, LetAHandsFreeNameHoldOnlyItsDetails) {
  TSongDetails song;
  song.SetArtist("Bj\xc3\xb6rk");
  song.SetTitle("J\xc3\xb3ga");
  // With ASCII letters, the accented letters are no word letters: what is left of the name is taken
  // for nothing.
  EXPECT_TRUE(TextHoldsOnlyDetails(song, "BJ\xc3\x96RK - J\xc3\x93GA", kAscii));
  EXPECT_TRUE(TextHoldsOnlyDetails(song, "BJ\xc3\x96RK - J\xc3\x93GA", kAccented));
  EXPECT_FALSE(TextHoldsOnlyDetails(song, "Bj\xc3\xb6rk - J\xc3\xb3ga - \xc3\xa9t\xc3\xa9", kAccented));
  // A word left over without any ASCII letter (katakana, or accented letters only) is a word too.
  EXPECT_FALSE(
      TextHoldsOnlyDetails(song, "Bj\xc3\xb6rk - J\xc3\xb3ga (\xe3\x83\xa9\xe3\x82\xa4\xe3\x83\x96)", kAccented));
  EXPECT_FALSE(TextHoldsOnlyDetails(song, "Bj\xc3\xb6rk - J\xc3\xb3ga \xc3\xa9\xc3\xa9", kAccented));
}

}  // namespace
}  // namespace tagwright

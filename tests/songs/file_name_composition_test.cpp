#include "songs/file_name_composition.h"

#include "text/ascii_text.h"

#include <gtest/gtest.h>

namespace tagwright {
namespace {

TSongDetails Details(const char* track, const char* artist, const char* title, const char* mix = "") {
  TSongDetails song;
  song.SetTrack(track);
  song.SetArtist(artist);
  song.SetTitle(title);
  song.SetMix(mix);
  return song;
}

TEST(MakeFileNameSafe, ReplacesWhatNamesCannotHold) {
  using Pair = std::pair<const char*, const char*>;
  for (const auto& [in, out] : {Pair{"Simon / Garfunkel", "Simon, Garfunkel"}, Pair{"AC/DC", "AC,DC"},
                                Pair{"Why? (Live: Paris)", "Why (Live Paris)"}, Pair{"a  :  b", "a b"},
                                Pair{"say \"hi\"", "say 'hi'"}, Pair{"<x>*", "(x)"}, Pair{"a\\b", "a,b"},
                                Pair{" x | y ", " x | y "}, Pair{"a     b", "a b"}, Pair{"tab\there", "tabhere"},
                                Pair{"line\nbreak\r", "linebreak"}, Pair{"del\x7F", "del"}, Pair{"\x01\x1F", ""}}) {
    EXPECT_EQ(MakeFileNameSafe(in), out) << in;
  }
}

// The one-pass replacement gives what replacing each character in turn gives, on many random texts
// made of the characters that matter.
TEST(MakeFileNameSafe, MatchesReplacingOneCharacterAfterAnother) {
  const auto reference = [](std::string_view text) {
    std::string result;
    for (const char c : text) {
      if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) result += c;
    }
    for (const auto& [find, replacement] : {std::pair<std::string_view, std::string_view>{"/", ","},
                                            {"\\", ","},
                                            {":", ""},
                                            {"*", ""},
                                            {"?", ""},
                                            {"\"", "'"},
                                            {"<", "("},
                                            {">", ")"},
                                            {" ,", ","}}) {
      result = ReplaceAll(result, find, replacement);
    }
    std::string collapsed;
    for (const char c : result) {
      if (c == ' ' && !collapsed.empty() && collapsed.back() == ' ') continue;
      collapsed += c;
    }
    return collapsed;
  };
  const std::string alphabet = "ab /\\:*?\"<>, \t\x7F";
  std::uint32_t seed = 12345;
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    const int length = static_cast<int>(seed % 12);
    for (int i = 0; i < length; ++i) {
      seed = seed * 1103515245u + 12345u;
      text += alphabet[(seed >> 16) % alphabet.size()];
    }
    seed = seed * 1103515245u + 12345u;
    ASSERT_EQ(MakeFileNameSafe(text), reference(text)) << "[" << text << "]";
  }
}

TEST(ComposeFileName, BuildsTrackArtistAndFullTitleInTheSameFolder) {
  const std::string path = "/home/u/Music/old name.MP3";
  EXPECT_EQ(ComposeFileName(Details("3", "AC/DC", "Back In Black"), path),
            "/home/u/Music/03 - AC,DC - Back In Black.mp3");
  EXPECT_EQ(ComposeFileName(Details("", "Moby", "Porcelain", "Remix"), path),
            "/home/u/Music/Moby - Porcelain (Remix).mp3");
  EXPECT_EQ(ComposeFileName(Details("0", "", "Intro"), path), "/home/u/Music/Intro.mp3");
  EXPECT_EQ(ComposeFileName(Details("", "", ""), path), "/home/u/Music/.mp3");
  EXPECT_EQ(ComposeFileName(Details("", "Moby", "", "Remix"), path), "/home/u/Music/Moby -  (Remix).mp3");
  EXPECT_EQ(ComposeFileName(Details("7", "", "x"), "plain.mp3"), "07 - x.mp3");
  EXPECT_EQ(ComposeFileName(Details("", "", "x"), "/a:b\\c/old.mp3"), "/a:b\\c/x.mp3");
}

TEST(IsFileRenamed, ComparesTheComposedNameAsAPrefixCaseSensitively) {
  struct Case {
    const char* file;
    bool renamed;
  };
  for (const Case& c : {Case{"/m/Moby - Porcelain.mp3", true}, Case{"/m/moby - porcelain.mp3", false},
                        Case{"/m/Moby - Porcelain (2).mp3", true}, Case{"/m/Moby - Porcelain.MP3", true},
                        Case{"/m/Moby - Porcelain", true}, Case{"/m/Moby - Porc.mp3", false}}) {
    TSongFile song;
    EXPECT_TRUE(song.SetFileName(c.file, false).Ok());
    song.SetArtist("Moby");
    song.SetTitle("Porcelain");
    song.SetTrack("");
    song.SetCopy("");
    EXPECT_EQ(IsFileRenamed(song), c.renamed) << c.file;
  }
  TSongFile empty;
  EXPECT_TRUE(empty.SetFileName("/m/whatever+name.mp3", false).Ok());
  EXPECT_TRUE(IsFileRenamed(empty));
}

TEST(AlnumWords, KeepsOnlyLettersAndDigits) {
  EXPECT_EQ(AlnumWords("AC/DC - Back_In Black!"), "AC DC Back In Black");
  EXPECT_EQ(AlnumWords("  --caf\xC3\xA9-- "), "caf");
  EXPECT_EQ(AlnumWords(""), "");
}

TEST(FileNameHoldsOnlyDetails, RemovesEachDetailOnceInFieldOrder) {
  struct Case {
    TSongDetails details;
    const char* name;
    bool holdsOnly;
  };
  TSongDetails a = Details("", "A", "Abc");
  TSongDetails commentAndYear;
  commentAndYear.SetComment("Nice");
  commentAndYear.SetYear("1999");
  const Case cases[] = {
      {Details("1", "Moby", "Porcelain"), "01 - moby - porcelain.mp3", true},
      {Details("1", "Moby", "Porcelain"), "/m/01 - Moby - Porcelain [Live].mp3", false},
      {a, "Abc A.mp3", false},
      {a, "A Abc.mp3", true},
      {commentAndYear, "Nice 1999.mp3", false},
      {Details("", "Moby", "Why"), "", false},
      {Details("", "Moby", "Why"), "Moby - Why - Moby.mp3", false},
      {Details("", "Moby", "Why"), "/dir 9/Moby_-_Why!.mp3", true},
  };
  for (const Case& c : cases) EXPECT_EQ(FileNameHoldsOnlyDetails(c.details, c.name), c.holdsOnly) << c.name;
}

}  // namespace
}  // namespace tagwright

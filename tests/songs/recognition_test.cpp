#include "songs/recognition.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "songs/song_file.h"
#include "songs/song_pattern_table.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"

namespace tagwright {
namespace {

struct Expected {
  const char* name;
  TRecognition recognition;
  const char* artist = "";
  const char* title = "";
  const char* mix = "";
  const char* track = "";
  const char* copy = "";
  const char* album = "";
};

void PrintTo(const Expected& e, std::ostream* out) { *out << '\'' << e.name << '\''; }

// A test name made of the file name's letters and digits, and the case's position.
std::string CaseName(const ::testing::TestParamInfo<Expected>& info) {
  std::string name = std::to_string(info.index) + "_";
  for (const char* c = info.param.name; *c != 0; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name;
}

class FileNameRecognition : public ::testing::TestWithParam<Expected> {};

TEST_P(FileNameRecognition, GivesTheDetailsOfTheName) {
  const Expected& e = GetParam();
  TSongDetails song;
  TTokenList tokens;
  RecognizeFileName(std::string("/music/") + e.name, tokens, song);
  EXPECT_EQ(song.Recognition(), e.recognition) << "class string '" << tokens.Classes << "'";
  EXPECT_EQ(song.Artist(), e.artist);
  EXPECT_EQ(song.Title(), e.title);
  EXPECT_EQ(song.Mix(), e.mix);
  EXPECT_EQ(song.Track(), e.track);
  EXPECT_EQ(song.Copy(), e.copy);
  EXPECT_EQ(song.Album(), e.album);
  EXPECT_EQ(song.UnsavedID3(), e.recognition != TRecognition::Failed);
}

// More Name Styles only ever looks at a name the table does not fit.
TEST_P(FileNameRecognition, IsTheSameWithMoreNameStylesWhenThePatternTableFits) {
  const Expected& e = GetParam();
  if (e.recognition != TRecognition::Pattern) GTEST_SKIP() << "not fitted by the table";
  TSongDetails song;
  TTokenList tokens;
  RecognizeFileName(std::string("/music/") + e.name, tokens, song, TRecognitionOptions{.MoreNameStyles = true});
  EXPECT_EQ(song.Recognition(), e.recognition);
  EXPECT_EQ(song.Artist(), e.artist);
  EXPECT_EQ(song.Title(), e.title);
  EXPECT_EQ(song.Mix(), e.mix);
  EXPECT_EQ(song.Track(), e.track);
  EXPECT_EQ(song.Copy(), e.copy);
  EXPECT_FALSE(song.TidiedName());
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, FileNameRecognition,
    ::testing::Values(
        Expected{"Madonna - Like A Prayer.mp3", TRecognition::Pattern, "Madonna", "Like A Prayer"},
        Expected{"The Beatles - Let It Be.mp3", TRecognition::Pattern, "The Beatles", "Let It Be"},
        Expected{"01 - Madonna - Like A Prayer.mp3", TRecognition::Pattern, "Madonna", "Like A Prayer", "", "01"},
        Expected{"02-artist_name-song_title.mp3", TRecognition::Pattern, "artist name", "song title", "", "02"},
        Expected{"Blink 182 - Dammit.mp3", TRecognition::Pattern, "Blink 182", "Dammit"},
        Expected{"Jay-Z - Song.mp3", TRecognition::Pattern, "Jay-Z", "Song"},
        Expected{"Moby - Porcelain [Remix].mp3", TRecognition::Pattern, "Moby", "Porcelain", "Remix"},
        Expected{"Some Artist - 1999 (Club Mix).mp3", TRecognition::Pattern, "Some Artist", "1999", "Club Mix"},
        Expected{"Artist - My Title (2).mp3", TRecognition::Pattern, "Artist", "My Title", "", "", "2"},
        Expected{"Artist - Title (2).mp3", TRecognition::Failed, "", "", "", "", "2"},
        Expected{"Artist - Title(2).mp3", TRecognition::Pattern, "Artist", "Title", "", "", "2"},
        Expected{"Track05.mp3", TRecognition::Pattern, "", "", "", "05"},
        Expected{"Track 05.mp3", TRecognition::LoosePattern, "", "Track 05"},
        Expected{"Artist - Title 2.mp3", TRecognition::LoosePattern, "Artist", "Title 2"},
        Expected{"05 Artist - Title.mp3", TRecognition::Failed}, Expected{" Artist - Title.mp3", TRecognition::Failed},
        Expected{"Artist+Title.mp3", TRecognition::Failed}, Expected{"Beyonc\xC3\xA9 - Halo.mp3", TRecognition::Failed},
        Expected{"Back\\Slash - Title.mp3", TRecognition::Failed}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, FileNameRecognition,
    ::testing::Values(Expected{".mp3", TRecognition::Failed},
                      Expected{"Artist  -  Title.mp3", TRecognition::Pattern, "Artist", "Title"},
                      Expected{"Artist - Title.MP3", TRecognition::Pattern, "Artist", "Title"},
                      Expected{"Artist - Title.flac", TRecognition::Pattern, "Artist", "Title.flac"},
                      Expected{"Artist - Title", TRecognition::Pattern, "Artist", "Title"},
                      Expected{"TRACK05.mp3", TRecognition::Pattern, "", "", "", "05"},
                      Expected{"track05.mp3", TRecognition::Pattern, "", "", "", "05"},
                      Expected{"Tracks05.mp3", TRecognition::Pattern, "", "Tracks05"},
                      Expected{"(2).mp3", TRecognition::Failed},
                      Expected{"Title.mp3", TRecognition::Pattern, "", "Title"},
                      Expected{"07.mp3", TRecognition::Pattern, "", "", "", "07"},
                      Expected{"A.B.C. - Easy As 123.mp3", TRecognition::Pattern, "A.B.C.", "Easy As 123"},
                      Expected{"2 Hits - 05 - Song.mp3", TRecognition::Pattern, "", "Song", "", "05", "", "2 Hits"},
                      Expected{"Hits 2 - 05 - Song.mp3", TRecognition::Failed},
                      Expected{"Artist - Title (Live) (3).mp3", TRecognition::Failed, "", "", "", "", "3"},
                      Expected{"Artist - Title(Live)(3).mp3", TRecognition::Pattern, "Artist", "Title", "Live", "",
                               "3"}),
    CaseName);

TEST(TokenizeName, CutsRunsOfOneClass) {
  TTokenList tokens;
  TokenizeName("Ab  12-(x)_y\xC3\xA9/", tokens);
  EXPECT_EQ(tokens.Classes, "s #-(s) s?/");
  ASSERT_EQ(tokens.Count(), 11u);
  EXPECT_EQ(tokens.Text(1), "  ");
  EXPECT_EQ(tokens.Text(9), "\xC3\xA9");
}

TEST(TokenizeName, KnowsEveryCharacterClass) {
  const std::string words = "AZaz!#&',.\"`";
  for (char c : words) EXPECT_EQ(CharacterClass(c), kWordClass) << c;
  for (char c : std::string(" _")) EXPECT_EQ(CharacterClass(c), kSpaceClass);
  for (char c : std::string("([{")) EXPECT_EQ(CharacterClass(c), kOpenClass);
  for (char c : std::string(")]}")) EXPECT_EQ(CharacterClass(c), kCloseClass);
  for (char c : std::string("/\\")) EXPECT_EQ(CharacterClass(c), kSlashClass);
  for (char c : std::string("$%*+:;<=>?^~@|\x01\x1f\x7f\x80\xff")) EXPECT_EQ(CharacterClass(c), kOtherClass) << int(c);
}

TEST(MergeWordTokens, AppliesEachRuleUntilItNoLongerMatches) {
  struct Case {
    const char* text;
    const char* classes;
    std::vector<std::string> texts;
  };
  const Case cases[] = {
      {"Like A Prayer", "s", {"Like A Prayer"}},
      {"The Beatles - Let It Be", "s- s", {"The Beatles ", "-", " ", "Let It Be"}},
      {"a b", "s", {"a b"}},
      {"a b ", "s", {"a b "}},
      {"a - b", "s - s", {"a", " ", "-", " ", "b"}},
      {"a  b", "s", {"a  b"}},  // a double space is one token, so "s s" joins it
  };
  for (const Case& c : cases) {
    TTokenList tokens;
    TokenizeName(c.text, tokens);
    MergeWordTokens(tokens);
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < tokens.Count(); ++i) texts.emplace_back(tokens.Text(i));
    EXPECT_EQ(tokens.Classes, c.classes) << c.text;
    EXPECT_EQ(texts, c.texts) << c.text;
  }
}

TEST(RecognizeSong, LeavesTheFinalTokensInTheCallersList) {
  TSongDetails song;
  TTokenList tokens;
  RecognizeFileName("/m/Artist - Title 2 (4).mp3", tokens, song);
  EXPECT_EQ(song.Recognition(), TRecognition::LoosePattern);
  EXPECT_EQ(tokens.Classes, "s - s");  // copy suffix gone, loose codes merged
  EXPECT_EQ(song.Copy(), "4");
}

TEST(RecognizeSong, KeepsFieldsTheMatchingRowDoesNotName) {
  TSongDetails song;
  song.SetAlbum("Kept Album");
  song.SetArtist("Old Artist");
  song.SetUnsavedID3(true);
  TTokenList tokens;
  RecognizeFileName("/m/Just A Title.mp3", tokens, song);
  EXPECT_EQ(song.Recognition(), TRecognition::Pattern);
  EXPECT_EQ(song.Title(), "Just A Title");
  EXPECT_EQ(song.Artist(), "Old Artist");
  EXPECT_EQ(song.Album(), "Kept Album");
  EXPECT_TRUE(song.UnsavedID3());
}

TEST(RecognizeSong, ResetsOnlyTheRecognitionKindWhenNothingMatches) {
  TSongDetails song;
  song.SetTitle("Before");
  song.SetRecognition(TRecognition::ID3Tag);
  TTokenList tokens;
  RecognizeFileName("/m/a+b.mp3", tokens, song);
  EXPECT_EQ(song.Recognition(), TRecognition::Failed);
  EXPECT_EQ(song.Title(), "Before");
}

TEST(RecognizeSong, CutsTheNameOnlyAtSlashes) {
  TSongDetails song;
  TTokenList tokens;
  RecognizeFileName("/music/a.b/c:d/Moby - Why.mp3", tokens, song);
  EXPECT_EQ(song.Artist(), "Moby");
  RecognizeFileName("/music/c:Moby - Why.mp3", tokens, song);
  EXPECT_EQ(song.Recognition(), TRecognition::Failed);  // ":" is part of the name here
}

TEST(MatchSongPattern, TakesTheFirstRowOfEqualPatternAndTouchesNothingOtherwise) {
  TTokenList tokens;
  TokenizeName("x", tokens);
  TSongDetails song;
  song.SetTitle("untouched");
  EXPECT_FALSE(MatchSongPattern("s s s", tokens, song));
  EXPECT_EQ(song.Title(), "untouched");
  EXPECT_FALSE(song.UnsavedID3());
  EXPECT_FALSE(MatchSongPattern("", tokens, song));
}

TEST(SongPatternTable, HasEightyFourDistinctRowsWithinTheirPatterns) {
  const auto table = SongPatternTable();
  ASSERT_EQ(table.size(), 84u);
  EXPECT_EQ(table.front().Pattern, "(s)-s");
  EXPECT_EQ(table[45].Pattern, "s - s (s#)");
  EXPECT_EQ(table.back().Pattern, "s (s)");
  std::set<std::string_view> patterns;
  for (const TSongPattern& row : table) {
    patterns.insert(row.Pattern);
    ASSERT_GE(row.Count, 1);
    for (const TPatternAssignment& a : row.Assignments()) {
      EXPECT_LE(a.First, a.Last) << row.Pattern;
      EXPECT_LT(a.Last, row.Pattern.size()) << row.Pattern;
    }
    EXPECT_EQ(row.Pattern.find("ss"), std::string_view::npos) << row.Pattern;
  }
  EXPECT_EQ(patterns.size(), table.size());
}

}  // namespace
}  // namespace tagwright

namespace tagwright {
namespace {

class TagPath : public ::testing::Test {
 protected:
  std::string SongWithTags(const std::string& name, const TID3Info& tags) {
    std::string path = folder.WriteFile(name, testing::SongAudio(204));
    EXPECT_TRUE(WriteID3Tags(path, tags).Ok());
    return path;
  }
  testing::TTempFolder folder;
};

TEST_F(TagPath, TheTagWinsAndTheNameFillsOnlyTitleArtistAndTrack) {
  TID3Info tags;
  tags.Title = "Halo";
  const std::string path = SongWithTags("03 - Intro.mp3", tags);
  TSongDetails song;
  TTokenList tokens;
  ASSERT_TRUE(RecognizeSong(path, tokens, true, song).Ok());
  EXPECT_EQ(song.Recognition(), TRecognition::ID3Tag);
  EXPECT_EQ(song.Title(), "Halo");
  EXPECT_EQ(song.Artist(), "");
  EXPECT_EQ(song.Track(), "03");
  EXPECT_TRUE(song.UnsavedID3());
}

TEST_F(TagPath, ACompleteTagLeavesTheSongSaved) {
  TID3Info tags;
  tags.Title = "Why";
  tags.Artist = "Moby";
  tags.Album = "Play";
  tags.Genre = "Rock";
  tags.Track = 7;
  const std::string path = SongWithTags("Other - Name [Mix].mp3", tags);
  TSongFile song;
  EXPECT_TRUE(song.SetFileName(path).Ok());
  EXPECT_EQ(song.Recognition(), TRecognition::ID3Tag);
  EXPECT_EQ(song.Artist(), "Moby");
  EXPECT_EQ(song.Title(), "Why");
  EXPECT_EQ(song.Mix(), "");  // the name's mix is not used when the tag has a title
  EXPECT_EQ(song.Album(), "Play");
  EXPECT_EQ(song.Genre(), "Rock");
  EXPECT_EQ(song.Track(), "07");
  EXPECT_FALSE(song.UnsavedID3());
}

TEST_F(TagPath, TakesTheTitleWithItsMixFromTheNameAndIgnoresLooseMatches) {
  TID3Info tags;
  tags.Album = "Only Album";
  const std::string path = SongWithTags("Moby - Porcelain [Remix].mp3", tags);
  TSongFile song;
  EXPECT_TRUE(song.SetFileName(path).Ok());
  EXPECT_EQ(song.Recognition(), TRecognition::ID3Tag);
  EXPECT_EQ(song.FullTitle(), "Porcelain (Remix)");
  EXPECT_EQ(song.Artist(), "Moby");
  EXPECT_EQ(song.Album(), "Only Album");

  const std::string loose = SongWithTags("Track 05.mp3", tags);
  TSongFile looseSong;
  EXPECT_TRUE(looseSong.SetFileName(loose).Ok());
  EXPECT_EQ(looseSong.Title(), "");  // only a loose match: the name gives nothing
  EXPECT_FALSE(looseSong.UnsavedID3());
}

TEST_F(TagPath, WithoutTagUseTheNameIsRecognisedAlone) {
  TID3Info tags;
  tags.Title = "Tag Title";
  const std::string path = SongWithTags("Moby - Why.mp3", tags);
  TSongFile song;
  EXPECT_TRUE(song.SetFileName(path, false).Ok());
  EXPECT_EQ(song.Recognition(), TRecognition::Pattern);
  EXPECT_EQ(song.Title(), "Why");
}

}  // namespace
}  // namespace tagwright

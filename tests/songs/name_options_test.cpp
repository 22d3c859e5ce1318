// More Name Styles and Keep Known Spellings: each is off unless asked for, and with it on a name the
// pattern table fits today is read exactly as today.
#include <gtest/gtest.h>

#include <cctype>

#include "songs/known_spellings.h"
#include "songs/recognition.h"
#include "songs/song_file.h"
#include "songs/text_cleanup.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"

namespace tagwright {
namespace {

struct Styled {
  const char* name;
  TRecognition recognition;  // with More Name Styles
  const char* artist = "";
  const char* title = "";
  const char* track = "";
  const char* year = "";
  const char* copy = "";
  const char* url = "";
  const char* mix = "";
};

void PrintTo(const Styled& s, std::ostream* out) { *out << '\'' << s.name << '\''; }

std::string CaseName(const ::testing::TestParamInfo<Styled>& info) {
  std::string name = std::to_string(info.index) + "_";
  for (const char* c = info.param.name; *c != 0; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name;
}

TSongDetails Recognised(const std::string& name, bool moreStyles) {
  TSongDetails song;
  TTokenList tokens;
  RecognizeFileName("/music/" + name, tokens, song, TRecognitionOptions{moreStyles});
  return song;
}

class MoreNameStyles : public ::testing::TestWithParam<Styled> {};

TEST_P(MoreNameStyles, RecognisesTheTidiedName) {
  const Styled& s = GetParam();
  const TSongDetails song = Recognised(s.name, true);
  EXPECT_EQ(song.Recognition(), s.recognition);
  EXPECT_EQ(song.Artist(), s.artist);
  EXPECT_EQ(song.Title(), s.title);
  EXPECT_EQ(song.Track(), s.track);
  EXPECT_EQ(song.Year(), s.year);
  EXPECT_EQ(song.Copy(), s.copy);
  EXPECT_EQ(song.URL(), s.url);
  EXPECT_EQ(song.Mix(), s.mix);
  // Only a name the table fails on is tidied, and only then is the song marked so.
  const TSongDetails plain = Recognised(s.name, false);
  const bool tableFits = plain.Recognition() == TRecognition::Pattern;
  EXPECT_EQ(song.TidiedName(), !tableFits && s.recognition == TRecognition::Pattern);
  EXPECT_FALSE(plain.TidiedName());
}

constexpr auto kPattern = TRecognition::Pattern;
constexpr auto kLoose = TRecognition::LoosePattern;
constexpr auto kFailed = TRecognition::Failed;

INSTANTIATE_TEST_SUITE_P(
    RealNames, MoreNameStyles,
    ::testing::Values(
        Styled{"02 Pharrell Williams - Happy.mp3", kPattern, "Pharrell Williams", "Happy", "02"},
        Styled{"05. Coldplay - Yellow.mp3", kPattern, "Coldplay", "Yellow", "05"},
        Styled{"(05) Coldplay - Yellow.mp3", kPattern, "Coldplay", "Yellow", "05"},
        Styled{"[12] Daft Punk - Digital Love.mp3", kPattern, "Daft Punk", "Digital Love", "12"},
        // Three digits are a track too (a box set's), four are not.
        Styled{"105. Coldplay - Yellow.mp3", kPattern, "Coldplay", "Yellow", "105"},
        Styled{"[105] Coldplay - Yellow.mp3", kPattern, "Coldplay", "Yellow", "105"},
        Styled{"1005. Coldplay - Yellow.mp3", kFailed}, Styled{"(1005) Coldplay - Yellow.mp3", kFailed},
        Styled{"Dua Lipa  -  Levitating .mp3", kPattern, "Dua Lipa", "Levitating"},
        Styled{"Toto - Africa (1).mp3", kPattern, "Toto", "Africa", "", "", "1"},
        Styled{"Toto - Africa - Copy.mp3", kPattern, "Toto", "Africa"},
        Styled{"[2019] Billie Eilish - Bad Guy.mp3", kPattern, "Billie Eilish", "Bad Guy", "", "2019"},
        Styled{"Billie Eilish - Bad Guy (2019) (Official Audio).mp3", kPattern, "Billie Eilish", "Bad Guy", "", "2019"},
        // The table reads a number in brackets at the end as a copy number, a year too.
        Styled{"Billie Eilish - Bad Guy (2019).mp3", kPattern, "Billie Eilish", "Bad Guy", "", "", "2019"},
        Styled{"Rick Astley - Never Gonna Give You Up (Official Music Video) [dQw4w9WgXcQ].mp3", kPattern,
               "Rick Astley", "Never Gonna Give You Up"},
        Styled{"a-ha - Take On Me (Official Video) (1).mp3", kPattern, "a-ha", "Take On Me", "", "", "1"},
        Styled{"a-ha - Take On Me (Official Video).mp3", kPattern, "a-ha", "Take On Me", "", "", "", "",
               "Official Video"},
        Styled{"Adele - Hello (Lyrics) [x7XlbcIzPDI].mp3", kPattern, "Adele", "Hello"},
        Styled{"Eminem - Lose Yourself - www.mp3download.example.mp3", kPattern, "Eminem", "Lose Yourself", "", "", "",
               "www.mp3download.example"},
        Styled{"Eminem - Lose Yourself (www.mp3download.example).mp3", kPattern, "Eminem", "Lose Yourself", "", "", "",
               "www.mp3download.example"},
        Styled{"Sade \xE2\x80\x93 Smooth Operator.mp3", kPattern, "Sade", "Smooth Operator"},
        Styled{"Sade \xE2\x80\x94 Smooth Operator.mp3", kPattern, "Sade", "Smooth Operator"},
        Styled{"Blur_-_Girls_&_Boys_.mp3", kPattern, "Blur", "Girls & Boys"},
        Styled{"Adele - Hello (Lyrics).mp3", kPattern, "Adele", "Hello", "", "", "", "", "Lyrics"},
        // What the table fits already stays exactly as it is.
        Styled{"Madonna - Like A Prayer.mp3", kPattern, "Madonna", "Like A Prayer"},
        Styled{"Moby - Porcelain [Remix].mp3", kPattern, "Moby", "Porcelain", "", "", "", "", "Remix"},
        Styled{"Artist - My Title (2).mp3", kPattern, "Artist", "My Title", "", "", "2"},
        Styled{"Some Artist - 1999 (Club Mix).mp3", kPattern, "Some Artist", "1999", "", "", "", "", "Club Mix"},
        // No false artist from a number, a year or a web address alone.
        Styled{"50 Cent - In Da Club.mp3", kFailed}, Styled{"3 Doors Down - Kryptonite.mp3", kFailed},
        Styled{"[2019] Bad Guy.mp3", kPattern, "", "Bad Guy", "", "2019"},
        Styled{"Song - www.example.com (1).mp3", kPattern, "", "Song", "", "", "1", "www.example.com"},
        Styled{"Artist - Title 2.mp3", kLoose, "Artist", "Title 2"}, Styled{"05 Yellow.mp3", kFailed},
        Styled{"Moby - Porcelain [Remastered].mp3", kPattern, "Moby", "Porcelain", "", "", "", "", "Remastered"},
        Styled{"(2019).mp3", kFailed}),
    CaseName);

TEST(MoreNameStyles, OffByDefaultNamesStayUnrecognised) {
  for (const char* name : {"02 Pharrell Williams - Happy.mp3", "Dua Lipa  -  Levitating .mp3",
                           "[2019] Billie Eilish - Bad Guy.mp3", "Toto - Africa (1).mp3"}) {
    EXPECT_EQ(Recognised(name, false).Recognition(), TRecognition::Failed) << name;
  }
  // The loose attempt's reading is replaced, web address and all.
  const TSongDetails loose = Recognised("Eminem - Lose Yourself - www.mp3download.example.mp3", false);
  EXPECT_EQ(loose.Recognition(), TRecognition::LoosePattern);
  EXPECT_EQ(loose.Title(), "Lose Yourself - www.mp3download.example");
}

TEST(MoreNameStyles, FillsTheGapsOfATagFromTheTidiedName) {
  testing::TTempFolder folder;
  const std::string path = folder.WriteFile("05. Coldplay - Yellow (Official Video).mp3", testing::SongAudio());
  TID3Info tags;
  tags.Title = "Yellow";
  ASSERT_TRUE(WriteID3Tags(path, tags).Ok());
  TSongFile plain;
  ASSERT_TRUE(plain.SetFileName(path).Ok());
  EXPECT_EQ(plain.Artist(), "");
  TSongFile styled;
  ASSERT_TRUE(styled.SetFileName(path, true, {true}).Ok());
  EXPECT_EQ(styled.Recognition(), TRecognition::ID3Tag);
  EXPECT_EQ(styled.Title(), "Yellow");  // the tag's
  EXPECT_EQ(styled.Artist(), "Coldplay");
  EXPECT_EQ(styled.Track(), "05");
}

struct Spelled {
  const char* in;
  const char* kept;   // InitialCaps with the shipped list
  const char* plain;  // InitialCaps as ever
};

class KeepKnownSpellings : public ::testing::TestWithParam<Spelled> {};

TEST_P(KeepKnownSpellings, KeepsWhatTheListAndMixedWordsSpell) {
  const Spelled& s = GetParam();
  EXPECT_EQ(InitialCaps(s.in, &TKnownSpellings::Shipped()), s.kept);
  EXPECT_EQ(InitialCaps(s.in, nullptr), s.plain);
  EXPECT_EQ(InitialCaps(s.in), s.plain);
}

INSTANTIATE_TEST_SUITE_P(
    RealNames, KeepKnownSpellings,
    ::testing::Values(Spelled{"ABBA", "ABBA", "Abba"}, Spelled{"abba", "ABBA", "Abba"},
                      Spelled{"AC/DC - back in black", "AC/DC - Back In Black", "Ac/dc - Back In Black"},
                      Spelled{"R.E.M.", "R.E.M.", "R.e.m."}, Spelled{"MGMT", "MGMT", "Mgmt"},
                      Spelled{"DJ Shadow", "DJ Shadow", "Dj Shadow"},
                      Spelled{"LCD Soundsystem", "LCD Soundsystem", "Lcd Soundsystem"},
                      Spelled{"Run-D.M.C.", "Run-D.M.C.", "Run-D.m.c."},
                      Spelled{"Sin\xC3\xA9"
                              "ad O'Connor",
                              "Sin\xC3\xA9"
                              "ad O'Connor",
                              "Sin\xC3\xA9"
                              "ad O'connor"},
                      Spelled{"Bobby McFerrin, LaBelle", "Bobby McFerrin, LaBelle", "Bobby Mcferrin, Labelle"},
                      Spelled{"eBay song", "eBay Song", "Ebay Song"}, Spelled{"D'Angelo", "D'Angelo", "D'angelo"},
                      Spelled{"song [radio edit]", "Song [Radio Edit]", "Song [radio Edit]"},
                      Spelled{"{live}", "{Live}", "{live}"},
                      Spelled{"ZZ TOP - la grange", "ZZ Top - La Grange", "Zz Top - La Grange"},
                      Spelled{"the b-52's", "The B-52's", "The B-52's"},
                      Spelled{"song feat. jay-z", "Song feat. JAY-Z", "Song Feat. Jay-Z"},
                      Spelled{"Song FT. MC Hammer", "Song ft. MC Hammer", "Song Ft. Mc Hammer"},
                      Spelled{"rocky ii (uk mix)", "Rocky II (UK Mix)", "Rocky Ii (Uk Mix)"},
                      // Only whole words: inside a longer word the list does not reach.
                      Spelled{"abbaesque djs", "Abbaesque DJs", "Abbaesque Djs"}, Spelled{"mcdj", "Mcdj", "Mcdj"},
                      Spelled{"KISS me", "Kiss Me", "Kiss Me"}, Spelled{"", "", ""},
                      // A spelling of several words, or with dots or a slash, ends with a word too.
                      Spelled{"zz topper", "Zz Topper", "Zz Topper"}, Spelled{"ac/dcx", "Ac/dcx", "Ac/dcx"},
                      Spelled{"run-d.m.c.s", "Run-D.m.c.s", "Run-D.m.c.s"}, Spelled{"r.e.m.x", "R.e.m.x", "R.e.m.x"},
                      Spelled{"lcd soundsystems", "LCD Soundsystems", "Lcd Soundsystems"},
                      // The forms file names give a spelling: a slash as a comma or a dash, dashes
                      // as spaces, an initialism without its last dot.
                      Spelled{"ac,dc - thunderstruck", "AC/DC - Thunderstruck", "Ac,dc - Thunderstruck"},
                      Spelled{"AC-DC", "AC/DC", "Ac-Dc"}, Spelled{"r.e.m - drive", "R.E.M. - Drive", "R.e.m - Drive"},
                      Spelled{"run dmc", "Run-DMC", "Run Dmc"}, Spelled{"run d.m.c", "Run-D.M.C.", "Run D.m.c"},
                      Spelled{"song ft mc", "Song Ft MC", "Song Ft Mc"}));

TEST(KeepKnownSpellings, CleanupKeepsSpellingsInTitlesArtistsAndUnderscoredNames) {
  const TKnownSpellings* list = &TKnownSpellings::Shipped();
  EXPECT_EQ(CleanupText("ac/dc", list), "AC/DC");
  EXPECT_EQ(CleanupText("lcd_soundsystem__all_my_friends", list), "LCD Soundsystem All My Friends");
  // Runs of spaces are halved in one pass, as without the list.
  for (const char* spaced : {"a___b", "x    y", "  x ", "a_ _ b   "}) {
    EXPECT_EQ(CleanupText(spaced, list), CleanupText(spaced)) << spaced;
  }
  EXPECT_EQ(CleanupTitle("ABBA", "ABBA - SOS", list), "SOS");
  EXPECT_EQ(CleanupTitle("ABBA", "ABBA - SOS"), "Sos");
}

TEST(KeepKnownSpellings, TheUsersWordsAddToTheListAndWinOverIt) {
  testing::TTempFolder folder;
  const std::string file = folder.WriteFile("words.txt", "KISS\r\n\n  deadmau5  \n# a note\nfeat\nDj\n");
  TKnownSpellings list = TKnownSpellings::Shipped();
  const std::size_t shipped = list.Count();
  ASSERT_TRUE(list.AddFile(file).Ok());
  EXPECT_EQ(list.Count(), shipped + 2);  // KISS and feat; deadmau5 and Dj were there
  EXPECT_EQ(InitialCaps("kiss dj DEADMAU5 feat", &list), "KISS Dj deadmau5 feat");

  const std::string latin1 = folder.WriteFile("latin1.txt", "Bj\xF6rk\n");
  TKnownSpellings refused;
  const TResult failed = refused.AddFile(latin1);
  EXPECT_FALSE(failed.Ok());
  EXPECT_EQ(refused.Count(), 0u);
  EXPECT_FALSE(refused.AddFile(folder / "missing.txt").Ok());
}

TEST(KeepKnownSpellings, TheShippedListHoldsSeveralHundredWellKnownStylings) {
  const TKnownSpellings& list = TKnownSpellings::Shipped();
  EXPECT_GE(list.Count(), 150u);
  for (const char* word :
       {"ABBA", "AC/DC", "R.E.M.", "MGMT", "INXS", "UB40", "TLC", "LCD", "N.W.A", "ZZ Top", "B-52's", "DJ", "MC", "II",
        "XX",   "feat.", "ft.",    "vs.",  "OK",   "UK",   "USA", "NYC", "R&B",   "EP",     "LP",     "CD", "TV"}) {
    const std::string text = std::string("x ") + word;
    const TSpellingForm* found = list.MatchAt(text, 2);
    ASSERT_NE(found, nullptr) << word;
    EXPECT_EQ(found->Spelling, word);
  }
}

}  // namespace
}  // namespace tagwright

#include "songs/song_details.h"

#include <gtest/gtest.h>

#include <memory>

#include "songs/song_list.h"
#include "support/temp_folder.h"

namespace tagwright {
namespace {

TEST(TSongDetails, SettersTrimBlanksAndControlCodesButNotTheGenre) {
  TSongDetails song;
  song.SetArtist("  Moby \t\r\n");
  song.SetTitle("\x01Title\x1f");
  song.SetGenre(" Pop ");
  EXPECT_EQ(song.Artist(), "Moby");
  EXPECT_EQ(song.Title(), "Title");
  EXPECT_EQ(song.Genre(), " Pop ");
  song.SetTitle("  caf\xC3\xA9  ");
  EXPECT_EQ(song.Title(), "caf\xC3\xA9");  // bytes above 127 are not blanks
}

TEST(TSongDetails, DerivedValues) {
  struct Case {
    const char* track;
    const char* padded;
  };
  for (const Case& c : {Case{"", ""}, Case{"0", ""}, Case{"7", "07"}, Case{"a", "0a"}, Case{"12", "12"},
                        Case{"00", "00"}, Case{"123", "123"}}) {
    TSongDetails song;
    song.SetTrack(c.track);
    EXPECT_EQ(song.PaddedTrack(), c.padded) << c.track;
  }
  TSongDetails song;
  song.SetTitle("Porcelain");
  EXPECT_EQ(song.FullTitle(), "Porcelain");
  song.SetMix("Remix");
  EXPECT_EQ(song.FullTitle(), "Porcelain (Remix)");
  song.SetTitle("");
  EXPECT_EQ(song.FullTitle(), " (Remix)");
}

TEST(TSongDetails, AssignCopiesThePaddedTrackAndKeepsTheTargetsFileName) {
  TSongDetails source;
  source.SetArtist("A");
  source.SetGenre(" G ");
  source.SetCD("2");
  source.SetRecognition(TRecognition::LoosePattern);
  source.SetUnsavedID3(true);
  for (const auto& [track, expected] : {std::pair{"0", ""}, std::pair{"9", "09"}, std::pair{"10", "10"}}) {
    source.SetTrack(track);
    TSongFile target;
    EXPECT_TRUE(target.SetFileName("/nowhere/name", false).Ok());
    target.Assign(source);
    EXPECT_EQ(target.Track(), expected);
    EXPECT_EQ(target.FileName(), "/nowhere/name");
    EXPECT_EQ(target.Artist(), "A");
    EXPECT_EQ(target.Genre(), " G ");
    EXPECT_EQ(target.CD(), "2");
    EXPECT_EQ(target.Recognition(), TRecognition::LoosePattern);
    EXPECT_TRUE(target.UnsavedID3());
  }
}

TEST(TSongDetails, AsTextListsTheKnownDetailsButNeverCommentOrYear) {
  TSongDetails song;
  song.SetComment("c");
  song.SetYear("1999");
  EXPECT_EQ(song.AsText(), "");
  song.SetArtist("Moby");
  song.SetTitle("Porcelain");
  song.SetMix("Remix");
  song.SetTrack("3");
  EXPECT_EQ(song.AsText(), "Artist: Moby, Title: Porcelain (Remix), Track: 03");
  song.Clear();
  song.SetMix2("m2");
  song.SetURL("u");
  EXPECT_EQ(song.AsText(), "URL: u, Mix2: m2");
}

TEST(TSongFile, BindingRecognisesOnceAndTakesOnlySuccess) {
  testing::TTempFolder folder;
  const std::string path = folder.WriteFile("05 - Moby - Why.mp3");
  TSongFile song;
  EXPECT_TRUE(song.SetFileName(path, false).Ok());
  EXPECT_EQ(song.Recognition(), TRecognition::Pattern);
  EXPECT_EQ(song.Artist(), "Moby");
  EXPECT_EQ(song.Track(), "05");

  song.SetArtist("Changed");
  EXPECT_TRUE(song.SetFileName(path, false).Ok());  // the same name: nothing happens
  EXPECT_EQ(song.Artist(), "Changed");

  const std::string failing = folder.WriteFile("Artist - Title (2).mp3");
  EXPECT_TRUE(song.SetFileName(failing, false).Ok());
  EXPECT_EQ(song.FileName(), failing);
  EXPECT_EQ(song.Recognition(), TRecognition::Failed);
  EXPECT_EQ(song.Artist(), "");
  EXPECT_EQ(song.Copy(), "");  // a failed recognition leaves the record empty
  EXPECT_FALSE(song.UnsavedID3());
}

std::vector<std::string> Artists(const TSongList& list) {
  std::vector<std::string> result;
  for (std::size_t i = 0; i < list.Count(); ++i) result.push_back(list[i]->Artist());
  return result;
}

TSongList ListOf(std::initializer_list<std::pair<const char*, const char*>> artistsAndTitles) {
  TSongList list;
  for (const auto& [artist, title] : artistsAndTitles) {
    auto song = std::make_unique<TSongFile>();
    song->SetArtist(artist);
    song->SetTitle(title);
    list.Add(std::move(song));
  }
  return list;
}

TEST(TSongList, SortsByAsciiUpperCasedBytes) {
  TSongList list = ListOf({{"_x", ""}, {"Zedd", ""}, {"zed", ""}, {"\xC3\xA9", ""}, {"a", ""}});
  list.SortBy(TSortOrder::Artist);
  EXPECT_EQ(Artists(list), (std::vector<std::string>{"a", "zed", "Zedd", "_x", "\xC3\xA9"}));
}

TEST(TSongList, BreaksTiesWithTheSecondKey) {
  TSongList list = ListOf({{"B", "x"}, {"a", "y"}, {"A", "x"}, {"b", "a"}});
  list.SortBy(TSortOrder::ArtistTitle);
  std::vector<std::string> order;
  for (std::size_t i = 0; i < list.Count(); ++i) order.push_back(list[i]->Artist() + list[i]->Title());
  EXPECT_EQ(order, (std::vector<std::string>{"Ax", "ay", "ba", "Bx"}));
  list.SortBy(TSortOrder::TitleArtist);
  order.clear();
  for (std::size_t i = 0; i < list.Count(); ++i) order.push_back(list[i]->Title() + list[i]->Artist());
  EXPECT_EQ(order, (std::vector<std::string>{"ab", "xA", "xB", "ya"}));
}

TEST(TSongList, SortsByFileName) {
  TSongList list;
  for (const char* name : {"/m/b.mp3", "/m/A.mp3", "/m/a/c.mp3"}) {
    auto song = std::make_unique<TSongFile>();
    EXPECT_TRUE(song->SetFileName(name, false).Ok());
    list.Add(std::move(song));
  }
  EXPECT_EQ(list[0]->FileName(), "/m/b.mp3");
  list.SortBy(TSortOrder::FileName);
  EXPECT_EQ(list[0]->FileName(), "/m/A.mp3");
  EXPECT_EQ(list[1]->FileName(), "/m/a/c.mp3");
  EXPECT_EQ(list[2]->FileName(), "/m/b.mp3");
  list.Delete(1);
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list[1]->FileName(), "/m/b.mp3");
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
}

}  // namespace
}  // namespace tagwright

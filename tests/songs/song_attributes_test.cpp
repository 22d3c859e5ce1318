#include "songs/song_attributes.h"

#include <gtest/gtest.h>

#include <memory>

#include "songs/song_attrib_list.h"
#include "support/temp_folder.h"

namespace tagwright {
namespace {

TEST(TSongAttributes, SettersTrimBlanksAndControlCodesButNotTheGenre) {
  TSongAttributes song;
  song.SetArtist("  Moby \t\r\n");
  song.SetTitle("\x01Title\x1f");
  song.SetGenre(" Pop ");
  EXPECT_EQ(song.Artist(), "Moby");
  EXPECT_EQ(song.Title(), "Title");
  EXPECT_EQ(song.Genre(), " Pop ");
  song.SetTitle("  caf\xC3\xA9  ");
  EXPECT_EQ(song.Title(), "caf\xC3\xA9");  // bytes above 127 are not blanks
}

TEST(TSongAttributes, DerivedValues) {
  struct Case {
    const char* track;
    const char* padded;
  };
  for (const Case& c : {Case{"", ""}, Case{"0", ""}, Case{"7", "07"}, Case{"a", "0a"}, Case{"12", "12"},
                        Case{"00", "00"}, Case{"123", "123"}}) {
    TSongAttributes song;
    song.SetTrack(c.track);
    EXPECT_EQ(song.PaddedTrack(), c.padded) << c.track;
  }
  TSongAttributes song;
  song.SetTitle("Porcelain");
  EXPECT_EQ(song.FullTitle(), "Porcelain");
  song.SetMix("Remix");
  EXPECT_EQ(song.FullTitle(), "Porcelain (Remix)");
  song.SetTitle("");
  EXPECT_EQ(song.FullTitle(), " (Remix)");
}

TEST(TSongAttributes, AssignCopiesThePaddedTrackAndKeepsTheTargetsFileName) {
  TSongAttributes source;
  source.SetArtist("A");
  source.SetGenre(" G ");
  source.SetCD("2");
  source.SetRecogType(rtLoosePattern);
  source.SetUnsavedID3(true);
  for (const auto& [track, expected] : {std::pair{"0", ""}, std::pair{"9", "09"}, std::pair{"10", "10"}}) {
    source.SetTrack(track);
    TAutoSongAttributes target;
    target.SetFileName("/nowhere/name", false);
    target.Assign(source);
    EXPECT_EQ(target.Track(), expected);
    EXPECT_EQ(target.FileName(), "/nowhere/name");
    EXPECT_EQ(target.Artist(), "A");
    EXPECT_EQ(target.Genre(), " G ");
    EXPECT_EQ(target.CD(), "2");
    EXPECT_EQ(target.RecogType(), rtLoosePattern);
    EXPECT_TRUE(target.UnsavedID3());
  }
}

TEST(TSongAttributes, AsTextListsTheKnownDetailsButNeverCommentOrYear) {
  TSongAttributes song;
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

TEST(TAutoSongAttributes, BindingRecognisesOnceAndTakesOnlySuccess) {
  testing::TTempFolder folder;
  const std::string path = folder.WriteFile("05 - Moby - Why.mp3");
  TAutoSongAttributes song;
  song.SetFileName(path, false);
  EXPECT_EQ(song.RecogType(), rtPattern);
  EXPECT_EQ(song.Artist(), "Moby");
  EXPECT_EQ(song.Track(), "05");

  song.SetArtist("Changed");
  song.SetFileName(path, false);  // the same name: nothing happens
  EXPECT_EQ(song.Artist(), "Changed");

  const std::string failing = folder.WriteFile("Artist - Title (2).mp3");
  song.SetFileName(failing, false);
  EXPECT_EQ(song.FileName(), failing);
  EXPECT_EQ(song.RecogType(), rtFailed);
  EXPECT_EQ(song.Artist(), "");
  EXPECT_EQ(song.Copy(), "");  // a failed recognition leaves the record empty
  EXPECT_FALSE(song.UnsavedID3());
}

std::vector<std::string> Artists(const TSongAttribList& list) {
  std::vector<std::string> result;
  for (std::size_t i = 0; i < list.Count(); ++i) result.push_back(list[i]->Artist());
  return result;
}

TSongAttribList ListOf(std::initializer_list<std::pair<const char*, const char*>> artistsAndTitles) {
  TSongAttribList list;
  for (const auto& [artist, title] : artistsAndTitles) {
    auto song = std::make_unique<TAutoSongAttributes>();
    song->SetArtist(artist);
    song->SetTitle(title);
    list.Add(std::move(song));
  }
  return list;
}

TEST(TSongAttribList, SortsByAsciiUpperCasedBytes) {
  TSongAttribList list = ListOf({{"_x", ""}, {"Zedd", ""}, {"zed", ""}, {"\xC3\xA9", ""}, {"a", ""}});
  list.SortBy(ssArtist);
  EXPECT_EQ(Artists(list), (std::vector<std::string>{"a", "zed", "Zedd", "_x", "\xC3\xA9"}));
}

TEST(TSongAttribList, BreaksTiesWithTheSecondKey) {
  TSongAttribList list = ListOf({{"B", "x"}, {"a", "y"}, {"A", "x"}, {"b", "a"}});
  list.SortBy(ssArtistTitle);
  std::vector<std::string> order;
  for (std::size_t i = 0; i < list.Count(); ++i) order.push_back(list[i]->Artist() + list[i]->Title());
  EXPECT_EQ(order, (std::vector<std::string>{"Ax", "ay", "ba", "Bx"}));
  list.SortBy(ssTitleArtist);
  order.clear();
  for (std::size_t i = 0; i < list.Count(); ++i) order.push_back(list[i]->Title() + list[i]->Artist());
  EXPECT_EQ(order, (std::vector<std::string>{"ab", "xA", "xB", "ya"}));
}

TEST(TSongAttribList, SortsByFileNameAndIgnoresUnknownOrders) {
  TSongAttribList list;
  for (const char* name : {"/m/b.mp3", "/m/A.mp3", "/m/a/c.mp3"}) {
    auto song = std::make_unique<TAutoSongAttributes>();
    song->SetFileName(name, false);
    list.Add(std::move(song));
  }
  list.SortBy(5);
  EXPECT_EQ(list[0]->FileName(), "/m/b.mp3");
  list.SortBy(ssFileName);
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

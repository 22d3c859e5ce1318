#include "songs/song_view_mode.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace tagwright {
namespace {

TEST(SongViewMode, SortOrders) {
  EXPECT_EQ(ViewModeSortOrder(TViewMode::PathFileName), TSortOrder::FileName);
  EXPECT_EQ(ViewModeSortOrder(TViewMode::FileName), TSortOrder::FileName);
  EXPECT_EQ(ViewModeSortOrder(TViewMode::ArtistTitle), TSortOrder::ArtistTitle);
  EXPECT_EQ(ViewModeSortOrder(TViewMode::TitleArtist), TSortOrder::TitleArtist);
  EXPECT_EQ(ViewModeSortOrder(TViewMode::Columns), TSortOrder::FileName);
}

TEST(SongViewMode, RowTexts) {
  testing::TTempFolder folder;
  const std::string path = folder.WriteFile("sub/Abba - Waterloo.mp3", "not audio");
  TSongFile song;
  EXPECT_TRUE(song.SetFileName(path, false).Ok());
  song.SetMix("Live");
  EXPECT_EQ(SongRowText(song, TViewMode::PathFileName), path);
  EXPECT_EQ(SongRowText(song, TViewMode::FileName), "Abba - Waterloo.mp3");
  EXPECT_EQ(SongRowText(song, TViewMode::ArtistTitle), "Artist: Abba,  Title: Waterloo (Live)");
  EXPECT_EQ(SongRowText(song, TViewMode::TitleArtist), "Title: Waterloo (Live),  Artist: Abba");
}

}  // namespace
}  // namespace tagwright

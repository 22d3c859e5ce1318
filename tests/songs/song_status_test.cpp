#include "songs/song_status.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace tagwright {
namespace {

// A song known by its file name only: artist and title from the pattern, not saved to a tag.
TSongFile SongNamed(const testing::TTempFolder& folder, const std::string& name) {
  TSongFile song;
  EXPECT_TRUE(song.SetFileName(folder.WriteFile(name, "not audio"), false).Ok());
  return song;
}

TEST(SongStatus, TheFirstRuleThatAppliesWins) {
  testing::TTempFolder folder;
  TSongFile song = SongNamed(folder, "Abba - Waterloo.mp3");
  ASSERT_EQ(song.Recognition(), TRecognition::Pattern);
  song.SetUnsavedID3(false);
  EXPECT_EQ(SongStatusOf(song), TSongStatus::Pattern);
  song.SetRecognition(TRecognition::LoosePattern);
  EXPECT_EQ(SongStatusOf(song), TSongStatus::Pattern);
  song.SetRecognition(TRecognition::ID3Tag);
  EXPECT_EQ(SongStatusOf(song), TSongStatus::Good);
  song.SetTitle("Waterloo Sunset");  // the name no longer holds the details
  EXPECT_EQ(SongStatusOf(song), TSongStatus::Unrenamed);
  song.SetUnsavedID3(true);
  EXPECT_EQ(SongStatusOf(song), TSongStatus::Unsaved);
  song.SetArtist("");
  EXPECT_EQ(SongStatusOf(song), TSongStatus::Incomplete);
  song.SetArtist("Abba");
  song.SetTitle("");
  EXPECT_EQ(SongStatusOf(song), TSongStatus::Incomplete);
}

}  // namespace
}  // namespace tagwright

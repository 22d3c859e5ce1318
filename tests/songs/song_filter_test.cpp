#include "songs/song_filter.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace tagwright {
namespace {

using enum TRecognitionFilter;

TFilterMask MaskOf(std::initializer_list<TRecognitionFilter> filters) {
  TFilterMask mask = 0;
  for (TRecognitionFilter filter : filters) mask = static_cast<TFilterMask>(mask | FilterBit(filter));
  return mask;
}

TEST(SongFilter, BitsFollowTheFilterOrder) {
  EXPECT_EQ(FilterBit(Unfiltered), 1U);
  EXPECT_EQ(FilterBit(NoGenre), 128U);
  const TFilterMask mask = MaskOf({Unfiltered, Incomplete});
  EXPECT_TRUE(MaskHasFilter(mask, Unfiltered));
  EXPECT_TRUE(MaskHasFilter(mask, Incomplete));
  EXPECT_FALSE(MaskHasFilter(mask, FailedRecognition));
  EXPECT_FALSE(MaskHasFilter(mask, NoGenre));
}

TEST(SongFilter, EachFilterTestsItsOwnRule) {
  testing::TTempFolder folder;
  TSongFile song;
  EXPECT_TRUE(song.SetFileName(folder.WriteFile("Abba - Waterloo.mp3", "not audio"), false).Ok());
  // From its name: pattern matching, not saved yet, no genre; complete and named after its details.
  EXPECT_EQ(SongFilterMask(song), MaskOf({Unfiltered, PatternMatching, UnsavedID3, NoGenre}));
  song.SetGenre("Pop");
  song.SetUnsavedID3(false);
  song.SetRecognition(TRecognition::ID3Tag);
  EXPECT_EQ(SongFilterMask(song), MaskOf({Unfiltered, ID3TagUsed}));
  song.SetRecognition(TRecognition::LoosePattern);
  EXPECT_EQ(SongFilterMask(song), MaskOf({Unfiltered, PatternMatching}));
  song.SetRecognition(TRecognition::Failed);
  song.SetTitle("Fernando");
  EXPECT_EQ(SongFilterMask(song), MaskOf({Unfiltered, FailedRecognition, UnrenamedFile}));
  song.SetTitle("");
  EXPECT_TRUE(MaskHasFilter(SongFilterMask(song), Incomplete));
}

}  // namespace
}  // namespace tagwright

#include "songs/song_listing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"

namespace tagwright {
namespace {

using testing::SongAudio;
using testing::TTempFolder;

// A folder of many songs, some tagged, one that is no regular file, one link to nowhere.
class SongListing : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 300; ++i) {
      const std::string path =
          folder.WriteFile(std::to_string(i % 10) + " - Artist " + std::to_string(i) + " - Song.mp3", SongAudio(700));
      if (i % 3 == 0) {
        TID3Info tags;
        tags.Title = "Tagged " + std::to_string(i);
        tags.Artist = "Someone";
        EXPECT_TRUE(WriteID3Tags(path, tags).Ok());
      }
      if (i % 7 == 0) {
        EXPECT_EQ(::chmod(path.c_str(), 0444), 0);
      }
      files.push_back(path);
    }
    pipe = folder / "150 - pipe.mp3";
    EXPECT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    files.insert(files.begin() + 150, pipe);
    const std::string dangling = folder / "nowhere.mp3";
    EXPECT_EQ(::symlink((folder / "gone.mp3").c_str(), dangling.c_str()), 0);
    files.push_back(dangling);
  }

  TTempFolder folder;
  std::vector<std::string> files;
  std::string pipe;
};

std::string Summary(const TSongFile& song) {
  return song.FileName() + "|" + song.Artist() + "|" + song.FullTitle() + "|" + song.PaddedTrack() + "|" +
         std::to_string(static_cast<int>(song.Recognition())) + "|" + (song.WritableWhenListed() ? "w" : "r");
}

TEST_F(SongListing, AnyNumberOfThreadsGivesTheSameSongsInTheSameOrder) {
  TListingOptions one;
  one.Jobs = 1;
  const TListing alone = ListSongs(files, one);
  for (const unsigned jobs : {2u, 8u, 16u}) {
    TListingOptions many;
    many.Jobs = jobs;
    const TListing together = ListSongs(files, many);
    ASSERT_EQ(together.Songs.Count(), alone.Songs.Count()) << jobs;
    for (std::size_t i = 0; i < alone.Songs.Count(); ++i) {
      EXPECT_EQ(Summary(*together.Songs[i]), Summary(*alone.Songs[i])) << jobs;
    }
    ASSERT_EQ(together.Failures.size(), 1u) << jobs;
  }
}

// The song that cannot be read is reported alone; the songs before and after it are listed, with
// what the tags and the permissions say.
TEST_F(SongListing, AFileThatCannotBeReadIsReportedForItselfOnly) {
  TListingOptions options;
  options.Jobs = 8;
  const TListing listing = ListSongs(files, options);
  ASSERT_EQ(listing.Failures.size(), 1u);
  EXPECT_EQ(listing.Failures[0].Path(), pipe);
  EXPECT_EQ(listing.Failures[0].Kind(), TFailureKind::Open);
  ASSERT_EQ(listing.Songs.Count(), files.size() - 1);
  EXPECT_EQ(listing.Songs[0]->Title(), "Tagged 0");
  EXPECT_FALSE(listing.Songs[0]->WritableWhenListed());  // no write bit
  EXPECT_TRUE(listing.Songs[1]->WritableWhenListed());
  EXPECT_EQ(listing.Songs[1]->Artist(), "Artist 1");  // from the name
  // A link to nowhere is a song without tags, known by its name, that cannot be written.
  EXPECT_FALSE(listing.Songs[listing.Songs.Count() - 1]->WritableWhenListed());
}

TEST_F(SongListing, WithoutTagsNoSongIsOpened) {
  TListingOptions options;
  options.UseTags = false;
  const TListing listing = ListSongs(files, options);
  EXPECT_TRUE(listing.Failures.empty());  // not even the pipe: it is never opened
  ASSERT_EQ(listing.Songs.Count(), files.size());
  EXPECT_EQ(listing.Songs[0]->Artist(), "Artist 0");
  EXPECT_FALSE(listing.Songs[0]->WritableWhenListed());
  EXPECT_TRUE(listing.Songs[1]->WritableWhenListed());
}

TEST_F(SongListing, ReportsProgressFromTheStartToTheEnd) {
  TListingOptions options;
  options.Jobs = 4;
  std::vector<std::size_t> seen;
  options.OnProgress = [&](std::size_t done, std::size_t total) {
    EXPECT_EQ(total, files.size());
    seen.push_back(done);
  };
  (void)ListSongs(files, options);
  ASSERT_GE(seen.size(), 2u);
  EXPECT_EQ(seen.front(), 0u);
  EXPECT_EQ(seen.back(), files.size());
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST_F(SongListing, StopsWhenCancelled) {
  std::atomic<bool> cancel{true};
  TListingOptions options;
  options.Cancel = &cancel;
  const TListing listing = ListSongs(files, options);
  EXPECT_TRUE(listing.Cancelled);
  EXPECT_LT(listing.Songs.Count(), files.size());
}

}  // namespace
}  // namespace tagwright

#include "songs/song_rows.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "support/test_songs.h"

namespace tagwright {
namespace {

using testing::MpegAudio;
using testing::SongAudio;
using testing::TTempFolder;

// Each row as "kind path", songs with their artist: what a front end prints, in its order.
std::vector<std::string> Shown(const TSongRows& rows, const TTempFolder& folder) {
  static const char* const kKinds[] = {"song", "not song", "unreadable path", "unreadable folder", "unreadable song"};
  std::vector<std::string> shown;
  for (const TSongRow& row : rows.Rows) {
    std::string line = std::string(kKinds[static_cast<int>(row.Kind)]) + " " + row.Path.substr(folder.Path().size());
    if (row.Song) line += " by " + row.Song->Artist();
    EXPECT_EQ(row.Song != nullptr, row.Kind == TSongRowKind::Song) << line;
    EXPECT_EQ(row.Failure.Ok(), row.Kind == TSongRowKind::Song || row.Kind == TSongRowKind::NotSong) << line;
    shown.push_back(line);
  }
  return shown;
}

class SongRows : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.WriteFile("B - Beta.mp3", SongAudio());
    folder.WriteFile("a - Alpha.MP3", SongAudio());
    folder.WriteFile("c - Gamma.mp3", MpegAudio(100));
    folder.WriteFile("sub/d - Delta.mp3", SongAudio());
    folder.WriteFile("cover.jpg", "not a song");
    EXPECT_EQ(::mkfifo((folder / "a pipe.mp3").c_str(), 0644), 0);
    folder.WriteFile("loose/e - Epsilon", MpegAudio(10));
    folder.WriteFile("loose/notes.txt", "a line of text\n");
  }

  TTempFolder folder;
};

// The rows that hold no song come first, each kind in the order the command line has always said
// them; the songs follow by file name, whatever case their names are in.
TEST_F(SongRows, NamedPathsGiveRowsWithoutSongsFirstThenTheSongsByFileName) {
  const TSongRows rows = ListSongRows({folder / "loose/e - Epsilon", folder.Path(), folder / "missing",
                                       folder / "loose/notes.txt", folder / "a pipe.mp3"},
                                      {});
  EXPECT_FALSE(rows.Cancelled);
  EXPECT_EQ(Shown(rows, folder), (std::vector<std::string>{
                                     "not song /loose/notes.txt",
                                     "unreadable path /missing",
                                     "unreadable song /a pipe.mp3",
                                     "song /a - Alpha.MP3 by a",
                                     "song /B - Beta.mp3 by B",
                                     "song /c - Gamma.mp3 by c",
                                     "song /loose/e - Epsilon by e",
                                 }));
  EXPECT_EQ(rows.Rows[1].Failure.Kind(), TFailureKind::Open);
  EXPECT_EQ(rows.Rows[1].Failure.Error(), std::errc::no_such_file_or_directory);
  EXPECT_EQ(rows.Rows[2].Failure.Kind(), TFailureKind::Open);
}

TEST_F(SongRows, SubfoldersOnlyWhenAskedAndTheFoundOrderWhenAsked) {
  TRowListingOptions options;
  options.Recursive = true;
  EXPECT_EQ(Shown(ListSongRows({folder.Path()}, options), folder).back(), "song /sub/d - Delta.mp3 by d");
  options.Order = TRowOrder::AsFound;
  options.Reading.UseTags = false;
  std::vector<std::string> sorted = Shown(ListFolderRows(folder.Path(), options), folder);
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted,
            (std::vector<std::string>{"song /B - Beta.mp3 by B", "song /a - Alpha.MP3 by a", "song /c - Gamma.mp3 by c",
                                      "song /loose/e - Epsilon by e", "song /sub/d - Delta.mp3 by d"}));
  options.Recursive = false;
  EXPECT_EQ(Shown(ListFolderRows(folder.Path(), options), folder).size(), 3u);
}

struct TAsked {
  bool UseTags;
  bool ReadAudio;
  bool ComposeNames;
};

class SongRowsAsked : public SongRows, public ::testing::WithParamInterface<TAsked> {};

// Audio facts and composed names are on every song's row when asked for, whether the song was
// opened for its tags or not (or is gone since it was found), and on none otherwise.
TEST_P(SongRowsAsked, CarryWhatWasAskedOnEverySongRow) {
  TListingOptions options;
  options.UseTags = GetParam().UseTags;
  options.ReadAudio = GetParam().ReadAudio;
  options.ComposeNames = GetParam().ComposeNames;
  options.Jobs = 3;
  const TSongRows rows =
      ReadSongRows({folder / "c - Gamma.mp3", folder / "B - Beta.mp3", folder / "gone.mp3"}, options);
  ASSERT_EQ(rows.Rows.size(), 3u);
  for (const TSongRow& row : rows.Rows) {
    ASSERT_TRUE(row.Song) << row.Path;
    EXPECT_EQ(row.Audio.has_value(), GetParam().ReadAudio) << row.Path;
    EXPECT_EQ(row.Composed.has_value(), GetParam().ComposeNames) << row.Path;
  }
  if (GetParam().ReadAudio) {
    const TResultOf<TAudioFacts>& gamma = *rows.Rows[0].Audio;
    ASSERT_TRUE(gamma);
    EXPECT_EQ(gamma.Value().DurationMs, 2606);                            // 100 frames of 1152 samples at 44.1 kHz
    EXPECT_TRUE(IsAudioFault(rows.Rows[1].Audio->Failure()));             // no frames in it
    EXPECT_EQ(rows.Rows[2].Audio->Failure().Kind(), TFailureKind::Open);  // a song that is gone
  }
  if (GetParam().ComposeNames) {
    EXPECT_EQ(rows.Rows[1].Composed->Name, "B - Beta.mp3");
    EXPECT_TRUE(rows.Rows[1].Composed->Renamed);
    EXPECT_TRUE(rows.Rows[1].Composed->HoldsOnlyDetails);
  }
}

INSTANTIATE_TEST_SUITE_P(Options, SongRowsAsked,
                         ::testing::Values(TAsked{true, true, true}, TAsked{true, true, false},
                                           TAsked{true, false, true}, TAsked{true, false, false},
                                           TAsked{false, true, true}, TAsked{false, true, false},
                                           TAsked{false, false, true}, TAsked{false, false, false}),
                         [](const auto& info) {
                           return std::string(info.param.UseTags ? "Tags" : "Names") +
                                  (info.param.ReadAudio ? "Audio" : "") + (info.param.ComposeNames ? "Composed" : "");
                         });

}  // namespace
}  // namespace tagwright

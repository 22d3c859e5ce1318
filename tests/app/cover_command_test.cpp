// tagwright-cli cover on real files, with a history of the test's own: the pictures on disk, the
// JSON lines, bad input refused before any song is touched, covers saved without replacing a file,
// and undo giving every byte back.
#include <gtest/gtest.h>

#include <map>

#include "cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"
#include "tags/id3v2_pictures.h"

namespace tagwright::testing {
namespace {

// Pictures larger than a written tag's padding, so that setting one rewrites the song.
const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(9000, 'j');
const std::string kPng = std::string("\x89PNG\r\n\x1A\n", 8) + std::string(6000, 'p');

class CoverCommand : public TCliWithHistory {
 protected:
  // album/ with cover.jpg and two tagged songs, other/ with one song and no picture.
  void SetUp() override {
    folder.WriteFile("album/cover.jpg", kJpeg);
    folder.WriteFile("picture.png", kPng);
    for (const char* name : {"album/01 - a.mp3", "album/02 - b.mp3", "other/c.mp3"}) {
      const std::string path = folder.WriteFile(name, SongAudio(5000));
      ASSERT_TRUE(WriteID3Tags(path, {.Title = name, .Artist = "someone"}).Ok());
    }
  }
  // The data of each picture of the song, in tag order.
  std::vector<std::string> Pictures(const std::string& name) const {
    std::vector<std::string> data;
    const TResultOf<std::vector<TPicture>> pictures = ReadEmbeddedPictures(folder / name);
    for (const TPicture& picture : pictures.Value()) data.push_back(picture.Data);
    return data;
  }
};

// Set from the folders, again (nothing to change), add beside, remove: each run's lines and the
// pictures on disk; the tags' fields stay; every run undone gives every byte back.
TEST_F(CoverCommand, SetsAddsAndRemovesAndUndoGivesEveryByteBack) {
  const auto before = folder.Contents();
  const TCliRun set = Run({"cover", "--from-folder", "--recursive", folder.Path()});
  EXPECT_EQ(set.exitStatus, 0) << set.err;
  const auto lines = set.Lines();
  ASSERT_EQ(lines.size(), 3U) << set.out;
  EXPECT_EQ(lines[0]["action"], "tagged");
  EXPECT_EQ(lines[2]["action"], "skipped");
  EXPECT_EQ(lines[2]["reason"], "no cover picture in the song's folder");
  EXPECT_EQ(Pictures("album/01 - a.mp3"), std::vector<std::string>{kJpeg});
  EXPECT_TRUE(Pictures("other/c.mp3").empty());
  TID3Info tags;
  ASSERT_TRUE(ReadID3Tags(folder / "album/02 - b.mp3", tags).Ok());
  EXPECT_EQ(tags.Title, "album/02 - b.mp3");
  EXPECT_EQ(tags.Artist, "someone");

  const auto afterSet = folder.Contents();
  const TCliRun again = Run({"cover", "--from-folder", folder / "album"});
  EXPECT_EQ(again.Lines().at(0)["reason"], "nothing to change") << again.out;
  EXPECT_EQ(folder.Contents(), afterSet);

  ASSERT_EQ(Run({"cover", "--set", folder / "picture.png", "--add", folder / "album/01 - a.mp3"}).exitStatus, 0);
  EXPECT_EQ(Pictures("album/01 - a.mp3"), (std::vector<std::string>{kJpeg, kPng}));
  ASSERT_EQ(Run({"cover", "--remove", "--all", folder / "album/01 - a.mp3"}).exitStatus, 0);
  EXPECT_TRUE(Pictures("album/01 - a.mp3").empty());

  for (int undo = 0; undo < 3; ++undo) ASSERT_EQ(Run({"undo"}).exitStatus, 0);
  EXPECT_EQ(folder.Contents(), before);
}

// Input a run cannot go with is a usage error before any song is touched, and so is no picture to
// set or too large a one; a dry run tells what would be done and does nothing.
TEST_F(CoverCommand, BadInputAndDryRunsTouchNoSong) {
  folder.WriteFile("not-a-picture.jpg", "GIF89a picture");
  folder.WriteFile("big.png", std::string("\x89PNG\r\n\x1A\n", 8) + std::string(1'500'000, 'b'));
  const auto before = folder.Contents();
  const std::vector<std::vector<std::string>> refused = {
      {"cover", "--set", folder / "not-a-picture.jpg"},
      {"cover", "--set", folder / "missing.jpg"},
      {"cover", "--set", folder / "big.png", "--max-size", "1"},
      {"cover", "--set", folder / "picture.png", "--remove"},
      {"cover", "--all"},
      {"cover", "--remove", "--add"},
      {"cover", "--save", "a/b"},
      {"cover"},
  };
  for (std::vector<std::string> arguments : refused) {
    arguments.push_back(folder / "album");
    const TCliRun run = Run(arguments);
    EXPECT_EQ(run.exitStatus, 2) << arguments[1] << ": " << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_NE(Run({"cover", "--set", folder / "big.png", "--max-size", "1", folder.Path()})
                .err.find("is 1.5 MB (1500008 bytes), over the limit of 1 MB"),
            std::string::npos);
  const TCliRun dry = Run({"cover", "--set", folder / "big.png", "--dry-run", folder / "album"});
  EXPECT_EQ(dry.exitStatus, 0) << dry.err;
  EXPECT_EQ(dry.Lines().at(0)["action"], "tagged");
  EXPECT_EQ(Run({"cover", "--save", "front", "--dry-run", folder / "album"}).exitStatus, 0);
  EXPECT_EQ(folder.Contents(), before);
  EXPECT_TRUE(Run({"history"}).Lines().empty());
}

// A song's cover is saved next to it under the name given, with the extension its bytes call for;
// a file already there is never replaced, and a song without a picture is passed over.
TEST_F(CoverCommand, SaveMakesANewFileAndReplacesNone) {
  ASSERT_EQ(Run({"cover", "--set", folder / "picture.png", folder / "album/01 - a.mp3"}).exitStatus, 0);
  const TCliRun save = Run({"cover", "--save", "front.jpg", folder / "album"});
  EXPECT_EQ(save.exitStatus, 0) << save.err;
  const auto lines = save.Lines();
  ASSERT_EQ(lines.size(), 2U) << save.out;
  EXPECT_EQ(lines[0]["action"], "saved");
  EXPECT_EQ(lines[0]["saved_file"], folder / "album/front.png");
  EXPECT_EQ(lines[1]["action"], "skipped");
  EXPECT_EQ(lines[1]["reason"], "the song has no picture");
  EXPECT_EQ(ReadWholeFile(folder / "album/front.png"), kPng);

  folder.WriteFile("album/front.png", "mine");
  const TCliRun again = Run({"cover", "--save", "front", folder / "album/01 - a.mp3"});
  EXPECT_EQ(again.Lines().at(0)["reason"], "a file named front.png is there already") << again.out;
  EXPECT_EQ(ReadWholeFile(folder / "album/front.png"), "mine");
}

}  // namespace
}  // namespace tagwright::testing

// tagwright-cli tag-from-name, rename --pattern and number on real files, with a history of the
// test's own: the tags and names on disk, the JSON lines, and undo giving every byte back.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <utility>

#include "cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"

namespace tagwright::testing {
namespace {

const std::string kAudio = SongAudio(304);

class PatternCommands : public TCliWithHistory {
 protected:
  std::string Song(const std::string& name) const { return folder.WriteFile(name, kAudio); }
  std::string Song(const std::string& name, const TID3Info& tags) const {
    std::string path = Song(name);
    EXPECT_TRUE(WriteID3Tags(path, tags).Ok());
    return path;
  }
  static TID3Info TagsOf(const std::string& path) {
    TID3Info tags;
    EXPECT_TRUE(ReadID3Tags(path, tags).Ok()) << path;
    return tags;
  }
  // The text of the file's ID3v2 track frame ("3/12"), and the track byte of its ID3v1 trailer.
  using TTrackOnDisk = std::pair<std::string, int>;
  static TTrackOnDisk TrackOnDisk(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    const std::size_t frame = bytes.find("TRCK");
    if (frame == std::string::npos || bytes.size() < 128) return {};
    const auto size = static_cast<std::size_t>(static_cast<unsigned char>(bytes[frame + 7]));
    std::string text = bytes.substr(frame + 11, size - 1);  // after the header and the encoding byte
    text.erase(text.find_last_not_of('\0') + 1);
    return {text, static_cast<unsigned char>(bytes[bytes.size() - 2])};
  }
};

// The pattern reads the album and year from the folder and the track and title from the name; the
// fields it holds not keep the tag's, and a name it does not fit is left alone with the reason.
TEST_F(PatternCommands, TagFromNameReadsFoldersAndNamesAndSkipsWhatDoesNotFit) {
  const std::string fits = Song("Daft Punk - Discovery (2001)/01 - one more time.mp3", {.Comment = "mine"});
  const std::string loose = Song("Daft Punk - Discovery (2001)/bonus.mp3", {.Title = "Bonus"});
  const std::string pattern = "{artist} - {album} ({year})/{track} - {title}";
  const TCliRun run =
      Run({"tag-from-name", "--pattern", pattern, "--cleanup", folder / "Daft Punk - Discovery (2001)"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 2U) << run.out;
  EXPECT_EQ(lines[0]["file"], fits);
  EXPECT_EQ(lines[0]["action"], "tagged");
  EXPECT_EQ(lines[1]["action"], "skipped");
  EXPECT_EQ(lines[1]["reason"], "the name does not fit " + pattern);

  const TID3Info tags = TagsOf(fits);
  EXPECT_EQ(tags.Artist, "Daft Punk");
  EXPECT_EQ(tags.Album, "Discovery");
  EXPECT_EQ(tags.Year, "2001");
  EXPECT_EQ(tags.Track, 1);
  EXPECT_EQ(tags.Title, "One More Time");  // cleaned, as asked
  EXPECT_EQ(tags.Comment, "mine");
  EXPECT_EQ(TagsOf(loose).Title, "Bonus");

  // Without --cleanup the name's words stand as they are.
  ASSERT_EQ(Run({"tag-from-name", "--pattern", "{track} - {title}", fits}).exitStatus, 0);
  EXPECT_EQ(TagsOf(fits).Title, "one more time");
}

// A pattern that does not parse is a usage error saying where, before any song is touched.
TEST_F(PatternCommands, APatternThatDoesNotParseChangesNothing) {
  Song("01 - a - b.mp3");
  const auto before = folder.Contents();
  for (const char* command : {"tag-from-name", "rename"}) {
    const TCliRun run = Run({command, "--pattern", "{track} - {artst}", folder.Path()});
    EXPECT_EQ(run.exitStatus, 2) << command;
    EXPECT_NE(run.err.find("the pattern \"{track} - {artst}\" has a mistake at character 12: unknown field {artst}"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(folder.Contents(), before);
  EXPECT_EQ(Run({"number", "--start", "0", folder.Path()}).exitStatus, 2);
  EXPECT_EQ(folder.Contents(), before);
  EXPECT_TRUE(Run({"history"}).Lines().empty());
}

// rename --pattern names each song after the pattern, leaves one the pattern gives no name alone,
// and never replaces a file; rename alone still names songs after their details.
TEST_F(PatternCommands, RenameWithAPatternNamesSongsAfterIt) {
  const std::string named = Song("02 - abba - sos.mp3");
  const std::string untracked = Song("abba - waterloo.mp3");
  const std::string clash = Song("abba - x.mp3");
  const TCliRun run = Run({"rename", "--pattern", "{title} by {artist} #{track:3}", named, untracked});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 2U) << run.out;
  EXPECT_EQ(lines[0].value("new_file", ""), folder / "sos by abba #002.mp3");
  EXPECT_EQ(lines[1]["action"], "skipped");
  EXPECT_TRUE(FileExists(folder / "sos by abba #002.mp3"));
  EXPECT_TRUE(FileExists(untracked));

  const std::string target = folder / "x (abba).mp3";
  folder.WriteFile("x (abba).mp3", "not a song of ours");
  const TCliRun refused = Run({"rename", "--pattern", "{title} ({artist})", clash});
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_EQ(refused.Lines().at(0)["action"], "failed") << refused.out;
  EXPECT_EQ(refused.Lines().at(0)["reason"], "A file with that name already exists.");
  EXPECT_EQ(ReadWholeFile(target), "not a song of ours");
  EXPECT_TRUE(FileExists(clash));
}

// number restarts in each folder, in file name order or in the order of the tags' tracks, and writes
// the total as the ID3v2 track's "N/T" with the number alone in the ID3v1 trailer. A text named
// ".mp3" is left alone: it takes no number and does not count in the total.
TEST_F(PatternCommands, NumberCountsEachFolderInItsOrder) {
  const std::string a1 = Song("one/a.mp3", {.Title = "a", .Track = 9});
  const std::string b1 = Song("one/b.mp3", {.Title = "b", .Track = 4});
  const std::string text = folder.WriteFile("one/b2.mp3", "a text, not a song");
  const std::string c1 = Song("one/c.mp3", {.Title = "c"});
  const std::string a2 = Song("two/a.mp3", {.Title = "a2"});
  EXPECT_EQ(Run({"number", "--start", "3", "--total", "--recursive", folder.Path()}).exitStatus, 1);
  EXPECT_EQ(ReadWholeFile(text), "a text, not a song");
  std::filesystem::remove(text);
  EXPECT_EQ(TrackOnDisk(a1), TTrackOnDisk("3/5", 3));
  EXPECT_EQ(TrackOnDisk(b1), TTrackOnDisk("4/5", 4));
  EXPECT_EQ(TrackOnDisk(c1), TTrackOnDisk("5/5", 5));
  EXPECT_EQ(TrackOnDisk(a2), TTrackOnDisk("3/3", 3));
  EXPECT_EQ(TagsOf(a1).Title, "a");

  ASSERT_EQ(Run({"number", "--by-tag-order", folder / "one"}).exitStatus, 0);
  // Tracks 3, 4, 5 kept their order; in the tags' order now after --start 1: a, b, c.
  EXPECT_EQ(TagsOf(a1).Track, 1);
  EXPECT_EQ(TagsOf(c1).Track, 3);
  ASSERT_EQ(Run({"clear", "track", a1}).exitStatus, 0);
  ASSERT_EQ(Run({"number", "--by-tag-order", folder / "one"}).exitStatus, 0);
  // A song without a track comes last.
  EXPECT_EQ(TagsOf(b1).Track, 1);
  EXPECT_EQ(TagsOf(c1).Track, 2);
  EXPECT_EQ(TagsOf(a1).Track, 3);
}

// Each command, undone, gives every byte of every file back and its old names.
class UndoPatternCommand : public PatternCommands, public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(UndoPatternCommand, GivesEveryByteBack) {
  Song("Moby - Play (1999)/03 - moby - porcelain.mp3", {.Comment = "keep", .Track = 7});
  Song("Moby - Play (1999)/04 - moby - why does my heart.mp3");
  const auto before = folder.Contents();
  std::vector<std::string> arguments = GetParam();
  arguments.push_back(folder / "Moby - Play (1999)");
  const TCliRun run = Run(arguments);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  ASSERT_NE(folder.Contents(), before);
  const TCliRun undo = Run({"undo"});
  ASSERT_EQ(undo.exitStatus, 0) << undo.err;
  EXPECT_EQ(folder.Contents(), before);
}

INSTANTIATE_TEST_SUITE_P(Commands, UndoPatternCommand,
                         ::testing::Values(std::vector<std::string>{"tag-from-name", "--pattern",
                                                                    "{artist} - {album} ({year})/{track} - "
                                                                    "{artist} - {title}"},
                                           std::vector<std::string>{"rename", "--pattern",
                                                                    "{artist} - {title} ({track})"},
                                           std::vector<std::string>{"rename", "--pattern", "{track}. {title}"},
                                           std::vector<std::string>{"number", "--start", "2", "--total"}),
                         [](const ::testing::TestParamInfo<std::vector<std::string>>& info) {
                           return info.param[0] == "rename" ? "rename" + std::to_string(info.index)
                                                            : info.param[0].substr(0, 3);
                         });

}  // namespace
}  // namespace tagwright::testing

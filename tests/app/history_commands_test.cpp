// tagwright-cli history and undo, --history and --no-history, on real files with a history of the
// test's own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "cli_runner.h"
#include "support/sha256.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"

namespace tagwright::testing {
namespace {

class HistoryCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    song = folder.WriteFile("moby - why_does_my_heart.mp3", SongAudio(3000));
    other = folder.WriteFile("Abba - Waterloo.mp3", SongAudio(2000));
    TID3Info tags;
    tags.Title = "Waterloo";
    ASSERT_TRUE(WriteID3Tags(other, tags).Ok());
    songBefore = FileSha256(song);
    otherBefore = FileSha256(other);
  }
  TCliRun Run(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"--history", history});
    return RunCli(arguments);
  }
  TTempFolder folder;
  TTempFolder state;
  std::string history = state / "history.sqlite3";
  std::string song, other, songBefore, otherBefore;
};

TEST_F(HistoryCommands, ListNewestFirstWithTheirKeys) {
  ASSERT_EQ(Run({"stamp", "--title", "One", song}).exitStatus, 0);
  ASSERT_EQ(Run({"hands-free", folder.Path()}).exitStatus, 0);
  const TCliRun listed = Run({"history"});
  ASSERT_EQ(listed.exitStatus, 0) << listed.err;
  const auto lines = listed.Lines();
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(lines[0]["command"], "hands-free");
  EXPECT_EQ(lines[1]["command"], "stamp");
  EXPECT_GT(lines[0]["id"].get<int>(), lines[1]["id"].get<int>());
  for (const auto& line : lines) {
    EXPECT_EQ(line["program"], "cli");
    EXPECT_EQ(line["undone"], false);
    EXPECT_EQ(line["files"], 1);
    EXPECT_TRUE(std::regex_match(line["time"].get<std::string>(), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")))
        << line["time"];
  }
  EXPECT_EQ(Run({"history", "--limit", "1"}).Lines().size(), 1U);
}

TEST_F(HistoryCommands, UndoTakesTheNewestBackAndAnUndoCanBeUndone) {
  ASSERT_EQ(Run({"hands-free", folder.Path()}).exitStatus, 0);
  const std::string renamed = folder / "Moby - Why Does My Heart.mp3";
  ASSERT_TRUE(FileExists(renamed));
  const std::string after = FileSha256(renamed);
  const TCliRun dry = Run({"undo", "--dry-run"});
  EXPECT_EQ(dry.exitStatus, 0);
  EXPECT_TRUE(FileExists(renamed)) << "a dry run changes nothing";
  const TCliRun undone = Run({"undo"});
  ASSERT_EQ(undone.exitStatus, 0) << undone.err;
  // Both songs hold only their details: the newest change comes first.
  const auto lines = undone.Lines();
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(lines[0]["file"], renamed);
  EXPECT_EQ(lines[0]["action"], "restored");
  EXPECT_EQ(lines[0]["new_file"], song);
  EXPECT_TRUE(lines[0]["reason"].is_null());
  EXPECT_EQ(dry.Lines(), undone.Lines());
  EXPECT_EQ(FileSha256(song), songBefore);
  EXPECT_EQ(FileSha256(other), otherBefore);
  EXPECT_FALSE(FileExists(renamed));
  const auto entries = Run({"history"}).Lines();
  ASSERT_EQ(entries.size(), 2U);
  EXPECT_EQ(entries[0]["command"], "undo");
  EXPECT_EQ(entries[1]["undone"], true);
  ASSERT_EQ(Run({"undo"}).exitStatus, 0);
  EXPECT_EQ(FileSha256(renamed), after);
}

TEST_F(HistoryCommands, UndoByIdLeavesAFileChangedSinceAndFails) {
  ASSERT_EQ(Run({"stamp", "--comment", "first", song, other}).exitStatus, 0);
  ASSERT_EQ(Run({"stamp", "--comment", "second", song}).exitStatus, 0);
  const std::string changed = FileSha256(song);
  const TCliRun undone = Run({"undo", "1"});
  EXPECT_EQ(undone.exitStatus, 1);
  EXPECT_NE(undone.err.find(song), std::string::npos) << undone.err;
  ASSERT_EQ(undone.Lines().size(), 2U);
  EXPECT_EQ(undone.Lines()[0]["file"], other);
  EXPECT_EQ(undone.Lines()[0]["action"], "restored");
  EXPECT_EQ(undone.Lines()[1]["file"], song);
  EXPECT_EQ(undone.Lines()[1]["action"], "skipped");
  EXPECT_EQ(undone.Lines()[1]["reason"], "the file has changed since");
  EXPECT_EQ(FileSha256(song), changed);
  EXPECT_EQ(FileSha256(other), otherBefore);
}

// Every writing command takes --no-history: it writes, and leaves nothing to undo.
class NoHistory : public HistoryCommands, public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(NoHistory, WritesWithoutARecord) {
  std::vector<std::string> arguments = GetParam();
  arguments.push_back("--no-history");
  arguments.push_back(arguments[0] == "stamp" && arguments[1] != "--recognized" ? song : folder.Path());
  const TCliRun run = Run(arguments);
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_TRUE(Run({"history"}).Lines().empty());
  const TCliRun undo = Run({"undo"});
  EXPECT_EQ(undo.exitStatus, 1);
  EXPECT_NE(undo.err.find("nothing to undo"), std::string::npos) << undo.err;
}

INSTANTIATE_TEST_SUITE_P(Commands, NoHistory,
                         ::testing::Values(std::vector<std::string>{"stamp", "--title", "T"},
                                           std::vector<std::string>{"stamp", "--recognized"},
                                           std::vector<std::string>{"rename"},
                                           std::vector<std::string>{"filename-as-title"},
                                           std::vector<std::string>{"cleanup"}, std::vector<std::string>{"hands-free"},
                                           std::vector<std::string>{"clear", "title"}));

TEST_F(HistoryCommands, AHistoryThatCannotBeOpenedChangesNothing) {
  history = folder / "moby - why_does_my_heart.mp3/history.sqlite3";  // below a file: cannot be made
  const TCliRun run = Run({"stamp", "--title", "T", song});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("nothing was changed"), std::string::npos) << run.err;
  EXPECT_EQ(FileSha256(song), songBefore);
  const TCliRun pass = Run({"cleanup", folder.Path()});
  EXPECT_EQ(pass.exitStatus, 1);
  EXPECT_EQ(FileSha256(song), songBefore);
  EXPECT_EQ(FileSha256(other), otherBefore);
}

TEST_F(HistoryCommands, TheEnvironmentNamesTheHistory) {
  const char* kept = std::getenv("TAGWRIGHT_HISTORY");
  const std::string saved = kept ? kept : "";
  const std::string chosen = state / "chosen.sqlite3";
  ::setenv("TAGWRIGHT_HISTORY", chosen.c_str(), 1);
  const TCliRun run = RunCli({"stamp", "--title", "T", song});
  // Put back as it was: an empty value would send the next run to the user's own history.
  if (kept != nullptr) {
    ::setenv("TAGWRIGHT_HISTORY", saved.c_str(), 1);
  } else {
    ::unsetenv("TAGWRIGHT_HISTORY");
  }
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_TRUE(FileExists(chosen));
}

TEST_F(HistoryCommands, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run({"undo", "abc"}).exitStatus, 2);
  EXPECT_EQ(Run({"history", "--limit", "-1"}).exitStatus, 2);
  EXPECT_EQ(Run({"undo", "99"}).exitStatus, 1);
}

}  // namespace
}  // namespace tagwright::testing

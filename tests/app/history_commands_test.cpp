// tagwright-cli history and undo, --history and --no-history, on real files with a history of the
// test's own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <regex>
#include <set>

#include "cli_runner.h"
#include "history/history.h"
#include "support/sha256.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"
#include "tags/tag_snapshot.h"

namespace tagwright::testing {
namespace {

class HistoryCommands : public TCliWithHistory {
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
  EXPECT_EQ(entries[0]["kind"], "undo");
  // A plain undo never takes an undo back: there is nothing left to undo. Named, it can be.
  const TCliRun again = Run({"undo"});
  EXPECT_EQ(again.exitStatus, 1);
  EXPECT_NE(again.err.find("nothing to undo"), std::string::npos) << again.err;
  EXPECT_FALSE(FileExists(renamed));
  ASSERT_EQ(Run({"undo", std::to_string(entries[0]["id"].get<int>())}).exitStatus, 0);
  EXPECT_EQ(FileSha256(renamed), after);
  EXPECT_EQ(Run({"history"}).Lines()[0]["kind"], "redo");
}

// Undo and redo as in an editor, step by step: C runs a command, U a plain undo, R a redo; ">N" is
// the folder then, as it was after the Nth state (0: before any command, each C making the next);
// "!" is "nothing to undo" or "nothing to redo". After each step, history says of each command
// whether it is undone.
struct TUndoScript {
  const char* name;
  std::vector<std::string> steps;
};

class UndoRedoScript : public HistoryCommands, public ::testing::WithParamInterface<TUndoScript> {
 protected:
  std::string FolderNow() const { return FileSha256(song) + FileSha256(other); }
  // The commands of the history and whether each is undone, by id.
  std::map<int, bool> CommandsUndone() const {
    std::map<int, bool> undone;
    for (const auto& line : Run({"history"}).Lines()) {
      if (line["kind"] == "command") undone[line["id"].get<int>()] = line["undone"].get<bool>();
    }
    return undone;
  }
};

TEST_P(UndoRedoScript, WalksBackAndForth) {
  std::vector<std::string> states{FolderNow()};
  std::vector<int> inEffect;  // command ids, the newest last
  std::vector<int> undone;
  std::vector<int> beyondRedo;  // undone, and a command came after
  for (const std::string& step : GetParam().steps) {
    SCOPED_TRACE("step " + step);
    const bool nothing = step.size() > 1 && step[1] == '!';
    if (step == "C") {
      ASSERT_EQ(Run({"stamp", "--comment", std::to_string(states.size()), song, other}).exitStatus, 0);
      states.push_back(FolderNow());
      inEffect.push_back(CommandsUndone().rbegin()->first);
      beyondRedo.insert(beyondRedo.end(), undone.begin(), undone.end());
      undone.clear();
      continue;
    }
    const bool redo = step[0] == 'R';
    const TCliRun run = Run({redo ? "redo" : "undo"});
    EXPECT_EQ(run.exitStatus, nothing ? 1 : 0) << run.err;
    if (nothing) {
      EXPECT_NE(run.err.find(redo ? "nothing to redo" : "nothing to undo"), std::string::npos) << run.err;
    } else {
      EXPECT_EQ(FolderNow(), states.at(std::stoul(step.substr(2))));
      std::vector<int>& from = redo ? undone : inEffect;
      (redo ? inEffect : undone).push_back(from.back());
      from.pop_back();
    }
    std::map<int, bool> expected;
    for (const int id : inEffect) expected[id] = false;
    for (const int id : undone) expected[id] = true;
    for (const int id : beyondRedo) expected[id] = true;
    EXPECT_EQ(CommandsUndone(), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, UndoRedoScript,
    ::testing::Values(TUndoScript{"WalkBack", {"C", "C", "C", "U>2", "U>1", "U>0", "U!"}},
                      TUndoScript{"RedoAll", {"C", "C", "C", "U>2", "U>1", "U>0", "R>1", "R>2", "R>3", "R!"}},
                      TUndoScript{"NewCommandEndsRedo", {"C", "C", "U>1", "C", "R!", "U>1", "U>0", "R>1", "R>3", "R!"}},
                      TUndoScript{"RedoneCanBeUndoneAgain",
                                  {"C", "C", "U>1", "R>2", "U>1", "U>0", "R>1", "R>2", "U>1"}},
                      TUndoScript{"NothingYet", {"U!", "R!", "C", "R!", "U>0", "U!"}}),
    [](const ::testing::TestParamInfo<TUndoScript>& info) { return std::string(info.param.name); });

// A redo leaves a file changed since its undo alone and names it; the others are redone.
TEST_F(HistoryCommands, RedoLeavesAFileChangedSinceAndNamesIt) {
  ASSERT_EQ(Run({"stamp", "--comment", "new", song, other}).exitStatus, 0);
  const std::string otherStamped = FileSha256(other);
  ASSERT_EQ(Run({"undo"}).exitStatus, 0);
  TID3Info tags;
  tags.Title = "Changed by another program";
  ASSERT_TRUE(WriteID3Tags(song, tags).Ok());
  const std::string changed = FileSha256(song);
  const TCliRun dry = Run({"redo", "--dry-run"});
  EXPECT_EQ(FileSha256(other), otherBefore) << "a dry run changes nothing";
  const TCliRun redone = Run({"redo"});
  EXPECT_EQ(redone.exitStatus, 1);
  EXPECT_NE(redone.err.find(song + ": the file has changed since"), std::string::npos) << redone.err;
  EXPECT_EQ(dry.Lines(), redone.Lines());
  EXPECT_EQ(FileSha256(song), changed);
  EXPECT_EQ(FileSha256(other), otherStamped);
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
                                           std::vector<std::string>{"clear", "title"},
                                           std::vector<std::string>{"tag-from-name", "--pattern", "{artist} - {title}"},
                                           std::vector<std::string>{"rename", "--pattern", "{title} ({artist})"},
                                           std::vector<std::string>{"number", "--by-tag-order"}));

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

// Records lost are said, and the command that finds them fails although it does its own work: a
// script must not take the history for whole.
TEST_F(HistoryCommands, ADamagedHistoryIsSaidAndFailsTheRun) {
  ASSERT_EQ(Run({"stamp", "--title", "T", song}).exitStatus, 0);
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(history + suffix);
  state.WriteFile("history.sqlite3", std::string(8192, 'x'));
  const TCliRun run = Run({"stamp", "--title", "U", other});
  EXPECT_EQ(run.exitStatus, 1) << run.err;
  EXPECT_NE(run.err.find("was damaged; it was moved to"), std::string::npos) << run.err;
  TID3Info tags;
  ASSERT_TRUE(ReadID3Tags(other, tags).Ok());
  EXPECT_EQ(tags.Title, "U");
}

// The names of the files in a folder.
std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& item : std::filesystem::directory_iterator(folder)) names.insert(item.path().filename().string());
  return names;
}

constexpr std::string_view kRepairPending =
    "tagwright-cli: the history holds an interrupted command to repair; the next command that changes files will "
    "repair it\n";

// An interrupted stamp left the song torn; while another program holds the history's write lock,
// the commands that change nothing neither wait nor repair: they say once that a repair is
// pending, and the next command that may write makes it.
TEST_F(HistoryCommands, CommandsThatChangeNothingLeaveARepairPending) {
  ASSERT_EQ(Run({"stamp", "--title", "Kept", song}).exitStatus, 0);
  {
    TResultOf<std::unique_ptr<THistory>> opened = THistory::Open(history);
    ASSERT_TRUE(opened.Ok());
    std::unique_ptr<THistoryRecorder> recorder = opened.Value()->StartEntry(TProgram::Cli, "stamp");
    TResultOf<TFileChange> change = CaptureBefore(other, "", true);
    ASSERT_TRUE(change.Ok());
    change.Value().NewBytes = {{20, "Torn"}};  // a write in place of these bytes
    ASSERT_TRUE(recorder->RecordBefore(change.Value()).Ok());
    const int fd = ::open(other.c_str(), O_WRONLY);
    ASSERT_EQ(::pwrite(fd, "Torn", 4, 20), 4);  // into the tag's first frame, then the program died
    ::close(fd);
  }
  const std::string torn = FileSha256(other);
  const std::string songStamped = FileSha256(song);
  const std::set<std::string> historyFiles = Names(state.Path());
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(history.c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  for (const std::vector<std::string>& command : {std::vector<std::string>{"scan", folder.Path()},
                                                  {"tags", song},
                                                  {"stamp", "--dry-run", "--title", "X", song},
                                                  {"cleanup", "--dry-run", folder.Path()},
                                                  {"undo", "--dry-run"},
                                                  {"history"}}) {
    const TCliRun run = Run(command);
    EXPECT_EQ(run.exitStatus, 0) << command[0] << ": " << run.err;
    // The pending repair is all it says: a command that asked for the write lock would have been
    // told, once its wait ran out, that the history is busy.
    EXPECT_EQ(run.err, kRepairPending) << command[0];
    EXPECT_EQ(FileSha256(other), torn) << command[0] << " repaired";
    EXPECT_EQ(FileSha256(song), songStamped) << command[0];
    EXPECT_EQ(Names(state.Path()), historyFiles) << command[0];
  }
  ASSERT_EQ(sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(writer);
  const TCliRun scanned = Run({"scan", folder.Path()});
  EXPECT_NE(scanned.err.find("interrupted command to repair"), std::string::npos) << scanned.err;
  EXPECT_EQ(FileSha256(other), torn) << "scan repaired";
  const TCliRun listed = Run({"history"});
  EXPECT_EQ(FileSha256(other), torn) << "the listing repaired";
  EXPECT_NE(listed.out.find("\"pending\":true"), std::string::npos) << listed.out;
  TTempFolder empty;
  const TCliRun renamed = Run({"rename", empty.Path()});
  EXPECT_NE(renamed.err.find("repaired 1 file(s)"), std::string::npos) << renamed.err;
  EXPECT_EQ(FileSha256(other), otherBefore);
  EXPECT_EQ(Run({"scan", folder.Path()}).err, "");
  // Nothing left to repair: listing needs no write, so it does not wait for one either.
  ASSERT_EQ(sqlite3_open(history.c_str(), &writer), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(writer, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  const TCliRun listedAgain = Run({"history"});
  EXPECT_EQ(listedAgain.exitStatus, 0);
  EXPECT_EQ(listedAgain.err, "");
  sqlite3_close(writer);
}

// After a crash, a song another program changed is left alone and named (exit 1), a missing one
// keeps its record, said at each start, until history --forget lets it go and says where the copy
// made before its change stays.
TEST_F(HistoryCommands, AfterACrashAnotherProgramsChangeStaysAndAMissingSongWaits) {
  const std::string gone = folder.WriteFile("gone.mp3", SongAudio(4000));
  {
    TResultOf<std::unique_ptr<THistory>> opened = THistory::Open(history);
    ASSERT_TRUE(opened.Ok());
    std::unique_ptr<THistoryRecorder> recorder = opened.Value()->StartEntry(TProgram::Cli, "stamp");
    for (const std::string& path : {other, gone}) {
      TResultOf<TFileChange> change = CaptureBefore(path, "", true);
      ASSERT_TRUE(change.Ok());
      change.Value().NewBytes = {{20, "Torn"}};
      ASSERT_TRUE(recorder->RecordBefore(change.Value()).Ok());
    }
    const int fd = ::open(other.c_str(), O_WRONLY);
    ASSERT_EQ(::pwrite(fd, "Else", 4, 20), 4);  // another program's bytes, not the write's
    ::close(fd);
    std::filesystem::rename(gone, gone + "~");  // the copy made before the change, the song gone
  }
  const std::string edited = FileSha256(other);
  TTempFolder empty;
  for (int start = 0; start < 2; ++start) {
    const TCliRun repaired = Run({"rename", empty.Path()});
    EXPECT_EQ(repaired.exitStatus, start == 0 ? 1 : 0) << repaired.err;
    EXPECT_EQ(repaired.err.find(other + ": left alone: changed since by another program") != std::string::npos,
              start == 0)
        << repaired.err;
    EXPECT_NE(repaired.err.find(gone + " is missing; its interrupted change is kept until it is back"),
              std::string::npos)
        << repaired.err;
    EXPECT_EQ(FileSha256(other), edited);
  }
  const std::vector<nlohmann::json> listed = Run({"history"}).Lines();
  ASSERT_FALSE(listed.empty());
  ASSERT_TRUE(listed[0].contains("pending")) << listed[0];
  const std::string id = std::to_string(listed[0]["id"].get<std::int64_t>());
  const TCliRun forgot = Run({"history", "--forget", id});
  EXPECT_EQ(forgot.exitStatus, 0) << forgot.err;
  ASSERT_EQ(forgot.Lines().size(), 1U) << forgot.out;
  EXPECT_EQ(forgot.Lines()[0]["file"], gone);
  EXPECT_EQ(forgot.Lines()[0]["kept_copy"], gone + "~");
  EXPECT_TRUE(FileExists(gone + "~"));
  EXPECT_EQ(Run({"rename", empty.Path()}).err, "") << "let go, it is no longer said";
  EXPECT_EQ(Run({"history", "--forget", id}).exitStatus, 1);
  EXPECT_FALSE(Run({"history"}).Lines()[0].contains("pending"));
}

// Without HOME and XDG_STATE_HOME the history has no place: never the current folder.
TEST_F(HistoryCommands, WithoutAPlaceTheHistoryIsRefused) {
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
  for (const char* name : {"TAGWRIGHT_HISTORY", "HOME", "XDG_STATE_HOME"}) {
    const char* value = std::getenv(name);
    saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    ::unsetenv(name);
  }
  ::setenv("TAGWRIGHT_HISTORY", "", 1);  // set, so that the runner keeps it, but empty
  const std::string kept = std::filesystem::current_path().string();
  std::filesystem::current_path(folder.Path());
  const TCliRun refused = RunCli({"stamp", "--title", "T", song});
  const TCliRun without = RunCli({"stamp", "--no-history", "--title", "T", other});
  const TCliRun scan = RunCli({"scan", folder.Path()});
  std::filesystem::current_path(kept);
  for (const auto& [name, value] : saved) {
    if (value) {
      ::setenv(name.c_str(), value->c_str(), 1);
    } else {
      ::unsetenv(name.c_str());
    }
  }
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_NE(refused.err.find("--no-history"), std::string::npos) << refused.err;
  EXPECT_EQ(FileSha256(song), songBefore);
  EXPECT_EQ(without.exitStatus, 0) << without.err;
  EXPECT_NE(FileSha256(other), otherBefore);
  EXPECT_EQ(scan.exitStatus, 0);
  EXPECT_EQ(scan.err, "");
  EXPECT_EQ(Names(folder.Path()), (std::set<std::string>{"moby - why_does_my_heart.mp3", "Abba - Waterloo.mp3"}));
}

// A history path that is not a regular file is refused by name, with nothing made beside it.
TEST_F(HistoryCommands, AHistoryThatIsNotARegularFileIsRefused) {
  for (const std::string& path : {std::string("/dev/null"), state.MakeFolder("folder")}) {
    history = path;
    const TCliRun run = Run({"stamp", "--title", "T", song});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find(path + " (not a regular file)"), std::string::npos) << run.err;
    EXPECT_EQ(Run({"undo", "--dry-run"}).exitStatus, 1);
    for (const char* beside : {"-journal", "-wal", "-shm", ".lock"}) EXPECT_FALSE(FileExists(path + beside)) << beside;
  }
  EXPECT_EQ(FileSha256(song), songBefore);
  EXPECT_EQ(Names(state.Path()), std::set<std::string>{"folder"});
  EXPECT_TRUE(std::filesystem::is_empty(state / "folder"));
}

TEST_F(HistoryCommands, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run({"undo", "abc"}).exitStatus, 2);
  EXPECT_EQ(Run({"redo", "7"}).exitStatus, 2);
  EXPECT_EQ(Run({"redo"}).exitStatus, 1);
  EXPECT_EQ(Run({"history", "--limit", "-1"}).exitStatus, 2);
  EXPECT_EQ(Run({"undo", "99"}).exitStatus, 1);
}

// Bad input is answered in plain words that name it, with status 2 for a command line that cannot
// be understood; the song is left as it was.
struct TBadInput {
  std::vector<std::string> arguments;  // "SONG" stands for the test's song
  int exitStatus;
  std::string said;
};

class BadInput : public HistoryCommands, public ::testing::WithParamInterface<TBadInput> {};

TEST_P(BadInput, IsAnsweredInPlainWords) {
  std::vector<std::string> arguments = GetParam().arguments;
  for (std::string& argument : arguments) {
    if (argument == "SONG") argument = song;
    if (argument == "FOLDER") argument = folder.Path();
  }
  const TCliRun run = Run(arguments);
  EXPECT_EQ(run.exitStatus, GetParam().exitStatus) << run.err;
  EXPECT_NE(run.err.find(GetParam().said), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("179769313486"), std::string::npos) << run.err;
  EXPECT_EQ(FileSha256(song), songBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BadInput,
    ::testing::Values(TBadInput{{"undo", "abc"}, 2, "no history entry abc"},
                      TBadInput{{"undo", "0"}, 2, "no history entry 0"},
                      TBadInput{{"undo", "-3"}, 2, "no history entry -3"},
                      TBadInput{{"undo", "99999999999999999999"}, 1, "no history entry 99999999999999999999"},
                      TBadInput{{"history", "--limit", "-1"}, 2, "the limit must be a number of 0 or more, not '-1'"},
                      TBadInput{{"frobnicate", "SONG"}, 2, "unknown command 'frobnicate'; see tagwright-cli --help"},
                      TBadInput{{"tags", "FOLDER"}, 1, "is a folder; use scan"},
                      TBadInput{{"stamp", "--track", "-5", "SONG"}, 2, "not '-5'"},
                      TBadInput{{"stamp", "--track", "256", "SONG"}, 2, "not '256'"},
                      TBadInput{{"stamp", "--track", "99999999999999999999", "SONG"}, 2, "not '99999999999999999999'"},
                      TBadInput{{"stamp", "--track", "seven", "SONG"}, 2, "not 'seven'"},
                      TBadInput{{"stamp", "--year", "99999", "SONG"}, 2, "year must be four digits, not '99999'"},
                      TBadInput{{"stamp", "--year", "-1", "SONG"}, 2, "year must be four digits, not '-1'"},
                      TBadInput{{"stamp", "--year", "99", "SONG"}, 2, "year must be four digits, not '99'"}));

}  // namespace
}  // namespace tagwright::testing

// The history of changes on real files: every change recorded ahead, taken back byte for byte
// (sha256), name and permission bits included; files changed since are left alone and named; an
// interrupted entry is repaired at the next start; the history stays bounded and survives damage.
#include "history/history.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <thread>

#include "commands/command_catalogue.h"
#include "commands/one_song.h"
#include "commands/pattern_plans.h"
#include "commands/song_pass.h"
#include "commands/song_plans.h"
#include "files/paths.h"
#include "history/database.h"
#include "history/history_undo.h"
#include "history/piece_file.h"
#include "history/undo_redo.h"
#include "songs/song_list.h"
#include "support/sha256.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/atomic_rewrite.h"
#include "tags/id3_info.h"
#include "tags/id3v2.h"
#include "tags/tag_bytes.h"
#include "tags/tag_snapshot.h"

namespace tagwright {
namespace {

using namespace testing;

void WriteBytes(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

// The songs undo_songs.py writes, made once and copied for each case.
// The folder goes when the test program ends.
const std::string& TemplateFolder() {
  static const TTempFolder folder;
  static const bool made = [] {
    const std::string command =
        std::string(TAGWRIGHT_PYTHON3) + " " + TAGWRIGHT_UNDO_SONGS + " '" + folder.Path() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return true;
  }();
  (void)made;  // made once, on the first call
  return folder.Path();
}

// Name -> sha256 and permission bits of every file in the folder.
std::map<std::string, std::string> FolderState(const std::string& folder) {
  std::map<std::string, std::string> state;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    struct stat info {};
    ::stat(item.path().c_str(), &info);
    state[item.path().filename().string()] =
        FileSha256(item.path().string()) + " mode " + std::to_string(info.st_mode & 07777);
  }
  return state;
}

void CopyTemplates(const std::string& to) {
  for (const auto& item : std::filesystem::directory_iterator(TemplateFolder())) {
    std::filesystem::copy_file(item.path(), std::filesystem::path(to) / item.path().filename());
  }
}

std::unique_ptr<THistory> OpenHistory(const TTempFolder& folder) {
  TResultOf<std::unique_ptr<THistory>> opened = THistory::Open(folder / "history.sqlite3");
  EXPECT_TRUE(opened.Ok()) << opened.Failure().Describe();
  return opened ? std::move(opened.Value()) : nullptr;
}

// Runs one command over every song of the folder as one entry of the history; its id, or 0.
// Unfinished, the entry is left as by a program that died at the end of the command.
enum class TEntryEnd { Finished, Unfinished };
std::int64_t RunRecorded(THistory& history, const std::string& folder, const TSongPlanner& planner,
                         const std::string& name = "test", TEntryEnd end = TEntryEnd::Finished) {
  TSongList songs;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    auto song = std::make_unique<TSongFile>();
    if (song->SetFileName(item.path().string(), true)) songs.Add(std::move(song));
  }
  songs.SortBy(TSortOrder::FileName);
  std::unique_ptr<THistoryRecorder> recorder = history.StartEntry(TProgram::Cli, name);
  TPassHooks hooks;
  hooks.Journal = recorder.get();
  (void)RunSongPass(songs.Songs(), planner, TPassMode::Apply, hooks);  // the files tell the outcome
  if (end == TEntryEnd::Finished) {
    EXPECT_TRUE(recorder->Finish().Ok());
  }
  return recorder->Id();
}

std::string RandomText(std::mt19937& random, std::size_t longest) {
  static const char kLetters[] = "abcdefgh ijklmnop_qrstuvwxyz ABC-DEF éü";
  std::string text;
  const std::size_t length = std::uniform_int_distribution<std::size_t>(0, longest)(random);
  while (text.size() < length) text += kLetters[random() % (sizeof kLetters - 1)];
  return text;
}

TSongPlanner RandomCommand(std::mt19937& random) {
  switch (random() % 8) {
    case 0: return {TTagsNeeded::Yes, PlanStampRecognized};
    case 1: {
      const auto field = static_cast<TTagField>(random() % 7);
      return {TTagsNeeded::Yes,
              [field](const TSongFile&, const TID3Info& tags) { return PlanClearTagField(tags, field); }};
    }
    case 2: return {TTagsNeeded::Yes, PlanDetailsCleanup};
    case 3: return {TTagsNeeded::No, [](const TSongFile& song, const TID3Info&) { return PlanHandsFree(song); }};
    case 4: return {TTagsNeeded::No, [](const TSongFile& song, const TID3Info&) { return PlanAutoRename(song); }};
    case 5: return {TTagsNeeded::Yes, PlanFileNameAsTitle};
    default: {
      // Stamped fields of any length: the new tag fits in place, or the file is rewritten.
      TID3Info fields;
      fields.Title = RandomText(random, 40);
      fields.Comment = RandomText(random, random() % 3 == 0 ? 6000 : 60);
      fields.Track = static_cast<std::uint8_t>(random() % 20);
      return {TTagsNeeded::Yes, [fields](const TSongFile&, const TID3Info&) {
                TSongChange change;
                change.WriteTags = true;
                change.Tags = fields;
                return change;
              }};
    }
  }
}

TEST(History, UndoingAnUndoPutsTheChangeBack) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t stamp = RunRecorded(*history, songs.Path(), {TTagsNeeded::Yes, PlanDetailsCleanup});
  ASSERT_NE(stamp, 0);
  const auto after = FolderState(songs.Path());
  TResultOf<TUndoReport> undone = UndoEntry(*history, stamp, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  ASSERT_NE(FolderState(songs.Path()), after);
  TResultOf<std::optional<THistoryEntry>> newest = history->NewestNotUndone();
  ASSERT_TRUE(newest.Ok() && newest.Value());
  EXPECT_EQ(newest.Value()->Id, undone.Value().UndoEntry);
  ASSERT_TRUE(UndoEntry(*history, undone.Value().UndoEntry, TProgram::Cli, "undo", TPassMode::Apply).Ok());
  EXPECT_EQ(FolderState(songs.Path()), after);
  // The change is on disk again: the entry no longer counts as undone.
  TResultOf<std::optional<THistoryEntry>> first = history->FindEntry(stamp);
  EXPECT_FALSE(first.Value()->Undone);
  EXPECT_EQ(first.Value()->FilesUndone, 0);
}

// Tags read from names, tracks numbered with their total and names given by a pattern: each is
// undone in turn, down to every byte and name the folder held.
TEST(History, PatternCommandsAndNumberingAreUndoneByteForByte) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  (void)songs.WriteFile("01 - Daft Punk - One More Time.mp3", SongAudio(3000));
  (void)songs.WriteFile("02 - Daft Punk - Aerodynamic.mp3", SongAudio(2000));
  const auto before = FolderState(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const TNamePattern read = *ParseNamePattern("{track} - {artist} - {title}").Pattern;
  const TNamePattern named = *ParseNamePattern("{track:3} {title} ({artist})").Pattern;
  std::vector<std::string> order;
  for (const auto& item : std::filesystem::directory_iterator(songs.Path())) order.push_back(item.path().string());
  const TTrackNumbers numbers = NumberSongs(order, 1, true);
  const std::int64_t tagged = RunRecorded(
      *history, songs.Path(),
      {TTagsNeeded::Yes,
       [&read](const TSongFile& song, const TID3Info& tags) { return PlanTagsFromName(song, tags, read, {}); },
       TListedDetails::Unused});
  const auto afterTags = FolderState(songs.Path());
  const std::int64_t numbered = RunRecorded(
      *history, songs.Path(),
      {TTagsNeeded::Yes,
       [&numbers](const TSongFile& song, const TID3Info& tags) { return PlanNumberTrack(song, tags, numbers); },
       TListedDetails::Unused});
  const auto afterNumbers = FolderState(songs.Path());
  const std::string aerodynamic = songs / "02 - Daft Punk - Aerodynamic.mp3";
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(aerodynamic).Ok());
  const TTrackNumber number = numbers.at(aerodynamic);
  EXPECT_EQ(tag.TrackText, std::to_string(number.Number) + "/" + std::to_string(number.Total));
  const std::int64_t renamed = RunRecorded(
      *history, songs.Path(),
      {TTagsNeeded::No, [&named](const TSongFile& song, const TID3Info&) { return PlanRenameWithPattern(song, named); },
       TListedDetails::Used, TWrites::NamesOnly});
  ASSERT_NE(FolderState(songs.Path()), afterNumbers);
  ASSERT_NE(afterNumbers, afterTags);
  ASSERT_NE(afterTags, before);
  for (const auto& [entry, state] :
       {std::pair{renamed, afterNumbers}, std::pair{numbered, afterTags}, std::pair{tagged, before}}) {
    TResultOf<TUndoReport> undone = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply);
    ASSERT_TRUE(undone.Ok()) << undone.Failure().Describe();
    EXPECT_EQ(FolderState(songs.Path()), state) << "undoing entry " << entry;
  }
}

// Every file and folder below the folder, by its path there: a file with its sha256, a folder as "/".
std::map<std::string, std::string> TreeState(const std::string& folder) {
  std::map<std::string, std::string> state;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = std::filesystem::relative(item.path(), folder).string();
    state[name] = item.is_directory() ? "/" : FileSha256(item.path().string());
  }
  return state;
}

// A pattern with folder levels moves the songs into folders made for them. Undo takes back the
// folders it made once they are empty, never one that was there before; redo makes them again.
TEST(History, ARenameIntoNewFoldersIsUndoneAndRedoneFoldersAndAll) {
  TTempFolder songs;
  TTempFolder state;
  for (const auto& [name, artist, album] :
       {std::tuple{"a.mp3", "Daft Punk", "Discovery"}, std::tuple{"b.mp3", "Daft Punk", "Discovery"},
        std::tuple{"c.mp3", "Moby", "Play"}}) {
    TID3Info tags;
    tags.Artist = artist;
    tags.Album = album;
    tags.Title = std::string("Song ") + name[0];
    ASSERT_TRUE(WriteID3Tags(songs.WriteFile(name, SongAudio(1000)), tags).Ok());
  }
  (void)songs.MakeFolder("Moby");  // there before, and empty
  const auto before = TreeState(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const TNamePattern pattern = *ParseNamePattern("{artist}/{album}/{title}").Pattern;
  const std::int64_t renamed = RunRecorded(
      *history, songs.Path(),
      {TTagsNeeded::No, [&](const TSongFile& song, const TID3Info&) { return PlanRenameWithPattern(song, pattern); },
       TListedDetails::Used, TWrites::NamesOnly});
  const auto after = TreeState(songs.Path());
  const std::vector<std::string> moved{"Daft Punk/Discovery/Song a.mp3", "Daft Punk/Discovery/Song b.mp3",
                                       "Moby/Play/Song c.mp3"};
  for (const std::string& name : moved) EXPECT_TRUE(after.contains(name)) << name;
  EXPECT_EQ(after.size(), 7U);  // three songs, four folders

  TResultOf<TUndoReport> undone = UndoEntry(*history, renamed, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok()) << undone.Failure().Describe();
  EXPECT_EQ(TreeState(songs.Path()), before);
  TResultOf<TUndoReport> redone =
      UndoEntry(*history, undone.Value().UndoEntry, TProgram::Cli, "redo", TPassMode::Apply);
  ASSERT_TRUE(redone.Ok()) << redone.Failure().Describe();
  EXPECT_EQ(TreeState(songs.Path()), after);
  // A file of the user's own in a folder made keeps that folder.
  (void)songs.WriteFile("Daft Punk/notes.txt", "mine");
  ASSERT_TRUE(UndoEntry(*history, redone.Value().UndoEntry, TProgram::Cli, "undo", TPassMode::Apply).Ok());
  std::map<std::string, std::string> expected = before;
  expected["Daft Punk"] = "/";
  expected["Daft Punk/notes.txt"] = FileSha256(songs / "Daft Punk/notes.txt");
  EXPECT_EQ(TreeState(songs.Path()), expected);
}

// A long pass still under way, or one cut short and not yet repaired, is never what undo takes: it
// takes the newest finished entry.
TEST(History, UndoTakesTheNewestFinishedEntry) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t finished = RunRecorded(*history, songs.Path(), {TTagsNeeded::Yes, PlanDetailsCleanup});
  ASSERT_NE(finished, 0);
  const auto newest = [&] {
    TResultOf<std::optional<THistoryEntry>> found = history->NewestNotUndone();
    EXPECT_TRUE(found.Ok()) << found.Failure().Describe();
    return found && found.Value() ? found.Value()->Id : 0;
  };
  // Two songs changed: the first one's change is recorded as made along with the second's record.
  std::unique_ptr<THistoryRecorder> running = history->StartEntry(TProgram::Cli, "stamp");
  TSongChange change;
  change.WriteTags = true;
  change.Tags.Title = "Still running";
  for (const char* song : {"Kit Moor - Blue.mp3", "tiny.mp3"}) {
    ASSERT_EQ(ApplyToOneSong(songs / song, change, running.get()).Outcome, TChangeOutcome::Tagged) << song;
  }
  ASSERT_GT(running->Id(), finished);
  EXPECT_EQ(newest(), finished) << "an entry still being recorded";
  running.reset();  // cut short: the next start repairs it
  EXPECT_EQ(newest(), finished) << "an entry cut short";
  TResultOf<TUndoReport> undone = UndoEntry(*history, finished, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok()) << undone.Failure().Describe();
  EXPECT_EQ(newest(), undone.Value().UndoEntry);
}

// What another program does to a file after a command; undo must leave such a file alone.
struct TLaterChange {
  const char* Name;
  void (*Apply)(const std::string& path);
};

void PrintTo(const TLaterChange& change, std::ostream* out) { *out << change.Name; }

class UndoLeavesChangedFiles : public ::testing::TestWithParam<TLaterChange> {};

TEST_P(UndoLeavesChangedFiles, AndNamesThem) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t entry = RunRecorded(*history, songs.Path(), {TTagsNeeded::Yes, PlanStampRecognized});
  const std::string changed = songs / "03 - Mara Vell - Paper Boats.mp3";
  GetParam().Apply(changed);
  const std::string changedSha = FileSha256(changed);
  TResultOf<TUndoReport> undone = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  EXPECT_EQ(FileSha256(changed), changedSha);
  bool named = false;
  for (const TUndoFile& file : undone.Value().Files) {
    if (file.File == changed) {
      named = true;
      EXPECT_EQ(file.Action, TUndoAction::Skipped);
      EXPECT_EQ(file.Reason, kChangedSinceReason);
      EXPECT_EQ(file.LeftAlone, TLeftAlone::ChangedSince);
    } else {
      EXPECT_NE(file.Action, TUndoAction::Skipped) << file.File;
    }
  }
  EXPECT_TRUE(named);
  EXPECT_EQ(undone.Value().Skipped(), 1U);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, UndoLeavesChangedFiles,
    ::testing::Values(TLaterChange{"TagRewritten",
                                   [](const std::string& path) {
                                     TID3Info tags;
                                     tags.Title = "Changed elsewhere";
                                     ASSERT_TRUE(WriteID3Tags(path, tags).Ok());
                                   }},
                      TLaterChange{"TrailerEdited",
                                   [](const std::string& path) {
                                     const int fd = ::open(path.c_str(), O_WRONLY);
                                     struct stat info {};
                                     ::fstat(fd, &info);
                                     ASSERT_EQ(::pwrite(fd, "X", 1, info.st_size - 100), 1);
                                     ::close(fd);
                                   }},
                      TLaterChange{"PictureByteChanged",
                                   [](const std::string& path) {
                                     // One byte in the middle of the picture, size kept.
                                     TResultOf<TTagSnapshot> now = ReadTagSnapshot(path);
                                     ASSERT_TRUE(now.Ok());
                                     const std::vector<TByteSpan> pictures =
                                         LargeFrameSpans(now.Value().Head, kLargeFrameSize);
                                     ASSERT_FALSE(pictures.empty());
                                     const std::size_t at = pictures.front().Offset + pictures.front().Size / 2;
                                     const char flipped = static_cast<char>(now.Value().Head[at] ^ 0x10);
                                     const int fd = ::open(path.c_str(), O_WRONLY);
                                     ASSERT_EQ(::pwrite(fd, &flipped, 1, static_cast<off_t>(at)), 1);
                                     ::close(fd);
                                   }},
                      TLaterChange{"AudioAppended",
                                   [](const std::string& path) {
                                     const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
                                     ASSERT_EQ(::write(fd, "more", 4), 4);
                                     ::close(fd);
                                   }}),
    [](const ::testing::TestParamInfo<TLaterChange>& info) { return std::string(info.param.Name); });

TEST(History, ARenameBackOntoATakenNameIsRefused) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t entry =
      RunRecorded(*history, songs.Path(),
                  {TTagsNeeded::No, [](const TSongFile& song, const TID3Info&) { return PlanAutoRename(song); }});
  const std::string oldName = songs / "the_quiet_ones_-_north_wind.mp3";
  ASSERT_FALSE(FileExists(oldName)) << "the song was renamed";
  songs.WriteFile("the_quiet_ones_-_north_wind.mp3", "someone else's file");
  const auto before = FolderState(songs.Path());
  TResultOf<TUndoReport> undone = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::DryRun);
  ASSERT_TRUE(undone.Ok());
  EXPECT_EQ(FolderState(songs.Path()), before) << "a dry run changes nothing";
  undone = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  std::size_t refused = 0;
  for (const TUndoFile& file : undone.Value().Files) {
    if (file.Reason == kOldNameTakenReason) ++refused;
    EXPECT_EQ(file.LeftAlone, file.Action == TUndoAction::Skipped ? TLeftAlone::OldNameTaken : TLeftAlone::No);
  }
  EXPECT_EQ(refused, 1U);
  EXPECT_EQ(ReadWholeFile(oldName), "someone else's file");
}

TEST(History, AChangeThatCannotBeRecordedIsNotMade) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  history->SetBusyTimeout(50);
  // Another program holds the database's write lock past the timeout.
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open((state / "history.sqlite3").c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  const auto before = FolderState(songs.Path());
  const std::int64_t entry = RunRecorded(*history, songs.Path(), {TTagsNeeded::Yes, PlanStampRecognized});
  EXPECT_EQ(entry, 0);
  EXPECT_EQ(FolderState(songs.Path()), before);
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
}

TEST(History, ADamagedFileIsMovedAsideAndANewHistoryBegun) {
  TTempFolder state;
  state.WriteFile("history.sqlite3", std::string(8192, 'x'));
  std::unique_ptr<THistory> history = OpenHistory(state);
  ASSERT_TRUE(history);
  ASSERT_EQ(history->Notices().size(), 1U);
  EXPECT_NE(history->Notices()[0].find("history.sqlite3.damaged-"), std::string::npos) << history->Notices()[0];
  bool keptAside = false;
  for (const auto& item : std::filesystem::directory_iterator(state.Path())) {
    if (item.path().filename().string().starts_with("history.sqlite3.damaged-")) {
      keptAside = ReadWholeFile(item.path().string()) == std::string(8192, 'x');
    }
  }
  EXPECT_TRUE(keptAside);
  TResultOf<std::vector<THistoryEntry>> entries = history->Entries();
  ASSERT_TRUE(entries.Ok());
  EXPECT_TRUE(entries.Value().empty());
}

// The number of rows of a table of the history, read by another connection.
std::int64_t RowsOf(const TTempFolder& state, const std::string& table) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open((state / "history.sqlite3").c_str(), &db), SQLITE_OK);
  sqlite3_stmt* count = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, ("SELECT count(*) FROM " + table).c_str(), -1, &count, nullptr), SQLITE_OK);
  EXPECT_EQ(sqlite3_step(count), SQLITE_ROW);
  const std::int64_t rows = sqlite3_column_int64(count, 0);
  sqlite3_finalize(count);
  sqlite3_close(db);
  return rows;
}

void DeleteEveryEntry(THistory& history) {
  TResultOf<std::vector<THistoryEntry>> left = history.Entries();
  ASSERT_TRUE(left.Ok());
  for (const THistoryEntry& entry : left.Value()) ASSERT_TRUE(history.DeleteEntry(entry.Id).Ok());
}

// A pass that gives every song the same title.
TSongPlanner StampTitle(const std::string& title) {
  return TSongPlanner{TTagsNeeded::Yes, [title](const TSongFile&, const TID3Info& tags) {
                        TSongChange change;
                        change.WriteTags = true;
                        change.Tags = tags;
                        change.Tags.Title = title;
                        return change;
                      }};
}

// Twelve copies of a song with a cover, in songs.
void CopySongsSharingACover(const TTempFolder& songs) {
  const std::string song = "03 - Mara Vell - Paper Boats.mp3";
  for (int i = 0; i < 12; ++i) {
    std::filesystem::copy_file(std::filesystem::path(TemplateFolder()) / song,
                               songs / (std::to_string(10 + i) + " - Mara Vell - Paper Boats.mp3"));
  }
}

// Read-only, the history is looked at as it is: nothing is made, laid out or changed, whether the
// program that wrote it left its log beside it or only the main file is there (a copy, say).
TEST(History, ReadOnlyMakesAndChangesNothing) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  TResultOf<std::unique_ptr<THistory>> none = THistory::Open(state / "new/history.sqlite3", THistoryAccess::ReadOnly);
  ASSERT_TRUE(none.Ok()) << none.Failure().Describe();
  EXPECT_FALSE(none.Value());
  EXPECT_TRUE(std::filesystem::is_empty(state.Path()));
  {
    std::unique_ptr<THistory> history = OpenHistory(state);
    std::unique_ptr<THistoryRecorder> recorder = history->StartEntry(TProgram::Cli, "stamp");
    TResultOf<TFileChange> change = CaptureBefore(songs / "03 - Mara Vell - Paper Boats.mp3", "", true);
    ASSERT_TRUE(change.Ok());
    ASSERT_TRUE(recorder->RecordBefore(change.Value()).Ok());
  }  // and the program died
  for (const bool onlyTheMainFile : {false, true}) {
    SCOPED_TRACE(onlyTheMainFile ? "only the main file" : "as left");
    if (onlyTheMainFile) {
      sqlite3* db = nullptr;
      ASSERT_EQ(sqlite3_open((state / "history.sqlite3").c_str(), &db), SQLITE_OK);
      ASSERT_EQ(sqlite3_exec(db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr), SQLITE_OK);
      sqlite3_close(db);
      for (const char* beside : {"-wal", "-shm", ".lock"})
        std::filesystem::remove(state / ("history.sqlite3" + std::string(beside)));
    }
    // The shared index (-shm) is SQLite's memory shared among readers: only its presence counts.
    const auto files = [&state] {
      std::map<std::string, std::string> files = FolderState(state.Path());
      if (files.contains("history.sqlite3-shm")) files["history.sqlite3-shm"] = "";
      return files;
    };
    const std::map<std::string, std::string> before = files();
    TResultOf<std::unique_ptr<THistory>> opened = THistory::Open(state / "history.sqlite3", THistoryAccess::ReadOnly);
    ASSERT_TRUE(opened.Ok()) << opened.Failure().Describe();
    ASSERT_TRUE(opened.Value());
    TResultOf<std::vector<THistoryEntry>> interrupted = opened.Value()->Interrupted();
    ASSERT_TRUE(interrupted.Ok());
    EXPECT_EQ(interrupted.Value().size(), 1U);
    opened.Value().reset();
    EXPECT_EQ(files(), before);
  }
}

// Another program laying the history out while this one opens it: waited for, not "busy", though
// SQLite says busy at once when that program's tables come after this one read the layout.
TEST(History, OpeningWaitsForAnotherProgramLayingItOut) {
  TTempFolder state;
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open((state / "history.sqlite3").c_str(), &other), SQLITE_OK);
  for (const char* sql : {"PRAGMA journal_mode = WAL", "CREATE TABLE first(x)", "BEGIN IMMEDIATE"}) {
    ASSERT_EQ(sqlite3_exec(other, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  }
  // The other program goes on once this one waits for it.
  int waits = 0;
  SetWhenHistoryBusy([other, &waits] {
    if (waits++ > 0) return;
    (void)sqlite3_exec(other, "CREATE TABLE second(x); COMMIT", nullptr, nullptr, nullptr);  // checked below
  });
  TResultOf<std::unique_ptr<THistory>> opened = THistory::Open(state / "history.sqlite3");
  SetWhenHistoryBusy(nullptr);
  EXPECT_GE(waits, 1) << "opened without waiting for the other program";
  EXPECT_EQ(sqlite3_get_autocommit(other), 1) << "the other program's transaction was committed";
  sqlite3_close(other);
  ASSERT_TRUE(opened.Ok()) << opened.Failure().Describe() << " (" << opened.Failure().Error().message() << ")";
  EXPECT_TRUE(opened.Value()->Entries().Ok());
}

// Songs of an album share their cover: it is kept once, however many songs and entries name it,
// and stays while any entry does. A stamp names the cover when it moves it: the first stamp of a
// song laid out by another program puts the cover ahead of the texts.
TEST(History, ASharedPictureIsStoredOnceAndOutlivesTheEntriesThatStoredIt) {
  TTempFolder songs;
  TTempFolder moreSongs;
  TTempFolder state;
  CopySongsSharingACover(songs);
  CopySongsSharingACover(moreSongs);
  std::unique_ptr<THistory> history = OpenHistory(state);
  ASSERT_NE(RunRecorded(*history, songs.Path(), StampTitle("First")), 0);
  ASSERT_NE(RunRecorded(*history, songs.Path(), StampTitle("A much longer second title")), 0);
  EXPECT_EQ(RowsOf(state, "shared_pieces"), 1);
  const auto beforeThird = FolderState(moreSongs.Path());
  // Only the newest entry stays: the picture it names stays with it.
  history->SetLimits({1, std::int64_t{512} << 20});
  const std::int64_t third = RunRecorded(*history, moreSongs.Path(), StampTitle("Third"));
  ASSERT_EQ(history->Entries().Value().size(), 1U);
  EXPECT_EQ(RowsOf(state, "shared_pieces"), 1);
  history.reset();
  history = OpenHistory(state);  // nothing remembered in memory
  TResultOf<TUndoReport> undone = UndoEntry(*history, third, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  EXPECT_EQ(undone.Value().Skipped(), 0U);
  EXPECT_EQ(FolderState(moreSongs.Path()), beforeThird);
  // With every entry gone, so is the picture.
  DeleteEveryEntry(*history);
  EXPECT_EQ(RowsOf(state, "shared_pieces"), 0);
  EXPECT_EQ(RowsOf(state, "piece_refs"), 0);
}

// A history of the layout that counted the records of a shared piece beside its bytes keeps its
// pieces as long as records name them, whichever program made the records.
TEST(History, CountsOfSharedPiecesKeptBesideTheirBytesAreTakenOver) {
  TTempFolder songs;
  TTempFolder moreSongs;  // as another program laid them out: the second stamp moves the cover too
  TTempFolder state;
  CopySongsSharingACover(songs);
  CopySongsSharingACover(moreSongs);
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t first = RunRecorded(*history, songs.Path(), StampTitle("First"));
  ASSERT_NE(first, 0);
  const auto beforeSecond = FolderState(moreSongs.Path());
  const std::int64_t second = RunRecorded(*history, moreSongs.Path(), StampTitle("A much longer second title"));
  ASSERT_NE(second, 0);
  history.reset();
  // The counts go back beside the bytes, as that layout kept them.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((state / "history.sqlite3").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "ALTER TABLE shared_pieces ADD COLUMN refs INTEGER NOT NULL DEFAULT 0;"
                         "UPDATE shared_pieces SET refs = (SELECT refs FROM piece_refs WHERE piece = id);"
                         "DROP TABLE piece_refs; PRAGMA user_version = 2;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  ASSERT_EQ(RowsOf(state, "shared_pieces"), 1);

  history = OpenHistory(state);
  ASSERT_TRUE(history);
  ASSERT_TRUE(history->DeleteEntry(first).Ok());
  EXPECT_EQ(RowsOf(state, "shared_pieces"), 1);  // the second entry still names it
  history.reset();
  history = OpenHistory(state);  // nothing remembered in memory
  TResultOf<TUndoReport> undone = UndoEntry(*history, second, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok()) << undone.Failure().Describe();
  EXPECT_EQ(undone.Value().Skipped(), 0U);
  EXPECT_EQ(FolderState(moreSongs.Path()), beforeSecond);
  DeleteEveryEntry(*history);
  EXPECT_EQ(RowsOf(state, "shared_pieces"), 0);
  EXPECT_EQ(RowsOf(state, "piece_refs"), 0);
}

// Where two files part, or nothing when they are the same (a whole song in a failure is unreadable).
std::string Difference(const std::string& got, const std::string& wanted) {
  if (got == wanted) return {};
  std::size_t at = 0;
  while (at < got.size() && at < wanted.size() && got[at] == wanted[at]) ++at;
  return std::to_string(got.size()) + " bytes instead of " + std::to_string(wanted.size()) +
         ", first difference at byte " + std::to_string(at);
}

// Every shape of file the tag reader takes, stamped through the pass and undone, is the same file
// again, byte for byte; undoing the undo gives the stamped file back.
struct TTagShape {
  const char* Name;
  std::string (*Build)();
  // The pieces (pictures) the history keeps for the stamp, when that matters: none of a picture
  // the write leaves in the file.
  int SharedPieces = -1;
};

void PrintTo(const TTagShape& shape, std::ostream* out) { *out << shape.Name; }

std::string OldTrailer() { return Trailer("Old title", "Old artist", "Old album", "1999"); }

// A version 2.4 tag with a footer: the header again, with "3DI" in front.
std::string TagWithFooter(std::string_view body, std::size_t padding = 0) {
  const std::string tag = Tag(4, body, padding, 0x10);
  return tag + "3DI" + tag.substr(3, 7);
}

// The zero byte put after every 0xFF, as unsynchronisation does.
std::string Unsynchronised(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    out += c;
    if (static_cast<unsigned char>(c) == 0xFF) out += '\0';
  }
  return out;
}

// Frame content that stands for deflated bytes (the reader keeps such a frame as it is).
const std::string kDeflated = Bytes({0x78, 0x9C, 0xF3, 0xCF, 0x49, 0x01, 0x00, 0x02, 0x9C, 0x01, 0x1F});

// A picture frame's content of 40 KB of its own (made from seed).
std::string PictureContent(unsigned seed) {
  std::mt19937 random(seed);
  std::string picture = Bytes({0}) + "image/png" + Bytes({0, 3, 0});
  while (picture.size() < 40'000) picture += static_cast<char>(random());
  return picture;
}

// A tag with a title and a picture of 40 KB of its own (made from seed), padded.
std::string TagWithPicture(std::string_view title, std::size_t padding, unsigned seed = 11) {
  return Tag(3, Frame23("TIT2", Latin1Text(title)) + Frame23("APIC", PictureContent(seed)), padding);
}

// The same laid out as this program writes it: the picture ahead of the title.
std::string TagWithPictureFirst(std::string_view title, std::size_t padding) {
  return Tag(3, Frame23("APIC", PictureContent(11)) + Frame23("TIT2", Latin1Text(title)), padding);
}

// Every shape of tag the reader takes.
const std::vector<TTagShape>& TagShapes() {
  static const std::vector<TTagShape> shapes{
      TTagShape{"Footer",
                [] { return TagWithFooter(Frame24("TIT2", Latin1Text("Old"))) + SongAudio(3000) + OldTrailer(); }},
      TTagShape{"FooterWithoutTrailer",
                [] { return TagWithFooter(Frame24("TIT2", Latin1Text("Old"))) + SongAudio(3000); }},
      TTagShape{"FooterRewrittenInPlace",
                [] { return TagWithFooter(Frame24("TIT2", Latin1Text("Old")), 4096) + SongAudio(3000); }},
      TTagShape{"FooterAndLittleAfterIt",
                [] { return TagWithFooter(Frame24("TIT2", Latin1Text("Old"))) + SongAudio(100); }},
      TTagShape{"FooterFlagWithoutFooter",
                [] { return Tag(4, Frame24("TIT2", Latin1Text("Old")), 0, 0x10) + SongAudio(3000) + OldTrailer(); }},
      TTagShape{"ExtendedHeader24",
                [] {
                  return Tag(4, Syncsafe(6) + Bytes({1, 0}) + Frame24("TIT2", Latin1Text("Old")), 0, 0x40) +
                         SongAudio(3000) + OldTrailer();
                }},
      TTagShape{"ExtendedHeader23",
                [] {
                  return Tag(3, BigEndian32(6) + Bytes({0, 0}) + BigEndian32(0) + Frame23("TIT2", Latin1Text("Old")), 0,
                             0x40) +
                         SongAudio(3000) + OldTrailer();
                }},
      TTagShape{"Unsynchronised23",
                [] {
                  return Tag(3, Unsynchronised(Frame23("TIT2", Latin1Text("Old \xFF\xE0 sync"))), 0, 0x80) +
                         SongAudio(3000) + OldTrailer();
                }},
      TTagShape{"UnsynchronisedFrame24",
                [] {
                  return Tag(4, Frame24("TIT2", Unsynchronised(Latin1Text("Old \xFF\xE0 sync")), 0, 0x02)) +
                         SongAudio(3000) + OldTrailer();
                }},
      TTagShape{"DataLengthIndicator",
                [] {
                  return Tag(4, Frame24("TIT2", Syncsafe(4) + Latin1Text("Old"), 0, 0x01) +
                                    Frame24("TPE1", Syncsafe(7) + Latin1Text("Artist"), 0, 0x01)) +
                         SongAudio(3000) + OldTrailer();
                }},
      TTagShape{"CompressedFrame24",
                [] {
                  return Tag(4,
                             Frame24("TIT2", Latin1Text("Old")) + Frame24("TXXX", Syncsafe(12) + kDeflated, 0, 0x09)) +
                         SongAudio(3000) + OldTrailer();
                }},
      TTagShape{"CompressedFrame23",
                [] {
                  return Tag(3, Frame23("TIT2", Latin1Text("Old")) +
                                    Frame23("TXXX", BigEndian32(12) + kDeflated, 0, 0x80)) +
                         SongAudio(3000) + OldTrailer();
                }},
      TTagShape{"Version22",
                [] {
                  return Tag(2, Frame22("TT2", Latin1Text("Old")) + Frame22("TP1", Latin1Text("Artist")), 200) +
                         SongAudio(3000) + OldTrailer();
                }},
      TTagShape{"CompressedVersion22", [] { return Tag(2, kDeflated, 0, 0x40) + SongAudio(3000) + OldTrailer(); }},
      TTagShape{
          "SizePastTheEnd",
          [] {
            return "ID3" + Bytes({3, 0, 0}) + Syncsafe(1 << 20) + Frame23("TIT2", Latin1Text("Old")) + SongAudio(3000);
          }},
      TTagShape{"PaddedInPlace",
                [] { return Tag(3, Frame23("TIT2", Latin1Text("Old")), 2048) + SongAudio(3000) + OldTrailer(); }},
      TTagShape{"TrailerOnly", [] { return SongAudio(3000) + OldTrailer(); }},
      TTagShape{"NoTag", [] { return SongAudio(3000); }}, TTagShape{"Empty", [] { return std::string(); }},
      TTagShape{"LittleAfterTheTag", [] { return Tag(3, Frame23("TIT2", Latin1Text("Old"))) + SongAudio(100); }},
      TTagShape{"TagOnly", [] { return Tag(4, Frame24("TIT2", Latin1Text("Old")), 100); }},
      // The picture is taken over by a rewrite, left where it is by a write in place, or moved
      // within the old tag's room: only then are its old bytes kept.
      TTagShape{"PictureTakenOverByARewrite", [] { return TagWithPicture("Old", 0) + SongAudio(3000) + OldTrailer(); },
                0},
      TTagShape{"PictureLeftInPlace", [] { return TagWithPictureFirst("Old1234", 600) + SongAudio(3000); }, 0},
      TTagShape{"PictureMovedInPlace", [] { return TagWithPicture("Old", 600) + SongAudio(3000) + OldTrailer(); }, 1}};
  return shapes;
}

class TagShapeRoundTrip : public ::testing::TestWithParam<TTagShape> {};

TEST_P(TagShapeRoundTrip, IsUndoneByteForByte) {
  TTempFolder songs;
  TTempFolder state;
  const std::string original = GetParam().Build();
  const std::string song = songs.WriteFile("song.mp3", original);
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t entry = RunRecorded(*history, songs.Path(), StampTitle("Stamped"));
  if (original.empty()) {
    // An empty file is no MP3 by its content: it is left as it is, and nothing is recorded.
    EXPECT_EQ(ReadWholeFile(song), original);
    EXPECT_TRUE(history->Entries().Value().empty());
    return;
  }
  ASSERT_NE(entry, 0);
  const std::string stamped = ReadWholeFile(song);
  ASSERT_NE(Difference(stamped, original), "") << "the title was stamped";
  if (GetParam().SharedPieces >= 0) {
    EXPECT_EQ(RowsOf(state, "shared_pieces"), GetParam().SharedPieces);
  }
  TResultOf<TUndoReport> undone = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok()) << undone.Failure().Describe();
  ASSERT_EQ(undone.Value().Files.size(), 1U);
  EXPECT_EQ(undone.Value().Files[0].Action, TUndoAction::Restored) << undone.Value().Files[0].Reason;
  EXPECT_EQ(Difference(ReadWholeFile(song), original), "");
  TResultOf<TUndoReport> redone =
      UndoEntry(*history, undone.Value().UndoEntry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(redone.Ok()) << redone.Failure().Describe();
  ASSERT_EQ(redone.Value().Files.size(), 1U);
  EXPECT_EQ(redone.Value().Files[0].Action, TUndoAction::Restored) << redone.Value().Files[0].Reason;
  EXPECT_EQ(Difference(ReadWholeFile(song), stamped), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(songs.Path()), {}), 1) << "nothing left beside";
}

INSTANTIATE_TEST_SUITE_P(Shapes, TagShapeRoundTrip, ::testing::ValuesIn(TagShapes()),
                         [](const ::testing::TestParamInfo<TTagShape>& info) { return std::string(info.param.Name); });

// Random sequences of commands, plain undos and redos over songs of every tag shape. After each step
// the folder is what an editor's undo would leave: the state after the commands still in effect, a
// new command ending what could be redone. Undone to the start, every file is the same again, byte
// for byte, under its old name and mode. 1,000 sequences in all; TAGWRIGHT_UNDO_SEQUENCES sets how
// many each of the ten cases runs (default 100).
class UndoRoundTrip : public ::testing::TestWithParam<int> {};

// A folder of two songs of undo_songs.py (one of them perhaps read-only) and two of random shapes.
void FillRandomFolder(std::mt19937& random, const TTempFolder& songs) {
  std::vector<std::filesystem::path> templates;
  for (const auto& item : std::filesystem::directory_iterator(TemplateFolder())) templates.push_back(item.path());
  std::sort(templates.begin(), templates.end());
  std::shuffle(templates.begin(), templates.end(), random);
  for (std::size_t i = 0; i < 2; ++i) {
    const std::filesystem::path to = std::filesystem::path(songs.Path()) / templates[i].filename();
    std::filesystem::copy_file(templates[i], to);
    if (random() % 4 == 0) {
      ASSERT_EQ(::chmod(to.c_str(), 0444), 0);  // never written; must come through too
    }
  }
  const std::vector<TTagShape>& shapes = TagShapes();
  for (int i = 0; i < 2; ++i) {
    const TTagShape& shape = shapes[random() % shapes.size()];
    (void)songs.WriteFile(std::to_string(i) + " - Shape Band - " + shape.Name + ".mp3", shape.Build());
  }
}

// Name -> bytes and permission bits of every file in the folder: compared whole, as hashing them
// would cost the round trip most of its time.
std::map<std::string, std::string> FolderBytes(const std::string& folder) {
  std::map<std::string, std::string> state;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    struct stat info {};
    ::stat(item.path().c_str(), &info);
    state[item.path().filename().string()] = ReadWholeFile(item.path().string()) + std::to_string(info.st_mode & 07777);
  }
  return state;
}

// One plain undo (or redo) through the timeline; false when there was nothing to take back.
bool UndoOrRedoNewest(THistory& history, TEntryKind kind) {
  TResultOf<THistoryTimeline> timeline = THistoryTimeline::Read(history);
  EXPECT_TRUE(timeline.Ok());
  if (!timeline) return false;
  const std::optional<THistoryEntry> target =
      kind == TEntryKind::Redo ? timeline.Value().RedoTarget() : timeline.Value().UndoTarget();
  if (!target) return false;
  TResultOf<TUndoReport> report = UndoOrRedo(history, *target, TProgram::Cli, EntryKindName(kind), TPassMode::Apply);
  EXPECT_TRUE(report.Ok()) << report.Failure().Describe();
  for (const TUndoFile& file : report ? report.Value().Files : std::vector<TUndoFile>()) {
    EXPECT_NE(file.Action, TUndoAction::Skipped) << file.File << ": " << file.Reason;
  }
  return true;
}

TEST_P(UndoRoundTrip, RandomCommandsUndosAndRedosLeaveTheFilesAsAnEditorWould) {
  const char* wanted = std::getenv("TAGWRIGHT_UNDO_SEQUENCES");
  const int sequences = wanted ? std::atoi(wanted) : 100;
  for (int sequence = 0; sequence < sequences && !HasFailure(); ++sequence) {
    const unsigned seed = static_cast<unsigned>(GetParam() * 100000 + sequence);
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    TTempFolder songs;
    TTempFolder state;
    FillRandomFolder(random, songs);
    std::unique_ptr<THistory> history = OpenHistory(state);
    ASSERT_TRUE(history);
    // The folder after each command in effect (the first: before any), and those undone.
    std::vector<std::map<std::string, std::string>> done{FolderBytes(songs.Path())};
    std::vector<std::map<std::string, std::string>> undone;
    for (int step = 0; step < 10; ++step) {
      const unsigned choice = random() % 10;
      if (choice < 4) {
        const std::int64_t entry = RunRecorded(*history, songs.Path(), RandomCommand(random));
        TResultOf<std::optional<THistoryEntry>> found = history->FindEntry(entry);
        if (entry == 0 || !found.Ok() || !found.Value() || found.Value()->Files == 0) continue;
        done.push_back(FolderBytes(songs.Path()));
        undone.clear();
      } else if (choice < 7) {
        ASSERT_EQ(UndoOrRedoNewest(*history, TEntryKind::Undo), done.size() > 1) << "step " << step;
        if (done.size() > 1) {
          undone.push_back(done.back());
          done.pop_back();
        }
      } else {
        ASSERT_EQ(UndoOrRedoNewest(*history, TEntryKind::Redo), !undone.empty()) << "step " << step;
        if (!undone.empty()) {
          done.push_back(undone.back());
          undone.pop_back();
        }
      }
      ASSERT_EQ(FolderBytes(songs.Path()), done.back()) << "step " << step;
    }
    while (done.size() > 1) {
      ASSERT_TRUE(UndoOrRedoNewest(*history, TEntryKind::Undo));
      done.pop_back();
    }
    EXPECT_FALSE(UndoOrRedoNewest(*history, TEntryKind::Undo));
    ASSERT_EQ(FolderBytes(songs.Path()), done.front());
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoRoundTrip, ::testing::Range(0, 10));

// "Delete This File" is a change of the history: undone, the song comes back out of the trash under
// its old name, bytes and mode intact, and its record in the trash goes; redone, it goes back with
// a new record. A song no longer in the trash, or whose old name is taken, is left and named.
enum class TTrashMeddling { None, EmptiedFromTrash, OldNameTaken };

struct TTrashCase {
  const char* Name;
  TTrashMeddling Meddling;
};

void PrintTo(const TTrashCase& trashCase, std::ostream* out) { *out << trashCase.Name; }

class TrashedSong : public ::testing::TestWithParam<TTrashCase> {
 protected:
  TTempFolder songs, home, state;
  TDataHomeIn trash{home};
};

TEST_P(TrashedSong, ComesBackByUndoAndGoesAgainByRedo) {
  CopyTemplates(songs.Path());
  const std::string song = songs / "07 - Ann Lee - Early Light.mp3";
  ASSERT_EQ(::chmod(song.c_str(), 0640), 0);
  const auto before = FolderBytes(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  std::unique_ptr<THistoryRecorder> recorder = history->StartEntry(TProgram::Window, "Delete This File");
  TSongFile listed;
  ASSERT_TRUE(listed.SetFileName(song).Ok());
  TPassHooks hooks;
  hooks.Journal = recorder.get();
  const TPassSummary moved =
      RunSongPass({&listed}, CatalogueCommand(TCommandId::DeleteThisFile).Planner({}), TPassMode::Apply, hooks);
  ASSERT_EQ(moved.Changed, 1U);
  ASSERT_TRUE(recorder->Finish().Ok());
  const std::string trashed = home / "data/Trash/files/07 - Ann Lee - Early Light.mp3";
  const std::string info = home / "data/Trash/info/07 - Ann Lee - Early Light.mp3.trashinfo";
  ASSERT_TRUE(FileExists(trashed));
  EXPECT_FALSE(FileExists(song));
  EXPECT_NE(ReadWholeFile(info).find("\nPath=" + songs.Path() + "/07%20-%20Ann%20Lee%20-%20Early%20Light.mp3\n"),
            std::string::npos)
      << ReadWholeFile(info);
  if (GetParam().Meddling == TTrashMeddling::EmptiedFromTrash) {
    ASSERT_EQ(::unlink(trashed.c_str()), 0);
  }
  if (GetParam().Meddling == TTrashMeddling::OldNameTaken) (void)songs.WriteFile(FileNamePart(song), "another");
  const auto meddled = FolderBytes(songs.Path());
  TResultOf<THistoryTimeline> timeline = THistoryTimeline::Read(*history);
  ASSERT_TRUE(timeline.Ok() && timeline.Value().UndoTarget());
  TResultOf<TUndoReport> undone =
      UndoOrRedo(*history, *timeline.Value().UndoTarget(), TProgram::Window, "Undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  ASSERT_EQ(undone.Value().Files.size(), 1U);
  const TUndoFile& file = undone.Value().Files[0];
  if (GetParam().Meddling != TTrashMeddling::None) {
    EXPECT_EQ(file.Action, TUndoAction::Skipped);
    EXPECT_NE(file.Reason.find(song), std::string::npos) << file.Reason;
    EXPECT_EQ(FolderBytes(songs.Path()), meddled);
    EXPECT_FALSE(UndoOrRedoNewest(*history, TEntryKind::Undo)) << "the next undo goes on past it";
    return;
  }
  EXPECT_EQ(file.Action, TUndoAction::RenamedBack) << file.Reason;
  EXPECT_EQ(FolderBytes(songs.Path()), before);
  EXPECT_FALSE(FileExists(trashed));
  EXPECT_FALSE(FileExists(info)) << "the trash keeps no record of a song no longer in it";
  ASSERT_TRUE(UndoOrRedoNewest(*history, TEntryKind::Redo));
  EXPECT_FALSE(FileExists(song));
  EXPECT_TRUE(FileExists(trashed));
  EXPECT_TRUE(FileExists(info));
  ASSERT_TRUE(UndoOrRedoNewest(*history, TEntryKind::Undo));
  EXPECT_EQ(FolderBytes(songs.Path()), before);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrashedSong,
                         ::testing::Values(TTrashCase{"Untouched", TTrashMeddling::None},
                                           TTrashCase{"EmptiedFromTrash", TTrashMeddling::EmptiedFromTrash},
                                           TTrashCase{"OldNameTaken", TTrashMeddling::OldNameTaken}),
                         [](const ::testing::TestParamInfo<TTrashCase>& info) { return std::string(info.param.Name); });

// The folders of an entry's files, each once, for the window's question; a song moved to the trash
// counts in the folder it came from.
TEST(History, EntryFoldersNameEachFolderOnce) {
  TTempFolder songs;
  TTempFolder state;
  std::unique_ptr<THistory> history = OpenHistory(state);
  std::unique_ptr<THistoryRecorder> recorder = history->StartEntry(TProgram::Cli, "stamp");
  TSongChange change;
  change.WriteTags = true;
  change.Tags.Title = "New";
  for (const char* song : {"a/one.mp3", "b/two.mp3", "a/three.mp3"}) {
    (void)songs.MakeFolder(std::string(song).substr(0, 1));
    ASSERT_EQ(ApplyToOneSong(songs.WriteFile(song, SongAudio(100)), change, recorder.get()).Outcome,
              TChangeOutcome::Tagged);
  }
  ASSERT_TRUE(recorder->Finish().Ok());
  TResultOf<std::vector<std::string>> folders = EntryFolders(*history, recorder->Id());
  ASSERT_TRUE(folders.Ok());
  EXPECT_EQ(folders.Value(), std::vector<std::string>({songs / "a", songs / "b"}));
}

// A song with a second name keeps the one file both names lead to, through the stamp and its undo.
TEST(History, AHardLinkedSongKeepsItsFileThroughUndo) {
  TTempFolder songs;
  TTempFolder elsewhere;
  TTempFolder state;
  CopyTemplates(songs.Path());
  const std::string song = songs / "03 - Mara Vell - Paper Boats.mp3";
  const std::string other = elsewhere / "same song.mp3";
  ASSERT_EQ(::link(song.c_str(), other.c_str()), 0);
  const std::string original = ReadWholeFile(song);
  const auto before = FolderState(songs.Path());
  struct stat info {};
  ASSERT_EQ(::stat(song.c_str(), &info), 0);
  const ino_t inode = info.st_ino;
  std::unique_ptr<THistory> history = OpenHistory(state);
  // A title that does not fit the old tag: the song is rewritten.
  const std::int64_t entry = RunRecorded(*history, songs.Path(), StampTitle(std::string(5000, 'n')));
  ASSERT_NE(entry, 0);
  ASSERT_NE(Difference(ReadWholeFile(other), original), "") << "the stamp reached the other name";
  TResultOf<TUndoReport> undone = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok()) << undone.Failure().Describe();
  EXPECT_EQ(undone.Value().Skipped(), 0U);
  EXPECT_EQ(FolderState(songs.Path()), before);
  EXPECT_EQ(Difference(ReadWholeFile(other), original), "");
  ASSERT_EQ(::stat(song.c_str(), &info), 0);
  EXPECT_EQ(info.st_ino, inode);
  EXPECT_EQ(info.st_nlink, 2U);
}

// The tables of a history written before old tags were kept as recipes and new tags hashed in the
// striped form.
const char* const kFirstLayout = R"sql(
CREATE TABLE IF NOT EXISTS entries(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  time_ns INTEGER NOT NULL,
  program TEXT NOT NULL,
  command TEXT NOT NULL,
  pid INTEGER NOT NULL,
  done INTEGER NOT NULL DEFAULT 0,
  undone_by INTEGER,
  undoes INTEGER,
  tag_bytes INTEGER NOT NULL DEFAULT 0);
CREATE TABLE IF NOT EXISTS changes(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  entry INTEGER NOT NULL,
  state INTEGER NOT NULL DEFAULT 0,
  path_before TEXT NOT NULL,
  path_after TEXT NOT NULL,
  tag_written INTEGER NOT NULL,
  old_head BLOB,
  old_tail BLOB,
  middle_size INTEGER NOT NULL,
  whole INTEGER NOT NULL,
  size_before INTEGER NOT NULL,
  mode_before INTEGER NOT NULL,
  temporary_name TEXT,
  recorded_ns INTEGER NOT NULL,
  size_after INTEGER,
  mtime_after_ns INTEGER,
  head_size_after INTEGER,
  head_hash_after INTEGER,
  tail_after BLOB,
  mode_after INTEGER);
CREATE INDEX IF NOT EXISTS changes_of_entry ON changes(entry, id);
)sql";

// Such a history opens, and its entries are still undone byte for byte.
TEST(History, AHistoryOfTheFirstLayoutIsStillUndone) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  const std::string song = songs / "03 - Mara Vell - Paper Boats.mp3";
  const auto before = FolderState(songs.Path());
  struct stat info {};
  ASSERT_EQ(::stat(song.c_str(), &info), 0);
  TResultOf<TTagSnapshot> old = ReadTagSnapshot(song);
  ASSERT_TRUE(old.Ok());
  TID3Info tags;
  ASSERT_TRUE(ReadID3Tags(song, tags).Ok());
  tags.Title = "Written by the earlier version";
  ASSERT_TRUE(WriteID3Tags(song, tags).Ok());
  TResultOf<TTagSnapshot> now = ReadTagSnapshotAround(song, old.Value().MiddleSize, false);
  ASSERT_TRUE(now.Ok());
  struct stat after {};
  ASSERT_EQ(::stat(song.c_str(), &after), 0);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((state / "history.sqlite3").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA page_size = 65536; PRAGMA journal_mode = WAL;", nullptr, nullptr, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, kFirstLayout, nullptr, nullptr, nullptr), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(db, "INSERT INTO entries(time_ns, program, command, pid, done) VALUES(1, 'cli', 'stamp', 1, 1)",
                   nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_stmt* insert = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db,
                               "INSERT INTO changes(entry, state, path_before, path_after, tag_written, old_head, "
                               "old_tail, middle_size, whole, size_before, mode_before, recorded_ns, size_after, "
                               "mtime_after_ns, head_size_after, head_hash_after, tail_after, mode_after) "
                               "VALUES(1, 1, ?1, ?1, 1, ?2, ?3, ?4, 0, ?5, ?6, 1, ?7, ?8, ?9, ?10, ?11, ?12)",
                               -1, &insert, nullptr),
            SQLITE_OK);
  sqlite3_bind_text(insert, 1, song.c_str(), -1, SQLITE_STATIC);
  sqlite3_bind_blob(insert, 2, old.Value().Head.data(), static_cast<int>(old.Value().Head.size()), SQLITE_STATIC);
  sqlite3_bind_blob(insert, 3, old.Value().Tail.data(), static_cast<int>(old.Value().Tail.size()), SQLITE_STATIC);
  sqlite3_bind_int64(insert, 4, old.Value().MiddleSize);
  sqlite3_bind_int64(insert, 5, old.Value().Size);
  sqlite3_bind_int64(insert, 6, info.st_mode & 07777);
  sqlite3_bind_int64(insert, 7, after.st_size);
  sqlite3_bind_int64(insert, 8, ModifiedNs(after));
  sqlite3_bind_int64(insert, 9, static_cast<std::int64_t>(now.Value().Head.size()));
  sqlite3_bind_int64(insert, 10, static_cast<std::int64_t>(HashTagBytes(now.Value().Head, THashForm::Serial)));
  sqlite3_bind_blob(insert, 11, now.Value().Tail.data(), static_cast<int>(now.Value().Tail.size()), SQLITE_STATIC);
  sqlite3_bind_int64(insert, 12, after.st_mode & 07777);
  ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
  sqlite3_finalize(insert);
  sqlite3_close(db);

  std::unique_ptr<THistory> history = OpenHistory(state);
  ASSERT_TRUE(history);
  TResultOf<TUndoReport> undone = UndoEntry(*history, 1, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok()) << undone.Failure().Describe();
  ASSERT_EQ(undone.Value().Files.size(), 1U);
  EXPECT_EQ(undone.Value().Files[0].Action, TUndoAction::Restored) << undone.Value().Files[0].Reason;
  EXPECT_EQ(FolderState(songs.Path()), before);
  // New records go into the same history, in the new layout, and are undone as well.
  const auto beforeSecond = FolderState(songs.Path());
  const std::int64_t second = RunRecorded(*history, songs.Path(), {TTagsNeeded::Yes, PlanDetailsCleanup});
  ASSERT_NE(second, 0);
  ASSERT_TRUE(UndoEntry(*history, second, TProgram::Cli, "undo", TPassMode::Apply).Ok());
  EXPECT_EQ(FolderState(songs.Path()), beforeSecond);
}

// The bounds: at most so many entries and so many stored tag bytes; the oldest go first.
struct TBound {
  const char* Name;
  THistoryLimits Limits;
  std::size_t Kept;
  // The take whose titles are some 100 KB each (the same in every song), which the next take's
  // entry then keeps.
  int GiantTitles = -1;
};

void PrintTo(const TBound& bound, std::ostream* out) { *out << bound.Name; }

class HistoryBounds : public ::testing::TestWithParam<TBound> {};

TEST_P(HistoryBounds, DropTheOldestEntries) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  history->SetLimits(GetParam().Limits);
  std::vector<std::int64_t> made;
  made.reserve(5);
  for (int i = 0; i < 5; ++i) {
    made.push_back(RunRecorded(*history, songs.Path(), {TTagsNeeded::Yes, [i](const TSongFile&, const TID3Info&) {
                                                          TSongChange change;
                                                          change.WriteTags = true;
                                                          // Each take's title is some 8 KB of its own.
                                                          change.Tags.Title =
                                                              "Take " +
                                                              std::string(i == GetParam().GiantTitles ? 100'000 : 8000,
                                                                          static_cast<char>('a' + i));
                                                          return change;
                                                        }}));
  }
  TResultOf<std::vector<THistoryEntry>> entries = history->Entries();
  ASSERT_TRUE(entries.Ok());
  ASSERT_EQ(entries.Value().size(), GetParam().Kept);
  for (std::size_t i = 0; i < GetParam().Kept; ++i) EXPECT_EQ(entries.Value()[i].Id, made[made.size() - 1 - i]);
}

// Pictures kept for an entry that is dropped give their room in the piece file back: the file
// takes little more on the disk than the pictures still kept.
TEST(History, PicturesOfDroppedEntriesGiveTheirRoomBack) {
  TTempFolder state;
  std::unique_ptr<THistory> history = OpenHistory(state);
  history->SetLimits({1, std::int64_t{512} << 20});
  std::vector<std::unique_ptr<TTempFolder>> folders;
  std::int64_t last = 0;
  for (unsigned take = 0; take < 3; ++take) {
    // Each take a song of its own whose picture moves within its tag: its old bytes are kept.
    folders.push_back(std::make_unique<TTempFolder>());
    folders.back()->WriteFile("song.mp3", TagWithPicture("Old", 600, take) + SongAudio(3000));
    last = RunRecorded(*history, folders.back()->Path(), StampTitle("Stamped"));
    ASSERT_NE(last, 0);
  }
  EXPECT_EQ(RowsOf(state, "shared_pieces"), 1);
  struct stat pieces {};
  ASSERT_EQ(::stat((state / "history.sqlite3-pieces").c_str(), &pieces), 0);
  EXPECT_GE(pieces.st_size, 3 * 40'000);  // the room of the others is given back as holes
  EXPECT_LT(pieces.st_blocks * 512, 2 * 40'000);
  // The picture still kept lies after those given back, and is whole.
  TTempFolder lastSong;
  lastSong.WriteFile("song.mp3", TagWithPicture("Old", 600, 2) + SongAudio(3000));
  history.reset();
  history = OpenHistory(state);  // nothing remembered in memory
  TResultOf<TUndoReport> undone = UndoEntry(*history, last, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  EXPECT_EQ(undone.Value().Skipped(), 0U);
  EXPECT_EQ(FolderState(folders.back()->Path()), FolderState(lastSong.Path()));
}

// A picture just kept is remembered by its place in the piece file, and read back there when one
// of the same size, start and end comes: pictures alike but in the middle are kept each, the same
// picture once, and each song gets its own back.
TEST(History, PicturesAlikeButInTheMiddleAreKeptEach) {
  TTempFolder songs;
  TTempFolder state;
  const std::string picture = Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(40'000, 'p');
  const std::string middles = "aba";
  for (std::size_t song = 0; song < middles.size(); ++song) {
    std::string own = picture;
    own[20'000] = middles[song];
    // A title that grows moves the picture within the tag: its old bytes are kept.
    songs.WriteFile("song " + std::to_string(song) + ".mp3",
                    Tag(3, Frame23("TIT2", Latin1Text("Old")) + Frame23("APIC", own), 600) + SongAudio(3000));
  }
  const auto before = FolderState(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t stamp = RunRecorded(*history, songs.Path(), StampTitle("Stamped"));
  ASSERT_NE(stamp, 0);
  EXPECT_EQ(RowsOf(state, "shared_pieces"), 2);
  history.reset();
  history = OpenHistory(state);  // nothing remembered in memory
  TResultOf<TUndoReport> undone = UndoEntry(*history, stamp, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  EXPECT_EQ(undone.Value().Skipped(), 0U);
  EXPECT_EQ(FolderState(songs.Path()), before);
}

// An undo keeps in its record only the bytes it takes out of the file: a picture the stamp left in
// place, and putting the old tag back leaves again, is named rather than stored, and undoing the
// undo still puts the stamp back byte for byte. The title is written in place, or grows past the
// padding so that the tag is rewritten, whose undo keeps the picture as it kept it before.
class UndoOfAStampThatKeptThePicture : public ::testing::TestWithParam<std::size_t> {};

TEST_P(UndoOfAStampThatKeptThePicture, StoresNoPictureAndIsUndoneInTurn) {
  TTempFolder songs;
  TTempFolder state;
  const std::string picture = Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(40'000, 'p');
  songs.WriteFile("song.mp3",
                  Tag(3, Frame23("TIT2", Latin1Text("Old")) + Frame23("APIC", picture), 600) + SongAudio(3000));
  const auto before = FolderState(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t stamp = RunRecorded(*history, songs.Path(), StampTitle(std::string(GetParam(), 'N')));
  ASSERT_NE(stamp, 0);
  const auto stamped = FolderState(songs.Path());
  const std::int64_t storedByTheStamp = RowsOf(state, "shared_pieces");
  history.reset();
  history = OpenHistory(state);  // nothing remembered in memory
  TResultOf<TUndoReport> undone = UndoEntry(*history, stamp, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  EXPECT_EQ(undone.Value().Skipped(), 0U);
  EXPECT_EQ(FolderState(songs.Path()), before);
  const bool rewritten = GetParam() > 600;
  EXPECT_EQ(RowsOf(state, "shared_pieces"), storedByTheStamp + (rewritten ? 1 : 0))
      << "the undo stored the picture the file still holds";
  history.reset();
  history = OpenHistory(state);
  TResultOf<TUndoReport> redone =
      UndoEntry(*history, undone.Value().UndoEntry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(redone.Ok());
  EXPECT_EQ(redone.Value().Skipped(), 0U);
  EXPECT_EQ(FolderState(songs.Path()), stamped);
}

INSTANTIATE_TEST_SUITE_P(Titles, UndoOfAStampThatKeptThePicture, ::testing::Values(3, 2000));

INSTANTIATE_TEST_SUITE_P(Limits, HistoryBounds,
                         ::testing::Values(TBound{"Entries", {3, std::int64_t{512} << 20}, 3},
                                           // The pictures the first take's rewrite carries over
                                           // are not kept; each entry after it keeps some 48 KB of
                                           // old titles, the only bytes its writes in place change.
                                           TBound{"TagBytes", {200, 110'000}, 2},
                                           // An entry dropped for the count is not weighed again
                                           // for the bytes, and the command ends without a failure.
                                           TBound{"EntriesThenTagBytes", {2, 70'000}, 1},
                                           TBound{"NewestAlwaysKept", {200, 10}, 1},
                                           // The newest entry is larger than the bound by itself:
                                           // only the others' bytes count, each most of the bound.
                                           TBound{"ALargeEntryLeavesTheOthersTheBound", {200, 60'000}, 2, 3}),
                         [](const ::testing::TestParamInfo<TBound>& info) { return std::string(info.param.Name); });

// A command whose every write finished but whose entry was never completed (the program died, or
// the history's disk filled at its end): the repair keeps every song as written and the entry,
// which an undo then takes back.
TEST(History, AnInterruptedEntryWhoseWritesFinishedIsKept) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  const auto before = FolderState(songs.Path());
  const std::int64_t entry =
      RunRecorded(*OpenHistory(state), songs.Path(), StampTitle("Finished"), "stamp", TEntryEnd::Unfinished);
  ASSERT_NE(entry, 0);
  const auto written = FolderState(songs.Path());
  ASSERT_NE(written, before);
  std::unique_ptr<THistory> history = OpenHistory(state);
  TResultOf<TRepairReport> repaired = RepairInterrupted(*history);
  ASSERT_TRUE(repaired.Ok());
  EXPECT_EQ(repaired.Value().Repaired, 0U);
  EXPECT_TRUE(repaired.Value().Problems.empty());
  EXPECT_EQ(FolderState(songs.Path()), written) << "finished writes are never reverted by a repair";
  TResultOf<std::optional<THistoryEntry>> kept = history->FindEntry(entry);
  ASSERT_TRUE(kept.Ok() && kept.Value());
  EXPECT_TRUE(kept.Value()->Done);
  EXPECT_EQ(kept.Value()->Files, static_cast<std::int64_t>(before.size()));
  TResultOf<TUndoReport> undone = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  EXPECT_EQ(undone.Value().Skipped(), 0U);
  EXPECT_EQ(FolderState(songs.Path()), before);
}

// Damage to what a record keeps: the record is not applied, the song it names stays as the
// command left it, and the undo says why; the other songs are taken back.
struct TDamage {
  const char* Name;
  const char* Sql;  // run on the history after the command
  // Then done to the history's folder, when given.
  void (*Damage)(const TTempFolder& state) = nullptr;
};

void PrintTo(const TDamage& damage, std::ostream* out) { *out << damage.Name; }

class DamagedRecord : public ::testing::TestWithParam<TDamage> {};

TEST_P(DamagedRecord, NeverReachesASong) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  const std::string song = songs / "03 - Mara Vell - Paper Boats.mp3";
  const auto before = FolderState(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t entry = RunRecorded(*history, songs.Path(), StampTitle("Stamped"));
  ASSERT_NE(entry, 0);
  const auto written = FolderState(songs.Path());
  history.reset();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((state / "history.sqlite3").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, GetParam().Sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  ASSERT_EQ(sqlite3_changes(db), 1);
  sqlite3_close(db);
  if (GetParam().Damage) GetParam().Damage(state);
  history = OpenHistory(state);
  TResultOf<TUndoReport> undone = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  std::size_t damaged = 0;
  for (const TUndoFile& file : undone.Value().Files) {
    if (file.Action != TUndoAction::Skipped) continue;
    EXPECT_EQ(file.Reason, "the history's record of " + song + " is damaged");
    EXPECT_EQ(file.LeftAlone, TLeftAlone::DamagedRecord);
    ++damaged;
  }
  EXPECT_EQ(damaged, 1U);
  auto expected = before;
  const std::string name = "03 - Mara Vell - Paper Boats.mp3";
  expected[name] = written.at(name);
  EXPECT_EQ(FolderState(songs.Path()), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DamagedRecord,
    ::testing::Values(
        // Bytes of the shared picture the song's old tag named, in the database (as a history of an
        // older layout keeps them) or in the piece file beside it; and where they lie there.
        TDamage{"SharedPicture",
                "UPDATE shared_pieces SET bytes = CAST(replace(CAST(bytes AS TEXT), 'PNG', 'PNX') "
                "AS BLOB), at = NULL WHERE id = (SELECT min(id) FROM shared_pieces)"},
        TDamage{"SharedPictureInItsFile", "UPDATE shared_pieces SET size = size WHERE id = 1",
                [](const TTempFolder& state) {
                  std::string pieces = ReadWholeFile(state / "history.sqlite3-pieces");
                  const std::size_t png = pieces.find("PNG");
                  ASSERT_NE(png, std::string::npos);
                  pieces[png + 2] = 'X';
                  WriteBytes(state / "history.sqlite3-pieces", pieces);
                }},
        TDamage{"SharedPicturePlace", "UPDATE shared_pieces SET at = at + 1 WHERE id = 1"},
        TDamage{"OldTrailer", "UPDATE changes SET old_tail = zeroblob(128) WHERE path_before LIKE '%Paper Boats.mp3'"},
        TDamage{"PathBefore",
                "UPDATE changes SET path_before = path_before || 'x' "
                "WHERE path_before LIKE '%Paper Boats.mp3'"},
        TDamage{"ModeBefore", "UPDATE changes SET mode_before = 4095 WHERE path_before LIKE '%Paper Boats.mp3'"}),
    [](const ::testing::TestParamInfo<TDamage>& info) { return std::string(info.param.Name); });

// Hands-Free over the folder, recorded in history: its entry.
std::int64_t RunHandsFree(THistory& history, const std::string& folder) {
  return RunRecorded(history, folder,
                     {TTagsNeeded::No, [](const TSongFile& song, const TID3Info&) { return PlanHandsFree(song); }});
}

// An undo that leaves a file alone marks only the others undone; undone again, the entry takes
// back only what is left.
TEST(History, APartlyUndoneEntryIsUndoneForTheRest) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  const auto before = FolderState(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t entry = RunHandsFree(*history, songs.Path());
  ASSERT_NE(entry, 0);
  const std::string oldName = songs / "the_quiet_ones_-_north_wind.mp3";
  ASSERT_FALSE(FileExists(oldName)) << "the song was renamed";
  WriteBytes(oldName, "in the way");
  ASSERT_TRUE(UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply).Ok());
  TResultOf<std::optional<THistoryEntry>> partly = history->FindEntry(entry);
  ASSERT_TRUE(partly.Ok() && partly.Value());
  EXPECT_FALSE(partly.Value()->Undone);
  EXPECT_EQ(partly.Value()->FilesUndone, partly.Value()->Files - 1);
  ASSERT_EQ(::unlink(oldName.c_str()), 0);
  TResultOf<TUndoReport> rest = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(rest.Ok());
  ASSERT_EQ(rest.Value().Files.size(), 1U) << "only the file left is taken back";
  EXPECT_EQ(rest.Value().Files[0].Action, TUndoAction::Restored);
  EXPECT_EQ(FolderState(songs.Path()), before);
  EXPECT_TRUE(history->FindEntry(entry).Value()->Undone);
}

// An undo asked to stop between two files stops there, its entry partly undone with exactly the
// files taken back so far; the next undo takes back the rest. Progress comes before each file.
TEST(History, AnUndoCancelledBetweenFilesIsFinishedByTheNext) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  const auto before = FolderState(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t entry = RunHandsFree(*history, songs.Path());
  ASSERT_NE(entry, 0);
  const auto after = FolderState(songs.Path());
  const std::int64_t files = history->FindEntry(entry).Value()->Files;
  ASSERT_GE(files, 3);
  std::vector<std::size_t> reported;
  TUndoHooks hooks;
  hooks.OnProgress = [&](std::size_t done, std::size_t total) {
    EXPECT_EQ(total, static_cast<std::size_t>(files));
    reported.push_back(done);
  };
  hooks.CancelRequested = [&] { return reported.size() == 2; };  // after the second file's report
  TResultOf<TUndoReport> cut = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply, hooks);
  ASSERT_TRUE(cut.Ok());
  EXPECT_EQ(reported, (std::vector<std::size_t>{0, 1}));
  EXPECT_TRUE(cut.Value().Cancelled);
  EXPECT_EQ(cut.Value().Reach, TUndoReach::CutShort);
  EXPECT_EQ(cut.Value().Files.size(), 2U);
  EXPECT_EQ(cut.Value().RecordsGone, 2U);
  // The restores recorded ahead with theirs but never reached are given up: the undo holds two.
  EXPECT_EQ(history->FindEntry(cut.Value().UndoEntry).Value()->Files, 2);
  const THistoryEntry partly = *history->FindEntry(entry).Value();
  EXPECT_FALSE(partly.Undone);
  EXPECT_EQ(partly.FilesUndone, 2);
  const auto between = FolderState(songs.Path());
  EXPECT_NE(between, before);
  EXPECT_NE(between, after);
  // Cancelled before the first file: nothing is taken back, and the entry is offered again.
  hooks.CancelRequested = [] { return true; };
  ASSERT_TRUE(UndoOrRedo(*history, partly, TProgram::Cli, "undo", TPassMode::Apply, hooks).Ok());
  EXPECT_EQ(FolderState(songs.Path()), between);
  ASSERT_TRUE(THistoryTimeline::Read(*history).Value().UndoTarget().has_value());
  EXPECT_EQ(THistoryTimeline::Read(*history).Value().UndoTarget()->Id, entry);
  ASSERT_TRUE(UndoOrRedo(*history, partly, TProgram::Cli, "undo", TPassMode::Apply).Ok());
  EXPECT_EQ(FolderState(songs.Path()), before);
  EXPECT_TRUE(history->FindEntry(entry).Value()->Undone);
}

// An undo of more files than a batch holds records each batch while it carries out the one before:
// cancelled in the second batch, it has taken back exactly the files reached, and given up the
// restores recorded ahead for the rest of that batch and for the third; the next undo takes back the
// rest.
TEST(History, AnUndoOfManyBatchesCancelledInTheSecondIsFinishedByTheNext) {
  TTempFolder songs;
  TTempFolder state;
  constexpr int kSongs = 300;  // three batches
  for (int i = 0; i < kSongs; ++i) songs.WriteFile(std::to_string(1000 + i) + ".mp3", SongAudio());
  const auto before = FolderState(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  const std::int64_t entry = RunRecorded(*history, songs.Path(), StampTitle("Title"));
  ASSERT_EQ(history->FindEntry(entry).Value()->Files, kSongs);
  std::size_t reported = 0;
  TUndoHooks hooks;
  hooks.OnProgress = [&](std::size_t done, std::size_t) { reported = done; };
  hooks.CancelRequested = [&] { return reported == 200; };
  TResultOf<TUndoReport> cut = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply, hooks);
  ASSERT_TRUE(cut.Ok());
  EXPECT_TRUE(cut.Value().Cancelled);
  EXPECT_EQ(cut.Value().Files.size(), 201U);
  EXPECT_EQ(history->FindEntry(cut.Value().UndoEntry).Value()->Files, 201);
  EXPECT_EQ(history->FindEntry(entry).Value()->FilesUndone, 201);
  TResultOf<TUndoReport> rest = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(rest.Ok());
  EXPECT_EQ(rest.Value().Files.size(), std::size_t{kSongs - 201});
  EXPECT_EQ(FolderState(songs.Path()), before);
}

// The bytes a write in place puts down are kept in one blob: stretches of their own bytes as ever,
// so that an older program still reads them, and frames moved within the tag by their old place,
// behind a first stretch beyond any tag, so that an older program finds no proof, never a wrong one.
TEST(History, NewBytesKeepAFrameMovedByItsOldPlace) {
  const std::vector<TNewBytes> own{{4, "abc"}, {20, "de"}};
  EXPECT_EQ(EncodeNewBytes(own).size(), 2 * 16 + 5U);
  std::vector<TNewBytes> moved = own;
  moved.push_back({30, {}, 2, 5000});
  const std::string blob = EncodeNewBytes(moved);
  EXPECT_EQ(blob.substr(0, 8), std::string(8, '\xFF'));
  EXPECT_LT(blob.size(), 100U);
  const std::optional<std::vector<TNewBytes>> back = DecodeNewBytes(blob);
  ASSERT_TRUE(back);
  ASSERT_EQ(back->size(), 3U);
  EXPECT_EQ((*back)[1].Bytes, "de");
  EXPECT_EQ((*back)[2].FromBefore, 2);
  EXPECT_EQ((*back)[2].Size(), 5000U);
  EXPECT_EQ(DecodeNewBytes(EncodeNewBytes(own))->at(0).Bytes, "abc");
  EXPECT_FALSE(DecodeNewBytes(blob.substr(0, blob.size() - 1)));

  // Putting back a tag whose picture the write moved names the picture by its place now.
  const std::string old = TagWithPicture("Old", 100);
  const std::string now = TagWithPictureFirst("New", 100);
  ASSERT_EQ(old.size(), now.size());
  std::string putBack = now;
  std::size_t ownBytes = 0;
  for (const TNewBytes& stretch : BytesPuttingBack(now, old)) {
    putBack.replace(stretch.Offset, stretch.Size(),
                    stretch.FromBefore < 0 ? stretch.Bytes : now.substr(stretch.FromBefore, stretch.Size()));
    ownBytes += stretch.Bytes.size();
  }
  EXPECT_EQ(putBack, old);
  EXPECT_LT(ownBytes, 100U);

  // The stretches that differ, found a word at a time: each starts and ends on a byte that differs,
  // and what lies between two is equal.
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string a(random() % 300, 'a');
    std::string b = a;
    for (std::size_t i = 0, changes = random() % 12; i < changes && !b.empty(); ++i) b[random() % b.size()] = 'b';
    std::string applied = a;
    std::size_t equalUpTo = 0;
    for (const TNewBytes& stretch : DifferingBytes(a, b)) {
      ASSERT_FALSE(stretch.Bytes.empty());
      EXPECT_NE(a[stretch.Offset], b[stretch.Offset]);
      EXPECT_NE(a[stretch.Offset + stretch.Size() - 1], b[stretch.Offset + stretch.Size() - 1]);
      EXPECT_EQ(a.substr(equalUpTo, stretch.Offset - equalUpTo), b.substr(equalUpTo, stretch.Offset - equalUpTo));
      applied.replace(stretch.Offset, stretch.Size(), stretch.Bytes);
      equalUpTo = stretch.Offset + stretch.Size();
    }
    EXPECT_EQ(applied, b);
  }
}

// An undo reports a file put back only once a flush of its file system made it durable (a power cut
// keeps what the last flush kept); a flush that fails fails the files it was to keep.
TEST(History, AnUndoReportsOnlyFilesAPowerCutWouldKeep) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  const auto before = FolderState(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  static std::string root;
  root = songs.Path();
  static std::map<std::string, std::string> durable;  // the folder as the last flush left it
  TUndoHooks hooks;
  hooks.FlushFileSystem = [](int) {
    durable = FolderState(root);
    return 0;
  };
  TResultOf<TUndoReport> undone =
      UndoEntry(*history, RunHandsFree(*history, songs.Path()), TProgram::Cli, "undo", TPassMode::Apply, hooks);
  ASSERT_TRUE(undone.Ok());
  EXPECT_GE(undone.Value().Files.size(), 3U);
  EXPECT_EQ(durable, before);

  hooks.FlushFileSystem = [](int) { return errno = EIO, -1; };
  undone = UndoEntry(*history, RunHandsFree(*history, songs.Path()), TProgram::Cli, "undo", TPassMode::Apply, hooks);
  ASSERT_TRUE(undone.Ok());
  EXPECT_GE(undone.Value().Files.size(), 3U);
  for (const TUndoFile& file : undone.Value().Files) {
    EXPECT_EQ(file.Action, TUndoAction::Skipped) << file.File;
    EXPECT_EQ(file.Failure.Error(), std::errc::io_error) << file.File;
  }
}

// Runs work in a process of its own, which dies as a program killed would; whether it got where
// it was to die (its status 0). This process's history must be closed meanwhile.
bool DiesInAProcessOfItsOwn(const std::function<void()>& work) {
  const pid_t child = ::fork();
  if (child == 0) {
    work();
    ::_exit(1);  // it was to die before the end
  }
  int status = 0;
  return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// An undo cut short by a crash between two files: the repair keeps what it took back, a plain undo
// takes back the rest, and the redos put back first that rest, then what the cut undo took back.
TEST(History, AnUndoCutShortByACrashIsRepairedThenUndoneAndRedone) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  const auto before = FolderState(songs.Path());
  const std::int64_t entry = RunHandsFree(*OpenHistory(state), songs.Path());
  ASSERT_NE(entry, 0);
  const auto after = FolderState(songs.Path());
  ASSERT_TRUE(DiesInAProcessOfItsOwn([&] {
    std::unique_ptr<THistory> killed = OpenHistory(state);
    TUndoHooks hooks;
    hooks.OnProgress = [](std::size_t done, std::size_t) {
      if (done == 2) ::_exit(0);  // killed before the third file
    };
    (void)UndoEntry(*killed, entry, TProgram::Cli, "undo", TPassMode::Apply, hooks);
  }));
  auto between = FolderState(songs.Path());
  // The new files its batch wrote ahead for files it did not reach are the repair's to remove.
  std::erase_if(between, [](const auto& file) { return file.first.ends_with('~'); });
  ASSERT_NE(between, before);
  ASSERT_NE(between, after);
  std::unique_ptr<THistory> history = OpenHistory(state);
  TResultOf<TRepairReport> repaired = RepairInterrupted(*history);
  ASSERT_TRUE(repaired.Ok());
  EXPECT_TRUE(repaired.Value().Problems.empty());
  EXPECT_EQ(FolderState(songs.Path()), between);
  std::optional<THistoryEntry> target = THistoryTimeline::Read(*history).Value().UndoTarget();
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(target->Id, entry) << "the rest of the entry is what a plain undo takes back";
  ASSERT_TRUE(UndoOrRedo(*history, *target, TProgram::Cli, "undo", TPassMode::Apply).Ok());
  EXPECT_EQ(FolderState(songs.Path()), before);
  EXPECT_TRUE(history->FindEntry(entry).Value()->Undone);
  for (const auto& redone : {between, after}) {
    target = THistoryTimeline::Read(*history).Value().RedoTarget();
    ASSERT_TRUE(target.has_value());
    ASSERT_TRUE(UndoOrRedo(*history, *target, TProgram::Cli, "redo", TPassMode::Apply).Ok());
    EXPECT_EQ(FolderState(songs.Path()), redone);
  }
}

// Another program's entry in progress is its own, while one that a program which died left
// before it is still interrupted: the lock on the one does not reach the other.
TEST(History, AnEntryInProgressElsewhereLeavesAnEarlierOneInterrupted) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  const std::int64_t dead =
      RunRecorded(*OpenHistory(state), songs.Path(), StampTitle("Dead"), "stamp", TEntryEnd::Unfinished);
  ASSERT_NE(dead, 0);
  int ready[2];
  int done[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(done), 0);
  const pid_t other = ::fork();
  if (other == 0) {
    // The other program: its entry in progress until this one has looked (or is gone).
    ::close(done[1]);
    std::unique_ptr<THistory> history = OpenHistory(state);
    std::unique_ptr<THistoryRecorder> recorder = history->StartEntry(TProgram::Cli, "stamp");
    TResultOf<TFileChange> change = CaptureBefore(songs / "03 - Mara Vell - Paper Boats.mp3", "", true);
    char byte = change.Ok() && recorder->RecordBefore(change.Value()).Ok() ? 'y' : 'n';
    if (::write(ready[1], &byte, 1) == 1 && ::read(done[0], &byte, 1) >= 0) ::_exit(0);
    ::_exit(1);
  }
  ASSERT_GT(other, 0);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  EXPECT_EQ(byte, 'y');
  std::unique_ptr<THistory> history = OpenHistory(state);
  TResultOf<std::vector<THistoryEntry>> interrupted = history->Interrupted();
  ASSERT_EQ(::write(done[1], &byte, 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(other, &status, 0), other);
  for (const int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
  ASSERT_TRUE(interrupted.Ok());
  ASSERT_EQ(interrupted.Value().size(), 1U);
  EXPECT_EQ(interrupted.Value()[0].Id, dead);
}

// A write that fails leaves the song as it was: it is no change of the entry, and no undo says
// it restored it.
TEST(History, AWriteThatFailedIsNotRecordedAsAChange) {
  TTempFolder songs;
  TTempFolder state;
  // Every name the rewrite's new file beside the song could take is taken.
  const std::string song = songs / (std::string(251, 'n') + ".mp3");
  std::filesystem::copy_file(std::filesystem::path(TemplateFolder()) / "Kit Moor - Blue.mp3", song);
  for (int attempt = 0; attempt < kMaxTemporaryNames; ++attempt)
    WriteBytes(TemporaryNameBeside(song, attempt), "taken");
  const std::string original = FileSha256(song);
  std::unique_ptr<THistory> history = OpenHistory(state);
  std::unique_ptr<THistoryRecorder> recorder = history->StartEntry(TProgram::Cli, "stamp");
  TSongChange change;
  change.WriteTags = true;
  change.Tags.Title = "Never written";
  EXPECT_EQ(ApplyToOneSong(song, change, recorder.get()).Outcome, TChangeOutcome::Failed);
  ASSERT_TRUE(recorder->Finish().Ok());
  EXPECT_EQ(FileSha256(song), original);
  TResultOf<std::vector<THistoryEntry>> entries = history->Entries();
  ASSERT_TRUE(entries.Ok());
  EXPECT_TRUE(entries.Value().empty());
}

// An entry larger than the bound by itself is kept whole, beside the older entries, also when the
// next command comes.
TEST(History, AnEntryLargerThanTheBoundKeepsTheOthersAndStays) {
  TTempFolder songs;
  TTempFolder state;
  std::filesystem::copy_file(std::filesystem::path(TemplateFolder()) / "Kit Moor - Blue.mp3", songs / "a.mp3");
  std::unique_ptr<THistory> history = OpenHistory(state);
  history->SetLimits({200, 50'000});
  const auto stampComment = [](const std::string& comment) {
    return TSongPlanner{TTagsNeeded::Yes, [comment](const TSongFile&, const TID3Info& tags) {
                          TSongChange change;
                          change.WriteTags = true;
                          change.Tags = tags;
                          change.Tags.Comment = comment;
                          return change;
                        }};
  };
  // The fourth command keeps the third one's comment of 100 KB as its old tag.
  std::vector<std::int64_t> made;
  for (const std::string& comment :
       {std::string("one"), std::string("two"), std::string(100'000, 'c'), std::string("four"), std::string("five")}) {
    made.push_back(RunRecorded(*history, songs.Path(), stampComment(comment)));
  }
  TResultOf<std::vector<THistoryEntry>> entries = history->Entries();
  ASSERT_TRUE(entries.Ok());
  ASSERT_EQ(entries.Value().size(), made.size());
}

// A history whose log, or whose main file, was lost after a crash says so once, instead of
// looking empty.
class LostHistory : public ::testing::TestWithParam<bool> {};

TEST_P(LostHistory, IsReportedOnce) {
  const bool mainFileLost = GetParam();
  TTempFolder songs;
  TTempFolder state;
  TTempFolder copy;
  CopyTemplates(songs.Path());
  std::unique_ptr<THistory> history = OpenHistory(state);
  ASSERT_NE(RunRecorded(*history, songs.Path(), StampTitle("Logged")), 0);
  // The program is still running (or died): its records are in the log, which is not copied.
  if (!mainFileLost) std::filesystem::copy_file(state / "history.sqlite3", copy / "history.sqlite3");
  std::filesystem::copy_file(state / "history.sqlite3.lock", copy / "history.sqlite3.lock");
  std::unique_ptr<THistory> opened = OpenHistory(copy);
  ASSERT_TRUE(opened);
  ASSERT_EQ(opened->Notices().size(), 1U);
  EXPECT_NE(opened->Notices()[0].find(mainFileLost ? "was missing" : "was damaged or lost"), std::string::npos)
      << opened->Notices()[0];
  opened.reset();
  EXPECT_TRUE(OpenHistory(copy)->Notices().empty()) << "said once";
}

INSTANTIATE_TEST_SUITE_P(Parts, LostHistory, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "MainFile" : "Log");
                         });

// A title that never fits the template songs' tags: they are rewritten.
const std::string kLongTitle(5000, 'n');

// A crash between the record and its completion: what the file holds then, and what the repair
// makes of it.
struct TCrash {
  const char* Name;
  // Leaves the song as the crash did, given its path and the bytes of its tag written in full.
  void (*Leave)(const std::string& path, const std::string& written);
  bool ExpectBefore;  // the repair gives the old bytes back (else the file stays as left)
  // The song, and its new title, when not the template's: recorded as the pass records it, with
  // the old bytes the write leaves in the file kept by reference.
  std::string (*Song)() = nullptr;
  const char* Title = "Torn";
  // What the crash left was changed by another program since: the song is left alone and named.
  bool LeftAlone = false;
  bool LongestName = false;  // the song's name is as long as a name can be (255 bytes)
  bool CopyStays = false;    // the whole copy a rewrite made beside the song stays for the user
};

void PrintTo(const TCrash& crash, std::ostream* out) { *out << crash.Name; }

class InterruptedWrite : public ::testing::TestWithParam<TCrash> {};

TEST_P(InterruptedWrite, IsRepairedAtTheNextStart) {
  TTempFolder songs;
  TTempFolder state;
  CopyTemplates(songs.Path());
  std::string song = songs / "03 - Mara Vell - Paper Boats.mp3";
  if (GetParam().Song) song = songs.WriteFile("song.mp3", GetParam().Song());
  if (GetParam().LongestName) {
    const std::string longest = songs / (std::string(251, 'L') + ".mp3");
    std::filesystem::rename(song, longest);
    song = longest;
  }
  const std::string original = FileSha256(song);
  // The complete write, to know its bytes.
  TTempFolder scratch;
  std::filesystem::copy_file(song, scratch / "copy.mp3");
  TID3Info tags;
  tags.Title = GetParam().Title;
  ASSERT_TRUE(WriteID3Tags(scratch / "copy.mp3", tags).Ok());
  const std::string written = ReadWholeFile(scratch / "copy.mp3");
  {
    std::unique_ptr<THistory> history = OpenHistory(state);
    std::unique_ptr<THistoryRecorder> recorder = history->StartEntry(TProgram::Cli, "stamp");
    TResultOf<TFileChange> change = CaptureBefore(song, "", true);
    ASSERT_TRUE(change.Ok());
    // Recorded as the pass records it: what the write is to leave, and what it writes in place.
    const int fd = ::open(song.c_str(), O_RDONLY);
    TSnapshotSource current(change.Value().Before, fd);
    TResultOf<TComposedTags> composed = ComposeID3Tags(current, tags, song);
    ::close(fd);
    ASSERT_TRUE(composed.Ok());
    if (composed.Value().InPlace) {
      change.Value().NewBytes = NewBytesInPlace(composed.Value(), change.Value().Before.Head);
    }
    std::optional<TFileAfter> after = ForeseeAfter(change.Value().Before, composed.Value());
    ASSERT_TRUE(after);
    change.Value().After = *after;
    change.Value().AfterForeseen = true;
    if (GetParam().Song) {
      change.Value().KeptInAfter = KeptStretches(change.Value().Before, composed.Value());
      // (A small song seen whole keeps its old bytes whole.)
      ASSERT_TRUE(change.Value().Before.Whole || !change.Value().KeptInAfter.empty());
    }
    ASSERT_TRUE(recorder->RecordBefore(change.Value()).Ok());
    GetParam().Leave(song, written);
    // The program dies here: the entry is never finished.
  }
  const std::string left = FileSha256(song);
  std::unique_ptr<THistory> history = OpenHistory(state);
  TResultOf<TRepairReport> repaired = RepairInterrupted(*history);
  ASSERT_TRUE(repaired.Ok());
  EXPECT_EQ(repaired.Value().Problems,
            GetParam().LeftAlone ? std::vector<std::string>{song + ": left alone: changed since by another program"}
                                 : std::vector<std::string>());
  EXPECT_EQ(FileSha256(song), GetParam().ExpectBefore ? original : left);
  EXPECT_EQ(FileExists(TemporaryNameBeside(song, 0)), GetParam().CopyStays)
      << "the rewrite's temporary file is removed, unless it is the song's copy beside another's change";
  TResultOf<std::vector<THistoryEntry>> interrupted = history->Interrupted();
  ASSERT_TRUE(interrupted.Ok());
  EXPECT_TRUE(interrupted.Value().empty());
  EXPECT_EQ(RepairMessage(1), "repaired 1 file(s) after an interrupted write");
}

// A song whose folder cannot be reached after a crash (a disk not back yet) keeps its record, and
// its temporary file, until the folder is back; a song removed since has nothing to repair.
TEST(History, ASongOutOfReachIsRepairedOnceItIsBack) {
  TTempFolder parent;
  TTempFolder state;
  const std::string folder = parent / "songs";
  const std::string away = parent / "away";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  CopyTemplates(folder);
  const std::string torn = folder + "/03 - Mara Vell - Paper Boats.mp3";
  const std::string removed = folder + "/07 - Ann Lee - Early Light.mp3";
  const std::string original = FileSha256(torn);
  {
    std::unique_ptr<THistory> history = OpenHistory(state);
    std::unique_ptr<THistoryRecorder> recorder = history->StartEntry(TProgram::Cli, "stamp");
    for (const std::string& song : {removed, torn}) {
      TResultOf<TFileChange> change = CaptureBefore(song, "", true);
      ASSERT_TRUE(change.Ok());
      change.Value().NewBytes = {{4, "torn"}};  // a write in place that puts these bytes there
      ASSERT_TRUE(recorder->RecordBefore(change.Value()).Ok());
    }
    WriteBytes(torn + "~", "a rewrite's new file");
    const int fd = ::open(torn.c_str(), O_WRONLY);
    ASSERT_EQ(::pwrite(fd, "ID3\x03torn", 8, 0), 8);
    ::close(fd);
    ASSERT_EQ(::unlink(removed.c_str()), 0);
  }
  std::filesystem::rename(folder, away);
  std::unique_ptr<THistory> history = OpenHistory(state);
  TResultOf<TRepairReport> unreachable = RepairInterrupted(*history);
  ASSERT_TRUE(unreachable.Ok());
  EXPECT_TRUE(unreachable.Value().Problems.empty());
  EXPECT_EQ(unreachable.Value().Notes,
            (std::vector<std::string>{torn + " is missing; its interrupted change is kept until it is back",
                                      removed + " is missing; its interrupted change is kept until it is back"}));
  EXPECT_EQ(history->Interrupted().Value().size(), 1U) << "kept for the next start";
  std::filesystem::rename(away, folder);
  TResultOf<TRepairReport> back = RepairInterrupted(*history);
  ASSERT_TRUE(back.Ok());
  EXPECT_TRUE(back.Value().Problems.empty());
  EXPECT_EQ(back.Value().Notes, std::vector<std::string>{MissingKeptReason(removed)}) << "said again at each start";
  EXPECT_EQ(back.Value().Repaired, 1U);
  EXPECT_EQ(FileSha256(torn), original);
  EXPECT_FALSE(FileExists(torn + "~"));
  // The song removed since keeps its record until the user lets it go.
  ASSERT_EQ(history->Interrupted().Value().size(), 1U);
  TResultOf<std::optional<std::vector<TLetGo>>> letGo =
      LetGoOfInterrupted(*history, history->Interrupted().Value()[0].Id);
  ASSERT_TRUE(letGo.Ok() && letGo.Value());
  ASSERT_EQ(letGo.Value()->size(), 1U);
  EXPECT_EQ((*letGo.Value())[0].File, removed);
  EXPECT_TRUE(history->Interrupted().Value().empty());
  EXPECT_TRUE(RepairInterrupted(*history).Value().Notes.empty()) << "let go, it is no longer said";
}

INSTANTIATE_TEST_SUITE_P(Crashes, InterruptedWrite,
                         ::testing::
                             Values(
                                 TCrash{"BeforeTouching", [](const std::string&, const std::string&) {}, true},
                                 TCrash{"TornInPlace",
                                        [](const std::string& path, const std::string& written) {
                                          // The first page of the new tag reached the file, the rest did not.
                                          const int fd = ::open(path.c_str(), O_WRONLY);
                                          ASSERT_EQ(::pwrite(fd, written.data(), 4096, 0), 4096);
                                          ::close(fd);
                                        },
                                        true},
                                 TCrash{"TemporaryFileLeft",
                                        [](const std::string& path, const std::string& written) {
                                          WriteBytes(path + "~", written.substr(0, 30000));
                                        },
                                        true},
                                 TCrash{"TemporaryFileLeftBesideTheLongestName",
                                        [](const std::string& path, const std::string& written) {
                                          WriteBytes(TemporaryNameBeside(path, 0), written.substr(0, 30000));
                                        },
                                        true, nullptr, "Torn", false, true},
                                 TCrash{"RewrittenButTrailerOld",
                                        [](const std::string& path, const std::string& written) {
                                          // The new head is in place; the trailer was not yet written.
                                          std::string old = ReadWholeFile(path);
                                          WriteBytes(path, written.substr(0, written.size() - 128) +
                                                               old.substr(old.size() - 128));
                                        },
                                        true},
                                 // Only the title's bytes change, the picture after it stays: the record keeps the
                                 // title's old bytes, and the rest of the old tag by reference to the file.
                                 TCrash{"TornInPlaceAroundAPicture",
                                        [](const std::string& path, const std::string& written) {
                                          // "Sta" of the new title reached the file, "mped" did not.
                                          const int fd = ::open(path.c_str(), O_WRONLY);
                                          ASSERT_EQ(::pwrite(fd, written.data(), 24, 0), 24);
                                          ::close(fd);
                                        },
                                        true,
                                        [] { return TagWithPicture("Old1234", 600) + SongAudio(3000) + OldTrailer(); },
                                        "Stamped"},
                                 // The picture the rewrite took over is kept by reference to the new file.
                                 TCrash{"RewrittenAroundAPictureButTrailerOld",
                                        [](const std::string& path, const std::string& written) {
                                          std::string old = ReadWholeFile(path);
                                          WriteBytes(path, written.substr(0, written.size() - 128) +
                                                               old.substr(old.size() - 128));
                                        },
                                        true, [] { return TagWithPicture("Old", 0) + SongAudio(3000) + OldTrailer(); },
                                        "A title that does not fit"},
                                 // Before the next start, another program changed the song the write had not
                                 // reached, or had torn: its change stays.
                                 TCrash{"ThenATagEditedByAnotherProgram",
                                        [](const std::string& path, const std::string& written) {
                                          const int fd = ::open(path.c_str(), O_WRONLY);
                                          ASSERT_EQ(::pwrite(fd, written.data(), 24, 0), 24);
                                          ASSERT_EQ(::pwrite(fd, "Elsewhere", 9, 40), 9);
                                          ::close(fd);
                                        },
                                        false,
                                        [] { return TagWithPicture("Old1234", 600) + SongAudio(3000) + OldTrailer(); },
                                        "Stamped", true},
                                 TCrash{"ThenReplacedByALongerFile",
                                        [](const std::string& path, const std::string&) {
                                          const std::string old = ReadWholeFile(path);
                                          WriteBytes(path, old.substr(0, 5000) + SongAudio(20000) + old.substr(5000));
                                        },
                                        false, nullptr, "Torn", true},
                                 TCrash{"ThenReplacedByAShorterFile",
                                        [](const std::string& path, const std::string&) {
                                          WriteBytes(path, ReadWholeFile(path).substr(0, 3000));
                                        },
                                        false, nullptr, "Torn", true},
                                 // A song that is only a tag has no audio to tell it by: another program's letter in
                                 // its title, before the write reached it, stays.
                                 TCrash{"ThenATagOnlySongEditedByAnotherProgram",
                                        [](const std::string& path, const std::string&) {
                                          std::string bytes = ReadWholeFile(path);
                                          const std::size_t title = bytes.find("Old");
                                          ASSERT_NE(title, std::string::npos);
                                          bytes[title] = '#';
                                          WriteBytes(path, bytes);
                                        },
                                        false, [] { return Tag(3, Frame23("TIT2", Latin1Text("Old")), 100); }, "Torn",
                                        true},
                                 TCrash{"TornThenTheAudioChanged",
                                        [](const std::string& path, const std::string& written) {
                                          const int fd = ::open(path.c_str(), O_RDWR);
                                          ASSERT_EQ(::pwrite(fd, written.data(), 4096, 0), 4096);
                                          char byte = 0;
                                          const off_t middle = ::lseek(fd, 0, SEEK_END) / 2;
                                          ASSERT_EQ(::pread(fd, &byte, 1, middle), 1);
                                          byte = static_cast<char>(byte ^ 0x55);
                                          ASSERT_EQ(::pwrite(fd, &byte, 1, middle), 1);
                                          ::close(fd);
                                        },
                                        false, nullptr, "Torn", true}),
                         [](const ::testing::TestParamInfo<TCrash>& info) { return std::string(info.param.Name); });

// A song with several names is rewritten in its own file from a whole copy beside it: torn there,
// grown past the copy's length, it gets the copy back, cut to its length.
INSTANTIATE_TEST_SUITE_P(OwnFileCrashes, InterruptedWrite,
                         ::testing::Values(TCrash{"RewrittenInItsOwnFileLongerThanTheCopy",
                                                  [](const std::string& path, const std::string& written) {
                                                    const std::string old = ReadWholeFile(path);
                                                    WriteBytes(TemporaryNameBeside(path, 0), old);
                                                    ASSERT_GT(written.size() - 100, old.size());
                                                    WriteBytes(path, written.substr(0, written.size() - 100));
                                                  },
                                                  true, nullptr, kLongTitle.c_str()},
                                           // Emptied, then cut short within the new tag: the copy goes back.
                                           TCrash{"EmptiedInItsOwnFile",
                                                  [](const std::string& path, const std::string&) {
                                                    WriteBytes(TemporaryNameBeside(path, 0), ReadWholeFile(path));
                                                    WriteBytes(path, "");
                                                  },
                                                  true, nullptr, kLongTitle.c_str()},
                                           TCrash{"CutShortWithinItsNewTagInItsOwnFile",
                                                  [](const std::string& path, const std::string& written) {
                                                    WriteBytes(TemporaryNameBeside(path, 0), ReadWholeFile(path));
                                                    WriteBytes(path, written.substr(0, 2000));
                                                  },
                                                  true, nullptr, kLongTitle.c_str()},
                                           // What another program wrote into the emptied song stays,
                                           // and so does the copy beside it.
                                           TCrash{"EmptiedInItsOwnFileThenWrittenByAnotherProgram",
                                                  [](const std::string& path, const std::string&) {
                                                    WriteBytes(TemporaryNameBeside(path, 0), ReadWholeFile(path));
                                                    WriteBytes(path, "#");
                                                  },
                                                  false, nullptr, kLongTitle.c_str(), true, false, true}),
                         [](const ::testing::TestParamInfo<TCrash>& info) { return std::string(info.param.Name); });

// Whether every piece the history holds in its piece file is there whole: within the file and not
// a hole (a piece of an old tag is never all zero bytes).
bool PiecesWhole(const TTempFolder& state) {
  const std::string pieces = ReadWholeFile(state / "history.sqlite3-pieces");
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open((state / "history.sqlite3").c_str(), &db), SQLITE_OK);
  sqlite3_stmt* spans = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, "SELECT at, size FROM shared_pieces WHERE at IS NOT NULL", -1, &spans, nullptr),
            SQLITE_OK);
  bool whole = true;
  while (sqlite3_step(spans) == SQLITE_ROW) {
    const auto at = static_cast<std::size_t>(sqlite3_column_int64(spans, 0));
    const auto size = static_cast<std::size_t>(sqlite3_column_int64(spans, 1));
    whole = whole && at + size <= pieces.size() && pieces.find_first_not_of('\0', at) < at + size;
  }
  sqlite3_finalize(spans);
  sqlite3_close(db);
  return whole;
}

// A fault of the piece file while a stamp's record names a piece new to it: a call that fails, or
// the program dying at the write, at the flush as its power is cut (the bytes not flushed lost),
// or after the flush, before the record commits.
struct TPieceFault {
  const char* Name;
  bool Dies;
  void (*Plant)(TPieceFileOps& ops);
};

void PrintTo(const TPieceFault& fault, std::ostream* out) { *out << fault.Name; }

class PieceFileFault : public ::testing::TestWithParam<TPieceFault> {};

TEST_P(PieceFileFault, LeavesTheSongAndTheHistoryWhole) {
  TTempFolder songs;
  TTempFolder state;
  const std::string song = songs.WriteFile("song.mp3", TagWithPicture("Old", 600) + SongAudio(3000));
  const std::string original = ReadWholeFile(song);
  TPieceFileOps faulty = DefaultPieceFileOps();
  GetParam().Plant(faulty);
  const auto stamp = [&] {
    TPieceFileOps plain = SetPieceFileOps(faulty);
    (void)RunRecorded(*OpenHistory(state), songs.Path(), StampTitle("Stamped"));  // the song tells
    SetPieceFileOps(plain);
  };
  if (GetParam().Dies) {
    ASSERT_TRUE(DiesInAProcessOfItsOwn(stamp));
    EXPECT_TRUE(PiecesWhole(state)) << "a record committed ahead of its pieces";
  } else {
    stamp();
  }
  EXPECT_EQ(ReadWholeFile(song), original) << "changed without a record";
  std::unique_ptr<THistory> history = OpenHistory(state);
  TResultOf<TRepairReport> repaired = RepairInterrupted(*history);
  ASSERT_TRUE(repaired.Ok());
  EXPECT_TRUE(repaired.Value().Problems.empty());
  EXPECT_EQ(ReadWholeFile(song), original);
  EXPECT_FALSE(THistoryTimeline::Read(*history).Value().UndoTarget().has_value());
  // The bytes the fault left behind in the piece file mislead no later record.
  const std::int64_t entry = RunRecorded(*history, songs.Path(), StampTitle("Stamped"));
  ASSERT_NE(entry, 0);
  history.reset();
  history = OpenHistory(state);  // nothing remembered in memory
  TResultOf<TUndoReport> undone = UndoEntry(*history, entry, TProgram::Cli, "undo", TPassMode::Apply);
  ASSERT_TRUE(undone.Ok());
  EXPECT_EQ(undone.Value().Skipped(), 0U);
  EXPECT_EQ(ReadWholeFile(song), original);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, PieceFileFault,
    ::testing::Values(TPieceFault{"WriteFails", false,
                                  [](TPieceFileOps& ops) {
                                    ops.PWrite = [](int, const void*, size_t, off_t) -> ssize_t {
                                      errno = ENOSPC;
                                      return -1;
                                    };
                                  }},
                      TPieceFault{"WriteFullHalfway", false,
                                  [](TPieceFileOps& ops) {
                                    ops.PWrite = [](int fd, const void* data, size_t size, off_t offset) {
                                      return ::pwrite(fd, data, size > 1 ? size / 2 : size, offset) > 0 ? ssize_t{0}
                                                                                                        : ssize_t{-1};
                                    };
                                  }},
                      TPieceFault{"FlushFails", false,
                                  [](TPieceFileOps& ops) {
                                    ops.Fdatasync = [](int) {
                                      errno = EIO;
                                      return -1;
                                    };
                                  }},
                      TPieceFault{"DiesAtTheWrite", true,
                                  [](TPieceFileOps& ops) {
                                    ops.PWrite = [](int fd, const void* data, size_t size, off_t offset) -> ssize_t {
                                      (void)::pwrite(fd, data, size / 2, offset);  // half of it, then the end
                                      ::_exit(0);
                                    };
                                  }},
                      TPieceFault{"PowerCutAtTheFlush", true,
                                  [](TPieceFileOps& ops) {
                                    ops.Fdatasync = [](int fd) {
                                      // Nothing of the batch reached the disk: the piece file was empty before.
                                      (void)::ftruncate(fd, 0);
                                      ::_exit(0);
                                      return 0;
                                    };
                                  }},
                      TPieceFault{"DiesAfterTheFlush", true,
                                  [](TPieceFileOps& ops) {
                                    ops.Fdatasync = [](int fd) {
                                      (void)::fdatasync(fd);
                                      ::_exit(0);
                                      return 0;
                                    };
                                  }}),
    [](const ::testing::TestParamInfo<TPieceFault>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tagwright

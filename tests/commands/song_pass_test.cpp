#include "commands/song_pass.h"
#include "files/paths.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include <map>
#include "commands/durable_songs.h"
#include "commands/one_song.h"
#include "commands/song_plans.h"
#include "songs/song_listing.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/atomic_rewrite.h"
#include "tags/locked_song.h"

namespace tagwright {
namespace {

using testing::FileExists;
using testing::ReadWholeFile;
using testing::SongAudio;
using testing::TTempFolder;

const TSongPlanner kAutoRename{TTagsNeeded::No,
                               [](const TSongFile& song, const TID3Info&) { return PlanAutoRename(song); }};

class SongPass : public ::testing::Test {
 protected:
  // A song file whose details are the given title, whatever its name says.
  const TSongFile* Song(const std::string& name, const std::string& title = {}) {
    return FileWith(name, SongAudio(), title);
  }
  // The same with bytes of the test's own.
  TSongFile* FileWith(const std::string& name, const std::string& bytes, const std::string& title = {}) {
    const std::string path = folder.WriteFile(name, bytes);
    auto song = std::make_unique<TSongFile>();
    EXPECT_TRUE(song->SetFileName(path, false).Ok());
    if (!title.empty()) song->SetTitle(title);
    songs.push_back(std::move(song));
    return songs.back().get();
  }
  std::vector<const TSongFile*> All() const {
    std::vector<const TSongFile*> all;
    for (const auto& song : songs) all.push_back(song.get());
    return all;
  }
  std::vector<TSongResult> Run(TPassMode mode, const TSongPlanner& planner, TPassHooks hooks = {}) {
    std::vector<TSongResult> results;
    hooks.OnResult = [&](const TSongResult& result) {
      results.push_back(result);
      return TPassStep::Continue;
    };
    summary = RunSongPass(All(), planner, mode, hooks);
    return results;
  }

  TTempFolder folder;
  std::vector<std::unique_ptr<TSongFile>> songs;
  TPassSummary summary;
};

// "A.mp3" becomes "B.mp3", which frees "A.mp3" for "C.mp3"; "D.mp3" then finds "B.mp3" taken. A dry
// run must foresee exactly what the real run does, and touch nothing.
TEST_F(SongPass, DryRunForeseesARenameChainAsTheRealRunMeetsIt) {
  Song("A.mp3", "B");
  Song("C.mp3", "A");
  Song("D.mp3", "B");
  const std::vector<TSongResult> dry = Run(TPassMode::DryRun, kAutoRename);
  EXPECT_EQ(ReadWholeFile(folder / "A.mp3"), SongAudio());
  EXPECT_FALSE(FileExists(folder / "B.mp3"));

  const std::vector<TSongResult> real = Run(TPassMode::Apply, kAutoRename);
  ASSERT_EQ(dry.size(), 3u);
  ASSERT_EQ(real.size(), 3u);
  for (std::size_t i = 0; i < real.size(); ++i) {
    EXPECT_EQ(dry[i].Outcome, real[i].Outcome) << real[i].FileName;
    EXPECT_EQ(dry[i].NewFileName, real[i].NewFileName) << real[i].FileName;
    EXPECT_EQ(dry[i].Reason(), real[i].Reason()) << real[i].FileName;
  }
  EXPECT_EQ(real[0].Outcome, TChangeOutcome::Renamed);
  EXPECT_EQ(real[1].Outcome, TChangeOutcome::Renamed);
  EXPECT_EQ(real[1].NewFileName, folder / "A.mp3");
  EXPECT_EQ(real[2].Outcome, TChangeOutcome::Failed);
  EXPECT_EQ(real[2].Reason(), kRenameFailedMessage);
  EXPECT_EQ(real[2].Failure.Error(), std::errc::file_exists);
  EXPECT_TRUE(FileExists(folder / "D.mp3"));
  EXPECT_EQ(summary.Renamed, 2u);
  EXPECT_EQ(summary.Failed, 1u);
}

TEST_F(SongPass, AFileThatCannotBeWrittenIsAskedAboutOrSkipped) {
  const TSongFile* locked = Song("Moby - Locked.mp3");
  Song("Moby - Free.mp3");
  ASSERT_EQ(::chmod(locked->FileName().c_str(), 0444), 0);

  // Without a hook the song is skipped and the pass goes on.
  std::vector<TSongResult> results = Run(TPassMode::Apply, kAutoRename);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].Outcome, TChangeOutcome::Skipped);
  EXPECT_EQ(results[0].Reason(), kNotWritableReason);
  EXPECT_EQ(results[0].Failure.Kind(), TFailureKind::NotWritable);
  EXPECT_EQ(results[1].Outcome, TChangeOutcome::Skipped);  // already named after its details

  // A hook that says stop ends the pass before the next song.
  TPassHooks hooks;
  int asked = 0;
  hooks.OnUnwritable = [&](const TSongFile& song) {
    ++asked;
    EXPECT_EQ(&song, locked);
    return TPassStep::Stop;
  };
  results = Run(TPassMode::Apply, kAutoRename, hooks);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(results.empty());
  EXPECT_TRUE(summary.Stopped);
  EXPECT_EQ(ReadWholeFile(locked->FileName()), SongAudio());
}

TEST_F(SongPass, ReportsProgressBeforeEachSongAndAtTheEnd) {
  Song("a.mp3");
  Song("b.mp3");
  std::vector<std::pair<std::size_t, std::size_t>> progress;
  TPassHooks hooks;
  hooks.OnProgress = [&](std::size_t done, std::size_t total) { progress.emplace_back(done, total); };
  (void)Run(TPassMode::DryRun, kAutoRename, hooks);
  const std::vector<std::pair<std::size_t, std::size_t>> expected{{0, 2}, {1, 2}, {2, 2}};
  EXPECT_EQ(progress, expected);
}

// The summary counts the songs by the reason they were left alone or failed, most frequent first.
TEST_F(SongPass, SummaryCountsSongsByReason) {
  Song("1.mp3", "rare");
  Song("2.mp3", "common");
  Song("3.mp3", "refused");
  Song("4.mp3", "common");
  Song("5.mp3", "renamed");
  Song("6.mp3", "refused");
  const TSongPlanner planner{TTagsNeeded::No, [this](const TSongFile& song, const TID3Info&) {
                               TSongChange change;
                               if (song.Title() == "refused") {
                                 change.Refusal = "no";
                               } else if (song.Title() == "renamed") {
                                 change.NewFileName = folder / "renamed.mp3";
                               } else {
                                 change.Skip = song.Title();
                               }
                               return change;
                             }};
  (void)Run(TPassMode::Apply, planner);
  EXPECT_EQ(summary.Renamed, 1u);
  EXPECT_EQ(summary.Skipped, 3u);
  EXPECT_EQ(summary.Failed, 2u);
  const std::vector<TReasonCount> skipped{{"common", 2}, {"rare", 1}};
  const std::vector<TReasonCount> failed{{"no", 2}};
  EXPECT_EQ(summary.SkippedBy, skipped);
  EXPECT_EQ(summary.FailedBy, failed);
}

// A song both tagged and renamed counts in both; reasons as frequent as each other keep the order in
// which they first came up.
TEST_F(SongPass, SummaryCountsBothChangesAndKeepsTheFirstOrderOfEqualReasons) {
  Song("1.mp3", "zebra");
  Song("2.mp3", "both");
  Song("3.mp3", "apple");
  const TSongPlanner planner{TTagsNeeded::Yes, [this](const TSongFile& song, TID3Info tags) {
                               TSongChange change;
                               if (song.Title() != "both") {
                                 change.Skip = song.Title();
                                 return change;
                               }
                               tags.Title = "Both";
                               change.WriteTags = true;
                               change.Tags = tags;
                               change.NewFileName = folder / "Both.mp3";
                               return change;
                             }};
  (void)Run(TPassMode::Apply, planner);
  EXPECT_EQ(summary.Tagged, 1u);
  EXPECT_EQ(summary.Renamed, 1u);
  const std::vector<TReasonCount> skipped{{"zebra", 1}, {"apple", 1}};
  EXPECT_EQ(summary.SkippedBy, skipped);
}

// Tags are read only for plans that keep the fields they do not set; a song whose tags cannot be
// read fails with the reason and the others go on.
TEST_F(SongPass, ATagReadOrWriteFailureFailsThatSongOnly) {
  const TSongFile* pipe = Song("pipe.mp3");
  ASSERT_EQ(::unlink(pipe->FileName().c_str()), 0);
  ASSERT_EQ(::mkfifo(pipe->FileName().c_str(), 0644), 0);
  // No room for a temporary file: every name it could take is taken.
  const TSongFile* longName = Song(std::string(251, 'n') + ".mp3");
  for (int attempt = 0; attempt < kMaxTemporaryNames; ++attempt) {
    folder.WriteFile(std::filesystem::path(TemporaryNameBeside(longName->FileName(), attempt)).filename().string(),
                     "taken");
  }
  const TSongFile* fine = Song("fine.mp3");
  const TSongPlanner clearTitle{TTagsNeeded::Yes, [](const TSongFile&, const TID3Info& tags) {
                                  return PlanClearTagField(tags, TTagField::Title);
                                }};
  const std::vector<TSongResult> results = Run(TPassMode::Apply, clearTitle);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[0].Outcome, TChangeOutcome::Failed);
  EXPECT_EQ(results[0].Reason(), "Cannot open file " + pipe->FileName());
  EXPECT_FALSE(results[0].TagsWritten);
  EXPECT_EQ(results[1].Outcome, TChangeOutcome::Failed);
  EXPECT_EQ(results[1].Failure.Error(), std::errc::file_exists);
  EXPECT_FALSE(results[1].TagsWritten);
  EXPECT_EQ(ReadWholeFile(longName->FileName()), SongAudio());  // no trailer either
  EXPECT_EQ(results[2].Outcome, TChangeOutcome::Tagged);
  EXPECT_NE(ReadWholeFile(fine->FileName()), SongAudio());
}

TEST_F(SongPass, ARenameOntoATakenNameIsRefusedBeforeAnythingIsWritten) {
  folder.WriteFile("Abba - Waterloo.mp3", "other");
  Song("x - y.mp3");
  TPanelValues panel;
  panel.Artist = "Abba";
  panel.Title = "Waterloo";
  const TSongPlanner rename{TTagsNeeded::No, [&](const TSongFile& song, const TID3Info&) {
                              return PlanRenameWithDetails(song, panel, TSelectedSongs::One);
                            }};
  for (const TPassMode mode : {TPassMode::DryRun, TPassMode::Apply}) {
    const std::vector<TSongResult> results = Run(mode, rename);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].Outcome, TChangeOutcome::Failed);
    EXPECT_EQ(results[0].Reason(), kNameTakenMessage);
  }
  EXPECT_EQ(ReadWholeFile(folder / "Abba - Waterloo.mp3"), "other");
  EXPECT_TRUE(FileExists(folder / "x - y.mp3"));
}

// A file without an extension is listed, but a command writes or renames it only when its content
// is MP3; a README, a script or a picture is left alone.
TEST_F(SongPass, ChangesAFileWithoutExtensionOnlyWhenItHoldsMp3) {
  FileWith("README", "Read me first.\n");
  FileWith("build", "#!/bin/sh\necho hi\n");
  FileWith("cover", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(300, 'p'));
  FileWith("real song", SongAudio(2000));
  FileWith("tagged", "ID3\x03" + std::string(600, '\0'));
  const TSongPlanner asTitle{TTagsNeeded::Yes, PlanFileNameAsTitle};
  const std::vector<TSongResult> results = Run(TPassMode::Apply, asTitle);
  ASSERT_EQ(results.size(), 5u);
  const char* const contents[] = {"text", "text", "a PNG picture"};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(results[i].Outcome, TChangeOutcome::Skipped) << results[i].FileName;
    EXPECT_EQ(results[i].Reason(), std::string(kNotMp3Reason) + " (its content is " + contents[i] + ")")
        << results[i].FileName;
  }
  EXPECT_EQ(ReadWholeFile(folder / "README"), "Read me first.\n");
  EXPECT_EQ(ReadWholeFile(folder / "build"), "#!/bin/sh\necho hi\n");
  EXPECT_EQ(results[3].Outcome, TChangeOutcome::Tagged);
  EXPECT_EQ(results[4].Outcome, TChangeOutcome::Tagged);
}

// A composed name that would start with a dot (a title ".hidden", or nothing before ".mp3") is
// refused like any failed rename, in a dry run as in the real one.
// Between the listing and the pass, every other song is put aside, and a link takes its name: to a
// song elsewhere, a text, a JPEG, an empty file. None is written through, in a dry run as in the
// real one, and the songs between them are changed.
TEST_F(SongPass, ALinkSwappedInAfterTheListingIsNeverWrittenThrough) {
  TTempFolder elsewhere;
  const std::vector<std::string> targets = {
      elsewhere.WriteFile("other.mp3", SongAudio(900)), elsewhere.WriteFile("notes.txt", "keep me\n"),
      elsewhere.WriteFile("photo.jpg", "\xFF\xD8\xFF\xE0" + std::string(600, 'j')), elsewhere.WriteFile("empty", "")};
  std::vector<std::string> before;
  before.reserve(targets.size());
  for (const std::string& target : targets) before.push_back(ReadWholeFile(target));
  const TSongPlanner stamp{TTagsNeeded::Yes, PlanStampRecognized};
  for (const TPassMode mode : {TPassMode::DryRun, TPassMode::Apply}) {
    std::vector<std::string> files;
    for (std::size_t i = 0; i < 2 * targets.size(); ++i) {
      const std::string name = "Moby - Song " + std::to_string(i) + (mode == TPassMode::Apply ? " real" : "") + ".mp3";
      files.push_back(folder.WriteFile(name, SongAudio()));
    }
    const TListing listing = ListSongs(files, {});
    for (std::size_t i = 1; i < files.size(); i += 2) {
      std::filesystem::rename(files[i], files[i] + ".aside");
      std::filesystem::create_symlink(targets[i / 2], files[i]);
    }
    TPassHooks hooks;
    std::vector<TSongResult> results;
    hooks.OnResult = [&](const TSongResult& result) {
      results.push_back(result);
      return TPassStep::Continue;
    };
    (void)RunSongPass(listing.Songs.Songs(), stamp, mode, hooks);
    ASSERT_EQ(results.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      const bool swapped = i % 2 == 1;
      const TChangeOutcome expected = swapped ? TChangeOutcome::Failed : TChangeOutcome::Tagged;
      EXPECT_EQ(results[i].Outcome, expected) << files[i] << ": " << results[i].Reason();
      EXPECT_EQ(results[i].Reason(), swapped ? kChangedSinceReadReason : "") << files[i];
    }
    for (std::size_t k = 0; k < targets.size(); ++k) EXPECT_EQ(ReadWholeFile(targets[k]), before[k]) << targets[k];
  }
}

// Another program changes every other one of fifty songs between their listing and the pass that
// goes by it: those are reported and keep that program's change, in a dry run as in the real run,
// and a pass over a new listing picks the change up.
TEST_F(SongPass, ASongChangedSinceItsListingIsNotWrittenOver) {
  // The recognised values and an album, so that a song that is still as listed has something to change.
  const TSongPlanner stamp{TTagsNeeded::Yes, [](const TSongFile& song, const TID3Info& tags) {
                             TSongChange change = PlanStampRecognized(song, tags);
                             change.Tags.Album = "Stamped";
                             return change;
                           }};
  std::vector<std::string> files;
  for (int i = 0; i < 50; ++i) {
    files.push_back(folder.WriteFile("Moby - Song " + std::to_string(i) + ".mp3", SongAudio()));
    TID3Info tags;
    tags.Comment = "from A";
    ASSERT_TRUE(WriteID3Tags(files.back(), tags).Ok());
  }
  const TListing listing = ListSongs(files, {});
  for (std::size_t i = 0; i < files.size(); i += 2) {
    TID3Info tags;
    tags.Comment = "from B";
    ASSERT_TRUE(WriteID3Tags(files[i], tags).Ok());
  }
  const auto run = [&](const TListing& listed, TPassMode mode) {
    std::vector<TSongResult> results;
    TPassHooks hooks;
    hooks.OnResult = [&](const TSongResult& result) {
      results.push_back(result);
      return TPassStep::Continue;
    };
    (void)RunSongPass(listed.Songs.Songs(), stamp, mode, hooks);
    return results;
  };
  for (const TPassMode mode : {TPassMode::DryRun, TPassMode::Apply}) {
    const std::vector<TSongResult> results = run(listing, mode);
    ASSERT_EQ(results.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      const bool changed = i % 2 == 0;
      EXPECT_EQ(results[i].Outcome, changed ? TChangeOutcome::Failed : TChangeOutcome::Tagged) << files[i];
      EXPECT_EQ(results[i].Reason(), changed ? kChangedSinceReadReason : "") << files[i];
      TID3Info now;
      ASSERT_TRUE(ReadID3Tags(files[i], now).Ok());
      EXPECT_EQ(now.Comment, changed ? "from B" : "from A") << files[i];
    }
  }
  // Listed again, the songs changed meanwhile are written; the others hold what the stamp writes.
  const std::vector<TSongResult> again = run(ListSongs(files, {}), TPassMode::Apply);
  ASSERT_EQ(again.size(), files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(again[i].Outcome, i % 2 == 0 ? TChangeOutcome::Tagged : TChangeOutcome::Skipped) << files[i];
    EXPECT_EQ(again[i].Reason(), i % 2 == 0 ? "" : kNothingToChangeReason) << files[i];
  }
  TID3Info first;
  ASSERT_TRUE(ReadID3Tags(files[0], first).Ok());
  EXPECT_EQ(first.Comment, "from B");
}

// One song's change whose tags the song already holds writes nothing: not even the owner's write
// bit that a write would add to a song without any; with a new name, the song is only renamed.
TEST_F(SongPass, OneSongsChangeWritesNothingTheSongHolds) {
  TID3Info tags;
  tags.Artist = "Moby";
  tags.Title = "Why";
  for (const bool renamed : {false, true}) {
    const std::string path = folder.WriteFile("song.mp3", SongAudio());
    ASSERT_TRUE(WriteID3Tags(path, tags).Ok());
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const struct timespec old[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old, 0), 0);
    const std::string bytes = ReadWholeFile(path);
    TSongChange change;
    change.WriteTags = true;
    change.Tags = tags;
    if (renamed) change.NewFileName = folder / "Moby - Why.mp3";
    for (const TPassMode mode : {TPassMode::DryRun, TPassMode::Apply}) {
      const TSongResult result = ApplyToOneSong(path, change, nullptr, mode, TWrites::NamesOnly);
      EXPECT_EQ(result.Outcome, renamed ? TChangeOutcome::Renamed : TChangeOutcome::Skipped);
      EXPECT_EQ(result.Reason(), renamed ? "" : kNothingToChangeReason);
      EXPECT_FALSE(result.TagsWritten);
    }
    const std::string now = renamed ? folder / "Moby - Why.mp3" : path;
    struct stat info {};
    ASSERT_EQ(::stat(now.c_str(), &info), 0);
    EXPECT_EQ(ReadWholeFile(now), bytes);
    EXPECT_EQ(info.st_mtim.tv_sec, 1'000'000'000);
    EXPECT_EQ(info.st_mode & 07777, 0444U);
    std::filesystem::remove(now);
  }
}

TEST_F(SongPass, RenamesNeverMakeAHiddenFileOrANameWithoutStem) {
  Song("a.mp3", ".hidden");
  for (const TPassMode mode : {TPassMode::DryRun, TPassMode::Apply}) {
    const std::vector<TSongResult> results = Run(mode, kAutoRename);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].Outcome, TChangeOutcome::Failed);
    EXPECT_EQ(results[0].Reason(), kRenameFailedMessage);
  }
  EXPECT_TRUE(FileExists(folder / "a.mp3"));
  EXPECT_FALSE(FileExists(folder / ".hidden.mp3"));
}

// A dry run meets the failures the real run meets: a name longer than the file system allows. A
// name of exactly the longest length allowed (255 bytes) is no such failure.
TEST_F(SongPass, DryRunForeseesANameTooLong) {
  Song("a.mp3", std::string(300, 'x'));
  Song("b.mp3", std::string(251, 'y'));
  const std::string longest = folder / (std::string(251, 'y') + ".mp3");
  const std::vector<TSongResult> dry = Run(TPassMode::DryRun, kAutoRename);
  const std::vector<TSongResult> real = Run(TPassMode::Apply, kAutoRename);
  ASSERT_EQ(dry.size(), 2u);
  ASSERT_EQ(real.size(), 2u);
  EXPECT_EQ(dry[0].Outcome, TChangeOutcome::Failed);
  EXPECT_EQ(dry[0].Failure.Error(), std::errc::filename_too_long);
  EXPECT_EQ(real[0].Outcome, TChangeOutcome::Failed);
  EXPECT_EQ(real[0].Failure.Error(), std::errc::filename_too_long);
  for (const TSongResult& result : {dry[1], real[1]}) {
    EXPECT_EQ(result.Outcome, TChangeOutcome::Renamed) << result.Reason();
    EXPECT_EQ(result.NewFileName, longest);
  }
  EXPECT_EQ(ReadWholeFile(longest), SongAudio());
}

// A tag that cannot be written in place needs a temporary file beside the song, named as the song
// with one more byte; a name of 255 bytes has no room for that byte, and its temporary file gets a
// shorter name. The dry run foresees what the real run meets.
TEST_F(SongPass, DryRunForeseesARewriteOfTheLongestName) {
  Song(std::string(251, 'n') + ".mp3");
  Song("short.mp3");
  Song(std::string(250, 'n') + ".mp3");
  const TSongPlanner clearTitle{TTagsNeeded::Yes, [](const TSongFile&, const TID3Info& tags) {
                                  return PlanClearTagField(tags, TTagField::Title);
                                }};
  const std::vector<TSongResult> dry = Run(TPassMode::DryRun, clearTitle);
  const std::vector<TSongResult> real = Run(TPassMode::Apply, clearTitle);
  ASSERT_EQ(dry.size(), 3u);
  ASSERT_EQ(real.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(dry[i].Outcome, real[i].Outcome) << i;
    EXPECT_EQ(dry[i].Failure.Error(), real[i].Failure.Error()) << i;
  }
  EXPECT_EQ(real[0].Outcome, TChangeOutcome::Tagged) << real[0].Reason();
  EXPECT_NE(ReadWholeFile(folder / (std::string(251, 'n') + ".mp3")), SongAudio());
  EXPECT_EQ(real[1].Outcome, TChangeOutcome::Tagged);
  EXPECT_EQ(real[2].Outcome, TChangeOutcome::Tagged) << real[2].Reason();
  EXPECT_NE(ReadWholeFile(folder / (std::string(250, 'n') + ".mp3")), SongAudio());
}

}  // namespace
}  // namespace tagwright

namespace tagwright {
namespace {

// A journal that keeps the changes in memory, or refuses them.
class TMemoryJournal final : public TChangeJournal {
 public:
  TResultOf<std::vector<std::int64_t>> RecordBatch(std::vector<TFileChange>& changes) override {
    if (refuse)
      return TResult::Failure(TFailureKind::Write, "journal", std::make_error_code(std::errc::no_space_on_device));
    batches.push_back(changes.size());
    std::vector<std::int64_t> records;
    for (const TFileChange& change : changes) {
      if (whileRecording) whileRecording(change);
      recorded.push_back(change);
      // Each song is still as recorded while the batch is recorded: nothing was written yet.
      EXPECT_EQ(ReadWholeFile(change.PathBefore).substr(0, change.Before.Head.size()), change.Before.Head);
      records.push_back(static_cast<std::int64_t>(recorded.size()));
    }
    return records;
  }
  TResult RecordNotMade(std::int64_t record) override {
    if (whenNotMade) whenNotMade(recorded[static_cast<std::size_t>(record) - 1]);
    notMade.push_back(record);
    return {};
  }
  TResult RecordTemporaryName(std::int64_t /*record*/, const std::string& name) override {
    unforeseenNames.push_back(name);
    return {};
  }
  TResult RecordAfter(std::int64_t record, const std::string& /*path*/, TFileAfter after) override {
    afters[record] = after;
    return {};
  }

  bool refuse = false;
  std::function<void(const TFileChange&)> whileRecording;  // another program at work meanwhile
  std::function<void(const TFileChange&)> whenNotMade;
  std::vector<std::size_t> batches;
  std::vector<TFileChange> recorded;
  std::vector<std::int64_t> notMade;
  std::vector<std::string> unforeseenNames;  // new files of rewrites, named otherwise than recorded
  std::map<std::int64_t, TFileAfter> afters;
};

const TSongPlanner kStampTitle{TTagsNeeded::Yes, [](const TSongFile&, const TID3Info& tags) {
                                 TSongChange change;
                                 change.WriteTags = true;
                                 change.Tags = tags;
                                 change.Tags.Title = "Stamped";
                                 return change;
                               }};

class SongPassBatches : public SongPass {};

// The name of a rewrite's new file is recorded before the song is touched: the first one free
// beside the song, in whichever folder it is, so that no other has to be recorded later.
TEST_F(SongPassBatches, RecordTheNameARewriteGivesItsNewFile) {
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3", "sub/d.mp3"}) Song(name);
  folder.WriteFile("a.mp3~", "someone else's");
  folder.WriteFile("a.mp3~1", "someone else's");
  std::filesystem::create_directory(folder / "c.mp3~");
  TMemoryJournal journal;
  TPassHooks hooks;
  hooks.Journal = &journal;
  const std::vector<TSongResult> results = Run(TPassMode::Apply, kStampTitle, hooks);
  ASSERT_EQ(results.size(), 4U);
  for (const TSongResult& result : results) EXPECT_EQ(result.Outcome, TChangeOutcome::Tagged) << result.Reason();
  const std::string real = std::filesystem::canonical(folder.Path()).string();
  ASSERT_EQ(journal.recorded.size(), 4U);
  EXPECT_EQ(journal.recorded[0].TemporaryName, real + "/a.mp3~2");
  EXPECT_EQ(journal.recorded[1].TemporaryName, real + "/b.mp3~");
  EXPECT_EQ(journal.recorded[2].TemporaryName, real + "/c.mp3~1");
  EXPECT_EQ(journal.recorded[3].TemporaryName, real + "/sub/d.mp3~");
  EXPECT_TRUE(journal.unforeseenNames.empty());
  // Only the other files are left beside the songs.
  EXPECT_EQ(ReadWholeFile(folder / "a.mp3~1"), "someone else's");
  EXPECT_FALSE(std::filesystem::exists(folder / "a.mp3~2"));
  EXPECT_FALSE(std::filesystem::exists(folder / "b.mp3~"));
}

// The folder is read once for the whole pass: a name taken beside a song after that is met by the
// rewrite, which takes the next free one, has it recorded and leaves the other file alone.
TEST_F(SongPassBatches, ANameTakenAfterTheFolderWasReadIsLeftToItsOwner) {
  for (int i = 0; i < 200; ++i) Song("song " + std::to_string(i) + ".mp3");
  const std::string taken = folder / "song 150.mp3~";
  TMemoryJournal journal;
  journal.whileRecording = [&](const TFileChange&) {
    if (!std::filesystem::exists(taken)) folder.WriteFile("song 150.mp3~", "someone else's");
  };
  TPassHooks hooks;
  hooks.Journal = &journal;
  const std::vector<TSongResult> results = Run(TPassMode::Apply, kStampTitle, hooks);
  ASSERT_EQ(results.size(), 200U);
  for (const TSongResult& result : results) EXPECT_EQ(result.Outcome, TChangeOutcome::Tagged) << result.Reason();
  const std::string real = std::filesystem::canonical(folder.Path()).string();
  EXPECT_EQ(journal.unforeseenNames, (std::vector<std::string>{real + "/song 150.mp3~1"}));
  EXPECT_EQ(ReadWholeFile(taken), "someone else's");
  EXPECT_FALSE(std::filesystem::exists(folder / "song 150.mp3~1"));
}

// Hundreds of songs: recorded in batches, each batch before any of its songs is written, and what
// each song looked like after its write is what the file holds.
TEST_F(SongPassBatches, RecordEachBatchBeforeWritingIt) {
  for (int i = 0; i < 300; ++i) Song("song " + std::to_string(i) + ".mp3");
  TMemoryJournal journal;
  TPassHooks hooks;
  hooks.Journal = &journal;
  const std::vector<TSongResult> results = Run(TPassMode::Apply, kStampTitle, hooks);
  ASSERT_EQ(results.size(), 300U);
  for (std::size_t i = 0; i < results.size(); ++i) {
    EXPECT_EQ(results[i].FileName, songs[i]->FileName());
    EXPECT_EQ(results[i].Outcome, TChangeOutcome::Tagged) << results[i].Reason();
  }
  EXPECT_EQ(journal.batches, (std::vector<std::size_t>{128, 128, 44}));
  ASSERT_EQ(journal.afters.size(), 300U);
  for (std::int64_t record = 1; record <= 300; ++record) {
    TFileChange change = journal.recorded[static_cast<std::size_t>(record - 1)];
    change.After = journal.afters[record];
    EXPECT_TRUE(StillAsAfter(change.PathAfter, change));
    EXPECT_EQ(journal.afters[record].Size, static_cast<std::int64_t>(ReadWholeFile(change.PathAfter).size()));
  }
}

// After the first four batches, a batch takes an eighth of the files the program may have open, at
// least 128 songs and at most 512.
TEST_F(SongPassBatches, BatchesGrowAfterTheFirstFewAsFarAsOpenFilesAllow) {
  struct rlimit before {};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &before), 0);
  const auto allow = [&](rlim_t files) {
    struct rlimit limit = before;
    limit.rlim_cur = std::min(files, before.rlim_max);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &limit), 0);
  };
  struct TLimit {
    std::size_t BatchesBefore;
    rlim_t Files;
    std::size_t Songs;
  };
  for (const TLimit row : {TLimit{0, 8192, 128}, TLimit{3, 8192, 128}, TLimit{4, 8192, 512}, TLimit{9, 2048, 256},
                           TLimit{4, 1024, 128}, TLimit{4, 256, 128}}) {
    allow(row.Files);
    if (row.Files <= before.rlim_max) EXPECT_EQ(BatchSongLimit(row.BatchesBefore), row.Songs) << row.Files;
  }
  allow(2048);
  for (int i = 0; i < 800; ++i) Song("song " + std::to_string(i) + ".mp3");
  TMemoryJournal journal;
  TPassHooks hooks;
  hooks.Journal = &journal;
  const std::vector<TSongResult> results = Run(TPassMode::Apply, kStampTitle, hooks);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &before), 0);
  EXPECT_EQ(summary.Tagged, 800U);
  EXPECT_EQ(journal.batches, (std::vector<std::size_t>{128, 128, 128, 128, 256, 32}));
}

// A batch holds the new tags of its songs until they are written: one picture of 12 MB set into
// each song cuts the batches short, so that a pass never holds more than a few of them.
TEST_F(SongPassBatches, NewTagsWithLargePicturesMakeSmallBatches) {
  for (int i = 0; i < 4; ++i) Song("song " + std::to_string(i) + ".mp3");
  auto picture = std::make_shared<TPicture>(TPicture{kFrontCoverPicture, "image/png", "", "\x89PNG"});
  picture->Data.resize(12'000'000, 'p');
  const TSongPlanner setCover{TTagsNeeded::Yes, [picture](const TSongFile&, const TID3Info& tags) {
                                TSongChange change;
                                change.WriteTags = true;
                                change.Tags = tags;
                                change.Pictures = {TPictureAction::SetFrontCover, picture};
                                return change;
                              }};
  TMemoryJournal journal;
  TPassHooks hooks;
  hooks.Journal = &journal;
  const std::vector<TSongResult> results = Run(TPassMode::Apply, setCover, hooks);
  ASSERT_EQ(results.size(), 4U);
  for (const TSongResult& result : results) EXPECT_EQ(result.Outcome, TChangeOutcome::Tagged) << result.Reason();
  EXPECT_EQ(journal.batches, (std::vector<std::size_t>{3, 1}));
}

// A power cut keeps what the last flush of the file system made durable and loses the rest, so a
// song reported changed must already be, at its report, what the flushes before it kept: its bytes
// under its name. Songs written in place, rewritten whole and renamed alike; a flush that fails
// fails the songs waiting for it.
TEST_F(SongPassBatches, EverySongReportedSurvivesAPowerCut) {
  // b.mp3 has no tag: it is rewritten whole, between two songs written in place; d.mp3 is renamed.
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
    const std::string path = folder.WriteFile(name, SongAudio());
    if (name[0] != 'b') ASSERT_TRUE(WriteID3Tags(path, {.Title = "First"}).Ok());  // room for the next tags
    FileWith(name, ReadWholeFile(path));
  }
  static std::map<std::string, std::string> durable;  // the folder as the last flush left it
  static std::string root;
  root = folder.Path();
  static int flushes = 0;
  const TFlushFileSystem keepWhatIsFlushed = [](int) {
    durable.clear();
    for (const auto& file : std::filesystem::directory_iterator(root)) {
      durable[file.path().string()] = ReadWholeFile(file.path().string());
    }
    return ++flushes, 0;
  };
  TPassHooks hooks;
  hooks.FlushFileSystem = keepWhatIsFlushed;
  std::vector<std::string> reported;
  hooks.OnResult = [&](const TSongResult& result) {
    const std::string& name = result.NewFileName.empty() ? result.FileName : result.NewFileName;
    EXPECT_NE(result.Outcome, TChangeOutcome::Failed) << result.Reason();
    EXPECT_EQ(durable[name], ReadWholeFile(name)) << name << " was reported before it was durable";
    EXPECT_FALSE(durable.contains(result.FileName) && name != result.FileName) << "its old name survives";
    if (result.Outcome != TChangeOutcome::Skipped) reported.push_back(std::string(FileNamePart(name)));
    return TPassStep::Continue;
  };
  (void)RunSongPass(All(), kStampTitle, TPassMode::Apply, hooks);
  // One flush of the rewrite's new file before it took the song's name, one of the batch after.
  EXPECT_EQ(flushes, 2);
  const TSongPlanner renameC{TTagsNeeded::No, [](const TSongFile& song, const TID3Info&) {
                               TSongChange change;
                               if (FileNamePart(song.FileName()) == "c.mp3")
                                 change.NewFileName = song.FileName() + ".mp3";
                               return change;
                             }};
  for (auto& song : songs) song->SetListedTags(std::nullopt), song->SetListedIdentity(std::nullopt);
  (void)RunSongPass(All(), renameC, TPassMode::Apply, hooks);
  EXPECT_EQ(reported, (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3", "c.mp3.mp3"}));

  songs.pop_back();
  hooks.FlushFileSystem = [](int) { return errno = EIO, -1; };
  const TSongPlanner clearTitle{TTagsNeeded::Yes, [](const TSongFile&, const TID3Info& tags) {
                                  return PlanClearTagField(tags, TTagField::Title);
                                }};
  for (const TSongResult& result : Run(TPassMode::Apply, clearTitle, hooks)) {
    EXPECT_EQ(result.Reason(), "Cannot write file " + result.FileName);
  }
  EXPECT_EQ(summary.Failed, 2U);
}

TEST_F(SongPassBatches, ABatchThatCannotBeRecordedChangesNothing) {
  for (int i = 0; i < 5; ++i) Song("song " + std::to_string(i) + ".mp3");
  TMemoryJournal journal;
  journal.refuse = true;
  TPassHooks hooks;
  hooks.Journal = &journal;
  const std::vector<TSongResult> results = Run(TPassMode::Apply, kStampTitle, hooks);
  ASSERT_EQ(results.size(), 5U);
  for (const TSongResult& result : results) {
    EXPECT_EQ(result.Outcome, TChangeOutcome::Failed);
    EXPECT_EQ(result.Reason(), kNotRecordedReason);
    EXPECT_EQ(result.Failure.Error(), std::errc::no_space_on_device);
    EXPECT_EQ(ReadWholeFile(result.FileName), SongAudio());
  }
}

// A hook that stops the pass leaves the songs after it untouched, and says so to the journal. The
// songs changed are reported once their batch is durable, so the stop comes at the end of a batch
// (of 128 songs): the next batch, recorded while that one was written, is given up; songs after
// that were never recorded.
TEST_F(SongPassBatches, AStopLeavesTheSongsAfterItUntouched) {
  struct TStop {
    std::size_t Songs, StopAt, Done, Recorded;
  };
  for (const TStop stop : {TStop{6, 2, 6, 6}, TStop{300, 200, 256, 300}, TStop{400, 50, 128, 256}}) {
    SCOPED_TRACE(stop.Songs);
    songs.clear();
    for (std::size_t i = 0; i < stop.Songs; ++i)
      Song("stop " + std::to_string(stop.Songs) + " " + std::to_string(i) + ".mp3");
    TMemoryJournal journal;
    TPassHooks hooks;
    hooks.Journal = &journal;
    std::size_t seen = 0;
    hooks.OnResult = [&](const TSongResult&) { return ++seen == stop.StopAt ? TPassStep::Stop : TPassStep::Continue; };
    summary = RunSongPass(All(), kStampTitle, TPassMode::Apply, hooks);
    EXPECT_TRUE(summary.Stopped);
    EXPECT_EQ(summary.Tagged, stop.Done);
    std::vector<std::int64_t> rest;
    for (std::size_t record = stop.Done + 1; record <= stop.Recorded; ++record)
      rest.push_back(static_cast<std::int64_t>(record));
    EXPECT_EQ(journal.notMade, rest);
    EXPECT_EQ(journal.recorded.size(), stop.Recorded);
    for (std::size_t i = 0; i < songs.size(); ++i) {
      EXPECT_EQ(ReadWholeFile(songs[i]->FileName()) == SongAudio(), i >= stop.Done) << i;
    }
  }
}

// A batch's flush runs while the next batch is prepared, but no song of the next batch changes
// before that flush has succeeded: when it fails, the songs waiting for it are failed, the pass
// stops there and the next batch is left untouched, its records given up.
TEST_F(SongPassBatches, AFailedFlushStopsThePassBeforeTheNextBatchChanges) {
  const std::string path = folder.WriteFile("tagged.mp3", SongAudio());
  ASSERT_TRUE(WriteID3Tags(path, {.Title = "First"}).Ok());  // the next tags go in place
  const std::string tagged = ReadWholeFile(path);
  std::filesystem::remove(path);
  for (std::size_t i = 0; i < 200; ++i) FileWith("flush " + std::to_string(i) + ".mp3", tagged);
  TMemoryJournal journal;
  TPassHooks hooks;
  hooks.Journal = &journal;
  hooks.FlushFileSystem = [](int) { return errno = EIO, -1; };
  hooks.OnResult = [](const TSongResult& result) {
    return result.Outcome == TChangeOutcome::Failed ? TPassStep::Stop : TPassStep::Continue;
  };
  summary = RunSongPass(All(), kStampTitle, TPassMode::Apply, hooks);
  EXPECT_TRUE(summary.Stopped);
  EXPECT_EQ(summary.Failed, 128U);
  EXPECT_EQ(summary.Tagged, 0U);
  ASSERT_EQ(journal.recorded.size(), 200U);
  for (std::size_t i = 0; i < songs.size(); ++i) {
    EXPECT_EQ(ReadWholeFile(songs[i]->FileName()) == tagged, i >= 128) << i;
  }
  std::vector<std::int64_t> rest;
  for (std::int64_t record = 129; record <= 200; ++record) rest.push_back(record);
  EXPECT_EQ(journal.notMade, rest);
}

// A song the pass leaves as it was keeps its own result when the flush of the songs changed before
// it fails: only those are failed.
TEST_F(SongPassBatches, ASongLeftAsItWasIsNotFailedByAFailedFlush) {
  const std::string path = folder.WriteFile("tagged.mp3", SongAudio());
  for (const char* title : {"First", "Stamped"}) {  // the first is written in place, the second left
    ASSERT_TRUE(WriteID3Tags(path, {.Title = title}).Ok());
    FileWith(std::string(title) + ".mp3", ReadWholeFile(path));
  }
  std::filesystem::remove(path);
  TPassHooks hooks;
  hooks.FlushFileSystem = [](int) { return errno = EIO, -1; };
  const std::vector<TSongResult> results = Run(TPassMode::Apply, kStampTitle, hooks);
  ASSERT_EQ(results.size(), 2U);
  EXPECT_EQ(results[0].Outcome, TChangeOutcome::Failed);
  EXPECT_NE(results[1].Outcome, TChangeOutcome::Failed) << results[1].Reason();
}

// The new files of the next batch's rewrites are written while the batch before is not yet durable,
// and flushed together with it: when that flush fails, they are gone before the records say that
// their songs were not changed, and the songs are untouched.
TEST_F(SongPassBatches, AFailedFlushDropsTheNewFilesWrittenForTheNextBatch) {
  for (std::size_t i = 0; i < 200; ++i) Song("rewrite " + std::to_string(i) + ".mp3");  // no room: rewritten
  static int flushes = 0;
  flushes = 0;
  TMemoryJournal journal;
  journal.whenNotMade = [](const TFileChange& change) {
    EXPECT_FALSE(std::filesystem::exists(change.TemporaryName)) << change.TemporaryName;
  };
  TPassHooks hooks;
  hooks.Journal = &journal;
  hooks.FlushFileSystem = [](int) { return ++flushes == 2 ? (errno = EIO, -1) : 0; };
  summary = RunSongPass(All(), kStampTitle, TPassMode::Apply, hooks);
  EXPECT_EQ(summary.Failed, 200U);
  EXPECT_EQ(journal.notMade.size(), 72U);
  for (std::size_t i = 128; i < songs.size(); ++i) EXPECT_EQ(ReadWholeFile(songs[i]->FileName()), SongAudio()) << i;
  std::size_t files = 0;
  for (const auto& file : std::filesystem::directory_iterator(folder.Path())) {
    EXPECT_EQ(file.path().extension(), ".mp3") << file.path() << " was left beside the songs";
    ++files;
  }
  EXPECT_EQ(files, 200U);
}

// A cancel asked for is seen between songs: the songs before it are done (and reported), in a real run
// and in a dry run alike, and the pass says it was cancelled; the songs after it are untouched, their
// records given up.
TEST_F(SongPassBatches, ACancelStopsThePassBetweenSongs) {
  for (std::size_t i = 0; i < 300; ++i) Song("cancel " + std::to_string(i) + ".mp3");
  for (const TPassMode mode : {TPassMode::DryRun, TPassMode::Apply}) {  // the dry run writes nothing
    SCOPED_TRACE(mode == TPassMode::Apply ? "apply" : "dry run");
    TMemoryJournal journal;
    TPassHooks hooks;
    hooks.Journal = mode == TPassMode::Apply ? &journal : nullptr;
    std::size_t seen = 0;
    hooks.OnResult = [&](const TSongResult&) {
      ++seen;
      return TPassStep::Continue;
    };
    std::size_t started = 0;
    hooks.OnProgress = [&](std::size_t done, std::size_t) { started = done; };
    hooks.CancelRequested = [&] { return started == 199; };  // once song 199 is done
    summary = RunSongPass(All(), kStampTitle, mode, hooks);
    EXPECT_TRUE(summary.Stopped);
    EXPECT_TRUE(summary.Cancelled);
    EXPECT_EQ(summary.Tagged, 200U);
    EXPECT_EQ(seen, 200U);
    if (mode == TPassMode::Apply) {
      EXPECT_EQ(journal.notMade.size(), journal.recorded.size() - 200);
    }
    for (std::size_t i = 0; i < songs.size(); ++i) {
      EXPECT_EQ(ReadWholeFile(songs[i]->FileName()) == SongAudio(), mode == TPassMode::DryRun || i >= 200) << i;
    }
  }
}

// A song another writer holds is waited for, but never while this pass holds other songs: the
// songs before it are finished first, so that two passes in other orders cannot wait for each
// other.
TEST_F(SongPassBatches, ASongLockedElsewhereIsWaitedForWithNothingElseHeld) {
  const TSongFile* first = Song("a.mp3");
  const TSongFile* held = Song("b.mp3");
  const TSongFile* last = Song("c.mp3");
  const int other = ::open(held->FileName().c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
  std::string firstWhileWaiting;
  int waits = 0;
  SetBeforeWaitingForSongLock([&] {
    ++waits;
    firstWhileWaiting = ReadWholeFile(first->FileName());
    // The first song is done and unlocked by now.
    const int probe = ::open(first->FileName().c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(::flock(probe, LOCK_EX | LOCK_NB), 0);
    ::close(probe);
    ::close(other);
  });
  const std::vector<TSongResult> results = Run(TPassMode::Apply, kStampTitle);
  SetBeforeWaitingForSongLock(nullptr);
  EXPECT_EQ(waits, 1);
  ASSERT_EQ(results.size(), 3U);
  for (const TSongResult& result : results) EXPECT_EQ(result.Outcome, TChangeOutcome::Tagged) << result.Reason();
  EXPECT_NE(firstWhileWaiting, SongAudio());
  EXPECT_NE(ReadWholeFile(last->FileName()), SongAudio());
}

}  // namespace
}  // namespace tagwright

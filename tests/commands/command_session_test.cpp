#include "commands/command_session.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"

namespace tagwright {
namespace {

using testing::SongAudio;
using testing::TTempFolder;

// Entries that note what is done to them; their finish fails when asked to.
struct TNotes {
  std::vector<std::string> begun;
  int finished = 0;
  std::size_t recorded = 0;
  bool failFinish = false;
};

class TNotedEntry final : public TChangeEntry {
 public:
  explicit TNotedEntry(TNotes& notes) : notes_(notes) {}
  TResultOf<std::vector<std::int64_t>> RecordBatch(std::vector<TFileChange>& changes) override {
    std::vector<std::int64_t> records;
    for (std::size_t i = 0; i < changes.size(); ++i) records.push_back(static_cast<std::int64_t>(++notes_.recorded));
    return records;
  }
  TResult RecordNotMade(std::int64_t /*record*/) override { return {}; }
  TResult RecordTemporaryName(std::int64_t /*record*/, const std::string& /*name*/) override { return {}; }
  TResult RecordAfter(std::int64_t /*record*/, const std::string& /*path*/, TFileAfter /*after*/) override {
    return {};
  }
  TResult Finish() override {
    ++notes_.finished;
    if (notes_.failFinish)
      return TResult::Failure(TFailureKind::Write, "history", std::make_error_code(std::errc::io_error));
    return {};
  }
  void MarkCutShort() override {}
  std::int64_t Id() const override { return 7; }
  std::int64_t DroppedForRoom() const override { return 0; }

 private:
  TNotes& notes_;
};

class TNotedEntries final : public TChangeEntries {
 public:
  explicit TNotedEntries(TNotes& notes) : notes_(notes) {}
  std::unique_ptr<TChangeEntry> Begin(const TEntryStart& start) override {
    notes_.begun.push_back(start.Caption);
    return std::make_unique<TNotedEntry>(notes_);
  }

 private:
  TNotes& notes_;
};

TSongChange StampTitle(const TSongFile&, const TID3Info&) {
  TSongChange change;
  change.WriteTags = true;
  change.Tags.Title = "Stamped";
  return change;
}

class CommandSession : public ::testing::Test {
 protected:
  void SetUp() override {
    (void)song.SetFileName(folder.WriteFile("song.mp3", SongAudio()), false);
    song.SetWritableWhenListed(true);
  }
  TTempFolder folder;
  TSongFile song;
  TNotes notes;
  TNotedEntries entries{notes};
};

// A real run records its change in the one entry it begins under the caption, and a finish that
// fails reaches the caller; a dry run begins no entry at all.
TEST_F(CommandSession, RecordsInOneEntryAndReportsAFailedFinish) {
  notes.failFinish = true;
  const TCommandOutcome dry =
      RunCommand(&entries, "Stamp", {&song}, {TTagsNeeded::No, StampTitle}, TPassMode::DryRun, {});
  EXPECT_EQ(dry.Summary.Tagged, 1U);
  EXPECT_TRUE(notes.begun.empty());
  EXPECT_TRUE(dry.End.Finished.Ok());

  const TCommandOutcome run =
      RunCommand(&entries, "Stamp", {&song}, {TTagsNeeded::No, StampTitle}, TPassMode::Apply, {});
  EXPECT_EQ(run.Summary.Tagged, 1U);
  EXPECT_EQ(notes.begun, std::vector<std::string>{"Stamp"});
  EXPECT_EQ(notes.recorded, 1U);
  EXPECT_EQ(notes.finished, 1);
  EXPECT_EQ(run.End.Finished.Kind(), TFailureKind::Write);
  EXPECT_EQ(run.End.Entry, 7);
}

// An error that escapes the pass goes on, once the entry of what was done is finished.
TEST_F(CommandSession, FinishesTheEntryWhenAnErrorEscapesThePass) {
  const TSongPlanner throwing{TTagsNeeded::No, [](const TSongFile&, const TID3Info&) -> TSongChange {
                                throw std::runtime_error("plan failed");
                              }};
  EXPECT_THROW((void)RunCommand(&entries, "Stamp", {&song}, throwing, TPassMode::Apply, {}), std::runtime_error);
  EXPECT_EQ(notes.finished, 1);
}

}  // namespace
}  // namespace tagwright

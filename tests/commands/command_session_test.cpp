#include "commands/command_session.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/temp_folder.h"
#include "support/test_songs.h"

namespace tagwright {
namespace {

// Entries whose every finish fails, counting what is begun and finished.
struct TCounts {
  int begun = 0;
  int finished = 0;
};

class TFailingEntry final : public TChangeEntry {
 public:
  explicit TFailingEntry(TCounts& counts) : counts_(counts) {}
  TResultOf<std::vector<std::int64_t>> RecordBatch(std::vector<TFileChange>& changes) override {
    return std::vector<std::int64_t>(changes.size(), 1);
  }
  TResult RecordNotMade(std::int64_t /*record*/) override { return {}; }
  TResult RecordTemporaryName(std::int64_t /*record*/, const std::string& /*name*/) override { return {}; }
  TResult RecordAfter(std::int64_t /*record*/, const std::string& /*path*/, TFileAfter /*after*/) override {
    return {};
  }
  TResult Finish() override {
    ++counts_.finished;
    return TResult::Failure(TFailureKind::Write, "history", std::make_error_code(std::errc::io_error));
  }
  void MarkCutShort() override {}
  std::int64_t Id() const override { return 7; }
  std::int64_t DroppedForRoom() const override { return 0; }

 private:
  TCounts& counts_;
};

struct TFailingEntries final : TChangeEntries {
  std::unique_ptr<TChangeEntry> Begin(const TEntryStart& /*start*/) override {
    ++counts.begun;
    return std::make_unique<TFailingEntry>(counts);
  }
  TCounts counts;
};

// A real run is one entry, finished once, whose failed finish reaches the caller, also when an error
// escapes the pass; a dry run begins no entry.
TEST(CommandSession, FinishesItsOneEntryAndHandsOnAFailedFinish) {
  testing::TTempFolder folder;
  TSongFile song;
  (void)song.SetFileName(folder.WriteFile("song.mp3", testing::SongAudio()), false);
  song.SetWritableWhenListed(true);
  const TSongPlanner stamp{TTagsNeeded::No, [](const TSongFile& /*song*/, const TID3Info& /*tags*/) {
                             TSongChange change{.WriteTags = true};
                             change.Tags.Title = "Stamped";
                             return change;
                           }};
  TFailingEntries entries;
  EXPECT_EQ(RunCommand(&entries, "Stamp", {&song}, stamp, TPassMode::DryRun, {}).Summary.Tagged, 1U);
  EXPECT_EQ(entries.counts.begun, 0);
  const TSongPlanner throwing{TTagsNeeded::No, [](const TSongFile& /*song*/, const TID3Info& /*tags*/) -> TSongChange {
                                throw std::runtime_error("plan failed");
                              }};
  EXPECT_THROW((void)RunCommand(&entries, "Stamp", {&song}, throwing, TPassMode::Apply, {}), std::runtime_error);
  EXPECT_EQ(entries.counts.finished, 1);
  const TCommandOutcome run = RunCommand(&entries, "Stamp", {&song}, stamp, TPassMode::Apply, {});
  EXPECT_EQ(run.Summary.Tagged, 1U);
  EXPECT_EQ(run.End.Finished.Kind(), TFailureKind::Write);
  EXPECT_EQ(run.End.Entry, 7);
  EXPECT_EQ(entries.counts.begun, 2);
  EXPECT_EQ(entries.counts.finished, 2);
}

}  // namespace
}  // namespace tagwright

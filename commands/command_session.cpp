#include "commands/command_session.h"

#include <exception>
#include <utility>

namespace tagwright {

namespace {

TEntryEnd FinishEntry(TChangeEntry* entry) {
  TEntryEnd end;
  if (entry == nullptr) return end;
  end.Finished = entry->Finish();
  end.Entry = entry->Id();
  end.DroppedForRoom = entry->DroppedForRoom();
  return end;
}

}  // namespace

TEntryEnd RunInEntry(TChangeEntries* entries, const TEntryStart& start,
                     const std::function<void(TChangeEntry* entry)>& work) {
  std::unique_ptr<TChangeEntry> entry = entries != nullptr ? entries->Begin(start) : nullptr;
  try {
    work(entry.get());
  } catch (...) {
    // What was done is on disk and recorded: the entry is completed before the error goes on.
    (void)FinishEntry(entry.get());
    throw;
  }
  return FinishEntry(entry.get());
}

TCommandOutcome RunCommand(TChangeEntries* entries, const std::string& caption,
                           const std::vector<const TSongFile*>& songs, const TSongPlanner& planner, TPassMode mode,
                           TPassHooks hooks) {
  TCommandOutcome outcome;
  outcome.End = RunInEntry(mode == TPassMode::Apply ? entries : nullptr, {caption}, [&](TChangeEntry* entry) {
    hooks.Journal = entry;
    outcome.Summary = RunSongPass(songs, planner, mode, hooks);
  });
  return outcome;
}

}  // namespace tagwright

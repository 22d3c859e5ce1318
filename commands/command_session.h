// One command as one entry of changes: the entry begun under the command's caption, the command's
// work done (for a command over songs, the pipeline of song_pass.h), the entry finished, and what
// it all came to. Every front end runs the commands that change files through here; the history
// keeps the entries (TChangeEntries), so that a command can be taken back as a whole.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/change_journal.h"
#include "commands/song_pass.h"
#include "commands/song_result.h"
#include "files/result.h"
#include "songs/song_file.h"

namespace tagwright {

// One entry of changes as a command makes it: the journal of its files' changes, and its end.
class TChangeEntry : public TChangeJournal {
 public:
  // Completes the entry once its changes are made or given up. On failure the changes stay on
  // disk, and the entry is repaired from its records at the next start.
  virtual TResult Finish() = 0;
  // The command stopped before the end of what it was to take back: the entry it takes back
  // keeps its rest.
  virtual void MarkCutShort() = 0;
  virtual std::int64_t Id() const = 0;
  // Older entries dropped by Finish to keep within the bounds.
  virtual std::int64_t DroppedForRoom() const = 0;
};

struct TEntryStart {
  std::string Caption;
  std::int64_t Undoes = 0;  // the entry this one takes back, if it is an undo
};

// Where the entries are kept.
class TChangeEntries {
 public:
  virtual ~TChangeEntries() = default;
  virtual std::unique_ptr<TChangeEntry> Begin(const TEntryStart& start) = 0;
};

// How an entry ended.
struct TEntryEnd {
  TResult Finished;                 // a failure to complete the entry, which the front end tells
  std::int64_t Entry = 0;           // the entry written; 0 when none was
  std::int64_t DroppedForRoom = 0;  // older entries dropped to make room
};

// What a command over songs came to.
struct TCommandOutcome {
  TPassSummary Summary;
  TEntryEnd End;
};

// Begins an entry in entries (none without entries), does the work with its journal (null without
// an entry) and finishes the entry, also when an error escapes the work (which then goes on).
TEntryEnd RunInEntry(TChangeEntries* entries, const TEntryStart& start,
                     const std::function<void(TChangeEntry* entry)>& work);

// Runs a command over the songs, in their order, as one entry under caption: a real run records
// each change in it; a dry run records nothing. The hooks' journal is the entry's.
TCommandOutcome RunCommand(TChangeEntries* entries, const std::string& caption,
                           const std::vector<const TSongFile*>& songs, const TSongPlanner& planner, TPassMode mode,
                           TPassHooks hooks);

}  // namespace tagwright

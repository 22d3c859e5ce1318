// The one loop behind every command over several songs, for the window and the command line alike:
// for each song in order, "can the file be written?" -> read its tags when the plan needs them ->
// plan -> carry the change out (or, in a dry run, only foresee it) -> report. What the front end
// does with a file that cannot be written, with progress and with each result, it says in hooks.
#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "commands/change_journal.h"
#include "commands/song_change.h"
#include "files/result.h"
#include "songs/song_file.h"
#include "tags/id3_info.h"

namespace tagwright {

// Whether a plan needs the tags the file holds now (to keep the fields it does not set).
enum class TTagsNeeded : bool { No, Yes };

struct TSongPlanner {
  TTagsNeeded Tags = TTagsNeeded::No;
  // Works out the change for one song; tags are the file's (empty unless Tags is Yes).
  std::function<TSongChange(const TSongFile& song, const TID3Info& tags)> Plan;
  // Whether the plan goes by what the listing read of the song (its details), and so must not be
  // carried out once the file holds other tag values than the listing read; a plan that goes only
  // by the tags read under the song's lock needs no such check.
  bool UsesListing = true;
};

enum class TPassMode : bool { Apply, DryRun };
enum class TPassStep : bool { Continue, Stop };

// What became of one song.
struct TSongResult {
  std::string FileName;  // the song's file as listed before the pass
  TChangeOutcome Outcome = TChangeOutcome::Skipped;
  std::string NewFileName;   // where the file now is (or would be), when renamed
  bool TagsWritten = false;  // Tags were written (in a dry run: would be)
  TID3Info Tags;
  // Why it was skipped or failed, in the pass's or the plan's own words (kNameTakenMessage, a plan's
  // refusal...); empty when the file failure below says why by itself. Read through Reason().
  std::string OwnReason;
  TResult Failure;  // the file failure behind a skipped or failed song, when there was one

  // Why it was skipped or failed: the own reason, else the file failure in its own words ("Cannot
  // write file /a/b.mp3"); empty for a song that was changed.
  std::string Reason() const { return OwnReason.empty() ? Failure.Describe() : OwnReason; }
  // The same followed by the system's words for the cause, when a file operation failed
  // ("... (File exists)", "... (Permission denied)"): how the front ends tell it.
  std::string ReasonWithError() const { return Failure.WithError(Reason()); }
};

struct TPassHooks {
  // A song whose file cannot be written: Continue skips it (its result still follows), Stop ends
  // the pass. Without this hook such songs are skipped.
  std::function<TPassStep(const TSongFile& song)> OnUnwritable;
  // Before each song: how many are done, out of how many.
  std::function<void(std::size_t done, std::size_t total)> OnProgress;
  // Asked between songs, never while one is written: true ends the pass there, as cancelled.
  std::function<bool()> CancelRequested;
  // After each song. Stop ends the pass.
  std::function<TPassStep(const TSongResult& result)> OnResult;
  // Where a real run records each change before and after making it, so that it can be taken
  // back; none records nothing. A change that cannot be recorded is not made.
  TChangeJournal* Journal = nullptr;
};

// How many songs had one reason to be skipped or to fail.
struct TReasonCount {
  std::string Reason;
  std::size_t Songs = 0;

  bool operator==(const TReasonCount&) const = default;
};

struct TPassSummary {
  std::size_t Tagged = 0;   // tagged, with or without a rename
  std::size_t Renamed = 0;  // renamed, with or without a tag
  std::size_t Skipped = 0;
  std::size_t Failed = 0;
  // The reasons of the skipped and of the failed songs (TSongResult::Reason()), most frequent first,
  // equally frequent ones in the order they first came up.
  std::vector<TReasonCount> SkippedBy;
  std::vector<TReasonCount> FailedBy;
  bool Stopped = false;    // a hook ended the pass early
  bool Cancelled = false;  // ... because a cancel was asked for
};

// The names that a dry run's renames free and take, so that it meets the same clashes as the real
// run; in a real run the file system itself answers.
class TPlannedNames {
 public:
  bool Taken(const std::string& path) const;
  void Rename(const std::string& from, const std::string& to);

 private:
  std::set<std::string> created_;
  std::set<std::string> vacated_;
};

// Carries out (or, in a dry run, foresees) one planned change of the song at fileName: the tag is
// written first, then the file renamed without ever replacing another file. With a journal, a real
// run records the change first and what became of the file after.
TSongResult ApplySongChange(const std::string& fileName, const TSongChange& change, TPassMode mode,
                            TPlannedNames& names, TChangeJournal* journal = nullptr);
// The same, for a real run of one song.
TSongResult ApplySongChange(const std::string& fileName, const TSongChange& change, TChangeJournal* journal = nullptr);

// Why a change was not made: its record could not be kept.
inline constexpr const char* kNotRecordedReason = "the change could not be recorded in the history";

TPassSummary RunSongPass(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner, TPassMode mode,
                         const TPassHooks& hooks);

}  // namespace tagwright

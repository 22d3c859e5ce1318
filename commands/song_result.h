// What became of each song of a pass over several songs, and what the pass comes to: the results
// the window and the command line show, and the words they give for a song left alone or failed.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "commands/song_change.h"
#include "files/result.h"
#include "tags/id3_info.h"

namespace tagwright {

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

// How many songs had one reason to be skipped or to fail.
struct TReasonCount {
  std::string Reason;
  std::size_t Songs = 0;

  bool operator==(const TReasonCount&) const = default;
};

struct TPassSummary {
  std::size_t Tagged = 0;   // tagged, with or without a rename
  std::size_t Renamed = 0;  // renamed, with or without a tag
  std::size_t Changed = 0;  // tagged, renamed or both: the songs whose bytes or name changed
  std::size_t Skipped = 0;
  std::size_t Failed = 0;
  // The reasons of the skipped and of the failed songs (TSongResult::Reason()), most frequent first,
  // equally frequent ones in the order they first came up.
  std::vector<TReasonCount> SkippedBy;
  std::vector<TReasonCount> FailedBy;
  bool Stopped = false;    // a hook ended the pass early
  bool Cancelled = false;  // ... because a cancel was asked for
};

// Why a change was not made: its record could not be kept.
inline constexpr const char* kNotRecordedReason = "the change could not be recorded in the history";

}  // namespace tagwright

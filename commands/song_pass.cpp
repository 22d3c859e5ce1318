#include "commands/song_pass.h"

#include <sys/stat.h>

#include <algorithm>
#include <iterator>

#include "files/file_access.h"
#include "files/paths.h"
#include "tags/atomic_rewrite.h"
#include "tags/mp3_content.h"
#include "text/ascii_text.h"
#include "text/letters.h"

namespace tagwright {

namespace {

TChangeOutcome OutcomeOf(bool tagged, bool renamed) {
  if (tagged && renamed) return TChangeOutcome::TaggedAndRenamed;
  if (renamed) return TChangeOutcome::Renamed;
  if (tagged) return TChangeOutcome::Tagged;
  return TChangeOutcome::Skipped;
}

TSongResult Failed(const std::string& fileName, std::string reason, TResult failure = {}) {
  TSongResult result;
  result.FileName = fileName;
  result.Outcome = TChangeOutcome::Failed;
  result.Reason = std::move(reason);
  result.Failure = std::move(failure);
  return result;
}

TSongResult Skipped(const std::string& fileName, std::string reason, TResult failure = {}) {
  TSongResult result = Failed(fileName, std::move(reason), std::move(failure));
  result.Outcome = TChangeOutcome::Skipped;
  return result;
}

// A name ending in ".mp3" is taken at its word; a file without an extension is listed too, but it
// is changed only when its content is MP3, so that a README or a script is never tagged or renamed.
TResultOf<bool> IsSongContentAsNamed(const std::string& fileName) {
  if (!ListedExtension(FileNamePart(fileName)).empty()) return true;
  return HoldsMp3Content(fileName);
}

void CountReason(const std::string& reason, std::vector<TReasonCount>& counts) {
  auto found =
      std::find_if(counts.begin(), counts.end(), [&](const TReasonCount& count) { return count.Reason == reason; });
  if (found == counts.end()) {
    counts.push_back({reason, 1});
    return;
  }
  ++found->Songs;
  // Keep the most frequent first; a stable move past the less frequent keeps ties in order of arrival.
  while (found != counts.begin() && std::prev(found)->Songs < found->Songs) {
    std::iter_swap(found, std::prev(found));
    --found;
  }
}

void Count(const TSongResult& result, TPassSummary& summary) {
  switch (result.Outcome) {
    case TChangeOutcome::Tagged: ++summary.Tagged; break;
    case TChangeOutcome::Renamed: ++summary.Renamed; break;
    case TChangeOutcome::TaggedAndRenamed:
      ++summary.Tagged;
      ++summary.Renamed;
      break;
    case TChangeOutcome::Skipped:
      ++summary.Skipped;
      CountReason(result.Reason, summary.SkippedBy);
      break;
    case TChangeOutcome::Failed:
      ++summary.Failed;
      CountReason(result.Reason, summary.FailedBy);
      break;
  }
}

}  // namespace

bool TPlannedNames::Taken(const std::string& path) const {
  if (created_.count(path) != 0) return true;
  if (vacated_.count(path) != 0) return false;
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

void TPlannedNames::Rename(const std::string& from, const std::string& to) {
  created_.erase(from);
  vacated_.insert(from);
  vacated_.erase(to);
  created_.insert(to);
}

namespace {

TSongResult ApplyRecordedChange(const std::string& fileName, const TSongChange& change, TPassMode mode,
                                TPlannedNames& names);

}  // namespace

TSongResult ApplySongChange(const std::string& fileName, const TSongChange& change, TPassMode mode,
                            TPlannedNames& names, TChangeJournal* journal) {
  if (!change.Refusal.empty()) return Failed(fileName, change.Refusal);
  if (change.DoesNothing()) return Skipped(fileName, change.Skip.empty() ? kNothingToChangeReason : change.Skip);
  const bool renames = !change.NewFileName.empty();
  if (renames && change.RefuseTakenName && !EqualsIgnoringCase(change.NewFileName, fileName) &&
      names.Taken(change.NewFileName)) {
    return Failed(fileName, kNameTakenMessage);
  }

  TChangeRecording recording(mode == TPassMode::Apply ? journal : nullptr);
  if (journal && mode == TPassMode::Apply) {
    TResultOf<TFileChange> before = CaptureBefore(fileName, change.NewFileName, change.WriteTags);
    if (!before) return Failed(fileName, before.Failure().Describe(), before.Failure());
    if (TResult recorded = recording.Begin(std::move(before.Value())); !recorded) {
      return Failed(fileName, kNotRecordedReason, std::move(recorded));
    }
  }
  TSongResult result = ApplyRecordedChange(fileName, change, mode, names);
  recording.Finish(result.NewFileName.empty() ? fileName : result.NewFileName);
  return result;
}

namespace {

TSongResult ApplyRecordedChange(const std::string& fileName, const TSongChange& change, TPassMode mode,
                                TPlannedNames& names) {
  const bool renames = !change.NewFileName.empty();
  TSongResult result;
  result.FileName = fileName;
  result.Outcome = OutcomeOf(change.WriteTags, renames);
  result.NewFileName = change.NewFileName;
  if (change.WriteTags) {
    TResult written =
        mode == TPassMode::Apply ? WriteID3Tags(fileName, change.Tags) : PredictID3Write(fileName, change.Tags);
    if (!written) return Failed(fileName, written.Describe(), std::move(written));
    result.TagsWritten = true;
    result.Tags = change.Tags;
  }
  if (!renames) return result;

  TResult renamed;
  if (FileNamePart(change.NewFileName).starts_with('.')) {
    // A name without a stem, or a hidden file, is never made.
    renamed = TResult::Failure(TFailureKind::Rename, fileName, std::make_error_code(std::errc::invalid_argument));
  } else if (mode == TPassMode::Apply) {
    renamed = RenameWithoutReplacing(fileName, change.NewFileName);
  } else if (names.Taken(change.NewFileName)) {
    renamed = TResult::Failure(TFailureKind::Rename, fileName, std::make_error_code(std::errc::file_exists));
  } else if (renamed = PredictRename(fileName, change.NewFileName); renamed) {
    names.Rename(fileName, change.NewFileName);
  }
  if (!renamed) {
    // The tag, when there was one, has been written: the result still shows it.
    result.Outcome = TChangeOutcome::Failed;
    result.NewFileName.clear();
    result.Reason = kRenameFailedMessage;
    result.Failure = std::move(renamed);
  }
  return result;
}

}  // namespace

TSongResult ApplySongChange(const std::string& fileName, const TSongChange& change, TChangeJournal* journal) {
  TPlannedNames names;
  return ApplySongChange(fileName, change, TPassMode::Apply, names, journal);
}

TPassSummary RunSongPass(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner, TPassMode mode,
                         const TPassHooks& hooks) {
  TPassSummary summary;
  TPlannedNames names;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    if (hooks.OnProgress) hooks.OnProgress(i, songs.size());
    const TSongFile& song = *songs[i];
    const std::string& fileName = song.FileName();

    TSongResult result;
    // A dry run only reads, so it goes by what the listing found; a real run asks the file itself,
    // which it is about to write anyway.
    const bool writable = mode == TPassMode::DryRun ? song.WritableWhenListed() : IsFileWritable(fileName);
    if (!writable) {
      if (hooks.OnUnwritable && hooks.OnUnwritable(song) == TPassStep::Stop) {
        summary.Stopped = true;
        break;
      }
      result = Skipped(fileName, kNotWritableReason, TResult::Failure(TFailureKind::NotWritable, fileName));
    } else if (TResultOf<bool> mp3 = IsSongContentAsNamed(fileName); !mp3) {
      result = Failed(fileName, mp3.Failure().Describe(), mp3.Failure());
    } else if (!mp3.Value()) {
      result = Skipped(fileName, kNotMp3Reason);
    } else {
      TID3Info tags;
      TResultOf<bool> read = false;
      if (planner.Tags == TTagsNeeded::Yes) read = ReadID3Tags(fileName, tags);
      if (!read) {
        result = Failed(fileName, read.Failure().Describe(), read.Failure());
      } else {
        result = ApplySongChange(fileName, planner.Plan(song, tags), mode, names, hooks.Journal);
      }
    }
    Count(result, summary);
    if (hooks.OnResult && hooks.OnResult(result) == TPassStep::Stop) {
      summary.Stopped = true;
      break;
    }
  }
  if (hooks.OnProgress && !summary.Stopped) hooks.OnProgress(songs.size(), songs.size());
  return summary;
}

}  // namespace tagwright

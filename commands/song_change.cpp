#include "commands/song_change.h"

#include "files/file_access.h"

namespace tagwright {

namespace {

TChangeOutcome OutcomeOf(bool tagged, bool renamed) {
  if (tagged && renamed) return TChangeOutcome::TaggedAndRenamed;
  if (renamed) return TChangeOutcome::Renamed;
  if (tagged) return TChangeOutcome::Tagged;
  return TChangeOutcome::Skipped;
}

}  // namespace

TChangeResult PreviewSongChange(const TSongChange& change) {
  TChangeResult result;
  if (!change.Refusal.empty()) {
    result.Outcome = TChangeOutcome::Failed;
    result.Reason = change.Refusal;
    return result;
  }
  if (change.DoesNothing()) {
    result.Outcome = TChangeOutcome::Skipped;
    result.Reason = change.Skip.empty() ? "nothing to change" : change.Skip;
    return result;
  }
  result.Outcome = OutcomeOf(change.WriteTags, !change.NewFileName.empty());
  result.NewFileName = change.NewFileName;
  return result;
}

TChangeResult ApplySongChange(const std::string& fileName, const TSongChange& change) {
  TChangeResult result = PreviewSongChange(change);
  if (result.Outcome == TChangeOutcome::Failed || result.Outcome == TChangeOutcome::Skipped) return result;

  if (change.WriteTags) WriteID3Tags(fileName, change.Tags);
  if (!change.NewFileName.empty() && RenameWithoutReplacing(fileName, change.NewFileName)) {
    result.Outcome = TChangeOutcome::Failed;
    result.NewFileName.clear();
    result.Reason = kRenameFailedMessage;
  }
  return result;
}

const char* OutcomeName(TChangeOutcome outcome) {
  switch (outcome) {
    case TChangeOutcome::Tagged: return "tagged";
    case TChangeOutcome::Renamed: return "renamed";
    case TChangeOutcome::TaggedAndRenamed: return "tagged+renamed";
    case TChangeOutcome::Skipped: return "skipped";
    case TChangeOutcome::Failed: return "failed";
  }
  return "failed";
}

}  // namespace tagwright

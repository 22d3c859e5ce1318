#include "commands/unchanged_songs.h"

#include <utility>

#include "commands/pass_results.h"
#include "tags/field_changes.h"
#include "tags/id3_info.h"

namespace tagwright {

namespace {

void GiveUpTags(TSongChange& change) {
  change.WriteTags = false;
  if (change.NewFileName.empty()) change.Skip = kNothingToChangeReason;
}

}  // namespace

std::optional<TSongResult> LeaveUnchangedTags(TBatchSong& song, const TTagSnapshot& snapshot) {
  if (!song.Change.WriteTags || !song.Composed || ChangesAnyField(snapshot, song.Composed->Tags)) return std::nullopt;
  GiveUpTags(song.Change);
  song.Composed.reset();
  return Refused(song.FileName, song.Change);
}

}  // namespace tagwright

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

// Whether the tags composed change the song as the command means to.
bool ChangesTheSong(const TBatchSong& song, const TTagSnapshot& snapshot) {
  if (!song.Change.Pictures.Keeps()) return ChangesPictures(snapshot.Head, song.Composed->Tags.Head);
  return ChangesAnyField(snapshot, song.Composed->Tags);
}

}  // namespace

std::optional<TSongResult> LeaveUnchangedTags(TBatchSong& song, const TTagSnapshot& snapshot) {
  if (!song.Change.WriteTags || !song.Composed || ChangesTheSong(song, snapshot)) return std::nullopt;
  GiveUpTags(song.Change);
  song.Composed.reset();
  return Refused(song.FileName, song.Change);
}

}  // namespace tagwright

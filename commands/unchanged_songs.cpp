#include "commands/unchanged_songs.h"

#include <utility>

#include "commands/pass_results.h"
#include "tags/byte_source.h"
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

TSongChange WithoutUnchangedTags(const std::string& fileName, TSongChange change) {
  if (!change.WriteTags) return change;
  // A song that cannot be read here is foreseen as written: the prediction says what it meets.
  TFileSource source;
  if (!source.Open(fileName)) return change;
  TResultOf<TTagSnapshot> snapshot = ReadTagSnapshot(source.Descriptor(), source.Info(), fileName);
  if (!snapshot) return change;
  TResultOf<TComposedTags> composed = ComposeID3Tags(source, change.Tags, fileName);
  if (composed && !ChangesAnyField(snapshot.Value(), composed.Value().Tags)) GiveUpTags(change);
  return change;
}

}  // namespace tagwright

// Carrying out the change of one song: its new tags composed from the song as read under its lock,
// its change recorded ahead of it (when there is a journal), the tag written, the file renamed and
// what became of it recorded after. For the files of the song pass only.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "commands/change_journal.h"
#include "commands/planned_names.h"
#include "commands/song_change.h"
#include "commands/song_result.h"
#include "files/result.h"
#include "tags/id3_info.h"
#include "tags/locked_song.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

// One song whose change is to be carried out; a pass prepares such songs in batches.
struct TBatchSong {
  std::size_t Index = 0;  // among the pass's songs
  std::string FileName;
  std::optional<TSongResult> Result;  // known before any change: nothing is done to the song
  TSongChange Change;
  std::optional<TLockedSong> Locked;  // always when the change writes tags
  TTagSnapshot Snapshot;              // the song as read (under its lock, when locked)
  std::string SongPath;               // the song itself, links followed
  mode_t Mode = 0;                    // its permission bits before the change
  dev_t Device = 0;                   // the file system it is on
  std::int64_t Record = 0;
  TFileChange Recorded;                   // what the record holds, but for the tag bytes (those are in Snapshot)
  std::optional<TComposedTags> Composed;  // the tags to write, composed before the change is recorded
  TResult WrittenAhead;                   // why a rewrite's new file could not be written (and flushed) ahead, if so
};

// Composes the song's new tags from its snapshot (the rest of the song read through fd).
TResult ComposeTags(TBatchSong& song, const TTagSnapshot& snapshot, int fd);

// Records in the change, ahead of it, what the tags composed will leave in the file, so that a
// file found so after a crash counts as finished.
void ForeseeWrite(TFileChange& change, const TBatchSong& song);

// The record of a song's change, from its snapshot.
TFileChange ChangeOf(const TBatchSong& song, TTagSnapshot snapshot);

// Takes the song's snapshot back from the change recorded, which keeps the rest.
void KeepRecorded(TBatchSong& song, TFileChange recorded);

// Carries out the change of a song open and locked, whose record (when there is a journal) is kept:
// the tag is written first, then the file renamed without ever replacing another file. A dry run
// foresees the same steps and changes nothing.
TSongResult CarryOut(TBatchSong& song, TPassMode mode, TPlannedNames& names, TChangeJournal* journal);

}  // namespace tagwright

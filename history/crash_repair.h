// Settling a change that was never confirmed (a crash, or a program killed, between its record
// and its end) from the file's own state; used by the repair at start and by an undo that meets
// such a change.
#pragma once

#include <optional>
#include <string>

#include "commands/change_journal.h"
#include "files/result.h"
#include "history/change_proof.h"
#include "history/history.h"

namespace tagwright {

// What the repair made of a change never confirmed.
enum class TResolved { NotMade, Made, PutBack, LeftAlone, Unresolved };

struct TResolution {
  TResolved Outcome = TResolved::Unresolved;
  std::string Path;      // where the file is now
  bool Acted = false;    // something was done to the file or beside it
  TResult Failure;       // why it stays unresolved
  bool Missing = false;  // unresolved: the song is not there
};

// Settles the change by the file's own state: a file as before or as after is left as it is (the
// change not made, or made); a torn one is put back as it was, from the full copy a rewrite in
// place keeps beside it, or from the record, only when the proof shows it is this program's own
// write left torn (torn_write.h); any other is left alone, as someone else's change. A missing
// song stays unresolved. The rewrite's temporary file goes only once the song is found whole.
TResolution Resolve(const TFileChange& change, const std::optional<TChangeProof>& proof);

// Marks in the history what the repair found; the failure of the history itself.
TResult MarkResolved(THistory& history, const TStoredChange& stored, const TResolution& resolution);

}  // namespace tagwright

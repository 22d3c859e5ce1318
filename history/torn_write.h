// Whether a song found neither as before nor as after its change is the file this program was
// writing and left torn: only then is it put back. Anything else is someone else's change.
#pragma once

#include <cstdint>
#include <string>

#include <sys/stat.h>

#include "commands/change_journal.h"
#include "history/change_proof.h"

namespace tagwright {

enum class TTornKind {
  NotProven,  // someone else's change, or nothing tells
  Tags,       // tag and trailer torn, the audio untouched: RestoreTagSnapshot over HeadSize bytes
  FromCopy,   // a song with several names, rewritten in its own file: the whole copy beside goes back
};

struct TTornWrite {
  TTornKind Kind = TTornKind::NotProven;
  std::int64_t HeadSize = 0;  // of the head the file holds now (Tags)
};

// Judges the song at path (song describes it), whose change's temporary file is the rewrite's own
// when temporary. An old tag kept in part by reference is put together on the way (Tags).
//
// A write in place changes only the stretches the proof names, then the trailer: a song it left
// torn is the same file, with at each offset of its tag the old byte or the new one, its audio
// as sampled, and its trailer old, new or a new one cut short. A rewrite takes the song's place
// whole, by rename, before its trailer is written: the file then holds the new tag whole. A song
// with several names is rewritten in its own file from a whole copy beside it, made first: the
// copy must be the song as it was, and the song no more than the start of what was being written.
TTornWrite JudgeTorn(TFileChange& change, const TChangeProof& proof, const std::string& path, const struct stat& song,
                     bool temporary);

// Whether the song at path is whole again as the proof and record hold it before the change.
bool VerifiedAsBefore(const std::string& path, const TFileChange& change, const TChangeProof& proof);

// Whether the files hold the same bytes.
bool SameBytes(const std::string& path, const std::string& other);

}  // namespace tagwright

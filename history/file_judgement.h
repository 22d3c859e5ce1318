// How the undo and the repair look at a song before they touch it: where the file of a change is,
// and whether it is as the change found it, as the change left it, or neither (a write torn).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "commands/change_journal.h"
#include "files/result.h"

namespace tagwright {

bool Exists(const std::string& path, struct stat& info);

bool SameFile(const struct stat& a, const struct stat& b);

// Whether the old name is free for the file at path to go back to (the name it has, or another
// spelling of it on a file system that ignores case, counts as free).
bool OldNameFree(const std::string& path, const std::string& oldPath);

// Whether head is the tag the change's record keeps as the one before: byte for byte, or by its
// size and hash when the record keeps part of it by reference to the file after the change.
bool HeadAsBefore(std::string_view head, const TFileChange& change);

// Whether the file at path holds the size, tag and trailer the record keeps as before the change.
bool StillAsBeforeRecord(const std::string& path, const TFileChange& change);

// Puts the old tag of a record that keeps part of it by reference (BeforeRecipe) together from the
// tag of the file now: as the change left it, or torn by a write in place, which never touches the
// bytes referred to. False when it does not come out as the record's hash says: then nothing of
// the record may be written back.
bool ResolveBeforeHead(TFileChange& change, std::string_view headNow);

// The same from the first headSize bytes of the file at path.
TResult ResolveBeforeHeadFrom(TFileChange& change, const std::string& path, std::int64_t headSize);

// What became of the file of a change that was never confirmed, judged from its bytes alone.
enum class TFound { Before, After, Torn, Missing };

// The file at a path as a change sees it.
struct TLook {
  bool Exists = false;
  struct stat Info {};
  bool AsBefore = false;
  bool AsAfter = false;
};

struct TJudgement {
  TFound Found = TFound::Missing;
  std::string Path;  // where the file is
  TLook At;
};

// Where the file of the change is and in which state: as before, as after (perhaps not yet under
// its new name), or neither (a write torn); a failure when it cannot be looked at.
TResultOf<TJudgement> Judge(const TFileChange& change);

// Whether the change's temporary name is the file a rewrite of the song at songPath made for it:
// "song~" or "song~N" beside it, a regular file other than the song, made after the record (an
// older one of that name is someone else's).
bool OwnTemporaryFile(const TFileChange& change, const std::string& songPath, const struct stat& song);

}  // namespace tagwright

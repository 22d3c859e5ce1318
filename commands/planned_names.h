// The new names a pass gives its songs: whether another file has taken one, and the rename itself,
// which a dry run foresees by the names planned (TPlannedNames).
#pragma once

#include <set>
#include <string>

#include "commands/song_change.h"
#include "commands/song_result.h"

namespace tagwright {

// The names that a dry run's renames free and take, so that it meets the same clashes as the real
// run; in a real run the file system itself answers.
class TPlannedNames {
 public:
  bool Taken(const std::string& path) const;
  void Rename(const std::string& from, const std::string& to);

 private:
  std::set<std::string> created_;
  std::set<std::string> vacated_;
};

// Whether the new name is refused because another file has it (a change of the case of any letter
// only is no clash: on a file system that ignores case, the name taken is the song's own; where case
// counts, the rename itself still never replaces another file).
bool RefusesTakenName(const std::string& fileName, const TSongChange& change, const TPlannedNames& names);

// Deletes a song for good (a dry run only says it would), or sets result failed with why.
void DeleteForGood(const std::string& fileName, TPassMode mode, TSongResult& result);

// Renames the song after its tag was written (or would be, in a dry run), never replacing another
// file; a failure leaves the result failed but still showing the tag.
void RenameSong(const std::string& fileName, const TSongChange& change, TPassMode mode, TPlannedNames& names,
                TSongResult& result);

}  // namespace tagwright

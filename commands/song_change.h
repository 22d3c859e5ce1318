// What a command does to one song: a tag to write and/or a new name, worked out first and carried out
// after, so that the same plan serves the window, the command line and its dry runs.
#pragma once

#include <string>

#include "tags/id3_info.h"

namespace tagwright {

inline constexpr const char* kRenameFailedMessage = "Error renaming file. Is it a duplicate or read-only?";
inline constexpr const char* kNameTakenMessage = "A file with that name already exists.";
inline constexpr const char* kNotWritableReason = "file cannot be written to";

struct TSongChange {
  bool WriteTags = false;
  TID3Info Tags;            // the values written when WriteTags is set
  std::string NewFileName;  // the new full path; empty when the file keeps its name
  std::string Skip;         // why nothing is done, when the song is passed over quietly
  std::string Refusal;      // why nothing is done, when the user must hear of it

  bool DoesNothing() const { return !WriteTags && NewFileName.empty(); }
};

enum class TChangeOutcome { Tagged, Renamed, TaggedAndRenamed, Skipped, Failed };

struct TChangeResult {
  TChangeOutcome Outcome = TChangeOutcome::Skipped;
  std::string NewFileName;  // where the file now is, when it was renamed
  std::string Reason;       // why it was skipped or failed
};

// Writes the tag first, then renames without ever replacing another file. Errors writing the tag
// propagate (TFileError); a refused rename is a failed outcome with kRenameFailedMessage.
TChangeResult ApplySongChange(const std::string& fileName, const TSongChange& change);

// The outcome the change would have, without touching the file.
TChangeResult PreviewSongChange(const TSongChange& change);

const char* OutcomeName(TChangeOutcome outcome);

}  // namespace tagwright

// What a command does to one song: a tag to write and/or a new name, worked out first by a plan and
// carried out after by the song pass, so that the same plan serves the window, the command line
// and its dry runs.
#pragma once

#include <cstdint>
#include <string>

#include "tags/id3_info.h"
#include "tags/mp3_content.h"

namespace tagwright {

inline constexpr const char* kRenameFailedMessage = "Error renaming file. Is it a duplicate or read-only?";
inline constexpr const char* kNameTakenMessage = "A file with that name already exists.";
inline constexpr const char* kNotWritableReason = "file cannot be written to";
inline constexpr const char* kNothingToChangeReason = "nothing to change";
// The start of the reason a file that is no MP3 is left alone; NotMp3Reason says what it holds.
inline constexpr const char* kNotMp3Reason = "not an MP3 file";
inline constexpr const char* kTypedNameRefusedReason = "a file name must not be empty, start with \".\" or hold \"/\"";
inline constexpr const char* kChangedSinceReadReason = "the file changed since it was read";

// How a change takes the file away: into the desktop's trash, from where an undo brings it back
// (NewFileName is its place there), or for good, where the file has no trash.
enum class TRemoval : std::uint8_t { None, IntoTrash, ForGood };

struct TSongChange {
  bool WriteTags = false;
  TID3Info Tags;            // the values written when WriteTags is set
  TPictureChange Pictures;  // what the tag write does to the pictures (by default, keeps them)
  std::string NewFileName;  // the new full path; empty when the file keeps its name
  // A new name that another file already has is refused with kNameTakenMessage before anything is
  // done (a change of letter case only is no clash).
  bool RefuseTakenName = false;
  // The new name's folders that do not exist yet are made for it (below the song's folder).
  bool MakesFolders = false;
  TRemoval Removal = TRemoval::None;
  std::string Skip;     // why nothing is done, when the song is passed over quietly
  std::string Refusal;  // why nothing is done, when the user must hear of it

  bool DoesNothing() const { return !WriteTags && NewFileName.empty() && Removal == TRemoval::None; }
};

enum class TChangeOutcome { Tagged, Renamed, TaggedAndRenamed, Skipped, Failed };

// "not an MP3 file (its content is a JPEG picture)" and the like.
std::string NotMp3Reason(TContentKind content);
// Whether a song's reason is one of those.
bool IsNotMp3Reason(const std::string& reason);

// "tagged", "renamed", "tagged+renamed", "skipped", "failed".
const char* OutcomeName(TChangeOutcome outcome);

}  // namespace tagwright

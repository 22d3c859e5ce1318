// The plans of the cover command: the songs' tags written as they stand, with a change of their
// pictures (a front cover set from a picture file or from each song's folder, added beside the
// other pictures, removed, or every picture removed). Like every plan they touch no file; the
// pictures they set are read by the planner, once per command or once per folder.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "commands/song_change.h"
#include "tags/id3_info.h"
#include "tags/picture_change.h"
#include "tags/picture_files.h"

namespace tagwright {

inline constexpr const char* kNoFolderCoverReason = "no cover picture in the song's folder";

// What the cover command does: the change of the pictures and, to set or add a front cover, the
// picture file (empty: the picture of each song's folder, as FindFolderCover finds it) and the
// largest picture taken.
struct TCoverInput {
  TPictureAction Action = TPictureAction::Keep;
  std::string PictureFile;
  std::uint64_t Limit = kDefaultPictureLimit;

  bool TakesAPicture() const {
    return Action == TPictureAction::SetFrontCover || Action == TPictureAction::AddFrontCover;
  }
  bool FromFolder() const { return TakesAPicture() && PictureFile.empty(); }
};

// Why the cover command cannot run with input, in words for the user (a picture file that is
// missing, no JPEG or PNG, or too large; no change asked for); empty when it can. Reads no more of
// the picture file than its first bytes.
std::string CoverInputProblem(const TCoverInput& input);

// A picture for the songs, or why they cannot have it: Skip for a folder without a picture,
// Refusal for a picture that cannot be used.
struct TCoverPicture {
  std::shared_ptr<const TPicture> Picture;
  std::string Skip;
  std::string Refusal;
};

// The picture file read for the command (LoadCoverPicture).
TCoverPicture ReadCoverPicture(const std::string& path, std::uint64_t limit);

// The pictures of the songs' folders, each folder's looked for and read at most once.
class TFolderCovers {
 public:
  explicit TFolderCovers(std::uint64_t limit) : limit_(limit) {}
  const TCoverPicture& Of(const std::string& folder);

 private:
  std::uint64_t limit_;
  std::mutex mutex_;  // Of may be asked from any thread
  std::map<std::string, TCoverPicture, std::less<>> folders_;
};

// The song's tags as they stand, written with the pictures changed as action says, picture being
// the front cover to set or add (ignored otherwise).
TSongChange PlanCoverChange(TID3Info tags, TPictureAction action, const TCoverPicture& picture);

}  // namespace tagwright

#include "commands/cover_plans.h"

#include <utility>

#include "tags/id3v2_pictures.h"

namespace tagwright {

std::string CoverInputProblem(const TCoverInput& input) {
  if (input.Action == TPictureAction::Keep) return "no change of the pictures was asked for";
  if (input.Limit == 0 || input.Limit > kLargestPicture) {
    return "the largest picture must be from 1 byte to " + std::to_string(kLargestPicture) + " bytes";
  }
  if (!input.TakesAPicture() || input.FromFolder()) return {};
  TResultOf<std::string> problem = CheckPictureFile(input.PictureFile, input.Limit);
  if (!problem) return problem.Failure().DescribeWithError();
  return std::move(problem.Value());
}

TCoverPicture ReadCoverPicture(const std::string& path, std::uint64_t limit) {
  TCoverPicture cover;
  TResultOf<TLoadedPicture> loaded = LoadCoverPicture(path, limit);
  if (!loaded) {
    cover.Refusal = loaded.Failure().DescribeWithError();
  } else if (!loaded.Value().Problem.empty()) {
    cover.Refusal = std::move(loaded.Value().Problem);
  } else {
    cover.Picture = std::move(loaded.Value().Picture);
  }
  return cover;
}

const TCoverPicture& TFolderCovers::Of(const std::string& folder) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (const auto found = folders_.find(folder); found != folders_.end()) return found->second;
  TCoverPicture cover;
  const std::string file = FindFolderCover(folder);
  if (file.empty()) {
    cover.Skip = kNoFolderCoverReason;
  } else {
    cover = ReadCoverPicture(file, limit_);
  }
  return folders_.emplace(folder, std::move(cover)).first->second;
}

TSongChange PlanCoverChange(TID3Info tags, TPictureAction action, const TCoverPicture& picture) {
  TSongChange change;
  const bool takesAPicture = action == TPictureAction::SetFrontCover || action == TPictureAction::AddFrontCover;
  if (takesAPicture && !picture.Picture) {
    change.Skip = picture.Skip;
    change.Refusal = picture.Refusal;
    return change;
  }
  change.WriteTags = true;
  change.Tags = std::move(tags);
  change.Pictures = {action, takesAPicture ? picture.Picture : nullptr};
  return change;
}

}  // namespace tagwright

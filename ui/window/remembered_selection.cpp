#include "ui/window/remembered_selection.h"

namespace tagwright {

void TRememberedSelection::FollowRenames(const std::map<std::string, std::string>& renamed) {
  const auto now = [&renamed](std::string& file) {
    if (const auto found = renamed.find(file); found != renamed.end()) file = found->second;
  };
  for (std::string& file : Files) now(file);
  now(Current);
}

std::map<std::string, std::string> RenamedSongs(const std::vector<TSongResult>& results) {
  std::map<std::string, std::string> renamed;
  for (const TSongResult& result : results) {
    if (!result.NewFileName.empty() && result.Outcome != TChangeOutcome::Failed &&
        result.Outcome != TChangeOutcome::Skipped) {
      renamed[result.FileName] = result.NewFileName;
    }
  }
  return renamed;
}

}  // namespace tagwright

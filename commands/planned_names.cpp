#include "commands/planned_names.h"

#include <sys/stat.h>

#include <system_error>
#include <utility>

#include "commands/pass_results.h"
#include "commands/song_trash.h"
#include "files/file_access.h"
#include "files/new_folders.h"
#include "files/paths.h"
#include "files/trash.h"
#include "tags/id3_info.h"
#include "text/letters.h"

namespace tagwright {

bool TPlannedNames::Taken(const std::string& path) const {
  if (created_.contains(path)) return true;
  if (vacated_.contains(path)) return false;
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

void TPlannedNames::Rename(const std::string& from, const std::string& to) {
  created_.erase(from);
  vacated_.insert(from);
  vacated_.erase(to);
  created_.insert(to);
}

bool RefusesTakenName(const std::string& fileName, const TSongChange& change, const TPlannedNames& names) {
  return !change.NewFileName.empty() && change.RefuseTakenName &&
         !EqualsIgnoringCase(change.NewFileName, fileName, TLetters::Accented) && names.Taken(change.NewFileName);
}

namespace {

// A dry run's rename: into folders still to be made, what making them would meet.
TResult PredictRenameMakingFolders(const std::string& fileName, const TSongChange& change) {
  const std::vector<std::string> missing =
      change.MakesFolders ? MissingFolders(change.NewFileName) : std::vector<std::string>{};
  if (missing.empty()) return PredictRename(fileName, change.NewFileName);
  if (const std::error_code problem = NewFoldersProblem(missing)) {
    return TResult::Failure(TFailureKind::Rename, fileName, problem);
  }
  return {};
}

}  // namespace

void RenameSong(const std::string& fileName, const TSongChange& change, TPassMode mode, TPlannedNames& names,
                TSongResult& result) {
  TResult renamed;
  if (FileNamePart(change.NewFileName).starts_with('.')) {
    // A name without a stem, or a hidden file, is never made.
    renamed = TResult::Failure(TFailureKind::Rename, fileName, std::make_error_code(std::errc::invalid_argument));
  } else if (mode == TPassMode::Apply) {
    // Folders made for a rename that fails go again.
    const std::vector<std::string> folders =
        change.MakesFolders ? MissingFolders(change.NewFileName) : std::vector<std::string>{};
    renamed = MakeFolders(folders);
    // Into the trash, the song's .trashinfo says where it came from.
    if (renamed) {
      renamed = change.Removal == TRemoval::IntoTrash ? RenameKeepingTrash(fileName, change.NewFileName)
                                                      : RenameWithoutReplacing(fileName, change.NewFileName);
    }
    if (!renamed) RemoveEmptyFolders(folders);
  } else if (names.Taken(change.NewFileName)) {
    renamed = TResult::Failure(TFailureKind::Rename, fileName, std::make_error_code(std::errc::file_exists));
  } else if (renamed = PredictRenameMakingFolders(fileName, change); renamed) {
    names.Rename(fileName, change.NewFileName);
  }
  if (!renamed) {
    result.Outcome = TChangeOutcome::Failed;
    result.NewFileName.clear();
    // A song that could not go to the trash says why in the trash's words.
    result.OwnReason =
        change.Removal == TRemoval::IntoTrash ? TrashFailureText(renamed, fileName) : kRenameFailedMessage;
    result.Failure = std::move(renamed);
  }
}

void DeleteForGood(const std::string& fileName, TPassMode mode, TSongResult& result) {
  if (mode == TPassMode::DryRun) return;
  if (TResult deleted = DeleteSongFile(fileName); !deleted) {
    result.Outcome = TChangeOutcome::Failed;
    result.Failure = std::move(deleted);
  }
}

}  // namespace tagwright

#include "commands/song_trash.h"

#include <system_error>

#include "files/trash.h"

namespace tagwright {

namespace {

std::string WhyNotInTheTrash(const TResult& failure, const std::string& fileName) {
  if (failure.Error() == std::errc::no_such_device) return "no trash was found";
  // The trash's folders are made where they are missing (see PlanTrashMove).
  if (failure.Kind() == TFailureKind::Rename && failure.Path() != fileName) return "the trash folder cannot be made";
  if (!failure.Error()) return failure.Describe();
  return failure.Error().message();
}

}  // namespace

TSongChange PlanRemoval(const std::string& fileName, TRemoval agreed) {
  TSongChange change;
  change.Removal = agreed;
  if (agreed != TRemoval::IntoTrash) return change;
  TResultOf<TTrashMove> move = PlanTrashMove(fileName);
  if (move) {
    change.NewFileName = move.Value().FilesPath;
  } else {
    change.Removal = TRemoval::None;
    change.Refusal = TrashFailureText(move.Failure(), fileName);
  }
  return change;
}

std::string TrashFailureText(const TResult& failure, const std::string& fileName) {
  return "Cannot move file " + fileName + " to the trash: " + WhyNotInTheTrash(failure, fileName);
}

std::string RemovalFailureText(const TSongResult& result, TRemoval agreed) {
  if (!result.OwnReason.empty()) return result.OwnReason;
  if (agreed == TRemoval::IntoTrash) return TrashFailureText(result.Failure, result.FileName);
  return result.Failure.Describe() + ": " + result.Failure.Error().message();
}

}  // namespace tagwright

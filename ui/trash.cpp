#include "ui/trash.h"

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

std::string TrashFailureText(const TResult& failure, const std::string& fileName) {
  return "Cannot move file " + fileName + " to the trash: " + WhyNotInTheTrash(failure, fileName);
}

}  // namespace tagwright

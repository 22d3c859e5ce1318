#include "history/record_checks.h"

namespace tagwright {

namespace {

// Folds a field into a record's check.
void AddToCheck(std::string& key, std::int64_t value) {
  key.append(reinterpret_cast<const char*>(&value), sizeof value);
}
void AddToCheck(std::string& key, std::string_view text) {
  AddToCheck(key, static_cast<std::int64_t>(text.size()));
  key.append(text);
}

}  // namespace

std::int64_t BeforeCheck(const TFileChange& change, std::uint64_t headHash, std::uint64_t tailHash) {
  std::string key;
  AddToCheck(key, change.PathBefore);
  AddToCheck(key, change.TagWritten ? 1 : 0);
  AddToCheck(key, change.Before.MiddleSize);
  AddToCheck(key, change.Before.Whole ? 1 : 0);
  AddToCheck(key, change.Before.Size);
  AddToCheck(key, static_cast<std::int64_t>(change.ModeBefore));
  AddToCheck(key, static_cast<std::int64_t>(headHash));
  AddToCheck(key, static_cast<std::int64_t>(tailHash));
  AddToCheck(key, change.UndoesRecord);
  return static_cast<std::int64_t>(HashTagBytes(key, THashForm::Striped));
}

std::int64_t AfterCheck(const std::string& pathAfter, const TFileAfter& after) {
  std::string key;
  AddToCheck(key, pathAfter);
  AddToCheck(key, after.Size);
  AddToCheck(key, after.HeadSize);
  AddToCheck(key, static_cast<std::int64_t>(after.HeadHash));
  AddToCheck(key, static_cast<std::int64_t>(after.HashForm));
  AddToCheck(key, after.Tail);
  return static_cast<std::int64_t>(HashTagBytes(key, THashForm::Striped));
}

std::uint64_t HeadHashBefore(const TFileChange& change) {
  return FramedTagHash(change.Before.Head, [&change](std::size_t offset, std::size_t size) -> std::uint64_t {
    for (const TFrameHash& known : change.BeforeFrameHashes) {
      if (known.Offset == offset && known.Size == size) return known.Hash;
    }
    return 0;
  });
}

}  // namespace tagwright

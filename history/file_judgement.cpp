#include "history/file_judgement.h"

#include <algorithm>
#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

#include "files/paths.h"
#include "history/head_recipe.h"
#include "tags/atomic_rewrite.h"
#include "tags/locked_song.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

// The first size bytes of the file at path; false when they cannot be read whole.
bool ReadFirstBytes(const std::string& path, std::string& bytes, std::int64_t size) {
  const int fd = ::open(SongPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bytes.resize(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::pread(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  ::close(fd);
  return done == bytes.size();
}

// Whether the file's tag bytes, read around the middle the change recorded, are as before or as
// after the change.
TResult CompareBytes(const std::string& path, const TFileChange& change, TLook& look) {
  TResultOf<TTagSnapshot> now = ReadTagSnapshotAround(path, change.Before.MiddleSize, change.Before.Whole);
  if (!now) {
    if (now.Failure().Error() == std::errc::invalid_argument) return {};  // too short for its middle: torn
    return now.Failure();
  }
  const TTagSnapshot& bytes = now.Value();
  look.AsBefore =
      look.Info.st_size == change.Before.Size && bytes.Tail == change.Before.Tail && HeadAsBefore(bytes.Head, change);
  const TFileAfter& after = change.After;
  look.AsAfter = (change.Done || change.AfterForeseen) && look.Info.st_size == after.Size &&
                 static_cast<std::int64_t>(bytes.Head.size()) == after.HeadSize && bytes.Tail == after.Tail &&
                 HashTagBytes(bytes.Head, after.HashForm) == after.HeadHash;
  return {};
}

// The file at path as the change sees it; a failure when it is there but cannot be read.
TResultOf<TLook> Look(const std::string& path, const TFileChange& change) {
  TLook look;
  if (::stat(path.c_str(), &look.Info) != 0) {
    if (errno == ENOENT) return look;
    return TResult::FromErrno(TFailureKind::Open, path);
  }
  look.Exists = true;
  if (!S_ISREG(look.Info.st_mode)) return look;
  if (!change.TagWritten) {
    // A rename keeps the bytes: where the file is tells.
    look.AsBefore = path == change.PathBefore;
    look.AsAfter = path == change.PathAfter;
    return look;
  }
  if (TResult compared = CompareBytes(path, change, look); !compared) return compared;
  return look;
}

TJudgement JudgeLooks(const TFileChange& change, const TLook& old, const TLook& after) {
  const bool renamed = change.PathAfter != change.PathBefore;
  if (!change.TagWritten && renamed && old.Exists && after.Exists && SameFile(old.Info, after.Info)) {
    return {TFound::Torn, change.PathBefore, old};  // a rename between its two steps
  }
  if (renamed && after.Exists && after.AsAfter && (change.TagWritten || !old.Exists)) {
    return {TFound::After, change.PathAfter, after};
  }
  if (old.Exists && old.AsBefore) return {TFound::Before, change.PathBefore, old};
  if (old.Exists && old.AsAfter) return {TFound::After, change.PathBefore, old};
  if (old.Exists) return {TFound::Torn, change.PathBefore, old};
  if (renamed && after.Exists) return {TFound::Torn, change.PathAfter, after};
  return {};
}

}  // namespace

bool HeadAsBefore(std::string_view head, const TFileChange& change) {
  if (change.BeforeRecipe.empty()) return head == change.Before.Head;
  return static_cast<std::int64_t>(head.size()) == change.BeforeHeadSize &&
         FramedTagHash(head) == change.BeforeHeadHash;
}

bool StillAsBeforeRecord(const std::string& path, const TFileChange& change) {
  if (change.BeforeRecipe.empty()) return StillAsBefore(path, change.Before);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != change.Before.Size) return false;
  TResultOf<TTagSnapshot> now = ReadTagSnapshotAround(path, change.Before.MiddleSize, change.Before.Whole);
  return now && HeadAsBefore(now.Value().Head, change) && now.Value().Tail == change.Before.Tail;
}

bool ResolveBeforeHead(TFileChange& change, std::string_view headNow) {
  if (change.BeforeRecipe.empty()) return true;
  std::optional<std::string> head = DecodeRecipeAfter(change.BeforeRecipe, headNow);
  if (!head || !HeadAsBefore(*head, change)) return false;
  change.Before.Head = std::move(*head);
  change.BeforeRecipe.clear();
  return true;
}

TResult ResolveBeforeHeadFrom(TFileChange& change, const std::string& path, std::int64_t headSize) {
  if (change.BeforeRecipe.empty()) return {};
  std::string head;
  if (!ReadFirstBytes(path, head, headSize) || !ResolveBeforeHead(change, head)) {
    return TResult::Failure(TFailureKind::Read, path, std::make_error_code(std::errc::illegal_byte_sequence));
  }
  return {};
}

bool Exists(const std::string& path, struct stat& info) { return ::lstat(path.c_str(), &info) == 0; }

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

bool OldNameFree(const std::string& path, const std::string& oldPath) {
  if (path == oldPath) return true;
  struct stat old {};
  if (!Exists(oldPath, old)) return true;
  struct stat now {};
  return EqualsIgnoringAsciiCase(path, oldPath) && Exists(path, now) && SameFile(now, old);
}

TResultOf<TJudgement> Judge(const TFileChange& change) {
  TResultOf<TLook> before = Look(change.PathBefore, change);
  if (!before) return before.Failure();
  TLook after;
  if (change.PathAfter != change.PathBefore) {
    TResultOf<TLook> looked = Look(change.PathAfter, change);
    if (!looked) return looked.Failure();
    after = looked.Value();
  }
  return JudgeLooks(change, before.Value(), after);
}

bool OwnTemporaryFile(const TFileChange& change, const std::string& songPath, const struct stat& song) {
  const std::string& name = change.TemporaryName;
  if (name.empty()) return false;
  const auto besideSong = [&name](const std::string& path) { return IsTemporaryNameBeside(path, name); };
  if (!besideSong(change.PathBefore) && !besideSong(change.PathAfter) && !besideSong(SongPath(songPath))) return false;
  struct stat temporary {};
  return ::lstat(name.c_str(), &temporary) == 0 && S_ISREG(temporary.st_mode) && !SameFile(temporary, song) &&
         ModifiedNs(temporary) >= change.RecordedNs - std::int64_t{2'000'000'000};
}

}  // namespace tagwright

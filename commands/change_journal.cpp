#include "commands/change_journal.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>

#include <sys/stat.h>

#include "tags/atomic_rewrite.h"
#include "tags/locked_song.h"

namespace tagwright {

namespace {

// The name the atomic rewrite would give its new file beside the song: the first free one of
// "name~", "name~1", "name~2"...
std::string ForeseenTemporaryName(const std::string& path) {
  const std::string song = SongPath(path);
  for (int attempt = 0; attempt < kMaxTemporaryNames; ++attempt) {
    std::string name = TemporaryNameBeside(song, attempt);
    struct stat info {};
    if (::lstat(name.c_str(), &info) != 0 && errno == ENOENT) return name;
  }
  return {};
}

}  // namespace

std::int64_t ModifiedNs(const struct stat& info) {
  return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

TResultOf<TFileChange> CaptureBefore(const std::string& path, const std::string& newPath, bool writesTag) {
  TFileChange change;
  change.PathBefore = path;
  change.PathAfter = newPath.empty() ? path : newPath;
  change.TagWritten = writesTag;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, path);
  change.ModeBefore = info.st_mode & 07777;
  TResultOf<TTagSnapshot> snapshot = ReadTagSnapshot(path);
  if (!snapshot) return snapshot.Failure();
  change.Before = std::move(snapshot.Value());
  if (writesTag) {
    change.TemporaryName = ForeseenTemporaryName(path);
  } else {
    // A rename keeps the bytes: only the form of the file is needed to recognise it later.
    change.Before.Head.clear();
    change.Before.Tail.clear();
  }
  change.RecordedNs = NowNs();
  return change;
}

TResultOf<TFileAfter> CaptureAfter(const std::string& path, const TFileChange& change) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, path);
  TResultOf<TTagSnapshot> snapshot = ReadTagSnapshotAround(path, change.Before.MiddleSize, change.Before.Whole);
  if (!snapshot) return snapshot.Failure();
  TFileAfter after;
  after.Size = info.st_size;
  after.ModifiedNs = ModifiedNs(info);
  after.HeadSize = static_cast<std::int64_t>(snapshot.Value().Head.size());
  after.HeadHash = HashTagBytes(snapshot.Value().Head);
  after.Tail = std::move(snapshot.Value().Tail);
  after.Mode = info.st_mode & 07777;
  return after;
}

TChangeRecording::~TChangeRecording() { StopObserving(); }

void TChangeRecording::StopObserving() {
  if (observing_) (void)SetNewFileObserver(std::move(previousObserver_));
  observing_ = false;
}

TResult TChangeRecording::Begin(TFileChange change) {
  if (!journal_) return {};
  change_ = std::move(change);
  TResultOf<std::int64_t> recorded = journal_->RecordBefore(change_);
  if (!recorded) return recorded.Failure();
  record_ = recorded.Value();
  previousObserver_ = SetNewFileObserver([this](const std::string& name) {
    // Failing to record it leaves at worst a file to clean up by hand after a crash; the write goes on.
    if (name != change_.TemporaryName) (void)journal_->RecordTemporaryName(record_, name);
  });
  observing_ = true;
  return {};
}

void TChangeRecording::Finish(const std::string& pathAfter) {
  if (!journal_ || record_ == 0) return;
  StopObserving();
  TResultOf<TFileAfter> after = CaptureAfter(pathAfter, change_);
  // Unrecorded, the after state is judged from the file's bytes later (see Finish's comment).
  if (after) (void)journal_->RecordAfter(record_, pathAfter, after.Value());
}

bool StillAsAfter(const std::string& path, const TFileChange& change) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (info.st_size != change.After.Size) return false;
  TResultOf<TTagSnapshot> snapshot = ReadTagSnapshotAround(path, change.Before.MiddleSize, change.Before.Whole);
  if (!snapshot) return false;
  return static_cast<std::int64_t>(snapshot.Value().Head.size()) == change.After.HeadSize &&
         HashTagBytes(snapshot.Value().Head) == change.After.HeadHash && snapshot.Value().Tail == change.After.Tail;
}

}  // namespace tagwright

#include "commands/change_journal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>

#include "tags/atomic_rewrite.h"
#include "tags/byte_differences.h"
#include "tags/byte_source.h"
#include "tags/locked_song.h"

namespace tagwright {

namespace {

// The name the atomic rewrite would give its new file beside the song (links followed): the first
// one of "name~", "name~1", "name~2"... that taken does not say is taken.
template <typename Taken>
std::string FirstFreeTemporaryName(const std::string& song, Taken taken) {
  for (int attempt = 0; attempt < kMaxTemporaryNames; ++attempt) {
    std::string name = TemporaryNameBeside(song, attempt);
    if (!taken(name)) return name;
  }
  return {};
}

// Asked of the file system name by name.
std::string ForeseenTemporaryName(const std::string& song) {
  return FirstFreeTemporaryName(song, [](const std::string& name) {
    struct stat info {};
    return ::lstat(name.c_str(), &info) == 0 || errno != ENOENT;
  });
}

// The names of the entries of a folder; nothing when it cannot be read.
std::optional<std::unordered_set<std::string>> NamesIn(const std::string& folder) {
  DIR* listing = ::opendir(folder.c_str());
  if (!listing) return std::nullopt;
  std::unordered_set<std::string> names;
  while (true) {
    errno = 0;  // tells the end of the listing from a failure
    const dirent* entry = ::readdir(listing);
    if (!entry) break;
    names.emplace(entry->d_name);
  }
  const bool whole = errno == 0;
  ::closedir(listing);
  if (!whole) return std::nullopt;
  return names;
}

}  // namespace

std::int64_t ModifiedNs(const struct stat& info) {
  return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

TResultOf<std::int64_t> TChangeJournal::RecordBefore(TFileChange& change) {
  std::vector<TFileChange> changes(1);
  changes.front() = std::move(change);
  TResultOf<std::vector<std::int64_t>> records = RecordBatch(changes);
  change = std::move(changes.front());
  if (!records) return records.Failure();
  return records.Value().front();
}

TResultOf<TFileChange> CaptureBefore(const std::string& path, const std::string& newPath, bool writesTag) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, path);
  TResultOf<TTagSnapshot> snapshot = ReadTagSnapshot(path);
  if (!snapshot) return snapshot.Failure();
  TFileChange change = ChangeFromSnapshot(path, newPath, writesTag, std::move(snapshot.Value()), info.st_mode);
  ForeseeTemporaryName(change, SongPath(path));
  return change;
}

void ForeseeTemporaryName(TFileChange& change, const std::string& songPath) {
  if (change.TagWritten) change.TemporaryName = ForeseenTemporaryName(songPath);
}

const std::unordered_set<std::string>* TFolderNames::Of(const std::string& folder) {
  auto [known, added] = folders_.try_emplace(folder);
  if (added) known->second = NamesIn(folder);
  return known->second ? &*known->second : nullptr;
}

void ForeseeTemporaryNames(std::vector<TFileChange>& changes, const std::vector<std::string>& songPaths,
                           TFolderNames& folders) {
  for (std::size_t i = 0; i < changes.size() && i < songPaths.size(); ++i) {
    if (!changes[i].TagWritten) continue;
    const std::string& song = songPaths[i];
    const std::size_t slash = song.rfind('/');
    // The folder with its slash, so that "/" stays itself.
    const std::unordered_set<std::string>* names =
        slash == std::string::npos ? nullptr : folders.Of(song.substr(0, slash + 1));
    if (!names) {
      ForeseeTemporaryName(changes[i], song);  // asked name by name
      continue;
    }
    changes[i].TemporaryName = FirstFreeTemporaryName(
        song, [&](const std::string& name) { return names->count(name.substr(slash + 1)) != 0; });
  }
}

TFileChange ChangeFromSnapshot(const std::string& path, const std::string& newPath, bool writesTag,
                               TTagSnapshot snapshot, mode_t mode) {
  TFileChange change;
  change.PathBefore = path;
  change.PathAfter = newPath.empty() ? path : newPath;
  change.TagWritten = writesTag;
  change.ModeBefore = mode & 07777;
  change.Before = std::move(snapshot);
  if (!writesTag) {
    // A rename keeps the bytes: only the form of the file is needed to recognise it later.
    change.Before.Head.clear();
    change.Before.Tail.clear();
  }
  change.RecordedNs = NowNs();
  return change;
}

namespace {

// The file that info describes, whose head is head; its tail is still to be filled in.
TFileAfter AfterOf(const struct stat& info, std::string_view head, const TKnownFrameHash& knownFrame = nullptr) {
  TFileAfter after;
  after.Size = info.st_size;
  after.ModifiedNs = ModifiedNs(info);
  after.HeadSize = static_cast<std::int64_t>(head.size());
  after.HashForm = THashForm::Framed;
  after.HeadHash = FramedTagHash(head, knownFrame);
  after.Mode = info.st_mode & 07777;
  return after;
}

}  // namespace

TResultOf<TFileAfter> CaptureAfter(const std::string& path, const TFileChange& change) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, path);
  TResultOf<TTagSnapshot> snapshot = ReadTagSnapshotAround(path, change.Before.MiddleSize, change.Before.Whole);
  if (!snapshot) return snapshot.Failure();
  TFileAfter after = AfterOf(info, snapshot.Value().Head);
  after.Tail = std::move(snapshot.Value().Tail);
  return after;
}

TResultOf<TFileAfter> CaptureAfter(int fd, const TWrittenTags& written, const TFileChange& change,
                                   const std::string& fileName) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return TResult::FromErrno(TFailureKind::Open, fileName);
  const std::string_view head = written.Head;
  const std::string_view trailer = written.Trailer;
  const std::int64_t tailFrom = static_cast<std::int64_t>(head.size()) + change.Before.MiddleSize;
  if (change.Before.Whole || tailFrom > info.st_size) return CaptureAfter(fileName, change);
  // Hashed at once, while the head is fresh in memory, so that it need not be kept.
  TFileAfter after = AfterOf(info, head, CopiedFrameHashes(written.CopiedFrames, change.BeforeFrameHashes));
  const auto tailSize = static_cast<std::size_t>(info.st_size - tailFrom);
  if (tailSize == trailer.size()) {
    after.Tail = trailer;  // just written: the file's last bytes
    return after;
  }
  after.Tail.resize(tailSize);
  TDescriptorSource file(fd, info.st_size);
  errno = 0;
  if (file.ReadAt(tailFrom, after.Tail.data(), tailSize) != static_cast<std::int64_t>(tailSize)) {
    return TResult::Failure(TFailureKind::Read, fileName,
                            std::error_code(errno != 0 ? errno : EIO, std::generic_category()));
  }
  return after;
}

TResultOf<TFileAfter> ConfirmAfter(int fd, const TWrittenTags& written, const TFileChange& change,
                                   const std::string& fileName) {
  if (!change.AfterForeseen) return CaptureAfter(fd, written, change, fileName);
  struct stat info {};
  if (::fstat(fd, &info) != 0) return TResult::FromErrno(TFailureKind::Open, fileName);
  if (info.st_size != change.After.Size) return CaptureAfter(fd, written, change, fileName);
  TFileAfter after = change.After;
  after.ModifiedNs = ModifiedNs(info);
  after.Mode = info.st_mode & 07777;
  return after;
}

bool StillAsBefore(const std::string& path, const TTagSnapshot& before) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != before.Size) return false;
  TResultOf<TTagSnapshot> now = ReadTagSnapshotAround(path, before.MiddleSize, before.Whole);
  return now && now.Value().Head == before.Head && now.Value().Tail == before.Tail;
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
  Observe();
  return {};
}

void TChangeRecording::Resume(TFileChange change, std::int64_t record) {
  if (!journal_) return;
  change_ = std::move(change);
  record_ = record;
  Observe();
}

void TChangeRecording::Observe() {
  previousObserver_ = SetNewFileObserver([this](const std::string& name) {
    // Failing to record it leaves at worst a file to clean up by hand after a crash; the write goes on.
    if (name != change_.TemporaryName) (void)journal_->RecordTemporaryName(record_, name);
  });
  observing_ = true;
}

void TChangeRecording::Finish(const std::string& pathAfter) {
  if (!journal_ || record_ == 0) return;
  StopObserving();
  TResultOf<TFileAfter> after = CaptureAfter(pathAfter, change_);
  // Unrecorded, the after state is judged from the file's bytes later (see Finish's comment).
  if (after) (void)journal_->RecordAfter(record_, pathAfter, std::move(after.Value()));
}

void TChangeRecording::FinishAsForeseen(const std::string& pathAfter) {
  struct stat info {};
  if (!change_.AfterForeseen || !change_.TagWritten || ::stat(pathAfter.c_str(), &info) != 0 ||
      !S_ISREG(info.st_mode) || info.st_size != change_.After.Size) {
    return Finish(pathAfter);
  }
  TFileAfter after = change_.After;
  after.ModifiedNs = ModifiedNs(info);
  after.Mode = info.st_mode & 07777;
  Finish(pathAfter, std::move(after));
}

void TChangeRecording::Finish(const std::string& pathAfter, TFileAfter after) {
  if (!journal_ || record_ == 0) return;
  StopObserving();
  (void)journal_->RecordAfter(record_, pathAfter, std::move(after));  // unrecorded, it is judged from the file later
}

TKnownFrameHash CopiedFrameHashes(const std::vector<TCopiedFrame>& copied, const std::vector<TFrameHash>& known) {
  // A frame taken over from the old tag has the hash the old one had, when that is known.
  return [&copied, &known](std::size_t offset, std::size_t size) -> std::uint64_t {
    for (const TCopiedFrame& frame : copied) {
      if (frame.To != offset || frame.Size != size) continue;
      for (const TFrameHash& hash : known) {
        if (hash.Offset == frame.From && hash.Size == size) return hash.Hash;
      }
    }
    return 0;
  };
}

std::vector<TCopiedFrame> KeptStretches(const TTagSnapshot& before, const TComposedTags& composed) {
  std::vector<TCopiedFrame> kept;
  const std::size_t headSize = before.Head.size();
  if (before.Whole || composed.KeepFrom != static_cast<std::int64_t>(headSize)) return kept;
  if (!composed.InPlace) {
    // A rewrite: the new file is whole before it takes the song's place, frames taken over included.
    for (const TCopiedFrame& frame : composed.Tags.CopiedFrames) {
      if (frame.From + frame.Size <= headSize) kept.push_back(frame);
    }
    std::sort(kept.begin(), kept.end(), [](const TCopiedFrame& a, const TCopiedFrame& b) { return a.From < b.From; });
    return kept;
  }
  // In place: what lies between the stretches written is never touched, whenever the write stops.
  if (composed.Tags.Head.size() != headSize) return kept;
  std::size_t at = 0;
  for (const TByteSpan& changed : composed.Changed) {
    if (changed.Offset > at) kept.push_back({at, at, changed.Offset - at});
    at = std::max(at, changed.Offset + changed.Size);
  }
  if (headSize > at) kept.push_back({at, at, headSize - at});
  return kept;
}

namespace {

// Frames this large that a write in place moves are named by their old place rather than kept again.
constexpr std::size_t kMovedFrameSize = 1024;

// The stretches of head that differ from the old tag before, with their bytes; a frame moved (from
// its place in before to its place in head) that lies whole in one is named by its old place.
std::vector<TNewBytes> StretchesNamingMoves(std::string_view head, std::string_view before,
                                            const std::vector<TByteSpan>& changed, std::vector<TCopiedFrame> moved) {
  std::sort(moved.begin(), moved.end(), [](const TCopiedFrame& a, const TCopiedFrame& b) { return a.To < b.To; });
  std::vector<TNewBytes> stretches;
  const auto ownBytes = [&](std::size_t from, std::size_t to) {
    if (to > from) stretches.push_back({from, std::string(head.substr(from, to - from))});
  };
  for (const TByteSpan& span : changed) {
    if (span.Offset >= head.size()) break;
    const std::size_t end = std::min(head.size(), span.Offset + span.Size);
    std::size_t at = span.Offset;
    for (const TCopiedFrame& frame : moved) {
      if (frame.To < at || frame.To + frame.Size > end || frame.From + frame.Size > before.size() ||
          head.substr(frame.To, frame.Size) != before.substr(frame.From, frame.Size)) {
        continue;
      }
      ownBytes(at, frame.To);
      stretches.push_back({frame.To, {}, static_cast<std::int64_t>(frame.From), frame.Size});
      at = frame.To + frame.Size;
    }
    ownBytes(at, end);
  }
  return stretches;
}

// Differences a few equal bytes apart make one stretch of new bytes: each costs its place in the
// record.
constexpr std::size_t kEqualRunBetweenNewBytes = 32;

}  // namespace

std::vector<TNewBytes> NewBytesInPlace(const TComposedTags& composed, std::string_view before) {
  std::vector<TCopiedFrame> moved;
  for (const TCopiedFrame& frame : composed.Tags.CopiedFrames) {
    if (frame.Size >= kMovedFrameSize && frame.From != frame.To) moved.push_back(frame);
  }
  return StretchesNamingMoves(composed.Tags.Head, before, composed.Changed, std::move(moved));
}

std::vector<TNewBytes> DifferingBytes(std::string_view before, std::string_view after) {
  std::vector<TNewBytes> stretches;
  for (const TByteSpan& span : DifferingSpans(before, after, kEqualRunBetweenNewBytes)) {
    stretches.push_back({span.Offset, std::string(after.substr(span.Offset, span.Size))});
  }
  return stretches;
}

std::vector<TNewBytes> BytesPuttingBack(std::string_view now, std::string_view old) {
  // The large frames of the old tag that the tag now holds elsewhere: found by their first bytes.
  std::vector<TCopiedFrame> moved;
  for (const TByteSpan& frame : LargeFrameSpans(old, kMovedFrameSize)) {
    const std::string_view bytes = old.substr(frame.Offset, frame.Size);
    const std::size_t found = now.find(bytes.substr(0, 64));
    if (found != std::string_view::npos && found != frame.Offset && now.substr(found, frame.Size) == bytes) {
      moved.push_back({found, frame.Offset, frame.Size});
    }
  }
  return StretchesNamingMoves(old, now, DifferingSpans(old, now, kEqualRunBetweenNewBytes), std::move(moved));
}

std::optional<TFileAfter> ForeseeAfter(const TTagSnapshot& before, const TComposedTags& composed,
                                       const TKnownFrameHash& knownFrame) {
  const std::string& head = composed.Tags.Head;
  const std::string& trailer = composed.Tags.Trailer;
  TFileAfter after;
  after.HashForm = THashForm::Framed;
  if (!before.Whole) {
    // The new tag, the middle as it was, and the trailer (overwritten or appended).
    if (composed.KeepFrom != static_cast<std::int64_t>(before.Head.size())) return std::nullopt;
    after.HeadSize = static_cast<std::int64_t>(head.size());
    after.HeadHash = FramedTagHash(head, knownFrame);
    after.Tail = trailer;
    after.Size = after.HeadSize + before.MiddleSize + static_cast<std::int64_t>(trailer.size());
    return after;
  }
  // A small file is seen whole: the new tag, what follows the old one, and the trailer, which
  // goes over the last 128 bytes when they are one (and not part of the new tag).
  if (composed.KeepFrom > static_cast<std::int64_t>(before.Head.size())) return std::nullopt;
  std::string whole = head;
  whole.append(before.Head, static_cast<std::size_t>(composed.KeepFrom));
  if (whole.size() > trailer.size() && whole.size() - trailer.size() >= head.size() &&
      std::string_view(whole).substr(whole.size() - trailer.size()).starts_with("TAG")) {
    whole.resize(whole.size() - trailer.size());
  }
  whole += trailer;
  after.HeadSize = static_cast<std::int64_t>(whole.size());
  after.HeadHash = FramedTagHash(whole);
  after.Size = after.HeadSize;
  return after;
}

bool StillAsAfter(const std::string& path, const TFileChange& change, TTagSnapshot* seen) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (info.st_size != change.After.Size) return false;
  TResultOf<TTagSnapshot> snapshot = ReadTagSnapshotAround(path, change.Before.MiddleSize, change.Before.Whole);
  if (!snapshot) return false;
  const bool asAfter = static_cast<std::int64_t>(snapshot.Value().Head.size()) == change.After.HeadSize &&
                       HashTagBytes(snapshot.Value().Head, change.After.HashForm) == change.After.HeadHash &&
                       snapshot.Value().Tail == change.After.Tail;
  if (asAfter && seen != nullptr) *seen = std::move(snapshot.Value());
  return asAfter;
}

TResult TChangeJournal::RecordNoneMade(const std::vector<std::int64_t>& records) {
  for (const std::int64_t record : records) {
    if (TResult given = RecordNotMade(record); !given) return given;
  }
  return {};
}

}  // namespace tagwright

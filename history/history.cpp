#include "history/history.h"

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "history/history_internals.h"
#include "history/layout.h"

namespace tagwright {

const char* ProgramName(TProgram program) { return program == TProgram::Window ? "window" : "cli"; }

std::string DefaultHistoryPath() {
  if (const char* chosen = std::getenv("TAGWRIGHT_HISTORY"); chosen && *chosen) return chosen;
  std::filesystem::path state;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/') {
    state = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
    state = std::filesystem::path(home) / ".local" / "state";
  } else {
    return {};
  }
  return (state / "tagwright" / "history.sqlite3").string();
}

std::string DroppedForRoomMessage(std::int64_t dropped) {
  return std::to_string(dropped) + " older entries were dropped from the history to make room for this command's";
}

std::string IsoTime(std::int64_t timeNs) {
  const std::time_t seconds = static_cast<std::time_t>(timeNs / 1'000'000'000);
  std::tm parts{};
  gmtime_r(&seconds, &parts);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

namespace {

class TNotRegularCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "history"; }
  std::string message(int /*condition*/) const override { return "not a regular file"; }
};

std::error_code NotRegularFile() {
  static const TNotRegularCategory category;
  return {1, category};
}

// Whether the history and the files beside it (its log, shared index and lock) can be written or
// made: the reason, when they cannot, is the system's (permission, read-only file system), not
// the vaguer one SQLite would give later.
TResult CheckWritable(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  for (const char* suffix : {"", "-wal", "-shm", ".lock", kPieceFileSuffix}) {
    const std::string file = path + suffix;
    const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd >= 0) {
      ::close(fd);
      continue;
    }
    if (errno != ENOENT) return TResult::FromErrno(TFailureKind::Open, file);
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0) {
      return TResult::FromErrno(TFailureKind::Write, folder.empty() ? "." : folder);
    }
  }
  return {};
}

// The history's folder made when needed, and the history and the files beside it writable.
TResult PrepareToWrite(const std::string& path) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  if (error) return TResult::Failure(TFailureKind::Open, path, error);
  return CheckWritable(path);
}

}  // namespace

THistory::THistory(const std::string& path) : internals_(std::make_unique<THistoryInternals>(path)) {}

THistory::~THistory() = default;

const std::string& THistory::Path() const { return internals_->Database.Path(); }

void THistory::SetBusyTimeout(int milliseconds) { internals_->Database.SetBusyTimeout(milliseconds); }

std::unique_ptr<THistoryRecorder> THistory::StartEntry(TProgram program, const std::string& command,
                                                       std::int64_t undoes) {
  return std::make_unique<THistoryRecorder>(*this, program, command, undoes);
}

TResultOf<std::unique_ptr<THistory>> THistory::Open(const std::string& path, THistoryAccess access) {
  if (path.empty()) {
    return TResult::Failure(TFailureKind::Open, path, std::make_error_code(std::errc::no_such_file_or_directory));
  }
  std::unique_ptr<THistory> history(new THistory(path));
  // Only a regular file can be a history: SQLite would write its journal beside a device, and
  // say "no such file" of a folder.
  struct stat info {};
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) return TResult::FromErrno(TFailureKind::Open, path);
  if (exists && !S_ISREG(info.st_mode)) return TResult::Failure(TFailureKind::Open, path, NotRegularFile());
  if (access == THistoryAccess::ReadOnly) {
    if (!exists) return std::unique_ptr<THistory>();
    TResultOf<bool> laidOut = OpenToRead(history->internals_->Database);
    if (!laidOut) return laidOut.Failure();
    if (!laidOut.Value()) return std::unique_ptr<THistory>();
    history->internals_->Live.OpenToRead(path);
    if (TResult opened = history->internals_->Pieces.OpenFile(path + kPieceFileSuffix, false); !opened) return opened;
    return history;
  }
  if (TResult prepared = PrepareToWrite(path); !prepared) return prepared;
  if (TResult opened = history->OpenToWrite(exists); !opened) return opened;
  return history;
}

TResult THistory::OpenToWrite(bool existed) {
  THistoryInternals& internals = *internals_;
  if (TResult opened = OpenLaidOut(internals.Database); !opened) {
    if (!internals.Database.Damaged()) return opened;
    if (TResult afresh = StartAfresh(); !afresh) return afresh;
  }
  if (TResult locked = internals.Live.OpenToWrite(Path()); !locked) return locked;
  if (TResult opened = internals.Pieces.OpenFile(Path() + kPieceFileSuffix, true); !opened) return opened;
  if (notices_.empty()) {
    CheckNothingLost(existed);
  } else {
    internals.Live.NoteRecorded(0);  // a new history was begun, and said so
  }
  return {};
}

TResult THistory::StartAfresh() {
  // A damaged file: kept aside for whoever wants to look at it, and a new history begun.
  const std::string& path = Path();
  internals_->ChangeQuery.reset();
  internals_->Database.Close();
  const std::string aside = path + ".damaged-" + std::to_string(NowNs() / 1'000'000'000);
  if (::rename(path.c_str(), aside.c_str()) != 0) return TResult::FromErrno(TFailureKind::Rename, path);
  for (const char* suffix : {"-wal", "-shm"}) ::unlink((path + suffix).c_str());
  // The pieces its records named go with it (a history without them has none).
  (void)::rename((path + kPieceFileSuffix).c_str(), (aside + kPieceFileSuffix).c_str());
  notices_.push_back("The history file " + path + " was damaged; it was moved to " + aside +
                     " and a new history was started.");
  return OpenLaidOut(internals_->Database);
}

void THistory::CheckNothingLost(bool existed) {
  THistoryInternals& internals = *internals_;
  const std::optional<std::int64_t> noted = internals.Live.NotedRecord();
  if (!noted) return;
  // Read after the number, so that a record committed meanwhile by another program is seen.
  TStatement newest(internals.Database.Handle(), "SELECT seq FROM sqlite_sequence WHERE name = 'changes'");
  const int code = newest.Step();
  if (code != SQLITE_ROW && code != SQLITE_DONE) return;
  const std::int64_t kept = code == SQLITE_ROW ? newest.Int(0) : 0;
  if (*noted <= kept) return;
  const std::string& path = Path();
  if (!existed) {
    notices_.push_back("The history file " + path + " was missing: a new history was started, and the changes " +
                       "recorded before cannot be undone.");
  } else {
    // What is left of the log is kept for whoever wants to look at it.
    const std::string log = path + "-wal";
    const std::string aside = log + ".damaged-" + std::to_string(NowNs() / 1'000'000'000);
    std::error_code error;
    std::filesystem::copy_file(log, aside, error);
    notices_.push_back("The history's log " + log + " was damaged or lost: the records of the last " +
                       std::to_string(*noted - kept) + " change(s) are gone and cannot be undone" +
                       (error ? std::string(".") : "; what was left of it was copied to " + aside + "."));
  }
  internals.Live.NoteRecorded(kept);  // said once
}

}  // namespace tagwright

// The lock file beside the history ("history.sqlite3.lock"): a program holds a lock on one byte of
// it for each entry it has in progress, so that another program never takes that entry for one a
// crash left unfinished; its first bytes note the newest record committed, so that records lost
// with the history's log, or with the history itself, are noticed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "files/result.h"

namespace tagwright {

class TLiveLock {
 public:
  TLiveLock() = default;
  ~TLiveLock();
  TLiveLock(const TLiveLock&) = delete;
  TLiveLock& operator=(const TLiveLock&) = delete;

  // Opens the lock file of the history at path, making it when needed.
  TResult OpenToWrite(const std::string& historyPath);
  // Opens it to look only; without it no program has ever had an entry in progress.
  void OpenToRead(const std::string& historyPath);

  // Holds, or lets go of, the lock that tells other programs the entry is in progress.
  TResult Lock(std::int64_t entry);
  TResult Unlock(std::int64_t entry);
  // Whether another program holds the entry's lock.
  TResultOf<bool> LockedElsewhere(std::int64_t entry) const;

  // Notes the newest record committed.
  void NoteRecorded(std::int64_t record);
  // The newest record noted, when one can be read.
  std::optional<std::int64_t> NotedRecord() const;

 private:
  TResult SetLock(std::int64_t entry, short type);

  std::string path_;
  int fd_ = -1;
};

}  // namespace tagwright

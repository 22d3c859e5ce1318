// The bytes of the history's shared pieces (pictures, mostly), kept beside its database in a file
// of their own, so that they reach the disk once, in one sequential stream and one flush per batch
// of records, rather than twice through the database's log. The database holds where each piece
// lies. Pieces are only ever added at the end, and only while the database's write lock is held
// (inside a write transaction), so that two programs never write one place; the space of pieces
// no record needs is given back, under the same lock, as holes and by cutting the file short.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

#include "files/result.h"

namespace tagwright {

// The system calls of the piece file, gathered so that tests can make each of them fail, or stop
// the program there: between a piece's write, its flush and the commit of the records naming it.
struct TPieceFileOps {
  std::function<int(const char* path, int flags, mode_t mode)> Open;
  std::function<int(int fd, struct stat* info)> Fstat;
  std::function<ssize_t(int fd, const void* data, size_t size, off_t offset)> PWrite;
  // Sets the disk to work on the bytes (sync_file_range); only a hint.
  std::function<int(int fd, off_t offset, off_t size)> StartWriting;
  std::function<int(int fd)> Fdatasync;
  std::function<ssize_t(int fd, void* data, size_t size, off_t offset)> PRead;
  // Gives back the space of the bytes, the file's size kept (fallocate's hole).
  std::function<int(int fd, off_t offset, off_t size)> PunchHole;
  std::function<int(int fd, off_t size)> Ftruncate;
};

const TPieceFileOps& DefaultPieceFileOps();

// The calls every piece file makes from now on, and those they replace; for tests, while no
// history is open. In the test build, TAGWRIGHT_PIECES_POWER_CUT=N in the environment starts the
// program with calls that cut its power at the Nth flush: the bytes not flushed yet are lost, and
// the program dies.
TPieceFileOps SetPieceFileOps(TPieceFileOps ops);

class TPieceFile {
 public:
  TPieceFile() = default;
  ~TPieceFile();
  TPieceFile(const TPieceFile&) = delete;
  TPieceFile& operator=(const TPieceFile&) = delete;

  // The file at path, made when writable and missing; read-only, a missing file has no pieces.
  TResult Open(const std::string& path, bool writable);
  const std::string& Path() const { return path_; }

  // Begins a batch of pieces at the end of the file. Call within the database's write transaction.
  TResult BeginBatch();
  // Writes the piece after those of the batch, its place in the file; the disk is set to work on
  // the batch's bytes as they come, so that the flush finds most of them written.
  TResultOf<std::int64_t> Add(std::string_view bytes);
  // Flushes the batch's pieces to the disk: before the transaction that names them commits.
  TResult WriteBatch();
  // A batch given up (with its transaction): its bytes stay behind the pieces in use until Reclaim,
  // since the write lock may be gone already and another program adding pieces after them.
  void DropBatch();

  // The size bytes at offset; false when they cannot be read whole.
  bool Read(std::int64_t offset, std::int64_t size, std::string& bytes) const;

  // Gives back the space outside the spans still in use (offset, size; sorted by offset): holes
  // between them, and the file cut after the last. Call within the database's write transaction.
  void Reclaim(const std::vector<std::pair<std::int64_t, std::int64_t>>& used);

  // The bytes the file takes on the disk.
  std::int64_t DiskBytes() const;

 private:
  std::string path_;
  int fd_ = -1;
  std::int64_t batchStart_ = 0;
  std::int64_t batchEnd_ = 0;
  std::int64_t kickedTo_ = 0;  // the bytes up to here are on their way to the disk
};

}  // namespace tagwright

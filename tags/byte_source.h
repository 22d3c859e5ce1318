// Positioned reads from a song file or from bytes in memory, so that the tag reader can work on
// an open descriptor (one open per file while listing) and on memory (a de-unsynchronised tag, the
// fuzzer) alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace tagwright {

class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual std::int64_t Size() const = 0;
  // Reads n bytes at offset, fewer only when the end of the source comes first. Returns the count
  // read, or -1 on a read error.
  virtual std::int64_t ReadAt(std::int64_t offset, void* destination, std::size_t n) = 0;
  // The n bytes at offset when the source holds them in memory as they are, so that they need not be
  // copied; nothing otherwise.
  virtual std::optional<std::string_view> View(std::int64_t /*offset*/, std::size_t /*n*/) const {
    return std::nullopt;
  }
};

class TMemorySource final : public TByteSource {
 public:
  explicit TMemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  std::int64_t ReadAt(std::int64_t offset, void* destination, std::size_t n) override;
  std::optional<std::string_view> View(std::int64_t offset, std::size_t n) const override;

 private:
  std::string_view bytes_;
};

// A file opened read-only; its size is taken once at opening.
class TFileSource final : public TByteSource {
 public:
  TFileSource() = default;
  ~TFileSource() override;
  TFileSource(const TFileSource&) = delete;
  TFileSource& operator=(const TFileSource&) = delete;

  // Opens the file; false with errno set when it cannot be opened or is not a regular file.
  bool Open(const std::string& fileName);
  // The same for a name in the folder open as folderFd.
  bool OpenAt(int folderFd, const char* name);
  // What fstat said of the open file.
  const struct stat& Info() const { return info_; }
  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  std::int64_t Size() const override { return fileSize_; }
  std::int64_t ReadAt(std::int64_t offset, void* destination, std::size_t n) override;

 private:
  int fd_ = -1;
  std::int64_t fileSize_ = 0;
  struct stat info_ {};
};

// Reads through a descriptor someone else owns and keeps open (a song locked for writing).
class TDescriptorSource final : public TByteSource {
 public:
  TDescriptorSource(int fd, std::int64_t size) : fd_(fd), size_(size) {}
  std::int64_t Size() const override { return size_; }
  std::int64_t ReadAt(std::int64_t offset, void* destination, std::size_t n) override;

 private:
  int fd_;
  std::int64_t size_;
};

// The bytes of another source up to end, with unsynchronisation undone from offset from on (the
// zero byte of every FF 00 pair dropped); the bytes before from are passed through. Undoes it
// while reading, from the last position read, so that a tag of any declared size costs a small
// buffer, and a walk that stops at the padding reads no further. Size() is end: an upper bound,
// since undoing only shortens; reads stop early where the undone bytes end.
class TUnsynchronisedSource final : public TByteSource {
 public:
  TUnsynchronisedSource(TByteSource& raw, std::int64_t from, std::int64_t end);
  std::int64_t Size() const override { return end_; }
  std::int64_t ReadAt(std::int64_t offset, void* destination, std::size_t n) override;

 private:
  // Where undoing stands: the next raw byte, the offset it would get, and whether a zero byte
  // there is dropped (the byte before was an FF that was kept).
  struct TUndoState {
    std::int64_t RawPosition;
    std::int64_t Position;
    bool DropZero;
  };

  // Undoes up to count bytes onward from state_, into out unless it is null; the count made, or -1.
  std::int64_t Undo(std::int64_t count, unsigned char* out);

  TByteSource* raw_;
  std::int64_t from_;
  std::int64_t end_;
  TUndoState state_;
  TUndoState mark_;  // the state where the last read began
};

}  // namespace tagwright

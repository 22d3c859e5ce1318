// Positioned reads from a song file or from bytes in memory, so that the tag reader can work on
// an open descriptor (one open per file while listing) and on memory (a de-unsynchronised tag, the
// fuzzer) alike.
#pragma once

#include <cstddef>
#include <cstdint>
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
};

class TMemorySource final : public TByteSource {
 public:
  explicit TMemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  std::int64_t ReadAt(std::int64_t offset, void* destination, std::size_t n) override;

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

}  // namespace tagwright

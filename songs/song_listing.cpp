#include "songs/song_listing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <thread>

#include "files/file_access.h"
#include "files/paths.h"
#include "tags/byte_source.h"
#include "tags/id3_info.h"

namespace tagwright {

namespace {

constexpr std::size_t kSongsPerTurn = 32;  // songs a thread takes at once
constexpr std::size_t kProgressStep = 64;  // songs between two progress reports, at most

// The folder of the songs a thread is reading, open while it reads songs of that folder.
class TOpenFolder {
 public:
  ~TOpenFolder() { Close(); }
  // The descriptor of path's folder, or -1 with errno set.
  int For(std::string_view folder) {
    if (fd_ >= 0 && folder == path_) return fd_;
    Close();
    path_.assign(folder);
    fd_ = ::open(path_.empty() ? "." : path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) path_.clear();
    return fd_;
  }

 private:
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int fd_ = -1;
  std::string path_;
};

struct TReadSong {
  std::unique_ptr<TSongFile> Song;
  TResult Failure;
};

TReadSong ReadSong(const std::string& path, std::size_t index, const TListingOptions& options, TOpenFolder& folder) {
  const TRecognitionOptions& recognition = options.Recognition;
  TReadSong read;
  const std::string_view folderPart = FolderPart(path);
  const int folderFd =
      folder.For(folderPart.empty() ? std::string_view() : folderPart.substr(0, folderPart.size() - 1));
  const std::string name(FileNamePart(path));
  auto song = std::make_unique<TSongFile>();
  if (!options.UseTags) {
    struct stat info {};
    const bool found = folderFd >= 0 && ::fstatat(folderFd, name.c_str(), &info, 0) == 0;
    song->BindWithTags(path, nullptr, recognition);
    song->SetWritableWhenListed(found && IsListedFileWritable(folderFd, name.c_str(), info.st_mode));
    if (found) song->SetListedIdentity(IdentityOf(info));
    read.Song = std::move(song);
    return read;
  }
  TFileSource source;
  if (folderFd < 0 || !source.OpenAt(folderFd, name.c_str())) {
    // A song that is gone is one without tags, as for a single file; anything else is a failure.
    if (errno != ENOENT && errno != ENOTDIR) {
      read.Failure = TResult::FromErrno(TFailureKind::Open, path);
      return read;
    }
    song->BindWithTags(path, nullptr, recognition);
    song->SetListedTags(TID3Info{});
    read.Song = std::move(song);
    return read;
  }
  TID3Info tags;
  std::int64_t tagSize = -1;
  TResultOf<bool> found = ReadID3Tags(source, path, tags, options.AlsoRead ? &tagSize : nullptr);
  if (!found) {
    read.Failure = found.Failure();
    return read;
  }
  song->BindWithTags(path, found.Value() ? &tags : nullptr, recognition);
  song->SetListedTags(found.Value() ? tags : TID3Info{});
  song->SetWritableWhenListed(IsListedFileWritable(folderFd, name.c_str(), source.Info().st_mode));
  song->SetListedIdentity(IdentityOf(source.Info()));
  if (options.AlsoRead) options.AlsoRead(index, source, tagSize);
  read.Song = std::move(song);
  return read;
}

}  // namespace

unsigned DefaultListingJobs() {
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp(2 * processors, 4u, 16u);
}

TListing ListSongs(const std::vector<std::string>& files, const TListingOptions& options) {
  std::vector<TReadSong> read(files.size());
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  const auto cancelled = [&] { return options.Cancel != nullptr && options.Cancel->load(std::memory_order_relaxed); };
  const auto work = [&] {
    TOpenFolder folder;
    while (!cancelled()) {
      const std::size_t first = next.fetch_add(kSongsPerTurn, std::memory_order_relaxed);
      if (first >= files.size()) break;
      const std::size_t last = std::min(files.size(), first + kSongsPerTurn);
      for (std::size_t i = first; i < last; ++i) {
        if (options.BeforeEachSong) options.BeforeEachSong();
        read[i] = ReadSong(files[i], i, options, folder);
      }
      done.fetch_add(last - first, std::memory_order_relaxed);
    }
  };

  const unsigned jobs = std::max(1u, options.Jobs == 0 ? DefaultListingJobs() : options.Jobs);
  const std::size_t helpers = std::min<std::size_t>(jobs - 1, files.size() / kSongsPerTurn);
  if (options.OnProgress) options.OnProgress(0, files.size());  // at once, before the first song
  std::vector<std::thread> threads;
  threads.reserve(helpers);
  for (std::size_t i = 0; i < helpers; ++i) threads.emplace_back(work);
  if (!options.OnProgress || helpers == 0) {
    work();
  } else {
    // The calling thread reports progress while the others read.
    std::size_t reported = 0;
    while (done.load(std::memory_order_relaxed) < files.size() && !cancelled()) {
      const std::size_t now = done.load(std::memory_order_relaxed);
      if (now >= reported + kProgressStep) {
        options.OnProgress(now, files.size());
        reported = now;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  for (std::thread& thread : threads) thread.join();

  TListing listing;
  listing.Cancelled = cancelled();
  for (TReadSong& song : read) {
    if (song.Song) {
      listing.Songs.Add(std::move(song.Song));
    } else if (!song.Failure.Ok()) {
      listing.Failures.push_back(std::move(song.Failure));
    }
  }
  if (options.OnProgress && !listing.Cancelled) options.OnProgress(files.size(), files.size());
  return listing;
}

}  // namespace tagwright

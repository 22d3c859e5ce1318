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
#include "songs/file_name_composition.h"
#include "tags/audio_facts.h"
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

// What the details of the song compose as its file name, and how its name compares with it.
TComposedName ComposedNameOf(const TSongFile& song, TLetters letters) {
  const std::string& file = song.FileName();
  const std::string composed = ComposeFileName(song, file);
  return {.Name = std::string(FileNamePart(composed)),
          .Renamed = IsFileRenamed(song, composed),
          .HoldsOnlyDetails = FileNameHoldsOnlyDetails(song, FileNamePart(file), letters)};
}

// A song without tags, known by its name alone: its audio facts, when asked for, are read on their own.
void TakeWithoutTags(TSongRow& row, std::unique_ptr<TSongFile> song, const TListingOptions& options) {
  if (options.ReadAudio) row.Audio.emplace(ReadAudioFacts(row.Path));
  row.Song = std::move(song);
}

// The song's row, as far as its tags go; the composed name is the caller's.
void ReadSong(TSongRow& row, const TListingOptions& options, TOpenFolder& folder) {
  const std::string& path = row.Path;
  const std::string_view folderPart = FolderPart(path);
  const int folderFd =
      folder.For(folderPart.empty() ? std::string_view() : folderPart.substr(0, folderPart.size() - 1));
  const std::string name(FileNamePart(path));
  auto song = std::make_unique<TSongFile>();
  if (!options.UseTags) {
    struct stat info {};
    const bool found = folderFd >= 0 && ::fstatat(folderFd, name.c_str(), &info, 0) == 0;
    song->BindWithTags(path, nullptr, options.Recognition);
    song->SetWritableWhenListed(found && IsListedFileWritable(folderFd, name.c_str(), info.st_mode));
    if (found) song->SetListedIdentity(IdentityOf(info));
    TakeWithoutTags(row, std::move(song), options);
    return;
  }
  TFileSource source;
  if (folderFd < 0 || !source.OpenAt(folderFd, name.c_str())) {
    // A song that is gone is one without tags, as for a single file; anything else is a failure.
    if (errno != ENOENT && errno != ENOTDIR) {
      row.Kind = TSongRowKind::UnreadableSong;
      row.Failure = TResult::FromErrno(TFailureKind::Open, path);
      return;
    }
    song->BindWithTags(path, nullptr, options.Recognition);
    song->SetListedTags(TID3Info{});
    TakeWithoutTags(row, std::move(song), options);
    return;
  }
  TID3Info tags;
  std::int64_t tagSize = -1;
  TResultOf<bool> found = ReadID3Tags(source, path, tags, options.ReadAudio ? &tagSize : nullptr);
  if (!found) {
    row.Kind = TSongRowKind::UnreadableSong;
    row.Failure = found.Failure();
    return;
  }
  song->BindWithTags(path, found.Value() ? &tags : nullptr, options.Recognition);
  song->SetListedTags(found.Value() ? tags : TID3Info{});
  song->SetWritableWhenListed(IsListedFileWritable(folderFd, name.c_str(), source.Info().st_mode));
  song->SetListedIdentity(IdentityOf(source.Info()));
  if (options.ReadAudio) row.Audio.emplace(ReadAudioFacts(source, path, tagSize));
  row.Song = std::move(song);
}

TSongRow ReadRow(const std::string& path, const TListingOptions& options, TOpenFolder& folder) {
  TSongRow row;
  row.Path = path;
  ReadSong(row, options, folder);
  if (row.Song && options.ComposeNames) row.Composed = ComposedNameOf(*row.Song, options.Recognition.Letters);
  return row;
}

}  // namespace

unsigned DefaultListingJobs() {
  const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
  return std::clamp(2 * processors, 4u, 16u);
}

TSongRows ReadSongRows(const std::vector<std::string>& files, const TListingOptions& options) {
  std::vector<TSongRow> read(files.size());
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
        read[i] = ReadRow(files[i], options, folder);
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

  TSongRows rows;
  rows.Cancelled = cancelled();
  if (rows.Cancelled) {
    // The files not reached have no row: each row reached holds a song or a failure.
    std::erase_if(read, [](const TSongRow& row) { return !row.Song && row.Failure.Ok(); });
  }
  rows.Rows = std::move(read);
  if (options.OnProgress && !rows.Cancelled) options.OnProgress(files.size(), files.size());
  return rows;
}

TListing ListSongs(const std::vector<std::string>& files, const TListingOptions& options) {
  TSongRows rows = ReadSongRows(files, options);
  TListing listing;
  listing.Cancelled = rows.Cancelled;
  for (TSongRow& row : rows.Rows) {
    if (row.Song) {
      listing.Songs.Add(std::move(row.Song));
    } else {
      listing.Failures.push_back(std::move(row.Failure));
    }
  }
  return listing;
}

}  // namespace tagwright

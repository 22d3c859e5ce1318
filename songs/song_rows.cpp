#include "songs/song_rows.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "files/folder_scan.h"
#include "tags/mp3_content.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

TSongRow RowWithout(TSongRowKind kind, std::string path, TResult failure = {}) {
  TSongRow row;
  row.Kind = kind;
  row.Path = std::move(path);
  row.Failure = std::move(failure);
  return row;
}

// What the listing of the paths found before it reads a song.
struct TFound {
  std::vector<std::string> Files;
  std::vector<TSongRow> Rows;  // the rows without a song
};

void AddFolder(const std::string& folder, bool recursive, TFound& found) {
  std::vector<TUnreadableFolder> unreadable;
  ScanFolder("*.*", folder, found.Files, recursive, SongFileExtensions(), &unreadable);
  for (const TUnreadableFolder& each : unreadable) {
    found.Rows.push_back(RowWithout(TSongRowKind::UnreadableFolder, each.Folder, each.Failure()));
  }
}

// The files named are looked at first, so that what is no song is said before anything else; a
// file that cannot be looked at is left to the listing to say.
TFound FindSongFiles(const std::vector<std::string>& paths, bool recursive) {
  TFound found;
  std::vector<std::string> kept;
  kept.reserve(paths.size());
  for (const std::string& path : paths) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      if (TResultOf<bool> song = IsSongFile(path); song && !song.Value()) {
        found.Rows.push_back(RowWithout(TSongRowKind::NotSong, path));
        continue;
      }
    }
    kept.push_back(path);
  }
  for (const std::string& path : kept) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
      found.Rows.push_back(
          RowWithout(TSongRowKind::UnreadablePath, path, TResult::FromErrno(TFailureKind::Open, path)));
    } else if (S_ISDIR(info.st_mode)) {
      AddFolder(path, recursive, found);
    } else {
      found.Files.push_back(path);
    }
  }
  return found;
}

// The songs by file name, as the song list sorts them, after the files whose tags cannot be read.
void SortByFileName(std::vector<TSongRow>& rows) {
  const auto songs = std::stable_partition(rows.begin(), rows.end(), [](const TSongRow& row) { return !row.Song; });
  struct TKeyed {
    std::string Key;
    TSongRow Row;
  };
  std::vector<TKeyed> keyed;
  keyed.reserve(static_cast<std::size_t>(rows.end() - songs));
  for (auto row = songs; row != rows.end(); ++row) keyed.push_back({AsciiUpperCase(row->Path), std::move(*row)});
  std::sort(keyed.begin(), keyed.end(), [](const TKeyed& a, const TKeyed& b) { return a.Key < b.Key; });
  auto to = songs;
  for (TKeyed& each : keyed) *to++ = std::move(each.Row);
}

TSongRows ListFound(TFound found, const TRowListingOptions& options) {
  TSongRows read = ReadSongRows(found.Files, options.Reading);
  if (options.Order == TRowOrder::FileName) SortByFileName(read.Rows);
  std::move(read.Rows.begin(), read.Rows.end(), std::back_inserter(found.Rows));
  read.Rows = std::move(found.Rows);
  return read;
}

}  // namespace

TSongRows ListSongRows(const std::vector<std::string>& paths, const TRowListingOptions& options) {
  return ListFound(FindSongFiles(paths, options.Recursive), options);
}

TSongRows ListFolderRows(const std::string& folder, const TRowListingOptions& options) {
  TFound found;
  AddFolder(folder, options.Recursive, found);
  return ListFound(std::move(found), options);
}

}  // namespace tagwright

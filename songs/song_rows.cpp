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
TFound FindSongFiles(const std::vector<std::string>& paths, bool recursive, TFilesNamed named) {
  TFound found;
  std::vector<std::string> kept;
  kept.reserve(paths.size());
  for (const std::string& path : paths) {
    struct stat info {};
    if (named == TFilesNamed::SongsOnly && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
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

// The order of the rows read as the song list sorts by file name, after the rows without a song
// (in the order read): the index of the row that goes to each place.
std::vector<std::size_t> FileNameOrder(const std::vector<TSongRow>& rows) {
  struct TKeyed {
    std::string Key;
    std::size_t Index = 0;
  };
  std::vector<std::size_t> order;
  order.reserve(rows.size());
  std::vector<TKeyed> keyed;
  keyed.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].Song) {
      keyed.push_back({AsciiUpperCase(rows[i].Path), i});
    } else {
      order.push_back(i);
    }
  }
  std::sort(keyed.begin(), keyed.end(), [](const TKeyed& a, const TKeyed& b) { return a.Key < b.Key; });
  for (const TKeyed& each : keyed) order.push_back(each.Index);
  return order;
}

// Puts the rows in that order in place, each row moved about once, cycle by cycle.
void Reorder(std::vector<TSongRow>& rows, std::vector<std::size_t> order) {
  for (std::size_t start = 0; start < rows.size(); ++start) {
    if (order[start] == start) continue;
    TSongRow held = std::move(rows[start]);
    std::size_t to = start;
    while (order[to] != start) {
      const std::size_t from = order[to];
      rows[to] = std::move(rows[from]);
      order[to] = to;
      to = from;
    }
    rows[to] = std::move(held);
    order[to] = to;
  }
}

TSongRows ListFound(TFound found, const TRowListingOptions& options) {
  TSongRows read = ReadSongRows(found.Files, options.Reading);
  if (options.Order == TRowOrder::FileName) Reorder(read.Rows, FileNameOrder(read.Rows));
  read.Rows.insert(read.Rows.begin(), std::make_move_iterator(found.Rows.begin()),
                   std::make_move_iterator(found.Rows.end()));
  return read;
}

}  // namespace

TSongRows ListSongRows(const std::vector<std::string>& paths, const TRowListingOptions& options) {
  return ListFound(FindSongFiles(paths, options.Recursive, options.Named), options);
}

TSongRows ListFolderRows(const std::string& folder, const TRowListingOptions& options) {
  TFound found;
  AddFolder(folder, options.Recursive, found);
  return ListFound(std::move(found), options);
}

}  // namespace tagwright

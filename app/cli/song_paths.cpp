#include "app/cli/song_paths.h"

#include <sys/stat.h>

#include <memory>

#include "app/cli/cli_context.h"
#include "files/folder_scan.h"
#include "songs/song_listing.h"

namespace tagwright::cli {

TSongPaths CollectSongPaths(const std::vector<std::string>& paths, bool recursive) {
  TSongPaths result;
  for (const std::string& path : paths) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
      result.Errors.push_back(FailureText(TResult::FromErrno(TFailureKind::Open, path)));
      continue;
    }
    if (!S_ISDIR(info.st_mode)) {
      result.Files.push_back(path);
      continue;
    }
    std::vector<TUnreadableFolder> unreadable;
    ScanFolder("*.*", path, result.Files, recursive, SongFileExtensions(), &unreadable);
    for (TUnreadableFolder& folder : unreadable) {
      result.Errors.push_back(FailureText(folder.Failure()));
      result.UnreadableFolders.push_back(std::move(folder));
    }
  }
  return result;
}

TSongList BindSongs(const std::vector<std::string>& files, unsigned jobs, const TBindFailure& onFailure,
                    const TRecognitionOptions& recognition, TSongOrder order) {
  TListingOptions options;
  options.Recognition = recognition;
  options.Jobs = jobs;
  TListing listing = ListSongs(files, options);
  for (const TResult& failure : listing.Failures) onFailure(failure.Path(), FailureText(failure));
  if (order == TSongOrder::FileName) listing.Songs.SortBy(TSortOrder::FileName);
  return std::move(listing.Songs);
}

}  // namespace tagwright::cli

#include "files/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>

#include "files/file_access.h"
#include "files/paths.h"

namespace tagwright {

namespace {

constexpr int kMostNamesTried = 10000;

// $XDG_DATA_HOME, else ~/.local/share; empty when neither names a folder.
std::string DataHome() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return data;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share";
  return {};
}

std::string HomeTrash() {
  const std::string data = DataHome();
  return data.empty() ? std::string() : data + "/Trash";
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string ParentOf(const std::string& path) {
  const std::string parent = WithoutTrailingSlash(std::string(FolderPart(WithoutTrailingSlash(path))));
  return parent.empty() ? std::string("/") : parent;
}

// The device of the path, or of the nearest folder above it that is there (a data folder not yet made).
bool DeviceOf(std::string path, dev_t& device) {
  for (int depth = 0; depth < PATH_MAX && !path.empty(); ++depth) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
      device = info.st_dev;
      return true;
    }
    if (path == "/") return false;
    path = ParentOf(path);
  }
  return false;
}

// The folder at the top of the file system that holds folder (itself resolved).
std::string TopOf(const std::string& folder, dev_t device) {
  std::string top = folder;
  while (top != "/") {
    const std::string parent = ParentOf(top);
    struct stat info {};
    if (::stat(parent.c_str(), &info) != 0 || info.st_dev != device) break;
    top = parent;
  }
  return top;
}

bool IsOwnFolder(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

// A trash for the files of folder (a resolved path): the trash folder and whether it is the
// user's own. Empty when there is none; made when make is set.
struct TTrashPlace {
  std::string Folder;
  std::string Top;  // the top of the file system, for a trash there
};

TTrashPlace TrashPlaceFor(const std::string& folder, bool make) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return {};
  dev_t dataDevice = 0;
  const std::string home = HomeTrash();
  if (!home.empty() && DeviceOf(DataHome(), dataDevice) && dataDevice == info.st_dev) return {home, {}};
  const std::string top = TopOf(folder, info.st_dev);
  const std::string uid = std::to_string(::getuid());
  const std::string root = top == "/" ? std::string() : top;
  struct stat shared {};
  const std::string sharedTrash = root + "/.Trash";
  if (::lstat(sharedTrash.c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX) != 0) {
    const std::string own = sharedTrash + "/" + uid;
    if (IsOwnFolder(own) || (make && ::mkdir(own.c_str(), 0700) == 0)) return {own, top};
    if (!make && ::access(sharedTrash.c_str(), W_OK) == 0) return {own, top};
  }
  const std::string own = root + "/.Trash-" + uid;
  if (IsOwnFolder(own)) return {own, top};
  if (make && ::mkdir(own.c_str(), 0700) == 0) return {own, top};
  if (!make && ::access(top.c_str(), W_OK) == 0) return {own, top};
  return {};
}

// Makes the folder and those above it that are missing, for the user alone.
TResult MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return TResult::FromErrno(TFailureKind::Rename, part);
    if (slash == std::string::npos) return {};
  }
}

// The resolved folder of a file.
bool ResolvedFolder(const std::string& path, std::string& folder) {
  char resolved[PATH_MAX];
  if (::realpath(FolderToOpen(path).c_str(), resolved) == nullptr) return false;
  folder = resolved;
  return true;
}

std::string PercentEncoded(std::string_view path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                       byte == '/' || byte == '-' || byte == '_' || byte == '.' || byte == '~';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

// The .trashinfo of a file that came from the absolute path from, in the trash at place.
std::string InfoText(const TTrashPlace& place, const std::string& from) {
  std::string named = from;
  // In a trash at the top of a file system, the path is told from that top.
  if (!place.Top.empty() && place.Top != "/" && from.starts_with(place.Top + "/")) {
    named = from.substr(place.Top.size() + 1);
  }
  char date[32] = {};
  const std::time_t now = std::time(nullptr);
  struct tm local {};
  ::localtime_r(&now, &local);
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  return "[Trash Info]\nPath=" + PercentEncoded(named) + "\nDeletionDate=" + date + "\n";
}

// Writes a new .trashinfo (never over one); the failure names it.
TResult WriteInfo(const std::string& infoPath, const std::string& text) {
  const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return TResult::FromErrno(TFailureKind::Write, infoPath);
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      TResult failure = TResult::FromErrno(TFailureKind::Write, infoPath);
      ::close(fd);
      (void)::unlink(infoPath.c_str());  // a record half written stands for nothing
      return failure;
    }
    done += static_cast<std::size_t>(written);
  }
  ::close(fd);
  return {};
}

std::string AbsolutePath(const std::string& path) {
  if (path.starts_with('/')) return path;
  char here[PATH_MAX];
  if (::getcwd(here, sizeof here) == nullptr) return path;
  return std::string(here) + "/" + path;
}

// The trash that holds files/ in the folder trashFolder (ending with a slash), or nothing.
bool TrashOfFilesFolder(const std::string& filesFolder, TTrashPlace& place) {
  if (!filesFolder.ends_with("/files/")) return false;
  const std::string trash = filesFolder.substr(0, filesFolder.size() - 7);
  const std::string name(FileNamePart(trash));
  const std::string uid = std::to_string(::getuid());
  if (trash == HomeTrash()) {
    place = {trash, {}};
    return true;
  }
  if (name == ".Trash-" + uid) {
    place = {trash, ParentOf(trash)};
    return true;
  }
  if (name == uid && FileNamePart(ParentOf(trash)) == ".Trash") {
    place = {trash, ParentOf(ParentOf(trash))};
    return true;
  }
  return false;
}

}  // namespace

bool HasTrashFor(const std::string& path) {
  std::string folder;
  return ResolvedFolder(path, folder) && !TrashPlaceFor(folder, false).Folder.empty();
}

TResultOf<TTrashMove> PlanTrashMove(const std::string& path) {
  std::string folder;
  if (!ResolvedFolder(path, folder)) return TResult::FromErrno(TFailureKind::Rename, path);
  const TTrashPlace place = TrashPlaceFor(folder, true);
  if (place.Folder.empty()) {
    return TResult::Failure(TFailureKind::Rename, path, std::make_error_code(std::errc::no_such_device));
  }
  for (const char* part : {"/files", "/info"}) {
    if (TResult made = MakeFolders(place.Folder + part); !made) return made;
  }
  const std::string name(FileNamePart(path));
  const std::string_view stem = CutAtLastDot(name);
  const std::string extension = name.substr(stem.size());
  for (int number = 1; number <= kMostNamesTried; ++number) {
    std::string tried = name;
    if (number > 1) {
      tried.assign(stem).append(".").append(std::to_string(number)).append(extension);
    }
    TTrashMove move{folder, place.Folder, place.Folder};
    move.From.append("/").append(name);
    move.FilesPath.append("/files/").append(tried);
    move.InfoPath.append("/info/").append(tried).append(".trashinfo");
    struct stat taken {};
    if (::lstat(move.FilesPath.c_str(), &taken) != 0 && ::lstat(move.InfoPath.c_str(), &taken) != 0) return move;
  }
  return TResult::Failure(TFailureKind::Rename, path, std::make_error_code(std::errc::file_exists));
}

TResult CarryOutTrashMove(const TTrashMove& move) { return RenameKeepingTrash(move.From, move.FilesPath); }

std::string TrashInfoPathOf(const std::string& path) {
  TTrashPlace place;
  if (!TrashOfFilesFolder(std::string(FolderPart(path)), place)) return {};
  return place.Folder + "/info/" + std::string(FileNamePart(path)) + ".trashinfo";
}

TResult RenameKeepingTrash(const std::string& from, const std::string& to) {
  TTrashPlace place;
  if (TrashOfFilesFolder(std::string(FolderPart(to)), place)) {
    const std::string info = place.Folder + "/info/" + std::string(FileNamePart(to)) + ".trashinfo";
    std::string folder;
    const std::string origin =
        ResolvedFolder(from, folder) ? folder + "/" + std::string(FileNamePart(from)) : AbsolutePath(from);
    if (TResult written = WriteInfo(info, InfoText(place, origin)); !written) return written;
    TResult renamed = RenameWithoutReplacing(from, to);
    if (!renamed) (void)::unlink(info.c_str());  // the file stays where it was: so does the trash
    return renamed;
  }
  TResult renamed = RenameWithoutReplacing(from, to);
  if (!renamed) return renamed;
  const std::string info = TrashInfoPathOf(from);
  // Out of the trash, its record there stands for nothing; one that will not go only shows an
  // empty place in the trash, and the file is back all the same.
  if (!info.empty()) (void)::unlink(info.c_str());
  return renamed;
}

}  // namespace tagwright

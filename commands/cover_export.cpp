#include "commands/cover_export.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/paths.h"
#include "tags/id3v2_pictures.h"
#include "tags/picture_files.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

// Writes bytes into a new file at path, which must not exist; a file left half written is removed.
TResult WriteNewFile(const std::string& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return TResult::FromErrno(TFailureKind::Write, path);
  int error = 0;
  for (std::size_t done = 0; done < bytes.size() && error == 0;) {
    const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) error = written < 0 ? errno : EIO;
    if (written > 0) done += static_cast<std::size_t>(written);
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0) return {};
  (void)::unlink(path.c_str());  // the file made here, half written: it must not pass for a cover
  return TResult::Failure(TFailureKind::Write, path, std::error_code(error, std::generic_category()));
}

}  // namespace

std::string CoverFileNameProblem(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos) {
    return "the name to save covers under must be a file name without a folder, not \"" + std::string(name) + "\"";
  }
  return {};
}

std::string CoverFileName(std::string_view name, std::string_view extension) {
  const std::string lower = AsciiLowerCase(name);
  for (const std::string_view known : {".jpg", ".jpeg", ".png"}) {
    if (lower.size() > known.size() && lower.ends_with(known)) {
      name.remove_suffix(known.size());
      break;
    }
  }
  return std::string(name) + std::string(extension);
}

TCoverSave SaveSongCover(const std::string& songFile, std::string_view name, TPassMode mode) {
  TCoverSave save;
  TResultOf<std::vector<TPicture>> pictures = ReadEmbeddedPictures(songFile);
  if (!pictures) {
    save.Failure = pictures.Failure();
    return save;
  }
  const TPicture* cover = ChooseCover(pictures.Value());
  if (!cover) {
    save.Skip = "the song has no picture";
    return save;
  }
  const TImageFormat format = ImageFormatOf(cover->Data);
  if (format == TImageFormat::Other) {
    save.Skip = "the song's cover is neither a JPEG nor a PNG picture";
    return save;
  }
  const std::string target = std::string(FolderPart(songFile)) + CoverFileName(name, ExtensionOf(format));
  struct stat info {};
  if (::lstat(target.c_str(), &info) == 0) {
    save.Skip = "a file named " + std::string(FileNamePart(target)) + " is there already";
    return save;
  }
  if (mode == TPassMode::Apply) {
    save.Failure = WriteNewFile(target, cover->Data);
    // Made meanwhile by someone else: left alone all the same.
    if (!save.Failure && save.Failure.Error() == std::errc::file_exists) {
      save.Skip = "a file named " + std::string(FileNamePart(target)) + " is there already";
      save.Failure = {};
      return save;
    }
    if (!save.Failure) return save;
  }
  save.SavedFile = target;
  return save;
}

}  // namespace tagwright

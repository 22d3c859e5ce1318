#include "tags/picture_files.h"

#include <cstdio>

#include "tags/byte_source.h"

namespace tagwright {

namespace {

constexpr std::string_view kJpegMagic("\xFF\xD8\xFF", 3);
constexpr std::string_view kPngMagic("\x89PNG\r\n\x1A\n", 8);
constexpr std::size_t kMagicSize = 8;

constexpr std::uint64_t kMegabyte = 1'000'000;

// "12.3 MB", or "10 MB" for a whole number of megabytes (of a million bytes).
std::string Megabytes(std::uint64_t bytes) {
  if (bytes % kMegabyte == 0) return std::to_string(bytes / kMegabyte) + " MB";
  char text[32];
  (void)std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / kMegabyte);
  return text;
}

}  // namespace

TImageFormat ImageFormatOf(std::string_view bytes) {
  if (bytes.starts_with(kJpegMagic)) return TImageFormat::Jpeg;
  if (bytes.starts_with(kPngMagic)) return TImageFormat::Png;
  return TImageFormat::Other;
}

const char* MimeTypeOf(TImageFormat format) {
  switch (format) {
    case TImageFormat::Jpeg: return "image/jpeg";
    case TImageFormat::Png: return "image/png";
    case TImageFormat::Other: break;
  }
  return "";
}

const char* ExtensionOf(TImageFormat format) {
  switch (format) {
    case TImageFormat::Jpeg: return ".jpg";
    case TImageFormat::Png: return ".png";
    case TImageFormat::Other: break;
  }
  return "";
}

std::string PictureProblem(const std::string& path, std::string_view head, std::uint64_t size, std::uint64_t limit) {
  if (ImageFormatOf(head) == TImageFormat::Other) return path + " is neither a JPEG nor a PNG picture";
  if (size > limit) {
    return "the picture " + path + " is " + Megabytes(size) + " (" + std::to_string(size) +
           " bytes), over the limit of " +
           (limit % kMegabyte == 0 ? Megabytes(limit) : std::to_string(limit) + " bytes");
  }
  return {};
}

namespace {

// The problem of the picture file open as source, from its size and first bytes.
TResultOf<std::string> ProblemOfOpenFile(TFileSource& source, const std::string& path, std::uint64_t limit) {
  std::string head(kMagicSize, '\0');
  const std::int64_t read = source.ReadAt(0, head.data(), head.size());
  if (read < 0) return TResult::FromErrno(TFailureKind::Read, path);
  head.resize(static_cast<std::size_t>(read));
  return PictureProblem(path, head, static_cast<std::uint64_t>(source.Size()), limit);
}

}  // namespace

TResultOf<std::string> CheckPictureFile(const std::string& path, std::uint64_t limit) {
  TFileSource source;
  if (!source.Open(path)) return TResult::FromErrno(TFailureKind::Open, path);
  return ProblemOfOpenFile(source, path, limit);
}

TResultOf<TLoadedPicture> LoadCoverPicture(const std::string& path, std::uint64_t limit) {
  TFileSource source;
  if (!source.Open(path)) return TResult::FromErrno(TFailureKind::Open, path);
  TResultOf<std::string> problem = ProblemOfOpenFile(source, path, limit);
  if (!problem) return problem.Failure();
  TLoadedPicture loaded;
  if (!problem.Value().empty()) {
    loaded.Problem = std::move(problem.Value());
    return loaded;
  }
  auto picture = std::make_shared<TPicture>();
  picture->Data.resize(static_cast<std::size_t>(source.Size()));
  if (source.ReadAt(0, picture->Data.data(), picture->Data.size()) != source.Size()) {
    return TResult::FromErrno(TFailureKind::Read, path);
  }
  picture->Type = kFrontCoverPicture;
  picture->MimeType = MimeTypeOf(ImageFormatOf(picture->Data));
  loaded.Picture = std::move(picture);
  return loaded;
}

}  // namespace tagwright

// Writing TID3v2's fields as a new ID3v2.3 tag.
//
// The new tag holds the slot frames the program manages, then every other frame of the old tag in
// its order (from a 2.4 tag converted to 2.3 form; a 2.2 tag's frames cannot be carried over),
// then zero padding. It goes over the old tag when it fits with at most 4096 bytes to spare;
// otherwise the file is rewritten with a tag padded to 4096 bytes (or 2048 bytes of padding after
// larger frames), so that the next save fits in place.

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

#include "tags/byte_source.h"
#include "tags/id3v2.h"
#include "tags/id3v2_frames.h"
#include "tags/integer_text.h"
#include "tags/text_encoding.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

constexpr std::int64_t kRewrittenTagSize = 4096;
constexpr std::int64_t kMaxInPlacePadding = 4096;
constexpr std::int64_t kPaddingAfterLargeFrames = 2048;
constexpr std::int64_t kMaxTagBody = (std::int64_t{1} << 28) - 1;  // what a syncsafe size can hold

void AppendTextFrame(std::string& frames, std::string_view id, std::string_view text) {
  if (text.empty()) return;
  std::uint8_t encoding = 0;
  const std::string encoded = EncodeID3v23String(text, encoding);
  frames += BuildV23Frame(id, 0, 0, std::string(1, static_cast<char>(encoding)) + encoded);
}

// The leading number of a TRCK text ("3/12" gives 3), as Load computes Track.
std::optional<std::uint16_t> LeadingTrackNumber(const std::string& trackText) {
  const auto number = ParseIntegerText(std::string_view(trackText).substr(0, trackText.find('/')));
  if (!number) return std::nullopt;
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(*number));
}

// The frames of the old tag that are not slots, ready for a 2.3 tag.
std::string KeptFrames(TID3v2FrameScanner& scanner) {
  std::string kept;
  const std::uint8_t major = scanner.MajorVersion();
  if (major != 3 && major != 4) return kept;
  if (!scanner.BeginFrames()) return kept;
  TID3v2FrameRef frame;
  std::string content;
  while (scanner.NextFrame(frame)) {
    if (ID3v2SlotOf(frame.ID, major) >= 0) continue;
    if (!scanner.ReadContent(frame, frame.Size, content)) break;
    if (major == 3) {
      kept += BuildV23Frame(frame.ID, frame.StatusFlags, frame.FormatFlags, content);
    } else if (auto converted = ConvertV24FrameToV23(scanner.WholeTagUnsynchronised(), frame, std::move(content))) {
      kept += *converted;
    }
  }
  return kept;
}

// Resolves a symbolic link so that the rewrite replaces the song, not the link to it.
std::string SongPath(const std::string& fileName) {
  char* resolved = ::realpath(fileName.c_str(), nullptr);
  if (!resolved) return fileName;
  std::string path(resolved);
  std::free(resolved);
  return path;
}

TResult WriteInPlace(const std::string& path, const std::string& tag, const TFileOps& ops) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return TResult::FromErrno(TFailureKind::Open, path);
  std::size_t done = 0;
  int error = 0;
  while (done < tag.size()) {
    const ssize_t written = ops.PWrite(fd, tag.data() + done, tag.size() - done, static_cast<off_t>(done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error = written < 0 && errno != 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(written);
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) return TResult::Failure(TFailureKind::Write, path, std::error_code(error, std::generic_category()));
  return {};
}

}  // namespace

void TID3v2::SetTitle(std::string_view text) { Title = TrimText(text); }
void TID3v2::SetArtist(std::string_view text) { Artist = TrimText(text); }
void TID3v2::SetAlbum(std::string_view text) { Album = TrimText(text); }
void TID3v2::SetYear(std::string_view text) { Year = TrimText(text); }
void TID3v2::SetComment(std::string_view text) { Comment = TrimText(text); }
void TID3v2::SetGenre(std::string_view text) { Genre = TrimText(text); }
void TID3v2::SetTrack(std::uint16_t track) { Track = track; }

TResult TID3v2::Save(const std::string& fileName) { return Save(fileName, DefaultFileOps()); }

TResult TID3v2::Save(const std::string& fileName, const TFileOps& ops) {
  TagInfo.NeedRewrite = false;
  TagInfo.PaddingSize = 0;
  const std::string path = SongPath(fileName);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, fileName);
  if (!S_ISREG(info.st_mode)) {
    return TResult::Failure(TFailureKind::Open, fileName, std::make_error_code(std::errc::invalid_argument));
  }
  if (TResult writable = MakeFileWritable(path, info); !writable) {
    return TResult::Failure(writable.Kind(), fileName, writable.Error());
  }
  if (::stat(path.c_str(), &info) != 0) return TResult::FromErrno(TFailureKind::Open, fileName);

  TFileSource source;
  if (!source.Open(path)) return TResult::FromErrno(TFailureKind::Open, fileName);
  TID3v2FrameScanner scanner(source);
  // A file shorter than a tag header holds no tag: the new tag goes in front of its bytes.
  const bool headerRead = scanner.ReadHeader();
  if (!headerRead && source.Size() >= 10) {
    return TResult::Failure(TFailureKind::Read, fileName, std::make_error_code(std::errc::io_error));
  }
  const bool hadTag = headerRead && IsID3v2Header(scanner.Header());
  const std::int64_t oldTotal = hadTag ? scanner.TagTotal() : 0;

  std::string frames;
  AppendTextFrame(frames, "TIT2", Title);
  AppendTextFrame(frames, "TPE1", Artist);
  AppendTextFrame(frames, "TALB", Album);
  if (Track > 0) {
    // A text like "3/12" survives as long as its number is the track being written.
    const auto loaded = LeadingTrackNumber(TrackText);
    AppendTextFrame(frames, "TRCK", loaded && *loaded == Track ? TrimText(TrackText) : std::to_string(Track));
  }
  AppendTextFrame(frames, "TYER", Year);
  AppendTextFrame(frames, "TCON", Genre);
  if (!Comment.empty()) {
    // Encoding, language, an empty description with its terminator, the text.
    std::uint8_t encoding = 0;
    const std::string text = EncodeID3v23String(Comment, encoding);
    std::string content(1, static_cast<char>(encoding));
    content += "eng";
    content.append(ID3TerminatorWidth(encoding), '\0');
    content += text;
    frames += BuildV23Frame("COMM", 0, 0, content);
  }
  AppendTextFrame(frames, "TCOM", Composer);
  AppendTextFrame(frames, "TENC", Encoder);
  AppendTextFrame(frames, "TCOP", Copyright);
  AppendTextFrame(frames, "TLAN", Language);
  if (!Link.empty()) {
    // The description is empty; the URL itself is always ISO-8859-1.
    frames += BuildV23Frame("WXXX", 0, 0, std::string(2, '\0') + Utf8ToLatin1(Link));
  }
  if (hadTag && oldTotal > 0) frames += KeptFrames(scanner);

  const std::int64_t newTotal = 10 + static_cast<std::int64_t>(frames.size());
  const bool inPlace = hadTag && oldTotal >= newTotal && oldTotal - newTotal <= kMaxInPlacePadding;
  std::int64_t padding;
  if (inPlace) {
    padding = oldTotal - newTotal;
  } else {
    padding = newTotal <= kRewrittenTagSize ? kRewrittenTagSize - newTotal : kPaddingAfterLargeFrames;
  }
  TagInfo.NeedRewrite = !inPlace;
  TagInfo.PaddingSize = padding;
  if (newTotal + padding - 10 > kMaxTagBody) {
    return TResult::Failure(TFailureKind::TooLarge, fileName, std::make_error_code(std::errc::file_too_large));
  }

  std::string tag = "ID3";
  tag += '\x03';
  tag += '\0';
  tag += '\0';
  tag.append(4, '\0');
  WriteSyncsafe(static_cast<std::uint32_t>(newTotal + padding - 10), reinterpret_cast<std::uint8_t*>(tag.data() + 6));
  tag += frames;
  tag.append(static_cast<std::size_t>(padding), '\0');

  // The old tag is skipped only when its size is usable; otherwise nothing of the file is dropped.
  TResult written = inPlace ? WriteInPlace(path, tag, ops)
                            : ReplaceFileHead(path, source.Descriptor(), info, tag, hadTag ? oldTotal : 0, ops);
  if (!written) return TResult::Failure(written.Kind(), fileName, written.Error());
  return written;
}

}  // namespace tagwright

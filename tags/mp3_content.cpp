#include "tags/mp3_content.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "files/paths.h"
#include "tags/byte_source.h"
#include "tags/mpeg_frames.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

constexpr std::int64_t kTrailerSize = 128;
// How far into the audio its first frame is looked for: past the zeros or junk some encoders and
// taggers leave before it, and far beyond any picture's or document's first bytes.
constexpr std::int64_t kAudioLookBytes = std::int64_t{64} * 1024;

bool BeginsWith(std::span<const std::uint8_t> bytes, std::string_view magic, std::size_t at = 0) {
  return bytes.size() >= at + magic.size() &&
         std::equal(magic.begin(), magic.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                    [](char m, std::uint8_t b) { return static_cast<std::uint8_t>(m) == b; });
}

// An ID3v2 header of a version the program reads: "ID3", then 2, 3 or 4, then a revision.
bool IsID3v2Header(std::span<const std::uint8_t> bytes) {
  return BeginsWith(bytes, "ID3") && bytes.size() >= 5 && bytes[3] >= 2 && bytes[3] <= 4 && bytes[4] != 0xFF;
}

// Bytes a text file holds: printable ASCII, the usual white space, and the bytes of UTF-8 (or of
// another 8-bit encoding) beyond ASCII.
bool LooksLikeText(std::span<const std::uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) {
    return b >= 0x80 || (b >= 0x20 && b != 0x7F) || b == '\t' || b == '\n' || b == '\r' || b == '\f';
  });
}

// What the first bytes of a file that is no MP3 are.
TContentKind KindOfOther(std::span<const std::uint8_t> bytes) {
  struct TMagic {
    std::string_view Bytes;
    std::size_t At;
    TContentKind Kind;
  };
  static constexpr std::array<TMagic, 9> kMagics{{
      {"\xFF\xD8\xFF", 0, TContentKind::JpegPicture},
      {"\x89PNG\r\n\x1A\n", 0, TContentKind::PngPicture},
      {"GIF8", 0, TContentKind::GifPicture},
      {"%PDF-", 0, TContentKind::PdfDocument},
      {"PK\x03\x04", 0, TContentKind::ZipArchive},
      {"fLaC", 0, TContentKind::FlacAudio},
      {"OggS", 0, TContentKind::OggMedia},
      {"WAVE", 8, TContentKind::WaveAudio},
      {"ftyp", 4, TContentKind::Mp4Media},
  }};
  for (const TMagic& magic : kMagics) {
    if (BeginsWith(bytes, magic.Bytes, magic.At)) return magic.Kind;
  }
  return LooksLikeText(bytes) ? TContentKind::Text : TContentKind::Unknown;
}

}  // namespace

TResultOf<TContentKind> SniffContent(TByteSource& source, const std::string& fileName) {
  const std::int64_t size = source.Size();
  if (size <= 0) return TContentKind::Empty;
  // Most songs tell at their first bytes; the rest of the look is for those that do not.
  std::array<std::uint8_t, 10> first{};
  const std::int64_t gotFirst = source.ReadAt(0, first.data(), first.size());
  if (gotFirst < 0) return TResult::FromErrno(TFailureKind::Read, fileName);
  const std::span<const std::uint8_t> firstBytes(first.data(), static_cast<std::size_t>(gotFirst));
  if (IsID3v2Header(firstBytes)) return TContentKind::Mp3;
  std::array<std::uint8_t, kTrailerSize> trailer{};
  bool hasTrailer = false;
  if (size >= kTrailerSize) {
    if (source.ReadAt(size - kTrailerSize, trailer.data(), trailer.size()) != kTrailerSize) {
      return TResult::FromErrno(TFailureKind::Read, fileName);
    }
    hasTrailer = BeginsWith(trailer, "TAG");
  }
  const std::int64_t audioEnd = hasTrailer ? size - kTrailerSize : size;
  if (audioEnd >= 4 && ParseMpegFrameHeader(firstBytes)) return TContentKind::Mp3;
  std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min(size, kAudioLookBytes)));
  const std::int64_t got = source.ReadAt(0, head.data(), head.size());
  if (got < 0) return TResult::FromErrno(TFailureKind::Read, fileName);
  head.resize(static_cast<std::size_t>(got));
  const std::size_t audioLooked = std::min(head.size(), static_cast<std::size_t>(audioEnd));
  const std::span<const std::uint8_t> audio(head.data(), audioLooked);
  if (FindFirstFrame(audio, static_cast<std::int64_t>(audioLooked) == audioEnd)) return TContentKind::Mp3;
  return KindOfOther(head);
}

const char* ContentDescription(TContentKind kind) {
  switch (kind) {
    case TContentKind::Mp3: return "MP3 audio";
    case TContentKind::Empty: return "empty";
    case TContentKind::Text: return "text";
    case TContentKind::JpegPicture: return "a JPEG picture";
    case TContentKind::PngPicture: return "a PNG picture";
    case TContentKind::GifPicture: return "a GIF picture";
    case TContentKind::PdfDocument: return "a PDF document";
    case TContentKind::ZipArchive: return "a ZIP archive";
    case TContentKind::FlacAudio: return "FLAC audio";
    case TContentKind::OggMedia: return "an Ogg file";
    case TContentKind::WaveAudio: return "WAVE audio";
    case TContentKind::Mp4Media: return "an MP4 file";
    case TContentKind::Unknown: break;
  }
  return "unknown";
}

TResultOf<bool> HoldsMp3Content(const std::string& fileName) {
  TFileSource source;
  if (!source.Open(fileName)) return TResult::FromErrno(TFailureKind::Open, fileName);
  TResultOf<TContentKind> kind = SniffContent(source, fileName);
  if (!kind) return kind.Failure();
  return kind.Value() == TContentKind::Mp3;
}

bool HasMp3Extension(const std::string& fileName) {
  return EqualsIgnoringAsciiCase(ListedExtension(FileNamePart(fileName)), ".mp3");
}

TResultOf<bool> IsSongFile(const std::string& fileName) {
  if (HasMp3Extension(fileName)) return true;
  return HoldsMp3Content(fileName);
}

}  // namespace tagwright

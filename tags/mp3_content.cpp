#include "tags/mp3_content.h"

#include <array>
#include <cerrno>
#include <cstdint>

#include "files/paths.h"
#include "tags/byte_source.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

constexpr std::size_t kTrailerSize = 128;

// An MPEG audio frame header: eleven sync bits, then a version, layer, bit rate and sample rate
// that are not the reserved values.
bool IsMpegFrameHeader(const std::uint8_t* bytes) {
  if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) return false;
  const int version = (bytes[1] >> 3) & 0x03;
  const int layer = (bytes[1] >> 1) & 0x03;
  const int bitRate = bytes[2] >> 4;
  const int sampleRate = (bytes[2] >> 2) & 0x03;
  return version != 1 && layer != 0 && bitRate != 0x0F && sampleRate != 0x03;
}

}  // namespace

TResultOf<bool> HoldsMp3Content(const std::string& fileName) {
  TFileSource source;
  if (!source.Open(fileName)) return TResult::FromErrno(TFailureKind::Open, fileName);
  std::array<std::uint8_t, 4> head{};
  const std::int64_t got = source.ReadAt(0, head.data(), head.size());
  if (got < 0) return TResult::FromErrno(TFailureKind::Read, fileName);
  if (got >= 3 && head[0] == 'I' && head[1] == 'D' && head[2] == '3') return true;
  if (got == 4 && IsMpegFrameHeader(head.data())) return true;
  if (source.Size() < static_cast<std::int64_t>(kTrailerSize)) return false;
  std::array<std::uint8_t, 3> trailer{};
  if (source.ReadAt(source.Size() - static_cast<std::int64_t>(kTrailerSize), trailer.data(), trailer.size()) != 3) {
    return TResult::FromErrno(TFailureKind::Read, fileName);
  }
  return trailer[0] == 'T' && trailer[1] == 'A' && trailer[2] == 'G';
}

TResultOf<bool> IsSongFile(const std::string& fileName) {
  if (EqualsIgnoringAsciiCase(ListedExtension(FileNamePart(fileName)), ".mp3")) return true;
  return HoldsMp3Content(fileName);
}

}  // namespace tagwright

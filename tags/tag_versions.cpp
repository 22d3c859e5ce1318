#include "tags/tag_versions.h"

#include <array>
#include <cstdint>

#include "tags/byte_source.h"
#include "tags/id3v2_frames.h"

namespace tagwright {

std::string TagVersionsText(TByteSource& source) {
  std::string text;
  TID3v2Header header{};
  if (source.ReadAt(0, header.data(), header.size()) == static_cast<std::int64_t>(header.size()) &&
      IsID3v2Header(header) && header[3] >= 2 && header[3] <= 4) {
    text = "ID3v2." + std::to_string(header[3]);
  }
  constexpr std::int64_t kTrailerSize = 128;
  std::array<std::uint8_t, kTrailerSize> trailer{};
  if (source.Size() >= kTrailerSize &&
      source.ReadAt(source.Size() - kTrailerSize, trailer.data(), trailer.size()) == kTrailerSize &&
      trailer[0] == 'T' && trailer[1] == 'A' && trailer[2] == 'G') {
    constexpr std::size_t kZeroBeforeTrack = 125;
    const bool withTrack = trailer[kZeroBeforeTrack] == 0 && trailer[kZeroBeforeTrack + 1] != 0;
    text += text.empty() ? "" : " + ";
    text += withTrack ? "ID3v1.1" : "ID3v1";
  }
  return text.empty() ? std::string("none") : text;
}

}  // namespace tagwright

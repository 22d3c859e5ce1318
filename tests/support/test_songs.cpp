#include "support/test_songs.h"

namespace tagwright::testing {

std::string SongAudio(std::size_t size) {
  constexpr std::size_t kFrameSize = 418;
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    const std::size_t inFrame = i % kFrameSize;
    out.push_back(static_cast<char>(inFrame == 0 ? 0xFF : (inFrame == 1 ? 0xFB : (i * 7 + 3) & 0xFF)));
  }
  return out;
}

std::string MpegAudio(std::size_t count, std::string_view header) {
  std::string out;
  out.reserve(count * kMpegFrameSize);
  for (std::size_t frame = 0; frame < count; ++frame) {
    out += header;
    for (std::size_t i = 4; i < kMpegFrameSize; ++i) out.push_back(static_cast<char>((frame + i * 7) & 0x7F));
  }
  return out;
}

}  // namespace tagwright::testing

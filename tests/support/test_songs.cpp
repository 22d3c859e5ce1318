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

std::string EncoderHeaderFrame(std::string_view kind, std::optional<std::uint32_t> frames, std::string_view lame,
                               int delay, int padding) {
  const auto bigEndian = [](std::uint32_t value) {
    return std::string{static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
                       static_cast<char>(value)};
  };
  // The frame header, then the side information of a stereo MPEG-1 frame, all zero.
  std::string frame = std::string("\xFF\xFB\x90\x64") + std::string(32, '\0');
  frame += std::string(kind) + bigEndian(frames ? 1 : 0);
  if (frames) frame += bigEndian(*frames);
  if (!lame.empty()) {
    std::string header(36, '\0');
    header.replace(0, lame.size(), lame);
    header[21] = static_cast<char>(delay >> 4);
    header[22] = static_cast<char>(((delay & 0x0F) << 4) | ((padding >> 8) & 0x0F));
    header[23] = static_cast<char>(padding & 0xFF);
    frame += header;
  }
  frame.resize(kMpegFrameSize, '\0');
  return frame;
}

}  // namespace tagwright::testing

// The songs the tests write. One kind of audio for every test, so that a byte of it that a write
// moves or loses shows wherever it happens.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tagwright::testing {

// size bytes of audio: an MPEG frame header every 418 bytes and varied bytes between them.
std::string SongAudio(std::size_t size = 600);

// Audio that a player takes for real: count frames of MPEG-1 layer III at 128 kbit/s, 44.1 kHz,
// joint stereo, 417 bytes and 1152 samples each, without an encoder's header (header, the four bytes
// that begin each frame, can make them frames of another kind).
inline constexpr std::size_t kMpegFrameSize = 417;
std::string MpegAudio(std::size_t count, std::string_view header = "\xFF\xFB\x90\x64");

}  // namespace tagwright::testing

// The songs the tests write. One kind of audio for every test, so that a byte of it that a write
// moves or loses shows wherever it happens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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

// The frame an encoder puts before such audio, of the same kind: a Xing or Info header (kind),
// counting the frames after it when given, and a LAME header when lame names its version
// ("LAME3.100"), with the encoder's delay and padding where LAME 3.90 and later keep them.
std::string EncoderHeaderFrame(std::string_view kind, std::optional<std::uint32_t> frames, std::string_view lame = {},
                               int delay = 0, int padding = 0);

}  // namespace tagwright::testing

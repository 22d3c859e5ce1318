// MPEG audio frames in bytes already read: the four-byte frame header, finding the first frame of
// the audio past any junk, and the Xing/Info, VBRI and LAME headers an encoder writes into that
// frame. Nothing here reads a file; every function stays within the bytes it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tagwright {

enum class TChannelMode : std::uint8_t { Stereo = 0, JointStereo = 1, DualChannel = 2, Mono = 3 };

struct TMpegFrameHeader {
  int MpegVersion = 0;  // 1, 2, or 25 for MPEG 2.5
  int Layer = 0;        // 1, 2 or 3
  int BitrateKbps = 0;  // 0 in free format
  int SampleRate = 0;
  TChannelMode ChannelMode = TChannelMode::Stereo;
  bool Padding = false;
  bool Protected = false;  // a 16-bit CRC follows the header

  int SamplesPerFrame() const;
  // The frame's bytes, header included; 0 in free format, whose length the header does not give.
  int FrameLength() const;
  int Channels() const { return ChannelMode == TChannelMode::Mono ? 1 : 2; }
  // Whether another frame header can belong to the same stream: the same version, layer and
  // sample rate.
  bool SameStream(const TMpegFrameHeader& other) const;
};

// The frame header in the first four bytes, when they are one: the sync bits, and no reserved
// version, layer, bit rate or sample rate. Free format (bit rate 0) is a header, with BitrateKbps 0.
std::optional<TMpegFrameHeader> ParseMpegFrameHeader(std::span<const std::uint8_t> bytes);

struct TFirstFrame {
  std::size_t Offset = 0;
  TMpegFrameHeader Header;
};

// The first frame in bytes (the audio's start, perhaps after junk) that is confirmed by the header
// of the next frame right where its length ends, one of the same stream. A frame that ends exactly
// at the end of the bytes, or where an ID3v1 or APE tag begins, counts as confirmed when
// bytesEndAudio says that nothing follows the bytes. Free-format frames are never found.
std::optional<TFirstFrame> FindFirstFrame(std::span<const std::uint8_t> bytes, bool bytesEndAudio);

// What an encoder wrote into the first frame of the audio (that frame holds no sound).
struct TEncoderHeader {
  std::string Kind;  // "Xing", "Info" or "VBRI"
  // The frames of sound that follow this frame, and the audio's bytes including this frame.
  std::optional<std::uint32_t> Frames;
  std::optional<std::uint32_t> Bytes;
  // From a LAME header: the encoder ("LAME3.100"), its bit rate method (1 and 8 constant, 2 and 9
  // average, 3 to 6 variable), and the samples it added before and after the sound.
  std::string Encoder;
  std::optional<int> VbrMethod;
  std::optional<int> EncoderDelay;
  std::optional<int> EncoderPadding;
};

// The Xing/Info (with its LAME extension) or VBRI header in the layer III frame that begins frame
// and has the given header; frame may end early, and is never read beyond its end.
std::optional<TEncoderHeader> ParseEncoderHeader(std::span<const std::uint8_t> frame, const TMpegFrameHeader& header);

}  // namespace tagwright

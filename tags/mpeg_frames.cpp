#include "tags/mpeg_frames.h"

#include <array>
#include <string_view>

namespace tagwright {

namespace {

// Bit rates in kbit/s by bit rate index (0 is free format, 15 is reserved).
using TBitrateRow = std::array<std::uint16_t, 15>;
constexpr TBitrateRow kMpeg1Layer1{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448};
constexpr TBitrateRow kMpeg1Layer2{0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr TBitrateRow kMpeg1Layer3{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr TBitrateRow kMpeg2Layer1{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256};
constexpr TBitrateRow kMpeg2Layer23{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

int BitrateFor(int version, int layer, int index) {
  if (version == 1) {
    const TBitrateRow& row = layer == 1 ? kMpeg1Layer1 : layer == 2 ? kMpeg1Layer2 : kMpeg1Layer3;
    return row[static_cast<std::size_t>(index)];
  }
  const TBitrateRow& row = layer == 1 ? kMpeg2Layer1 : kMpeg2Layer23;
  return row[static_cast<std::size_t>(index)];
}

int SampleRateFor(int version, int index) {
  constexpr std::array<int, 3> kMpeg1{44100, 48000, 32000};
  const int rate = kMpeg1[static_cast<std::size_t>(index)];
  return version == 1 ? rate : version == 2 ? rate / 2 : rate / 4;
}

std::uint32_t BigEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) | (std::uint32_t{bytes[at + 2]} << 8) |
         std::uint32_t{bytes[at + 3]};
}

bool HasText(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view text) {
  if (at > bytes.size() || bytes.size() - at < text.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (bytes[at + i] != static_cast<std::uint8_t>(text[i])) return false;
  }
  return true;
}

// Where an ID3v1 or APE tag begins: the audio ends there.
bool TagBeginsAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return HasText(bytes, at, "TAG") || HasText(bytes, at, "APETAGEX");
}

// The bytes of side information between the frame header and a Xing header.
std::size_t SideInfoSize(const TMpegFrameHeader& header) {
  const bool mono = header.ChannelMode == TChannelMode::Mono;
  if (header.MpegVersion == 1) return mono ? 17 : 32;
  return mono ? 9 : 17;
}

// "LAME3.100" and the like; the extension with delay and padding came with 3.90.
struct TLameVersion {
  bool Known = false;
  bool Extended = false;
};

TLameVersion ParseLameVersion(std::span<const std::uint8_t> bytes, std::size_t at) {
  if (HasText(bytes, at, "L3.99")) return {true, true};
  if (!HasText(bytes, at, "LAME") || at + 9 > bytes.size()) return {};
  const auto digit = [&](std::size_t i) { return bytes[at + i] >= '0' && bytes[at + i] <= '9'; };
  if (!digit(4) || bytes[at + 5] != '.' || !digit(6)) return {true, false};
  const int major = bytes[at + 4] - '0';
  int minor = 0;
  for (std::size_t i = 6; i < 9 && digit(i); ++i) minor = minor * 10 + (bytes[at + i] - '0');
  return {true, major > 3 || (major == 3 && minor >= 90)};
}

// The encoder's name as the LAME header spells it, up to the first byte that is no printable ASCII.
std::string EncoderName(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::string name;
  for (std::size_t i = at; i < at + 9 && i < bytes.size(); ++i) {
    if (bytes[i] < 0x20 || bytes[i] > 0x7E) break;
    name += static_cast<char>(bytes[i]);
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

// The LAME extension at at, right after the Xing header's fields.
void ParseLameHeader(std::span<const std::uint8_t> frame, std::size_t at, TEncoderHeader& encoder) {
  const TLameVersion version = ParseLameVersion(frame, at);
  if (!version.Known) return;
  encoder.Encoder = EncoderName(frame, at);
  constexpr std::size_t kLameSize = 36;
  if (!version.Extended || at + kLameSize > frame.size()) return;
  encoder.VbrMethod = frame[at + 9] & 0x0F;
  encoder.EncoderDelay = (frame[at + 21] << 4) | (frame[at + 22] >> 4);
  encoder.EncoderPadding = ((frame[at + 22] & 0x0F) << 8) | frame[at + 23];
}

std::optional<TEncoderHeader> ParseXingHeader(std::span<const std::uint8_t> frame, std::size_t at) {
  const bool xing = HasText(frame, at, "Xing");
  if (!xing && !HasText(frame, at, "Info")) return std::nullopt;
  if (at + 8 > frame.size()) return std::nullopt;
  TEncoderHeader encoder;
  encoder.Kind = xing ? "Xing" : "Info";
  const std::uint32_t flags = BigEndian32(frame, at + 4);
  std::size_t position = at + 8;
  const auto field = [&](std::uint32_t flag, std::size_t size, std::optional<std::uint32_t>* value) {
    if ((flags & flag) == 0) return;
    if (value != nullptr && position + 4 <= frame.size()) *value = BigEndian32(frame, position);
    position += size;
  };
  field(0x1, 4, &encoder.Frames);
  field(0x2, 4, &encoder.Bytes);
  field(0x4, 100, nullptr);  // the table of contents, for seeking
  field(0x8, 4, nullptr);    // the quality the encoder was asked for
  ParseLameHeader(frame, position, encoder);
  return encoder;
}

std::optional<TEncoderHeader> ParseVbriHeader(std::span<const std::uint8_t> frame) {
  constexpr std::size_t kVbriOffset = 4 + 32;
  constexpr std::size_t kVbriSize = 26;
  if (!HasText(frame, kVbriOffset, "VBRI") || kVbriOffset + kVbriSize > frame.size()) return std::nullopt;
  if (frame[kVbriOffset + 4] != 0 || frame[kVbriOffset + 5] != 1) return std::nullopt;  // version 1 only
  TEncoderHeader encoder;
  encoder.Kind = "VBRI";
  encoder.Bytes = BigEndian32(frame, kVbriOffset + 10);
  encoder.Frames = BigEndian32(frame, kVbriOffset + 14);
  return encoder;
}

}  // namespace

int TMpegFrameHeader::SamplesPerFrame() const {
  if (Layer == 1) return 384;
  if (Layer == 3 && MpegVersion != 1) return 576;
  return 1152;
}

int TMpegFrameHeader::FrameLength() const {
  if (BitrateKbps == 0 || SampleRate == 0) return 0;
  const int padding = Padding ? 1 : 0;
  if (Layer == 1) return (12 * BitrateKbps * 1000 / SampleRate + padding) * 4;
  return SamplesPerFrame() / 8 * BitrateKbps * 1000 / SampleRate + padding;
}

bool TMpegFrameHeader::SameStream(const TMpegFrameHeader& other) const {
  return MpegVersion == other.MpegVersion && Layer == other.Layer && SampleRate == other.SampleRate;
}

std::optional<TMpegFrameHeader> ParseMpegFrameHeader(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 4 || bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) return std::nullopt;
  const int versionBits = (bytes[1] >> 3) & 0x03;
  const int layerBits = (bytes[1] >> 1) & 0x03;
  const int bitrateIndex = bytes[2] >> 4;
  const int rateIndex = (bytes[2] >> 2) & 0x03;
  if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0x0F || rateIndex == 0x03) return std::nullopt;
  TMpegFrameHeader header;
  header.MpegVersion = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
  header.Layer = 4 - layerBits;
  header.BitrateKbps = BitrateFor(header.MpegVersion, header.Layer, bitrateIndex);
  header.SampleRate = SampleRateFor(header.MpegVersion, rateIndex);
  header.Protected = (bytes[1] & 0x01) == 0;
  header.Padding = ((bytes[2] >> 1) & 0x01) != 0;
  header.ChannelMode = static_cast<TChannelMode>(bytes[3] >> 6);
  return header;
}

std::optional<TFirstFrame> FindFirstFrame(std::span<const std::uint8_t> bytes, bool bytesEndAudio) {
  for (std::size_t at = 0; at + 4 <= bytes.size(); ++at) {
    if (bytes[at] != 0xFF) continue;
    const std::optional<TMpegFrameHeader> header = ParseMpegFrameHeader(bytes.subspan(at));
    if (!header || header->FrameLength() == 0) continue;
    const std::size_t next = at + static_cast<std::size_t>(header->FrameLength());
    if (next + 4 <= bytes.size()) {
      const std::optional<TMpegFrameHeader> following = ParseMpegFrameHeader(bytes.subspan(next));
      if (following && following->SameStream(*header)) return TFirstFrame{at, *header};
    }
    // The last frame of the audio has no frame after it.
    if (bytesEndAudio && (next == bytes.size() || (next < bytes.size() && TagBeginsAt(bytes, next)))) {
      return TFirstFrame{at, *header};
    }
  }
  return std::nullopt;
}

std::optional<TEncoderHeader> ParseEncoderHeader(std::span<const std::uint8_t> frame, const TMpegFrameHeader& header) {
  if (header.Layer != 3) return std::nullopt;
  const std::size_t xingOffset = 4 + SideInfoSize(header);
  if (auto xing = ParseXingHeader(frame, xingOffset)) return xing;
  // Some encoders leave room for the CRC of a protected frame before the side information.
  if (header.Protected) {
    if (auto xing = ParseXingHeader(frame, xingOffset + 2)) return xing;
  }
  return ParseVbriHeader(frame);
}

}  // namespace tagwright

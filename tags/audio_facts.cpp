#include "tags/audio_facts.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <vector>

#include "tags/byte_source.h"
#include "tags/mpeg_frames.h"

namespace tagwright {

namespace {

// The bytes read where the audio begins: enough for the largest frame (1729 bytes, MPEG-1 layer II
// at 384 kbit/s and 32 kHz) and the header of the next, with room for a little junk before common
// frames (418 bytes at 128 kbit/s). Only a file with more junk than that gets the wide read, once.
constexpr std::size_t kAudioWindow = std::size_t{2} * 1024;
// The largest frame and the header of the next: what the window must hold past the audio's start.
constexpr std::int64_t kFrameReach = 1729 + 4;
constexpr std::size_t kWideAudioWindow = std::size_t{64} * 1024;
// The bytes read at the end of the file: an ID3v1 trailer and the footer of an APE tag before it.
constexpr std::size_t kTrailerSize = 128;
constexpr std::size_t kApeFooterSize = 32;
constexpr std::size_t kEndWindow = kTrailerSize + kApeFooterSize;
constexpr std::size_t kID3v2HeaderSize = 10;
// Tags stacked one after another at the start; more than this and the rest counts as junk.
constexpr int kMostStackedTags = 4;

class TAudioFaultCategory final : public std::error_category {
 public:
  const char* name() const noexcept override { return "audio"; }
  std::string message(int value) const override {
    switch (static_cast<TAudioFault>(value)) {
      case TAudioFault::NoAudio: return "no audio after the tags";
      case TAudioFault::NoFrame: return "no MPEG audio frames where the audio should begin";
      case TAudioFault::FreeFormat: return "free-format MPEG audio, whose frames give no bit rate";
    }
    return "unknown audio fault";
  }
};

std::uint32_t LittleEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} | (std::uint32_t{bytes[at + 1]} << 8) | (std::uint32_t{bytes[at + 2]} << 16) |
         (std::uint32_t{bytes[at + 3]} << 24);
}

bool StartsWith(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view text) {
  return at + text.size() <= bytes.size() &&
         std::equal(text.begin(), text.end(), bytes.subspan(at).begin(),
                    [](char c, std::uint8_t b) { return static_cast<std::uint8_t>(c) == b; });
}

// The size of the ID3v2 tag at the start of bytes (header, body and footer), or 0 when there is none.
std::int64_t ID3v2TagSize(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kID3v2HeaderSize || !StartsWith(bytes, 0, "ID3") || bytes[3] == 0xFF || bytes[4] == 0xFF) return 0;
  std::int64_t size = 0;
  for (std::size_t i = 6; i < kID3v2HeaderSize; ++i) {
    if (bytes[i] >= 0x80) return 0;
    size = (size << 7) | bytes[i];
  }
  const bool footer = bytes[3] >= 4 && (bytes[5] & 0x10) != 0;
  return static_cast<std::int64_t>(kID3v2HeaderSize) + size + (footer ? 10 : 0);
}

// The bytes that the ID3v1 trailer and an APE tag take at the end of the file, from its last
// bytes (end), which end at fileSize.
std::int64_t TrailingTagsSize(std::span<const std::uint8_t> end, std::int64_t fileSize) {
  std::int64_t size = 0;
  if (end.size() >= kTrailerSize && StartsWith(end, end.size() - kTrailerSize, "TAG")) size = kTrailerSize;
  const std::size_t left = end.size() - static_cast<std::size_t>(size);
  if (left >= kApeFooterSize && StartsWith(end, left - kApeFooterSize, "APETAGEX")) {
    const std::size_t footer = left - kApeFooterSize;
    // The declared size counts the items and the footer; a header as large as the footer may lead.
    const bool hasHeader = (end[footer + 23] & 0x80) != 0;
    size +=
        static_cast<std::int64_t>(LittleEndian32(end, footer + 12)) + (hasHeader ? std::int64_t{kApeFooterSize} : 0);
  }
  return std::min(size, fileSize);
}

// The bytes read at the start of the audio, and where in the file they were.
struct TAudioStart {
  std::array<std::uint8_t, kAudioWindow> Bytes;  // not cleared: only the Count bytes read are looked at
  std::int64_t Offset = 0;                       // where Bytes begin in the file
  std::size_t Count = 0;                         // how many were read
};

TResult ReadWindow(TByteSource& source, const std::string& fileName, std::int64_t offset, TAudioStart& start) {
  const std::int64_t got = source.ReadAt(offset, start.Bytes.data(), start.Bytes.size());
  if (got < 0) return TResult::FromErrno(TFailureKind::Read, fileName);
  start.Offset = offset;
  start.Count = static_cast<std::size_t>(got);
  return {};
}

// Makes the window begin at offset: by moving the bytes read when enough of them lie past it (or
// the file ends within them), by reading again otherwise.
TResult MoveWindow(TByteSource& source, const std::string& fileName, std::int64_t offset, TAudioStart& start) {
  const std::int64_t windowEnd = start.Offset + static_cast<std::int64_t>(start.Count);
  const bool fileEnds = windowEnd >= source.Size();
  if (offset < start.Offset || offset > windowEnd || (!fileEnds && windowEnd - offset < kFrameReach)) {
    return ReadWindow(source, fileName, offset, start);
  }
  const auto skip = static_cast<std::ptrdiff_t>(offset - start.Offset);
  std::copy(start.Bytes.begin() + skip, start.Bytes.begin() + static_cast<std::ptrdiff_t>(start.Count),
            start.Bytes.begin());
  start.Count -= static_cast<std::size_t>(skip);
  start.Offset = offset;
  return {};
}

// Reads the bytes where the audio begins: after the ID3v2 tag of tagSize bytes (found in the file
// when tagSize is not positive), and after any tags stacked behind it.
TResult ReadAudioStart(TByteSource& source, const std::string& fileName, std::int64_t tagSize, TAudioStart& start) {
  if (TResult read = ReadWindow(source, fileName, std::max<std::int64_t>(tagSize, 0), start); !read) return read;
  std::int64_t skip = ID3v2TagSize(std::span(start.Bytes.data(), start.Count));
  for (int stacked = 0; skip > 0 && stacked < kMostStackedTags; ++stacked) {
    if (start.Offset + skip >= source.Size()) {
      start.Offset = source.Size();
      start.Count = 0;
      return {};
    }
    if (TResult moved = MoveWindow(source, fileName, start.Offset + skip, start); !moved) return moved;
    skip = ID3v2TagSize(std::span(start.Bytes.data(), start.Count));
  }
  return {};
}

// The bit rate mode an encoder header tells, by the LAME header's method when it gives one.
const char* BitrateMode(const std::optional<TEncoderHeader>& encoder) {
  if (!encoder) return "cbr";
  if (encoder->VbrMethod) {
    switch (*encoder->VbrMethod) {
      case 1:
      case 8: return "cbr";
      case 2:
      case 9: return "abr";
      case 3:
      case 4:
      case 5:
      case 6: return "vbr";
      default: break;
    }
  }
  return encoder->Kind == "Info" ? "cbr" : "vbr";
}

const char* ChannelModeText(TChannelMode mode) {
  switch (mode) {
    case TChannelMode::Stereo: return "stereo";
    case TChannelMode::JointStereo: return "joint stereo";
    case TChannelMode::DualChannel: return "dual channel";
    case TChannelMode::Mono: return "mono";
  }
  return "stereo";
}

// Length and bit rate from the frame count of the encoder header: exact, less the samples the
// encoder added when it says how many.
void MeasureByFrameCount(const TMpegFrameHeader& header, const TEncoderHeader& encoder, TAudioFacts& facts) {
  const std::int64_t frames = *encoder.Frames;
  const std::int64_t samples = frames * header.SamplesPerFrame();
  const std::int64_t added = encoder.EncoderDelay.value_or(0) + encoder.EncoderPadding.value_or(0);
  const std::int64_t sound = samples > added ? samples - added : samples;
  facts.FrameCount = frames;
  facts.DurationMs = std::llround(static_cast<double>(sound) * 1000.0 / header.SampleRate);
  // The bytes of the frames counted: the header's count when it is plausible, less its own frame.
  const std::int64_t frameLength = header.FrameLength();
  std::int64_t bytes = facts.AudioSize;
  if (encoder.Bytes && *encoder.Bytes > frameLength && *encoder.Bytes <= facts.AudioSize) bytes = *encoder.Bytes;
  bytes = std::max<std::int64_t>(bytes - frameLength, 0);
  facts.BitrateKbps = static_cast<double>(bytes) * 8.0 * header.SampleRate / static_cast<double>(samples) / 1000.0;
}

// Length from the audio's size at the first frame's bit rate, as constant bit rate audio has it.
void MeasureBySize(const TMpegFrameHeader& header, bool headerFrame, TAudioFacts& facts) {
  const std::int64_t bytes = std::max<std::int64_t>(facts.AudioSize - (headerFrame ? header.FrameLength() : 0), 0);
  facts.BitrateKbps = header.BitrateKbps;
  // Bytes times eight over kbit/s gives milliseconds.
  facts.DurationMs = bytes * 8 / header.BitrateKbps;
}

TAudioFacts FactsOf(std::span<const std::uint8_t> audio, const TFirstFrame& first, std::int64_t audioOffset,
                    std::int64_t audioEnd) {
  const TMpegFrameHeader& header = first.Header;
  TAudioFacts facts;
  facts.MpegVersion = header.MpegVersion;
  facts.Layer = header.Layer;
  facts.SampleRate = header.SampleRate;
  facts.Channels = header.Channels();
  facts.ChannelMode = ChannelModeText(header.ChannelMode);
  facts.AudioOffset = audioOffset + static_cast<std::int64_t>(first.Offset);
  facts.AudioSize = audioEnd - facts.AudioOffset;
  const std::size_t frameBytes = std::min(audio.size() - first.Offset, static_cast<std::size_t>(header.FrameLength()));
  const std::optional<TEncoderHeader> encoder = ParseEncoderHeader(audio.subspan(first.Offset, frameBytes), header);
  facts.BitrateMode = BitrateMode(encoder);
  if (encoder) {
    facts.VbrHeader = encoder->Kind;
    facts.Encoder = encoder->Encoder;
    facts.EncoderDelay = encoder->EncoderDelay;
    facts.EncoderPadding = encoder->EncoderPadding;
  }
  if (encoder && encoder->Frames.value_or(0) > 0) {
    MeasureByFrameCount(header, *encoder, facts);
  } else {
    MeasureBySize(header, encoder.has_value(), facts);
  }
  return facts;
}

// Most songs need no read at their end: when the encoder's header in the first frame counts both
// the frames and their bytes, the audio ends where those bytes do. Not for a file the window reaches
// the end of, whose trailing tags the window may hold.
std::optional<TAudioFacts> FactsByEncoderCount(const TAudioStart& start, std::int64_t fileSize) {
  if (start.Offset + static_cast<std::int64_t>(start.Count) >= fileSize) return std::nullopt;
  const std::span<const std::uint8_t> audio(start.Bytes.data(), start.Count);
  const std::optional<TFirstFrame> first = FindFirstFrame(audio, false);
  if (!first) return std::nullopt;
  const std::size_t frameBytes =
      std::min(audio.size() - first->Offset, static_cast<std::size_t>(first->Header.FrameLength()));
  const std::optional<TEncoderHeader> encoder =
      ParseEncoderHeader(audio.subspan(first->Offset, frameBytes), first->Header);
  if (!encoder || encoder->Frames.value_or(0) == 0 || !encoder->Bytes) return std::nullopt;
  const std::int64_t audioOffset = start.Offset + static_cast<std::int64_t>(first->Offset);
  const std::int64_t bytes = *encoder->Bytes;
  if (bytes <= first->Header.FrameLength() || audioOffset + bytes > fileSize) return std::nullopt;
  return FactsOf(audio, *first, start.Offset, audioOffset + bytes);
}

TResult NoAudio(const std::string& fileName, TAudioFault fault) {
  return TResult::Failure(TFailureKind::Read, fileName, MakeAudioFaultCode(fault));
}

}  // namespace

const std::error_category& AudioFaultCategory() {
  static const TAudioFaultCategory category;
  return category;
}

std::error_code MakeAudioFaultCode(TAudioFault fault) { return {static_cast<int>(fault), AudioFaultCategory()}; }

bool IsAudioFault(const TResult& failure) { return failure.Error().category() == AudioFaultCategory(); }

TResultOf<TAudioFacts> ReadAudioFacts(const std::string& fileName) {
  TFileSource source;
  if (!source.Open(fileName)) return TResult::FromErrno(TFailureKind::Open, fileName);
  return ReadAudioFacts(source, fileName);
}

TResultOf<TAudioFacts> ReadAudioFacts(TByteSource& source, const std::string& fileName, std::int64_t tagSize) {
  TAudioStart start;
  if (TResult read = ReadAudioStart(source, fileName, tagSize, start); !read) return read;
  if (std::optional<TAudioFacts> counted = FactsByEncoderCount(start, source.Size())) return *std::move(counted);

  const std::int64_t fileSize = source.Size();
  std::array<std::uint8_t, kEndWindow> end{};
  const std::size_t endCount = static_cast<std::size_t>(std::min<std::int64_t>(fileSize, kEndWindow));
  if (endCount > 0 && source.ReadAt(fileSize - static_cast<std::int64_t>(endCount), end.data(), endCount) !=
                          static_cast<std::int64_t>(endCount)) {
    return TResult::FromErrno(TFailureKind::Read, fileName);
  }
  const std::int64_t audioEnd = fileSize - TrailingTagsSize(std::span(end.data(), endCount), fileSize);
  if (start.Offset >= audioEnd) return NoAudio(fileName, TAudioFault::NoAudio);
  const auto count =
      static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(start.Count), audioEnd - start.Offset));
  std::span<const std::uint8_t> audio(start.Bytes.data(), count);
  std::optional<TFirstFrame> first = FindFirstFrame(audio, start.Offset + static_cast<std::int64_t>(count) >= audioEnd);
  std::vector<std::uint8_t> wide;
  if (!first && start.Offset + static_cast<std::int64_t>(count) < audioEnd) {
    // Junk before the first frame, or no audio at all: look further, once.
    wide.resize(static_cast<std::size_t>(std::min<std::int64_t>(kWideAudioWindow, audioEnd - start.Offset)));
    const std::int64_t got = source.ReadAt(start.Offset, wide.data(), wide.size());
    if (got < 0) return TResult::FromErrno(TFailureKind::Read, fileName);
    audio = std::span(wide.data(), static_cast<std::size_t>(got));
    first = FindFirstFrame(audio, start.Offset + got >= audioEnd);
  }
  if (!first) {
    const std::optional<TMpegFrameHeader> header = ParseMpegFrameHeader(audio);
    const bool freeFormat = header && header->BitrateKbps == 0;
    return NoAudio(fileName, freeFormat ? TAudioFault::FreeFormat : TAudioFault::NoFrame);
  }
  return FactsOf(audio, *first, start.Offset, audioEnd);
}

std::string TAudioFacts::MpegText() const {
  static constexpr std::array<const char*, 4> kLayers{"", "I", "II", "III"};
  const std::string version = MpegVersion == 25 ? "2.5" : std::to_string(MpegVersion);
  const std::size_t layer = Layer >= 1 && Layer <= 3 ? static_cast<std::size_t>(Layer) : 0;
  return version + " layer " + kLayers[layer];
}

}  // namespace tagwright

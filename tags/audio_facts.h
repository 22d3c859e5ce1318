// What a song's audio is: its MPEG version and layer, sample rate, channels, bit rate and length,
// read from the first audio frame after the ID3v2 tag and the Xing/Info, VBRI or LAME header that
// an encoder may have put in it. Reading costs at most two small reads beyond the tags: one at the
// start of the audio, and one at the end of the file unless the encoder's header counts the audio's
// frames and bytes (a third, wider one only where junk hides the first frame).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

#include "files/result.h"

namespace tagwright {

class TByteSource;

struct TAudioFacts {
  int MpegVersion = 0;      // 1, 2, or 25 for MPEG 2.5
  int Layer = 0;            // 1, 2 or 3
  int SampleRate = 0;       // in Hz
  int Channels = 0;         // 1 or 2
  std::string ChannelMode;  // "stereo", "joint stereo", "dual channel" or "mono"
  std::string BitrateMode;  // "cbr", "vbr" or "abr"
  double BitrateKbps = 0;   // the average over the whole audio, in 1000 bits per second
  std::int64_t DurationMs = 0;
  // Samples the encoder added before and after the sound, when a LAME header gives them.
  std::optional<int> EncoderDelay;
  std::optional<int> EncoderPadding;
  // Where they come from: the first frame's offset in the file, the audio's bytes from there (less
  // any ID3v1 and APE tags at the end), the frame count when a header gives it (then the duration
  // is exact), the header found ("Xing", "Info", "VBRI", or empty) and the encoder it names.
  std::int64_t AudioOffset = 0;
  std::int64_t AudioSize = 0;
  std::optional<std::int64_t> FrameCount;
  std::string VbrHeader;
  std::string Encoder;

  // "1 layer III", "2.5 layer III".
  std::string MpegText() const;
};

// Why a file has no audio facts. Such a failure is a TFailureKind::Read whose error is of the audio
// category, so that its message gives the reason.
enum class TAudioFault : std::uint8_t {
  NoAudio = 1,  // nothing follows the tags
  NoFrame,      // no two MPEG audio frames in a row where the audio should begin
  FreeFormat,   // the frames declare no bit rate ("free format"), which is not measured
};
const std::error_category& AudioFaultCategory();
std::error_code MakeAudioFaultCode(TAudioFault fault);
// True when the failure says that the file holds no valid audio (rather than that it could not be read).
bool IsAudioFault(const TResult& failure);

// The audio facts of the file, or why it has none.
TResultOf<TAudioFacts> ReadAudioFacts(const std::string& fileName);
// The same on a source already open (the name only names it in failures). tagSize is the size of
// the ID3v2 tag at its start (header, frames, padding and footer) when the caller knows it, 0 when
// there is none, or -1 to have it read from the source.
TResultOf<TAudioFacts> ReadAudioFacts(TByteSource& source, const std::string& fileName, std::int64_t tagSize = -1);

}  // namespace tagwright

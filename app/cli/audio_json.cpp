#include "app/cli/audio_json.h"

#include <cmath>
#include <optional>
#include <string>

#include "app/cli/cli_context.h"

namespace tagwright::cli {

namespace {

void AddOptional(TJsonLine& line, std::string_view key, const std::optional<int>& value) {
  if (value) {
    line.Add(key, *value);
  } else {
    line.AddNull(key);
  }
}

}  // namespace

void AddAudioKeys(TJsonLine& line, const TResultOf<TAudioFacts>& facts) {
  if (!facts) {
    const TResult& failure = facts.Failure();
    // A file without valid audio says why; one that could not be read names the failure too.
    line.Add("audio_reason", IsAudioFault(failure) ? failure.Error().message() : FailureText(failure));
    return;
  }
  const TAudioFacts& audio = facts.Value();
  line.Add("duration_ms", audio.DurationMs)
      .Add("bitrate_kbps", std::round(audio.BitrateKbps * 1000.0) / 1000.0)
      .Add("bitrate_mode", audio.BitrateMode)
      .Add("sample_rate", audio.SampleRate)
      .Add("channels", audio.Channels)
      .Add("channel_mode", audio.ChannelMode)
      .Add("mpeg", audio.MpegText());
  AddOptional(line, "encoder_delay", audio.EncoderDelay);
  AddOptional(line, "encoder_padding", audio.EncoderPadding);
}

}  // namespace tagwright::cli

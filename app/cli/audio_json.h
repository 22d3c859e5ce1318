// A song's audio facts as keys of its JSON line, for `scan --audio` and `tags`.
#pragma once

#include "app/cli/json_line.h"
#include "files/result.h"
#include "tags/audio_facts.h"

namespace tagwright::cli {

// "duration_ms", "bitrate_kbps", "bitrate_mode", "sample_rate", "channels", "channel_mode", "mpeg",
// "encoder_delay" and "encoder_padding" (null when no LAME header gives them); for a file without
// valid audio, or one whose audio could not be read, "audio_reason" instead.
void AddAudioKeys(TJsonLine& line, const TResultOf<TAudioFacts>& facts);

}  // namespace tagwright::cli

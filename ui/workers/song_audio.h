// What the window learns of a song's file besides its tags, read off the window's thread: its size,
// the tag versions it holds, and the facts of its audio (or why it has none).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tags/audio_facts.h"

namespace tagwright {

struct TSongAudio {
  std::int64_t SizeBytes = -1;  // -1 while unknown
  std::string TagVersions;      // "ID3v2.3 + ID3v1.1", "none"
  std::optional<TAudioFacts> Facts;
  std::string NoFactsReason;  // when Facts is none
};

// "3:07", "1:02:03"; "1:02.5" is not used: seconds are rounded.
std::string DurationText(std::int64_t ms);
// "128 kbps", with the mode for a variable rate: "192 kbps (vbr)".
std::string BitrateText(const TAudioFacts& facts);
// "4.2 MB", "850 KB", "312 bytes".
std::string SizeText(std::int64_t bytes);

}  // namespace tagwright

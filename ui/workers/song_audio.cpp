#include "ui/workers/song_audio.h"

#include <cmath>
#include <cstdio>

namespace tagwright {

std::string DurationText(std::int64_t ms) {
  const std::int64_t seconds = (ms + 500) / 1000;
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
  }
  return text;
}

std::string BitrateText(const TAudioFacts& facts) {
  std::string text = std::to_string(std::lround(facts.BitrateKbps)) + " kbps";
  if (!facts.BitrateMode.empty() && facts.BitrateMode != "cbr") text += " (" + facts.BitrateMode + ")";
  return text;
}

std::string SizeText(std::int64_t bytes) {
  constexpr double kKilo = 1024.0;
  char text[32];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
  } else if (static_cast<double>(bytes) < kKilo * kKilo) {
    std::snprintf(text, sizeof text, "%.0f KB", static_cast<double>(bytes) / kKilo);
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (kKilo * kKilo));
  }
  return text;
}

}  // namespace tagwright

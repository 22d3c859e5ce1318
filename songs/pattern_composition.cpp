#include "songs/pattern_composition.h"

#include <algorithm>

#include "songs/file_name_composition.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

std::string TrackValue(const TSongDetails& song, std::size_t width) {
  const std::string track = TrimText(song.Track());
  if (track.empty() || !std::ranges::all_of(track, IsAsciiDigit)) return MakeFileNameSafe(track);
  const std::size_t first = std::min(track.find_first_not_of('0'), track.size());
  std::string digits = track.substr(first);
  if (digits.empty()) return {};  // track 0 is no track
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

std::string FieldValue(const TNamePattern& pattern, const TPatternPart& part, const TSongDetails& song) {
  if (part.Field == TSongField::Track) return TrackValue(song, part.Width);
  if (part.Field == TSongField::Title && !pattern.Holds(TSongField::Mix)) {
    return TrimText(MakeFileNameSafe(song.FullTitle()));
  }
  return TrimText(MakeFileNameSafe(song.Field(part.Field)));
}

TPatternName Refused(std::string problem) { return {"", std::move(problem)}; }

}  // namespace

TPatternName ComposeWithPattern(const TNamePattern& pattern, const TSongDetails& song) {
  std::string path;
  std::size_t levelStart = 0;
  for (const TPatternPart& part : pattern.Parts) {
    switch (part.Kind) {
      case TPatternPartKind::Literal: path += part.Literal; break;
      case TPatternPartKind::FolderLevel:
        if (path[levelStart] == '.') return Refused("a folder name would begin with \".\"");
        path += '/';
        levelStart = path.size();
        break;
      case TPatternPartKind::Field: {
        const std::string value = FieldValue(pattern, part, song);
        if (value.empty()) return Refused("the song has no " + std::string(PatternFieldName(part.Field)));
        path += value;
        break;
      }
    }
  }
  if (path[levelStart] == '.') return Refused("the file name would begin with \".\"");
  path += ".mp3";
  return {path, ""};
}

}  // namespace tagwright

#include "commands/pattern_plans.h"

#include <algorithm>
#include <limits>

#include "files/paths.h"
#include "songs/pattern_composition.h"
#include "songs/pattern_matching.h"
#include "songs/text_cleanup.h"
#include "tags/mp3_content.h"
#include "text/ascii_text.h"
#include "text/letters.h"

namespace tagwright {

namespace {

constexpr int kLargestTrack = 255;
constexpr const char* kTrackRangeReason = "track numbers go from 1 to 255";

// Whether a track read from a name (digits only) fits the tag.
bool TrackFits(const std::string& digits) {
  int number = 0;
  for (const char digit : digits) {
    number = number * 10 + (digit - '0');
    if (number > kLargestTrack) return false;
  }
  return true;
}

void Take(std::string& tag, const std::string& value) {
  if (!value.empty()) tag = value;
}

// Whether every value read from the name is UTF-8: a name in another character set would give the
// tag U+FFFD in place of its letters.
bool ReadsAsUtf8(const TSongDetails& read) {
  for (std::size_t field = 0; field < kSongFieldCount; ++field) {
    if (!IsValidUtf8(read.Field(static_cast<TSongField>(field)))) return false;
  }
  return true;
}

}  // namespace

TSongChange PlanTagsFromName(const TSongFile& song, TID3Info tags, const TNamePattern& pattern,
                             const TTagsFromNameOptions& options) {
  TSongChange change;
  std::optional<TSongDetails> read = MatchNamePattern(pattern, song.FileName());
  if (!read) {
    change.Skip = "the name does not fit " + pattern.Text;
    return change;
  }
  if (!ReadsAsUtf8(*read)) {
    change.Skip = "the name is not valid UTF-8";
    return change;
  }
  // The tag holds eight bits of the track: a larger number would be written as another one.
  if (!TrackFits(read->Track())) {
    change.Refusal = kTrackRangeReason;
    return change;
  }
  if (options.Cleanup) {
    read->SetTitle(CleanupTitle(read->Artist(), read->Title(), options.Tidy));
    read->SetArtist(CleanupText(read->Artist(), options.Tidy));
    read->SetAlbum(CleanupText(read->Album(), options.Tidy));
  }
  Take(tags.Title, read->FullTitle());
  Take(tags.Artist, read->Artist());
  Take(tags.Album, read->Album());
  Take(tags.Year, read->Year());
  Take(tags.Genre, read->Genre());
  Take(tags.Comment, read->Comment());
  if (!read->Track().empty()) tags.SetTrackText(read->Track());
  change.WriteTags = true;
  change.Tags = std::move(tags);
  return change;
}

TSongChange PlanRenameWithPattern(const TSongFile& song, const TNamePattern& pattern) {
  TSongChange change;
  TPatternName name = ComposeWithPattern(pattern, song);
  if (!name.Ok()) {
    change.Skip = std::move(name.Problem);
    return change;
  }
  std::string target = std::string(FolderPart(song.FileName())) + name.Path;
  if (target == song.FileName()) {
    change.Skip = "already named after the pattern";
    return change;
  }
  change.NewFileName = std::move(target);
  change.RefuseTakenName = true;
  change.MakesFolders = pattern.FolderLevels() > 0;
  return change;
}

TTrackNumbers NumberSongs(const std::vector<std::string>& fileNamesInOrder, int start, bool withTotal) {
  TTrackNumbers numbers;
  std::map<std::string, int, std::less<>> next;
  for (const std::string& fileName : fileNamesInOrder) {
    if (numbers.contains(fileName)) continue;
    const auto [at, added] = next.try_emplace(std::string(FolderPart(fileName)), start);
    numbers[fileName].Number = at->second++;
  }
  if (withTotal) {
    for (auto& [fileName, number] : numbers) number.Total = next.at(std::string(FolderPart(fileName))) - 1;
  }
  return numbers;
}

std::vector<std::string> WithoutOtherContent(std::vector<std::string> fileNames) {
  std::erase_if(fileNames, [](const std::string& fileName) {
    const TResultOf<bool> mp3 = HoldsMp3Content(fileName);
    return mp3.Ok() && !mp3.Value();
  });
  return fileNames;
}

std::vector<std::string> FileNamesInTrackOrder(const std::vector<const TSongFile*>& songs) {
  // A track of no digits, or of too many, counts as none.
  const auto key = [](const TSongFile* song) {
    const std::string& track = song->Track();
    const bool number = !track.empty() && track.size() <= 9 && std::ranges::all_of(track, IsAsciiDigit);
    const int value = number ? std::stoi(track) : 0;
    return std::pair{value == 0 ? std::numeric_limits<int>::max() : value, song->FileName()};
  };
  std::vector<std::pair<int, std::string>> keyed;
  keyed.reserve(songs.size());
  for (const TSongFile* song : songs) keyed.push_back(key(song));
  std::ranges::sort(keyed);
  std::vector<std::string> names;
  names.reserve(keyed.size());
  for (auto& [track, name] : keyed) names.push_back(std::move(name));
  return names;
}

TSongChange PlanNumberTrack(const TSongFile& song, TID3Info tags, const TTrackNumbers& numbers) {
  TSongChange change;
  const auto found = numbers.find(song.FileName());
  if (found == numbers.end()) {
    change.Skip = "not among the songs to number";
    return change;
  }
  const TTrackNumber& number = found->second;
  if (number.Number < 1 || number.Number > kLargestTrack || number.Total > kLargestTrack) {
    change.Refusal = kTrackRangeReason;
    return change;
  }
  tags.Track = static_cast<std::uint8_t>(number.Number);
  tags.TrackTotal = static_cast<std::uint8_t>(number.Total);
  change.WriteTags = true;
  change.Tags = std::move(tags);
  return change;
}

}  // namespace tagwright

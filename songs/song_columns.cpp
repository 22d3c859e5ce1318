#include "songs/song_columns.h"

#include <algorithm>
#include <charconv>

#include "files/paths.h"
#include "songs/song_status.h"
#include "text/ascii_text.h"
#include "text/letters.h"

namespace tagwright {

namespace {

constexpr std::array<std::string_view, kSongColumnCount> kCaptions = {
    "State", "File Name", "Artist",  "Title",    "Mix",     "Track", "Album",
    "Year",  "Genre",     "Comment", "Duration", "Bitrate", "Size",
};

// The number a text starts with, after blanks ("03" of a track, "1999" of "1999-05-01"); none when
// it starts with no digit.
std::optional<double> LeadingNumber(std::string_view text) {
  text = TrimView(text);
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  return static_cast<double>(value);
}

TColumnSortKey TextSortKey(std::string_view text) {
  TColumnSortKey key;
  key.Missing = TrimView(text).empty();
  if (!key.Missing) key.Text = SortingKey(text);
  return key;
}

}  // namespace

std::string_view SongColumnCaption(TSongColumn column) { return kCaptions[static_cast<std::size_t>(column)]; }

std::string_view SongStateWord(const TSongFile& song) { return SongStateWord(SongStatusOf(song)); }

std::string_view SongStateWord(TSongStatus status) {
  switch (status) {
    case TSongStatus::Incomplete: return "Incomplete";
    case TSongStatus::Unsaved: return "Unsaved";
    case TSongStatus::Unrenamed: return "Unrenamed";
    case TSongStatus::Pattern: return "Pattern";
    case TSongStatus::Good: break;
  }
  return "Good";
}

std::optional<TSongField> EditableSongField(TSongColumn column) {
  switch (column) {
    case TSongColumn::Artist: return TSongField::Artist;
    case TSongColumn::Title: return TSongField::Title;
    case TSongColumn::Track: return TSongField::Track;
    case TSongColumn::Album: return TSongField::Album;
    case TSongColumn::Year: return TSongField::Year;
    case TSongColumn::Genre: return TSongField::Genre;
    case TSongColumn::Comment: return TSongField::Comment;
    default: return std::nullopt;
  }
}

TColumnSortKey NumberSortKey(std::optional<double> value) {
  TColumnSortKey key;
  key.Missing = !value.has_value();
  key.Number = value.value_or(0);
  return key;
}

TColumnSortKey SongColumnSortKey(const TSongFile& song, TSongColumn column) {
  switch (column) {
    case TSongColumn::State: return NumberSortKey(static_cast<double>(SongStatusOf(song)));
    case TSongColumn::FileName: return TextSortKey(FileNamePart(song.FileName()));
    case TSongColumn::Track: return NumberSortKey(LeadingNumber(song.Track()));
    case TSongColumn::Year: return NumberSortKey(LeadingNumber(song.Year()));
    case TSongColumn::Duration:
    case TSongColumn::Bitrate:
    case TSongColumn::Size: return {};
    case TSongColumn::Mix: return TextSortKey(song.Mix());
    default: break;
  }
  const std::optional<TSongField> field = EditableSongField(column);
  return field ? TextSortKey(song.Field(*field)) : TColumnSortKey{};
}

void SortRowsByKey(std::vector<TSortableRow>& rows, bool descending) {
  const auto compareKeys = [](const TColumnSortKey& a, const TColumnSortKey& b) -> int {
    if (a.Missing != b.Missing) return a.Missing ? -1 : 1;
    if (a.Number != b.Number) return a.Number < b.Number ? -1 : 1;
    return a.Text.compare(b.Text);
  };
  std::sort(rows.begin(), rows.end(), [&](const TSortableRow& a, const TSortableRow& b) {
    const int order = descending ? compareKeys(b.Key, a.Key) : compareKeys(a.Key, b.Key);
    if (order != 0) return order < 0;
    return a.PathRank < b.PathRank;
  });
}

}  // namespace tagwright

// The columns of the song table ("Columns" view): what each shows of a song, which of them can be
// edited in place, and their order when one is clicked to sort by it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "songs/song_file.h"
#include "songs/song_status.h"

namespace tagwright {

enum class TSongColumn : std::uint8_t {
  State,
  FileName,
  Artist,
  Title,
  Mix,
  Track,
  Album,
  Year,
  Genre,
  Comment,
  Duration,
  Bitrate,
  Size,
};
inline constexpr int kSongColumnCount = 13;

// The header's caption of a column.
std::string_view SongColumnCaption(TSongColumn column);
// The word the state column shows for a song ("Incomplete", "Unsaved", "Unrenamed", "Pattern",
// "Good").
std::string_view SongStateWord(const TSongFile& song);
std::string_view SongStateWord(TSongStatus status);

// The detail a column shows and an edit in place changes; none for the columns that cannot be
// edited (state, file name, mix, and the audio's facts).
std::optional<TSongField> EditableSongField(TSongColumn column);

// What a row is sorted by in one column: a number for the numeric columns (track, year, duration,
// bit rate, size, and the state by its rank), a text folded for comparing without regard to case or
// accents for the others. A value that is not there sorts before every other.
struct TColumnSortKey {
  bool Missing = true;
  double Number = 0;
  std::string Text;
};

// The key of a column the song record holds; Duration, Bitrate and Size are the caller's (see
// NumberSortKey), and give a missing key here.
TColumnSortKey SongColumnSortKey(const TSongFile& song, TSongColumn column);
TColumnSortKey NumberSortKey(std::optional<double> value);

// One row to sort: the song's index in the list, its key, and its place among the rows by path, for
// ties (the song list sorted by path gives it: the song's index there).
struct TSortableRow {
  std::size_t Song = 0;
  TColumnSortKey Key;
  std::size_t PathRank = 0;
};

// Sorts by key, ascending or descending; rows of equal keys are in the order of their paths,
// whichever the direction.
void SortRowsByKey(std::vector<TSortableRow>& rows, bool descending);

}  // namespace tagwright

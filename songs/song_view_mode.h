// The five ways the song list is sorted and shown ("Sort and View By"): four one-line lists and the
// table of columns.
#pragma once

#include <cstdint>
#include <string>

#include "songs/song_list.h"

namespace tagwright {

enum class TViewMode : std::uint8_t {
  PathFileName,  // sorted by full path, the full path shown
  FileName,      // sorted by full path, the file name shown
  ArtistTitle,   // sorted by artist then full title
  TitleArtist,   // sorted by full title then artist
  Columns,       // a table of columns, sorted by the column the user clicked (else by full path)
};
inline constexpr int kViewModeCount = 5;

// The order the song list is sorted in for a view mode.
TSortOrder ViewModeSortOrder(TViewMode viewMode);

// The text of a song's row in a view mode.
std::string SongRowText(const TSongFile& song, TViewMode viewMode);

}  // namespace tagwright

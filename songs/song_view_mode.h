// The four ways the song list is sorted and labelled ("Sort and View By").
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
};
inline constexpr int kViewModeCount = 4;

// The order the song list is sorted in for a view mode.
TSortOrder ViewModeSortOrder(TViewMode viewMode);

// The text of a song's row in a view mode.
std::string SongRowText(const TSongFile& song, TViewMode viewMode);

}  // namespace tagwright

// The four ways the song list is sorted and labelled ("Sort and View By").
#pragma once

#include <string>

#include "songs/song_list.h"

namespace tagwright {

enum TViewMode : int {
  vmPathFilename = 0,  // sorted by full path, the full path shown
  vmFilename = 1,      // sorted by full path, the file name shown
  vmArtistTitle = 2,   // sorted by artist then full title
  vmTitleArtist = 3,   // sorted by full title then artist
};
inline constexpr int kViewModeCount = 4;

// The order the song list is sorted in for a view mode.
TSortOrder ViewModeSortOrder(int viewMode);

// The text of a song's row in a view mode.
std::string SongRowText(const TSongFile& song, int viewMode);

}  // namespace tagwright

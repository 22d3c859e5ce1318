#include "ui/song_view_mode.h"

#include "songs/file_name_composition.h"

namespace tagwright {

TSortOrder ViewModeSortOrder(int viewMode) {
  switch (viewMode) {
    case vmArtistTitle: return TSortOrder::ArtistTitle;
    case vmTitleArtist: return TSortOrder::TitleArtist;
    default: return TSortOrder::FileName;
  }
}

std::string SongRowText(const TSongFile& song, int viewMode) {
  switch (viewMode) {
    case vmFilename: return std::string(FileNamePart(song.FileName()));
    case vmArtistTitle: return "Artist: " + song.Artist() + ",  Title: " + song.FullTitle();
    case vmTitleArtist: return "Title: " + song.FullTitle() + ",  Artist: " + song.Artist();
    default: return song.FileName();
  }
}

}  // namespace tagwright

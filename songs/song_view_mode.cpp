#include "songs/song_view_mode.h"

#include "songs/file_name_composition.h"

namespace tagwright {

TSortOrder ViewModeSortOrder(TViewMode viewMode) {
  switch (viewMode) {
    case TViewMode::ArtistTitle: return TSortOrder::ArtistTitle;
    case TViewMode::TitleArtist: return TSortOrder::TitleArtist;
    case TViewMode::PathFileName:
    case TViewMode::FileName:
    case TViewMode::Columns: break;
  }
  return TSortOrder::FileName;
}

std::string SongRowText(const TSongFile& song, TViewMode viewMode) {
  switch (viewMode) {
    case TViewMode::FileName:
    case TViewMode::Columns: return std::string(FileNamePart(song.FileName()));
    case TViewMode::ArtistTitle: return "Artist: " + song.Artist() + ",  Title: " + song.FullTitle();
    case TViewMode::TitleArtist: return "Title: " + song.FullTitle() + ",  Artist: " + song.Artist();
    case TViewMode::PathFileName: break;
  }
  return song.FileName();
}

}  // namespace tagwright

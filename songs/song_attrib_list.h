// The owning list of song records, with its sort orders.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "songs/song_attributes.h"

namespace tagwright {

enum TSongSortOrder : std::uint8_t {
  ssFileName = 0,     // full path
  ssTitle = 1,        // full title
  ssArtist = 2,       // artist
  ssTitleArtist = 3,  // full title, then artist
  ssArtistTitle = 4,  // artist, then full title
};

class TSongAttribList {
 public:
  std::size_t Count() const { return items_.size(); }
  TAutoSongAttributes* operator[](std::size_t index) const { return items_[index].get(); }

  // Appends the song and returns its index.
  std::size_t Add(std::unique_ptr<TAutoSongAttributes> song);
  void Delete(std::size_t index);
  void Clear();
  // Sorts in place, ascending, comparing ASCII upper-cased keys byte by byte. Any value that is not
  // a sort order leaves the list as it is.
  void SortBy(int order);

 private:
  std::vector<std::unique_ptr<TAutoSongAttributes>> items_;
};

}  // namespace tagwright

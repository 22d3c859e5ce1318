// The owning list of song records, with its sort orders.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "songs/song_file.h"

namespace tagwright {

enum class TSortOrder : std::uint8_t {
  FileName,     // full path
  Title,        // full title
  Artist,       // artist
  TitleArtist,  // full title, then artist
  ArtistTitle,  // artist, then full title
};

class TSongList {
 public:
  std::size_t Count() const { return items_.size(); }
  TSongFile* operator[](std::size_t index) const { return items_[index].get(); }
  // The songs in list order.
  std::vector<const TSongFile*> Songs() const;

  // Appends the song and returns its index.
  std::size_t Add(std::unique_ptr<TSongFile> song);
  void Delete(std::size_t index);
  void Clear();
  // Sorts in place, ascending, comparing ASCII upper-cased keys byte by byte.
  void SortBy(TSortOrder order);

 private:
  std::vector<std::unique_ptr<TSongFile>> items_;
};

}  // namespace tagwright

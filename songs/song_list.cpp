#include "songs/song_list.h"

#include <algorithm>
#include <string>

#include "text/ascii_text.h"

namespace tagwright {

std::size_t TSongList::Add(std::unique_ptr<TSongFile> song) {
  items_.push_back(std::move(song));
  return items_.size() - 1;
}

void TSongList::Delete(std::size_t index) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index)); }

void TSongList::Clear() { items_.clear(); }

std::vector<const TSongFile*> TSongList::Songs() const {
  std::vector<const TSongFile*> songs;
  songs.reserve(items_.size());
  for (const auto& song : items_) songs.push_back(song.get());
  return songs;
}

void TSongList::SortBy(TSortOrder order) {
  // The keys are worked out once per song rather than once per comparison.
  struct Keyed {
    std::string primary;
    std::string tie;
    std::unique_ptr<TSongFile> song;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(items_.size());
  for (auto& song : items_) {
    Keyed entry;
    switch (order) {
      case TSortOrder::FileName: entry.primary = song->FileName(); break;
      case TSortOrder::Title: entry.primary = song->FullTitle(); break;
      case TSortOrder::Artist: entry.primary = song->Artist(); break;
      case TSortOrder::TitleArtist:
        entry.primary = song->FullTitle();
        entry.tie = song->Artist();
        break;
      case TSortOrder::ArtistTitle:
        entry.primary = song->Artist();
        entry.tie = song->FullTitle();
        break;
    }
    // Upper-cased once here, the keys then compare as plain bytes (unsigned, as memcmp does),
    // which orders them as CompareAsciiUpper does.
    entry.primary = AsciiUpperCase(entry.primary);
    entry.tie = AsciiUpperCase(entry.tie);
    entry.song = std::move(song);
    keyed.push_back(std::move(entry));
  }
  std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
    const int primary = a.primary.compare(b.primary);
    if (primary != 0) return primary < 0;
    return a.tie < b.tie;
  });
  for (std::size_t i = 0; i < keyed.size(); ++i) items_[i] = std::move(keyed[i].song);
}

}  // namespace tagwright

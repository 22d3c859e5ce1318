// How long recognising one file name takes, without tags, over a varied set of names.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "songs/recognition.h"

namespace {

const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = {
      "/home/user/Music/Madonna - Like A Prayer.mp3",
      "/home/user/Music/The Beatles - Let It Be.mp3",
      "/home/user/Music/Albums/01 - Madonna - Like A Prayer.mp3",
      "/home/user/Music/02-artist_name-song_title.mp3",
      "/home/user/Music/Blink 182 - Dammit.mp3",
      "/home/user/Music/Moby - Porcelain [Remix].mp3",
      "/home/user/Music/Some Artist - 1999 (Club Mix).mp3",
      "/home/user/Music/Artist - My Title (2).mp3",
      "/home/user/Music/Track05.mp3",
      "/home/user/Music/Artist - Title 2.mp3",
      "/home/user/Music/05 Artist - Title.mp3",
      "/home/user/Music/Beyonc\xC3\xA9 - Halo.mp3",
      // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one long name, in two pieces to fit the line
      "/home/user/Music/Various/A Very Long Artist Name Indeed - An Even Longer Song Title With Many Words (Extended "
      "Club Mix).mp3",
      "/home/user/Music/Various/Some_Band_-_Some_Song_(Live_At_The_Venue).mp3",
  };
  return names;
}

void BM_RecognizeFileName(benchmark::State& state) {
  const auto& names = Names();
  tagwright::TTokenList tokens;
  std::size_t i = 0;
  for (auto _ : state) {
    tagwright::TSongDetails song;
    tagwright::RecognizeFileName(names[i], tokens, song);
    benchmark::DoNotOptimize(song);
    if (++i == names.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecognizeFileName);

}  // namespace

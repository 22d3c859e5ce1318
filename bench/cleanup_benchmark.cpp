// How long cleaning one song's artist and title takes (Details Cleanup, Hands-Free!), as ever and
// keeping known spellings: the second must stay within 1.2 times the first.
#include <benchmark/benchmark.h>

#include <string>
#include <utility>
#include <vector>

#include "songs/known_spellings.h"
#include "songs/text_cleanup.h"

namespace {

const std::vector<std::pair<std::string, std::string>>& Songs() {
  static const std::vector<std::pair<std::string, std::string>> songs = {
      {"madonna", "madonna - like a prayer"},
      {"THE BEATLES", "LET IT BE"},
      {"ac/dc", "back in black"},
      {"lcd soundsystem", "all my friends [radio edit]"},
      {"dj shadow", "midnight in a perfect world"},
      {"r.e.m.", "losing my religion (live)"},
      {"some_band", "some_song_(live_at_the_venue)"},
      {"Paul McCartney", "maybe i'm amazed"},
      {"a very long artist name indeed", "an even longer song title with many words (extended club mix)"},
      {"moby", "why_does_my_heart_feel_so_bad"},
      {"Sin\xC3\xA9"
       "ad O'Connor",
       "nothing compares 2 u"},
      {"run-d.m.c.", "it's tricky feat. someone vs. someone else"},
  };
  return songs;
}

// Argument 0: as ever; 1: keeping the shipped known spellings.
void BM_CleanupArtistAndTitle(benchmark::State& state) {
  const tagwright::TKnownSpellings* spellings = state.range(0) == 0 ? nullptr : &tagwright::TKnownSpellings::Shipped();
  const auto& songs = Songs();
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& [artist, title] = songs[i];
    std::string cleanedTitle = tagwright::CleanupTitle(artist, title, spellings);
    std::string cleanedArtist = tagwright::CleanupText(artist, spellings);
    benchmark::DoNotOptimize(cleanedTitle);
    benchmark::DoNotOptimize(cleanedArtist);
    if (++i == songs.size()) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CleanupArtistAndTitle)->Arg(0)->Arg(1);

}  // namespace

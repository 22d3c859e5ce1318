#include "songs/genre_choices.h"

#include <algorithm>

#include "tags/genres.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

// "Hip-Hop" sorts as "hiphop": hyphens are left out and letters compared without case.
std::string SortKey(std::string_view name) {
  std::string key;
  for (char c : name) {
    if (c != '-') key += AsciiLower(c);
  }
  return key;
}

std::vector<std::string> MakeGenreChoices() {
  std::vector<std::string> names(kGenreNames.begin(), kGenreNames.end());
  names.emplace_back("Unknown");
  std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string keyA = SortKey(a);
    const std::string keyB = SortKey(b);
    return keyA != keyB ? keyA < keyB : a < b;
  });
  return names;
}

}  // namespace

const std::vector<std::string>& GenreChoices() {
  static const std::vector<std::string> choices = MakeGenreChoices();
  return choices;
}

}  // namespace tagwright

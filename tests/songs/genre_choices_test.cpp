#include "songs/genre_choices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tags/genres.h"

namespace tagwright {
namespace {

std::ptrdiff_t PositionOf(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) - names.begin();
}

TEST(GenreChoices, TheTableAndUnknownOnceEach) {
  const std::vector<std::string>& choices = GenreChoices();
  EXPECT_EQ(choices.size(), kGenreNames.size() + 1);
  EXPECT_EQ(choices.size(), 149U);
  EXPECT_EQ(std::set<std::string>(choices.begin(), choices.end()).size(), choices.size());
  EXPECT_LT(PositionOf(choices, "Unknown"), static_cast<std::ptrdiff_t>(choices.size()));
  for (std::string_view name : kGenreNames) EXPECT_LT(PositionOf(choices, std::string(name)), 149) << name;
}

TEST(GenreChoices, SortedIgnoringCaseAndHyphens) {
  const std::vector<std::string>& choices = GenreChoices();
  EXPECT_GT(PositionOf(choices, "Hip-Hop"), PositionOf(choices, "Hard Rock"));
  EXPECT_LT(PositionOf(choices, "Eurodance"), PositionOf(choices, "Euro-House"));
  EXPECT_LT(PositionOf(choices, "Euro-House"), PositionOf(choices, "Euro-Techno"));
  EXPECT_EQ(choices.front(), "Acapella");
  EXPECT_EQ(&GenreChoices(), &choices);  // made once
}

}  // namespace
}  // namespace tagwright

// The ID3v1 genre table: the genre byte of the ID3v1 trailer indexes 148 fixed names (the 80 of
// the original ID3v1 list followed by the 68 of the common extension). 255 means "no genre".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tagwright {

inline constexpr std::size_t kGenreCount = 148;
inline constexpr std::uint8_t kNoGenreNumber = 255;

// The names exactly as the table spells them ("AlternRock", "Psychadelic", "Trash Metal"...);
// lookups compare against these spellings.
extern const std::array<std::string_view, kGenreCount> kGenreNames;

// The genre byte for a name, compared ignoring ASCII case and nothing else (no trimming); 255 when
// no row matches, which includes the empty text and "Unknown".
std::uint8_t GenreToNumber(std::string_view name);

// The table's name for a genre byte; the empty text for 148 and above.
std::string NumberToGenre(std::uint8_t number);

}  // namespace tagwright

// The file name patterns the program understands, in the order they are tried.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "songs/song_details.h"

namespace tagwright {

// Stores the texts of tokens First to Last (inclusive) in Field.
struct TPatternAssignment {
  TSongField Field;
  std::uint8_t First;
  std::uint8_t Last;
};

struct TSongPattern {
  std::string_view Pattern;  // a class string; its spaces are significant
  std::array<TPatternAssignment, 5> Items;
  std::uint8_t Count;
  std::span<const TPatternAssignment> Assignments() const { return {Items.data(), Count}; }
};

std::span<const TSongPattern> SongPatternTable();

}  // namespace tagwright

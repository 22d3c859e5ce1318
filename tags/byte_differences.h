// Where two byte strings of one length differ, found a word at a time.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "tags/tag_snapshot.h"

namespace tagwright {

// The stretches of b whose bytes differ from a's, in order, each from its first differing byte to
// its last; differing bytes fewer than equalRunBetween equal bytes apart (give or take a word) share
// a stretch. Nothing when the lengths differ.
std::vector<TByteSpan> DifferingSpans(std::string_view a, std::string_view b, std::size_t equalRunBetween);

}  // namespace tagwright

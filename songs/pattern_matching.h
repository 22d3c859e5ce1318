// Reading a song's details from its file name (and the folders above it) under a name pattern.
#pragma once

#include <optional>
#include <string_view>

#include "songs/name_pattern.h"
#include "songs/song_details.h"

namespace tagwright {

// The details the file's path gives under the pattern: the name without its extension, after as
// many of the last folders as the pattern holds "/". Literal parts match exactly; each field takes
// the shortest text, trimmed and not empty, that lets the rest of the pattern fit ({track} and
// {cd} take digits only, {year} four digits; no field reaches across a "/"). A field the pattern
// holds twice keeps the first value. No value when the path does not fit the pattern.
std::optional<TSongDetails> MatchNamePattern(const TNamePattern& pattern, std::string_view path);

}  // namespace tagwright

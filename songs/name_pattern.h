// A pattern that says how a song's file name is built from its details, and so also how to read
// details back from a name: fields by name in braces ("{artist} - {title}"), "/" for a folder level,
// everything else literal ("{{" and "}}" stand for braces themselves).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "songs/song_details.h"

namespace tagwright {

enum class TPatternPartKind : std::uint8_t { Literal, Field, FolderLevel };

struct TPatternPart {
  TPatternPartKind Kind = TPatternPartKind::Literal;
  std::string Literal;                    // the text of a literal part, braces unescaped
  TSongField Field = TSongField::Artist;  // the detail of a field part
  std::size_t Width = 0;                  // digits a track is padded to ({track} 2, {track:3} 3)
  std::size_t Position = 0;               // where the part begins in the pattern's text

  bool operator==(const TPatternPart&) const = default;
};

// Two fields always have literal text (or a folder level) between them, so that reading a name
// never has to guess where one ends and the next begins; a pattern holds at least one field.
struct TNamePattern {
  std::string Text;  // as typed
  std::vector<TPatternPart> Parts;

  // How many folders above the file the pattern reaches: the number of "/" in it.
  std::size_t FolderLevels() const;
  bool Holds(TSongField field) const;
};

// A mistake in a pattern: where it is (0-based, in bytes) and what it is.
struct TPatternError {
  std::size_t Position = 0;
  std::string Message;

  bool operator==(const TPatternError&) const = default;
};

struct TPatternParse {
  std::optional<TNamePattern> Pattern;
  TPatternError Error;  // when there is no pattern

  bool Ok() const { return Pattern.has_value(); }
};

TPatternParse ParseNamePattern(std::string_view text);

// The name of a field in a pattern ("artist", "track", ...); empty for a detail no pattern holds.
std::string_view PatternFieldName(TSongField field);

}  // namespace tagwright

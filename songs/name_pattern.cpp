#include "songs/name_pattern.h"

#include <algorithm>
#include <array>
#include <utility>

#include "text/ascii_text.h"

namespace tagwright {

namespace {

constexpr std::array<std::pair<std::string_view, TSongField>, 10> kFieldNames = {{
    {"artist", TSongField::Artist},
    {"title", TSongField::Title},
    {"mix", TSongField::Mix},
    {"track", TSongField::Track},
    {"album", TSongField::Album},
    {"year", TSongField::Year},
    {"genre", TSongField::Genre},
    {"comment", TSongField::Comment},
    {"featuring", TSongField::Featuring},
    {"cd", TSongField::CD},
}};

constexpr std::size_t kTrackWidth = 2;

TPatternParse Failure(std::size_t position, std::string message) {
  TPatternParse parse;
  parse.Error = {position, std::move(message)};
  return parse;
}

std::optional<TSongField> FieldNamed(std::string_view name) {
  for (const auto& [text, field] : kFieldNames) {
    if (text == name) return field;
  }
  return std::nullopt;
}

// The field between braces at text[open] (the "{"), or the mistake in it.
std::optional<TPatternError> ReadField(std::string_view text, std::size_t open, TPatternPart& part, std::size_t& end) {
  end = text.find_first_of("{}", open + 1);
  if (end == std::string_view::npos || text[end] == '{') {
    return TPatternError{open, "the brace is not closed"};
  }
  std::string_view name = text.substr(open + 1, end - open - 1);
  std::size_t width = 0;
  if (const std::size_t colon = name.find(':'); colon != std::string_view::npos) {
    const std::string_view digits = name.substr(colon + 1);
    if (name.substr(0, colon) != "track") {
      return TPatternError{open + 1 + colon, "only {track} takes a number of digits"};
    }
    if (digits.size() != 1 || digits[0] < '1' || digits[0] > '9') {
      return TPatternError{open + 2 + colon, "the number of digits must be 1 to 9"};
    }
    width = static_cast<std::size_t>(digits[0] - '0');
    name = name.substr(0, colon);
  }
  const std::optional<TSongField> field = FieldNamed(name);
  if (!field) return TPatternError{open + 1, "unknown field {" + std::string(name) + "}"};
  part.Kind = TPatternPartKind::Field;
  part.Field = *field;
  part.Width = *field == TSongField::Track ? (width == 0 ? kTrackWidth : width) : 0;
  part.Position = open;
  return std::nullopt;
}

void AppendLiteral(std::vector<TPatternPart>& parts, char c, std::size_t position) {
  if (parts.empty() || parts.back().Kind != TPatternPartKind::Literal) {
    parts.push_back({TPatternPartKind::Literal, "", TSongField::Artist, 0, position});
  }
  parts.back().Literal.push_back(c);
}

// The mistakes only the whole pattern shows: fields side by side, and folder levels that are empty
// or would name the folder itself or the one above.
std::optional<TPatternError> CheckParts(const std::vector<TPatternPart>& parts) {
  if (std::ranges::none_of(parts, [](const TPatternPart& p) { return p.Kind == TPatternPartKind::Field; })) {
    return TPatternError{0, "the pattern holds no field"};
  }
  for (std::size_t i = 1; i < parts.size(); ++i) {
    if (parts[i].Kind == TPatternPartKind::Field && parts[i - 1].Kind == TPatternPartKind::Field) {
      return TPatternError{parts[i].Position, "two fields need text between them"};
    }
  }
  // Each folder level, and the name, holds something other than dots; a mistake is shown where the
  // level begins, or at the "/" around an empty one.
  std::size_t levelStart = 0;
  bool onlyDots = true;
  for (std::size_t i = 0; i <= parts.size(); ++i) {
    if (i == parts.size() || parts[i].Kind == TPatternPartKind::FolderLevel) {
      if (onlyDots) {
        const std::size_t at = levelStart < i ? levelStart : (i < parts.size() ? i : i - 1);
        return TPatternError{parts[at].Position, "a folder level must hold a field or a name"};
      }
      onlyDots = true;
      levelStart = i + 1;
    } else if (parts[i].Kind == TPatternPartKind::Field ||
               parts[i].Literal.find_first_not_of('.') != std::string::npos) {
      onlyDots = false;
    }
  }
  return std::nullopt;
}

}  // namespace

std::size_t TNamePattern::FolderLevels() const {
  return static_cast<std::size_t>(
      std::ranges::count_if(Parts, [](const TPatternPart& p) { return p.Kind == TPatternPartKind::FolderLevel; }));
}

bool TNamePattern::Holds(TSongField field) const {
  return std::ranges::any_of(
      Parts, [field](const TPatternPart& p) { return p.Kind == TPatternPartKind::Field && p.Field == field; });
}

TPatternParse ParseNamePattern(std::string_view text) {
  TNamePattern pattern;
  pattern.Text = std::string(text);
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    if ((c == '{' || c == '}') && at + 1 < text.size() && text[at + 1] == c) {
      AppendLiteral(pattern.Parts, c, at);
      ++at;
    } else if (c == '}') {
      return Failure(at, "the brace is not opened");
    } else if (c == '{') {
      TPatternPart part;
      std::size_t end = 0;
      if (std::optional<TPatternError> error = ReadField(text, at, part, end))
        return Failure(error->Position, error->Message);
      pattern.Parts.push_back(part);
      at = end;
    } else if (c == '/') {
      pattern.Parts.push_back({TPatternPartKind::FolderLevel, "", TSongField::Artist, 0, at});
    } else {
      AppendLiteral(pattern.Parts, c, at);
    }
  }
  if (std::optional<TPatternError> error = CheckParts(pattern.Parts)) {
    return Failure(error->Position, error->Message);
  }
  TPatternParse parse;
  parse.Pattern = std::move(pattern);
  return parse;
}

std::string_view PatternFieldName(TSongField field) {
  for (const auto& [text, named] : kFieldNames) {
    if (named == field) return text;
  }
  return {};
}

}  // namespace tagwright

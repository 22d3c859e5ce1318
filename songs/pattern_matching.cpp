#include "songs/pattern_matching.h"

#include <algorithm>
#include <string>
#include <vector>

#include "files/paths.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

// The path's last folders (as many as levels) and its name without extension, joined by "/".
std::optional<std::string> MatchedText(std::string_view path, std::size_t levels) {
  std::string text(FileNameStem(path));
  std::string_view folders = FolderPart(path);
  for (std::size_t level = 0; level < levels; ++level) {
    while (folders.ends_with('/')) folders.remove_suffix(1);
    const std::size_t slash = folders.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? folders : folders.substr(slash + 1);
    if (folder.empty()) return std::nullopt;
    std::string longer(folder);
    longer += '/';
    longer += text;
    text = std::move(longer);
    folders = slash == std::string_view::npos ? std::string_view() : folders.substr(0, slash);
  }
  return text;
}

bool AllDigits(std::string_view text) { return std::ranges::all_of(text, IsAsciiDigit); }

bool FitsField(TSongField field, std::string_view value) {
  if (value.empty()) return false;
  if (field == TSongField::Track || field == TSongField::CD) return AllDigits(value);
  if (field == TSongField::Year) return value.size() == 4 && AllDigits(value);
  return true;
}

// Walks the pattern's parts over the text, trying each field's shortest value first. The places
// already known not to fit are remembered, so that a name is read in time bounded by the number
// of parts times the square of its length.
class TPatternMatcher {
 public:
  TPatternMatcher(const TNamePattern& pattern, std::string_view text)
      : parts_(pattern.Parts), text_(text), values_(parts_.size()), failed_(parts_.size() * (text.size() + 1), false) {}

  bool Fits(std::size_t part, std::size_t at) {
    if (part == parts_.size()) return at == text_.size();
    const std::size_t state = part * (text_.size() + 1) + at;
    if (failed_[state]) return false;
    if (Step(part, at)) return true;
    failed_[state] = true;
    return false;
  }

  const std::string& Value(std::size_t part) const { return values_[part]; }

 private:
  bool Step(std::size_t part, std::size_t at) {
    const TPatternPart& current = parts_[part];
    switch (current.Kind) {
      case TPatternPartKind::Literal:
        return text_.substr(at).starts_with(current.Literal) && Fits(part + 1, at + current.Literal.size());
      case TPatternPartKind::FolderLevel: return at < text_.size() && text_[at] == '/' && Fits(part + 1, at + 1);
      case TPatternPartKind::Field: break;
    }
    for (std::size_t end = at + 1; end <= text_.size() && text_[end - 1] != '/'; ++end) {
      const std::string_view value = TrimView(text_.substr(at, end - at));
      if (!FitsField(current.Field, value)) continue;
      values_[part] = std::string(value);
      if (Fits(part + 1, end)) return true;
    }
    return false;
  }

  const std::vector<TPatternPart>& parts_;
  std::string_view text_;
  std::vector<std::string> values_;
  std::vector<bool> failed_;
};

}  // namespace

std::optional<TSongDetails> MatchNamePattern(const TNamePattern& pattern, std::string_view path) {
  const std::optional<std::string> text = MatchedText(path, pattern.FolderLevels());
  if (!text) return std::nullopt;
  TPatternMatcher matcher(pattern, *text);
  if (!matcher.Fits(0, 0)) return std::nullopt;
  TSongDetails details;
  std::vector<bool> taken(kSongFieldCount, false);
  for (std::size_t part = 0; part < pattern.Parts.size(); ++part) {
    const TPatternPart& current = pattern.Parts[part];
    if (current.Kind != TPatternPartKind::Field) continue;
    const auto index = static_cast<std::size_t>(current.Field);
    if (taken[index]) continue;
    taken[index] = true;
    details.SetField(current.Field, matcher.Value(part));
  }
  return details;
}

}  // namespace tagwright

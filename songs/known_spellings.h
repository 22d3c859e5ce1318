// Known spellings: words whose capitals clean-up keeps, such as "AC/DC", "R.E.M.", "DJ" or "feat.".
// The program ships a list of well-known stylings; users add their own words.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "files/result.h"

namespace tagwright {

class TKnownSpellings {
 public:
  // The list that comes with the program.
  static const TKnownSpellings& Shipped();

  // Adds one spelling, trimmed; an empty one is ignored. A later spelling of the same word (ignoring
  // case) replaces the earlier one, so that the user's own spelling wins over the shipped one.
  void Add(std::string_view spelling);
  // Adds every line of text; empty lines and lines starting with "#" are skipped. False, adding
  // nothing, when the text is not UTF-8.
  bool AddLines(std::string_view text);
  // Adds the lines of a UTF-8 file. A file that is not UTF-8 fails as unreadable (TFailureKind::Read).
  TResult AddFile(const std::string& path);

  std::size_t Count() const { return count_; }
  std::vector<std::string> Spellings() const;

  // The spelling that matches text at position at, ignoring case, as a whole word: what comes
  // before at and after the match is a word boundary or an end. Null when none does.
  const std::string* MatchAt(std::string_view text, std::size_t at) const;

 private:
  // Keyed by the spelling's first word, in ASCII small letters; the longest spellings first.
  std::unordered_map<std::string, std::vector<std::string>> byFirstWord_;
  std::size_t count_ = 0;
};

// Spaces, brackets, dashes and commas: what bounds a word of the list.
bool IsSpellingBoundary(char c);

}  // namespace tagwright

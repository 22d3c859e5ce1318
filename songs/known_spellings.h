// Known spellings: words whose capitals clean-up keeps, such as "AC/DC", "R.E.M.", "DJ" or "feat.".
// The program ships a list of well-known stylings; users add their own words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "text/letters.h"

namespace tagwright {

// A spelling as text may hold it: itself, or a form that file names give it ("AC,DC" or "AC-DC" for
// "AC/DC", "R.E.M" for "R.E.M.", "Run DMC" for "Run-DMC"), each standing for the spelling.
struct TSpellingForm {
  std::string Form;
  std::string Spelling;
};

class TKnownSpellings {
 public:
  // The list that comes with the program.
  static const TKnownSpellings& Shipped();

  // Adds one spelling, trimmed, with the forms file names give it; an empty one is ignored. A later
  // spelling of the same word (ignoring case) replaces the earlier one, so that the user's own
  // spelling wins over the shipped one, and a spelling wins over another one's form.
  void Add(std::string_view spelling);
  // Adds every line of text; empty lines and lines starting with "#" are skipped. False, adding
  // nothing, when the text is not UTF-8.
  bool AddLines(std::string_view text);
  // Adds the lines of a UTF-8 file. A file that is not UTF-8 fails as unreadable (TFailureKind::Read).
  TResult AddFile(const std::string& path);

  std::size_t Count() const { return count_; }
  std::vector<std::string> Spellings() const;

  // The spelling, or form of one, that matches text at position at, ignoring case, as a whole word:
  // what comes before at and after the match is a word boundary or an end. Null when none does.
  const TSpellingForm* MatchAt(std::string_view text, std::size_t at, TLetters letters = TLetters::Ascii) const;
  // The same for the word text[at, wordEnd) whose WordHash is known already.
  const TSpellingForm* MatchAt(std::string_view text, std::size_t at, std::size_t wordEnd, std::uint64_t hash,
                               TLetters letters = TLetters::Ascii) const;

  // The hash of a word, ignoring ASCII case: its length, first two and last bytes.
  static std::uint64_t WordHash(std::string_view word) {
    const auto lower = [](char c) -> std::uint64_t {
      return static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c);
    };
    if (word.empty()) return 0;
    const std::uint64_t key =
        word.size() | lower(word[0]) << 16 | lower(word[word.size() > 1 ? 1 : 0]) << 24 | lower(word.back()) << 32;
    return key * 0x9E3779B97F4A7C15ULL;
  }
  // Whether some spelling may start with a word of this hash; false for most words, cheaply.
  bool MayStartWith(std::uint64_t hash) const { return (filter_[(hash >> 58)] >> ((hash >> 52) & 63)) & 1; }

 private:
  // The spellings by their first word, in an open-addressed table that a word is looked up in
  // without allocating; the longest spellings first.
  struct TBucket {
    bool Used = false;
    std::uint64_t Hash = 0;
    std::string FirstWord;
    std::vector<TSpellingForm> Entries;
  };
  TBucket& BucketFor(std::string_view firstWord, std::uint64_t hash);
  // Adds form standing for spelling; a form replaces one equal to it, but never a spelling itself.
  // True when it is new.
  bool AddForm(std::string_view form, std::string_view spelling);
  std::vector<TBucket> table_;
  std::uint64_t filter_[64] = {};
  std::size_t used_ = 0;
  std::size_t count_ = 0;
};

// Spaces, brackets, dashes and commas: what bounds a word of the list.
constexpr bool IsSpellingBoundary(char c) {
  switch (c) {
    case ' ':
    case '(':
    case ')':
    case '[':
    case ']':
    case '{':
    case '}':
    case '-':
    case ',': return true;
    default: return false;
  }
}

}  // namespace tagwright

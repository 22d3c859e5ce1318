#include "songs/text_cleanup.h"

#include "text/ascii_text.h"
#include "text/letters.h"

namespace tagwright {

std::string UnderscoresToSpaces(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c == '_') c = ' ';
  }
  return result;
}

namespace {

// Whether the word mixes capitals and small letters after its first character.
bool MixesCase(std::string_view word) {
  std::size_t at = 1;
  // The first character may be a letter of several bytes.
  while (at < word.size() && (static_cast<unsigned char>(word[at]) & 0xC0) == 0x80) ++at;
  bool capital = false;
  bool small = false;
  for (; at < word.size(); ++at) {
    capital = capital || (word[at] >= 'A' && word[at] <= 'Z');
    small = small || (word[at] >= 'a' && word[at] <= 'z');
  }
  return capital && small;
}

}  // namespace

std::string InitialCaps(std::string_view text) { return CapitaliseWords(text); }

std::string InitialCaps(std::string_view text, const TKnownSpellings* spellings) {
  if (spellings == nullptr) return CapitaliseWords(text);
  // Every letter keeps its length in bytes, so the words sit at the same places in both texts.
  std::string result = CapitaliseWords(text, true);
  std::size_t at = 0;
  while (at < text.size()) {
    if (IsSpellingBoundary(text[at])) {
      ++at;
      continue;
    }
    if (const std::string* spelling = spellings->MatchAt(text, at)) {
      result.replace(at, spelling->size(), *spelling);
      at += spelling->size();
      continue;
    }
    std::size_t end = at;
    while (end < text.size() && !IsSpellingBoundary(text[end])) ++end;
    if (MixesCase(text.substr(at, end - at))) result.replace(at, end - at, text.substr(at, end - at));
    at = end;
  }
  return result;
}

std::string CleanupText(std::string_view text, const TKnownSpellings* spellings) {
  return ReplaceAll(InitialCaps(UnderscoresToSpaces(text), spellings), "  ", " ");
}

std::string RemoveArtistFromTitle(std::string_view artist, std::string_view title) {
  if (artist.empty() || title.size() < artist.size() || !EqualsIgnoringCase(title.substr(0, artist.size()), artist)) {
    return std::string(title);
  }
  // Only a whole word: the artist "Sting" leaves the title "Stingray" as it is. A byte beyond
  // ASCII starts a letter of some other alphabet, so it continues the word too.
  if (title.size() > artist.size()) {
    const char next = title[artist.size()];
    if (IsAsciiAlnum(next) || static_cast<unsigned char>(next) >= 0x80) return std::string(title);
  }
  std::string_view rest = TrimView(title.substr(artist.size()));
  if (!rest.empty() && rest.front() == '-') rest.remove_prefix(1);
  return TrimText(rest);
}

std::string CleanupTitle(std::string_view artist, std::string_view title, const TKnownSpellings* spellings) {
  return CleanupText(RemoveArtistFromTitle(artist, title), spellings);
}

}  // namespace tagwright

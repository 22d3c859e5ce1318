#include "songs/text_cleanup.h"

#include <algorithm>
#include <array>

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

constexpr unsigned kCapital = 1;
constexpr unsigned kSmall = 2;
constexpr unsigned kBoundary = 4;

constexpr std::array<unsigned char, 256> MakeCharacterKinds() {
  std::array<unsigned char, 256> kinds{};
  for (int c = 'A'; c <= 'Z'; ++c) kinds[c] = kCapital;
  for (int c = 'a'; c <= 'z'; ++c) kinds[c] = kSmall;
  for (int c = 0; c < 256; ++c) {
    if (IsSpellingBoundary(static_cast<char>(c))) kinds[c] = kBoundary;
  }
  return kinds;
}

// The small words of English title case, each written with its initial capital.
constexpr std::string_view kSmallWords[] = {"A",    "An", "And",  "As",  "At",  "But", "By",   "For",
                                            "From", "In", "Into", "Nor", "Of",  "On",  "Onto", "Or",
                                            "The",  "To", "Via",  "Vs",  "Vs.", "With"};

bool IsSmallWord(std::string_view word) {
  return std::ranges::any_of(kSmallWords, [word](std::string_view small) { return word == small; });
}

// Whether the text from at onwards (backwards: before at) holds only spaces up to its end or the
// edge of a part: a bracket, or a dash with a space on its far side.
bool AtEdgeOfPart(std::string_view text, std::size_t at, bool backwards) {
  while (true) {
    if (backwards ? at == 0 : at >= text.size()) return true;
    const char c = backwards ? text[at - 1] : text[at];
    if (c != ' ') {
      if (std::string_view("()[]{}").find(c) != std::string_view::npos) return true;
      if (c != '-') return false;
      const bool spaced = backwards ? (at >= 2 && text[at - 2] == ' ') : (at + 1 < text.size() && text[at + 1] == ' ');
      return spaced;
    }
    backwards ? --at : ++at;
  }
}

// What each byte is to a word of the list: a boundary, a capital, a small letter or another byte.
constexpr std::array<unsigned char, 256> kCharacterKinds = MakeCharacterKinds();

}  // namespace

std::string InitialCaps(std::string_view text, TLetters letters) { return CapitaliseWords(text, false, letters); }

std::string InitialCaps(std::string_view text, const TKnownSpellings* spellings, TLetters letters) {
  if (spellings == nullptr) return CapitaliseWords(text, false, letters);
  // Every letter keeps its length in bytes, so the words sit at the same places in both texts; a
  // form of a spelling gives way to the spelling, which may be longer or shorter.
  const std::string capitalised = CapitaliseWords(text, true, letters);
  std::string result;
  result.reserve(text.size() + 8);
  std::size_t taken = 0;  // what of text (capitalised or not) result holds
  std::size_t at = 0;
  while (at < text.size()) {
    if (IsSpellingBoundary(text[at])) {
      ++at;
      continue;
    }
    // One pass over the word: where it ends, and whether it mixes capitals and small letters after
    // its first character (which may be a letter of several bytes).
    std::size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    unsigned seen = 0;
    for (; end < text.size(); ++end) {
      const unsigned kind = kCharacterKinds[static_cast<unsigned char>(text[end])];
      if (kind == kBoundary) break;
      seen |= kind;
    }
    const bool capital = (seen & kCapital) != 0;
    const bool small = (seen & kSmall) != 0;
    const std::uint64_t hash = TKnownSpellings::WordHash(text.substr(at, end - at));
    const TSpellingForm* spelling =
        spellings->MayStartWith(hash) ? spellings->MatchAt(text, at, end, hash, letters) : nullptr;
    if (spelling != nullptr) {
      result.append(capitalised, taken, at - taken) += spelling->Spelling;
      at += spelling->Form.size();
      taken = at;
      continue;
    }
    if (capital && small) {
      result.append(capitalised, taken, at - taken) += text.substr(at, end - at);
      taken = end;
    }
    at = end;
  }
  return result.append(capitalised, taken);
}

std::string CleanupText(std::string_view text, const TKnownSpellings* spellings, TLetters letters) {
  if (spellings == nullptr) return ReplaceAll(InitialCaps(UnderscoresToSpaces(text), letters), "  ", " ");
  std::string result = InitialCaps(UnderscoresToSpaces(text), spellings, letters);
  // The same single pass as ReplaceAll(result, "  ", " "), in place.
  const std::size_t first = result.find("  ");
  if (first == std::string::npos) return result;
  std::size_t kept = first;
  for (std::size_t at = first; at < result.size(); ++at) {
    result[kept++] = result[at];
    if (result[at] == ' ' && at + 1 < result.size() && result[at + 1] == ' ') ++at;
  }
  result.resize(kept);
  return result;
}

std::string LowerSmallWords(std::string_view text) {
  std::string result(text);
  std::size_t at = 0;
  while (at < result.size()) {
    if (IsSpellingBoundary(result[at])) {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < result.size() && !IsSpellingBoundary(result[end])) ++end;
    if (IsSmallWord(std::string_view(result).substr(at, end - at)) && !AtEdgeOfPart(result, at, true) &&
        !AtEdgeOfPart(result, end, false)) {
      result[at] = static_cast<char>(result[at] - 'A' + 'a');
    }
    at = end;
  }
  return result;
}

std::string CleanupText(std::string_view text, const TTidyOptions& options) {
  std::string cleaned = CleanupText(text, options.Spellings, options.Letters);
  return options.SmallWordsInLowerCase ? LowerSmallWords(cleaned) : cleaned;
}

std::string RemoveArtistFromTitle(std::string_view artist, std::string_view title, TLetters letters) {
  if (artist.empty() || title.size() < artist.size() ||
      !EqualsIgnoringCase(title.substr(0, artist.size()), artist, letters)) {
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

std::string CleanupTitle(std::string_view artist, std::string_view title, const TKnownSpellings* spellings,
                         TLetters letters) {
  return CleanupText(RemoveArtistFromTitle(artist, title, letters), spellings, letters);
}

std::string CleanupTitle(std::string_view artist, std::string_view title, const TTidyOptions& options) {
  return CleanupText(RemoveArtistFromTitle(artist, title, options.Letters), options);
}

}  // namespace tagwright

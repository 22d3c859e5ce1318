#include "songs/name_styles.h"

#include <algorithm>
#include <array>

#include "text/ascii_text.h"

namespace tagwright {

namespace {

// In a name "_" stands for a space.
bool IsBlank(char c) { return c == ' ' || c == '_'; }
bool IsOpen(char c) { return c == '(' || c == '['; }
bool Closes(char open, char close) { return (open == '(' && close == ')') || (open == '[' && close == ']'); }

bool AllDigits(std::string_view text) { return !text.empty() && std::all_of(text.begin(), text.end(), IsAsciiDigit); }

bool IsYear(std::string_view text) {
  return text.size() == 4 && AllDigits(text) && (text.substr(0, 2) == "19" || text.substr(0, 2) == "20");
}

// Compares ignoring ASCII case, with "_" in text matching a space.
bool SameWords(std::string_view text, std::string_view words) {
  if (text.size() != words.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] == '_' ? ' ' : text[i];
    if (AsciiLower(c) != AsciiLower(words[i])) return false;
  }
  return true;
}

void CollapseBlanks(std::string& name) {
  std::string result;
  result.reserve(name.size());
  for (char c : name) {
    if (IsBlank(c) && !result.empty() && IsBlank(result.back())) continue;
    result += c;
  }
  while (!result.empty() && IsBlank(result.back())) result.pop_back();
  name = std::move(result);
}

// " (n)" with one to three digits, then " - Copy", at the end.
void TakeCopyMark(std::string& name, TTidiedName& tidied) {
  if (name.size() >= 4 && name.back() == ')') {
    const std::size_t open = name.rfind('(');
    if (open != std::string::npos && open > 0 && IsBlank(name[open - 1])) {
      const std::string_view digits = std::string_view(name).substr(open + 1, name.size() - open - 2);
      if (digits.size() <= 3 && AllDigits(digits)) {
        tidied.Copy.assign(digits);
        name.erase(open - 1);
      }
    }
  }
  constexpr std::string_view kCopy = " - copy";
  if (name.size() > kCopy.size() && SameWords(std::string_view(name).substr(name.size() - kCopy.size()), kCopy)) {
    name.erase(name.size() - kCopy.size());
  }
}

// A video id: 11 letters, digits, "-" or "_", and not a plain word (a digit, "-", "_" or a capital
// after the first character).
bool IsVideoId(std::string_view id) {
  if (id.size() != 11) return false;
  bool unlikeWord = false;
  for (std::size_t i = 0; i < id.size(); ++i) {
    const char c = id[i];
    if (!IsAsciiAlnum(c) && c != '-' && c != '_') return false;
    if (IsAsciiDigit(c) || c == '-' || c == '_' || (i > 0 && c >= 'A' && c <= 'Z')) unlikeWord = true;
  }
  return unlikeWord;
}

void TakeVideoId(std::string& name) {
  constexpr std::size_t kLength = 1 + 1 + 11 + 1;  // " [" id "]"
  if (name.size() <= kLength || name.back() != ']') return;
  const std::size_t at = name.size() - kLength;
  if (IsBlank(name[at]) && name[at + 1] == '[' && IsVideoId(std::string_view(name).substr(at + 2, 11))) {
    name.erase(at);
  }
}

void RemoveVideoWords(std::string& name) {
  static constexpr std::array<std::string_view, 7> kWords = {
      "official music video", "official video", "official audio", "lyric video", "lyrics", "audio", "hd"};
  for (std::size_t at = 1; at < name.size(); ++at) {
    if (!IsOpen(name[at]) || !IsBlank(name[at - 1])) continue;
    for (std::string_view words : kWords) {
      const std::size_t close = at + 1 + words.size();
      if (close < name.size() && Closes(name[at], name[close]) &&
          SameWords(std::string_view(name).substr(at + 1, words.size()), words)) {
        name.erase(at - 1, close - at + 2);
        at = 0;
        break;
      }
    }
  }
}

// "www." followed by at least one more dot, and nothing blank or bracketed.
bool IsWebAddress(std::string_view text) {
  if (text.size() < 7 || !SameWords(text.substr(0, 4), "www.")) return false;
  for (char c : text) {
    if (IsBlank(c) || IsOpen(c) || c == ')' || c == ']') return false;
  }
  const std::size_t dot = text.find('.', 4);
  return dot != std::string_view::npos && dot > 4 && dot + 1 < text.size();
}

void TakeWebAddress(std::string& name, TTidiedName& tidied) {
  // " - www.x.y" at the end.
  for (std::size_t at = name.size(); at-- > 0;) {
    if (at + 3 >= name.size() || !IsBlank(name[at]) || name[at + 1] != '-' || !IsBlank(name[at + 2])) continue;
    const std::string_view address = std::string_view(name).substr(at + 3);
    if (IsWebAddress(address)) {
      tidied.URL.assign(address);
      name.erase(at);
    }
    break;
  }
  // "(www.x.y)" anywhere.
  for (std::size_t open = name.find('('); open != std::string::npos; open = name.find('(', open + 1)) {
    const std::size_t close = name.find(')', open);
    if (close == std::string::npos) break;
    const std::string_view address = std::string_view(name).substr(open + 1, close - open - 1);
    if (!IsWebAddress(address)) continue;
    tidied.URL.assign(address);
    const std::size_t from = open > 0 && IsBlank(name[open - 1]) ? open - 1 : open;
    name.erase(from, close + 1 - from);
    break;
  }
}

void ReplaceLongDashes(std::string& name) {
  static constexpr std::array<std::string_view, 2> kDashes = {"\xE2\x80\x93", "\xE2\x80\x94"};
  for (std::string_view dash : kDashes) {
    for (std::size_t at = name.find(dash); at != std::string::npos; at = name.find(dash, at + 1)) {
      const std::size_t after = at + dash.size();
      if (at > 0 && IsBlank(name[at - 1]) && after < name.size() && IsBlank(name[after]))
        name.replace(at, dash.size(), "-");
    }
  }
}

bool HoldsArtistAndTitle(std::string_view rest) {
  for (std::size_t at = 0; at + 2 < rest.size(); ++at) {
    if (IsBlank(rest[at]) && rest[at + 1] == '-' && IsBlank(rest[at + 2])) return at > 0;
  }
  return false;
}

void TakeLeadingTrack(std::string& name, TTidiedName& tidied) {
  std::size_t digits = 0;
  std::size_t rest = 0;
  const std::string_view text(name);
  if (!text.empty() && IsOpen(text[0])) {
    const std::size_t close = text.find_first_of(")]");
    if (close == std::string_view::npos || !Closes(text[0], text[close]) || close + 1 >= text.size() ||
        !IsBlank(text[close + 1]) || close - 1 > 3 || !AllDigits(text.substr(1, close - 1))) {
      return;
    }
    tidied.Track.assign(text.substr(1, close - 1));
    rest = close + 2;
  } else {
    while (digits < text.size() && IsAsciiDigit(text[digits])) ++digits;
    if (digits == 0 || digits > 3 || digits + 1 >= text.size()) return;
    if (text[digits] == '.' && IsBlank(text[digits + 1])) {
      rest = digits + 2;
    } else if (IsBlank(text[digits]) && digits == 2 && text[0] == '0') {
      // "05 Artist - Title"; without the zero "50 Cent - ..." or "3 Doors Down - ..." would lose
      // their artist's first word.
      rest = digits + 1;
    } else {
      return;
    }
    tidied.Track.assign(text.substr(0, digits));
  }
  if (!HoldsArtistAndTitle(text.substr(rest))) {
    tidied.Track.clear();
    return;
  }
  name.erase(0, rest);
}

void TakeYear(std::string& name, TTidiedName& tidied) {
  if (name.size() > 7 && IsOpen(name[0]) && Closes(name[0], name[5]) && IsBlank(name[6]) &&
      IsYear(std::string_view(name).substr(1, 4))) {
    tidied.Year = name.substr(1, 4);
    name.erase(0, 7);
    return;
  }
  const std::size_t at = name.size() - 7;
  if (name.size() > 7 && IsBlank(name[at]) && IsOpen(name[at + 1]) && Closes(name[at + 1], name.back()) &&
      IsYear(std::string_view(name).substr(at + 2, 4))) {
    tidied.Year = name.substr(at + 2, 4);
    name.erase(at);
  }
}

}  // namespace

TTidiedName TidyName(std::string_view stem) {
  TTidiedName tidied;
  std::string& name = tidied.Stem;
  name.assign(stem);
  CollapseBlanks(name);
  TakeCopyMark(name, tidied);
  TakeVideoId(name);
  RemoveVideoWords(name);
  TakeWebAddress(name, tidied);
  ReplaceLongDashes(name);
  TakeLeadingTrack(name, tidied);
  TakeYear(name, tidied);
  tidied.Changed = name != stem;
  return tidied;
}

}  // namespace tagwright

#include "text/letters.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>

#include "text/ascii_text.h"

namespace tagwright {

namespace {

// The code point starting at text[at] and its length; length 0 for an invalid sequence.
struct TCodePoint {
  utf8proc_int32_t Value = 0;
  std::size_t Length = 0;
};

TCodePoint CodePointAt(std::string_view text, std::size_t at) {
  TCodePoint point;
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data() + at);
  const utf8proc_ssize_t length =
      utf8proc_iterate(bytes, static_cast<utf8proc_ssize_t>(text.size() - at), &point.Value);
  if (length > 0) point.Length = static_cast<std::size_t>(length);
  return point;
}

std::string Encode(utf8proc_int32_t value) {
  utf8proc_uint8_t bytes[4];
  const utf8proc_ssize_t length = utf8proc_encode_char(value, bytes);
  return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
}

// The code point's other case, when it has the same length in bytes; else the code point itself.
utf8proc_int32_t SameLength(utf8proc_int32_t value, utf8proc_int32_t mapped) {
  return Encode(value).size() == Encode(mapped).size() ? mapped : value;
}

bool IsLetterOrMark(utf8proc_int32_t value) {
  switch (utf8proc_category(value)) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
    case UTF8PROC_CATEGORY_MN:
    case UTF8PROC_CATEGORY_MC:
    case UTF8PROC_CATEGORY_ME: return true;
    default: return false;
  }
}

// Steps over text one character at a time: a whole letter beyond ASCII, or one byte.
template <typename Visit>
void ForEachCharacter(std::string_view text, TLetters letters, Visit visit) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t letter = AccentedLetterLength(text, at, letters);
    const std::size_t length = letter > 0 ? letter : 1;
    visit(text.substr(at, length), letter > 0);
    at += length;
  }
}

std::string MapLetter(std::string_view letter, bool upper) {
  const TCodePoint point = CodePointAt(letter, 0);
  return Encode(SameLength(point.Value, upper ? utf8proc_toupper(point.Value) : utf8proc_tolower(point.Value)));
}

// Both texts from at: the same characters, a letter beyond ASCII matching its other case.
bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t at = 0; at < a.size();) {
    const std::size_t letter = AccentedLetterLength(a, at, TLetters::Accented);
    if (letter > 0) {
      const TCodePoint mine = CodePointAt(a, at);
      const TCodePoint theirs = CodePointAt(b, at);
      if (theirs.Length != letter || SameLength(mine.Value, utf8proc_tolower(mine.Value)) !=
                                         SameLength(theirs.Value, utf8proc_tolower(theirs.Value))) {
        return false;
      }
      at += letter;
    } else {
      if (AsciiLower(a[at]) != AsciiLower(b[at])) return false;
      ++at;
    }
  }
  return true;
}

}  // namespace

std::size_t AccentedLetterLength(std::string_view text, std::size_t at, TLetters letters) {
  if (letters == TLetters::Ascii || at >= text.size() || static_cast<unsigned char>(text[at]) < 0x80) return 0;
  const TCodePoint point = CodePointAt(text, at);
  return point.Length > 0 && IsLetterOrMark(point.Value) ? point.Length : 0;
}

std::string CapitaliseWords(std::string_view text, bool bracketsStartWords, TLetters letters) {
  std::string result;
  result.reserve(text.size());
  bool startsWord = true;
  ForEachCharacter(text, letters, [&](std::string_view character, bool accented) {
    if (accented) {
      // A combining mark belongs to the letter before it and starts nothing.
      const bool mark = utf8proc_category(CodePointAt(character, 0).Value) >= UTF8PROC_CATEGORY_MN &&
                        utf8proc_category(CodePointAt(character, 0).Value) <= UTF8PROC_CATEGORY_ME;
      result += MapLetter(character, startsWord && !mark);
    } else {
      result += startsWord ? AsciiUpper(character[0]) : AsciiLower(character[0]);
    }
    const char c = character[0];
    startsWord =
        !accented && (c == ' ' || c == '-' || c == '(' || c == ')' || (bracketsStartWords && (c == '[' || c == '{')));
  });
  return result;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b, TLetters letters) {
  if (letters == TLetters::Ascii) return EqualsIgnoringAsciiCase(a, b);
  return SameIgnoringCase(a, b);
}

bool IsValidUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    const TCodePoint point = CodePointAt(text, at);
    if (point.Length == 0) return false;
    at += point.Length;
  }
  return true;
}

std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, TLetters letters) {
  if (letters == TLetters::Ascii) return FindIgnoringAsciiCase(text, needle);
  if (needle.size() > text.size()) return std::string_view::npos;
  for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
    // Only at the start of a character: never inside a letter's bytes.
    if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
    if (SameIgnoringCase(text.substr(at, needle.size()), needle)) return at;
  }
  return std::string_view::npos;
}

std::string SortingKey(std::string_view text) {
  // Plain ASCII, the common case, needs no more than its capitals lowered.
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return AsciiLowerCase(text);
  }
  utf8proc_uint8_t* folded = nullptr;
  const auto options =
      static_cast<utf8proc_option_t>(UTF8PROC_CASEFOLD | UTF8PROC_DECOMPOSE | UTF8PROC_STRIPMARK | UTF8PROC_COMPAT);
  const utf8proc_ssize_t length = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                               static_cast<utf8proc_ssize_t>(text.size()), &folded, options);
  if (length < 0) return AsciiLowerCase(text);
  std::string key(reinterpret_cast<const char*>(folded), static_cast<std::size_t>(length));
  std::free(folded);
  return key;
}

}  // namespace tagwright

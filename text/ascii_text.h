// Byte-wise text helpers shared by the core. Texts are UTF-8 byte strings; case folding touches
// only the ASCII letters, and every comparison is on unsigned bytes.
#pragma once

#include <string>
#include <string_view>

namespace tagwright {

// Removes every leading and trailing byte whose code is 32 or below (blanks and control codes).
std::string TrimText(std::string_view text);
std::string_view TrimView(std::string_view text);

inline char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
inline char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
inline bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
inline bool IsAsciiAlnum(char c) { return IsAsciiLetter(c) || IsAsciiDigit(c); }

std::string AsciiUpperCase(std::string_view text);
std::string AsciiLowerCase(std::string_view text);

// Three-way comparison of the ASCII upper-cased texts, byte by byte as unsigned values; a prefix
// sorts before the longer text. Negative, zero or positive.
int CompareAsciiUpper(std::string_view a, std::string_view b);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Position of the first occurrence of needle in text ignoring ASCII case, or npos.
std::size_t FindIgnoringAsciiCase(std::string_view text, std::string_view needle);

// Replaces every occurrence of find, left to right and without overlaps, in one pass.
std::string ReplaceAll(std::string_view text, std::string_view find, std::string_view replacement);

}  // namespace tagwright

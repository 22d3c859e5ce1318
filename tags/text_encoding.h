// Conversions between the program's texts (UTF-8) and the character encodings that ID3 tags use:
// ISO-8859-1 (ID3v1 and ID3v2 encoding 0), UTF-16 with or without byte order mark (ID3v2
// encodings 1 and 2) and UTF-8 (ID3v2.4 encoding 3).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tagwright {

// The text encoding byte at the start of an ID3v2 text frame.
enum class TID3Encoding : std::uint8_t { Latin1 = 0, Utf16 = 1, Utf16BE = 2, Utf8 = 3 };

inline bool IsKnownID3Encoding(std::uint8_t byte) { return byte <= 3; }

// Every ISO-8859-1 byte is the code point of the same value.
std::string Latin1ToUtf8(std::string_view latin1);

// Whether every character of the UTF-8 text is U+0000..U+00FF (bytes that are not valid UTF-8
// count as U+FFFD, so they do not fit).
bool FitsLatin1(std::string_view utf8);

// Characters above U+00FF (and invalid UTF-8) become the replacement byte.
std::string Utf8ToLatin1(std::string_view utf8, char replacement = '?');

// Turns arbitrary bytes into valid UTF-8: well-formed sequences stay, every invalid byte becomes
// U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

// UTF-16 code units (two bytes each; an odd last byte is ignored) to UTF-8; surrogate pairs are
// combined and an unpaired surrogate becomes U+FFFD. No byte order mark handling here.
std::string Utf16ToUtf8(const std::uint8_t* data, std::size_t size, bool bigEndian);

// UTF-8 to UTF-16 little-endian code units, without byte order mark.
std::string Utf8ToUtf16LE(std::string_view utf8);

// Width of the string terminator in an encoding: two zero bytes for the UTF-16 encodings, one
// otherwise.
std::size_t ID3TerminatorWidth(std::uint8_t encoding);

// Position of the first terminator at or after start (for UTF-16, only at an even distance from
// start, so a zero high byte followed by a zero low byte is not mistaken for one), or npos.
std::size_t FindID3Terminator(std::string_view bytes, std::size_t start, std::uint8_t encoding);

// Decodes one encoded string (no terminator inside) to UTF-8. For encoding 1 a leading byte order
// mark (FF FE or FE FF) decides the byte order and is dropped; without one the byte order of the
// previous string of the same frame is used (little-endian for the first). bigEndianState carries
// that order from string to string. Encoding 0 and unknown encodings are read as ISO-8859-1.
std::string DecodeID3String(std::uint8_t encoding, std::string_view bytes, bool& bigEndianState);

// Decodes the text part of a text frame: the strings separated by terminators (ID3v2.4 allows
// several values) are decoded, trimmed of characters of code 32 or below, and joined with "/"; a
// trailing terminator ends the list. The result is trimmed too.
std::string DecodeID3TextList(std::uint8_t encoding, std::string_view bytes);

// The bytes of a text in the encoding that ID3v2.3 writers should use for it: ISO-8859-1 (encoding
// 0) when every character fits, otherwise UTF-16 with byte order mark FF FE (encoding 1). Returns
// the encoding byte through encoding; the result carries no terminator.
std::string EncodeID3v23String(std::string_view utf8, std::uint8_t& encoding);

}  // namespace tagwright

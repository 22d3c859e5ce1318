#include "tags/text_encoding.h"

#include <vector>

#include "text/ascii_text.h"

namespace tagwright {

namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Decodes the code point at pos and advances pos; an invalid sequence yields U+FFFD and advances
// by one byte. Overlong forms, surrogates and values above U+10FFFF are invalid.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return lead;
  }
  std::size_t length;
  char32_t cp;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return kReplacementCharacter;
  }
  if (pos + length > text.size()) {
    ++pos;
    return kReplacementCharacter;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) {
      ++pos;
      return kReplacementCharacter;
    }
    cp = (cp << 6) | (next & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return kReplacementCharacter;
  }
  pos += length;
  return cp;
}

bool IsValidAt(std::string_view text, std::size_t pos, std::size_t& next) {
  next = pos;
  const char32_t cp = NextCodePoint(text, next);
  // A literal U+FFFD (EF BF BD) is valid; an invalid byte advances by exactly one.
  return cp != kReplacementCharacter || next - pos == 3;
}

}  // namespace

std::string Latin1ToUtf8(std::string_view latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char c : latin1) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

bool FitsLatin1(std::string_view utf8) {
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    std::size_t next;
    if (!IsValidAt(utf8, pos, next)) return false;
    std::size_t p = pos;
    if (NextCodePoint(utf8, p) > 0xFF) return false;
    pos = next;
  }
  return true;
}

std::string Utf8ToLatin1(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    std::size_t next;
    const bool valid = IsValidAt(utf8, pos, next);
    std::size_t p = pos;
    const char32_t cp = NextCodePoint(utf8, p);
    out.push_back(valid && cp <= 0xFF ? static_cast<char>(cp) : replacement);
    pos = next;
  }
  return out;
}

std::string SanitizeUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[pos]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++pos;
      continue;
    }
    AppendUtf8(out, NextCodePoint(bytes, pos));
  }
  return out;
}

std::string Utf16ToUtf8(const std::uint8_t* data, std::size_t size, bool bigEndian) {
  std::string out;
  out.reserve(size);
  const std::size_t units = size / 2;
  const auto unitAt = [&](std::size_t i) -> char32_t {
    const std::uint8_t a = data[2 * i];
    const std::uint8_t b = data[2 * i + 1];
    return bigEndian ? static_cast<char32_t>((a << 8) | b) : static_cast<char32_t>((b << 8) | a);
  };
  for (std::size_t i = 0; i < units; ++i) {
    const char32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
      const char32_t low = unitAt(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacementCharacter : unit);
  }
  return out;
}

std::string Utf8ToUtf16LE(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size() * 2);
  const auto put = [&](char32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>((unit >> 8) & 0xFF));
  };
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const char32_t cp = NextCodePoint(utf8, pos);
    if (cp >= 0x10000) {
      put(0xD800 + ((cp - 0x10000) >> 10));
      put(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      put(cp);
    }
  }
  return out;
}

std::size_t ID3TerminatorWidth(std::uint8_t encoding) { return (encoding == 1 || encoding == 2) ? 2 : 1; }

std::size_t FindID3Terminator(std::string_view bytes, std::size_t start, std::uint8_t encoding) {
  if (ID3TerminatorWidth(encoding) == 1) {
    return start <= bytes.size() ? bytes.find('\0', start) : std::string_view::npos;
  }
  for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
    if (bytes[i] == '\0' && bytes[i + 1] == '\0') return i;
  }
  return std::string_view::npos;
}

std::string DecodeID3String(std::uint8_t encoding, std::string_view bytes, bool& bigEndianState) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  switch (encoding) {
    case 1: {
      std::size_t start = 0;
      if (bytes.size() >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        bigEndianState = false;
        start = 2;
      } else if (bytes.size() >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        bigEndianState = true;
        start = 2;
      }
      return Utf16ToUtf8(data + start, bytes.size() - start, bigEndianState);
    }
    case 2: return Utf16ToUtf8(data, bytes.size(), true);
    case 3: return SanitizeUtf8(bytes);
    default: return Latin1ToUtf8(bytes);
  }
}

std::string DecodeID3TextList(std::uint8_t encoding, std::string_view bytes) {
  const std::size_t width = ID3TerminatorWidth(encoding);
  bool bigEndian = false;
  std::vector<std::string> values;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = FindID3Terminator(bytes, pos, encoding);
    const bool terminated = end != std::string_view::npos;
    if (!terminated) end = bytes.size();
    values.push_back(TrimText(DecodeID3String(encoding, bytes.substr(pos, end - pos), bigEndian)));
    if (!terminated) break;
    pos = end + width;
  }
  // Terminators at the end (one, or a zero fill some writers leave) end the list.
  while (!values.empty() && values.back().empty()) values.pop_back();
  std::string joined;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) joined += '/';
    joined += values[i];
  }
  return TrimText(joined);
}

std::string EncodeID3v23String(std::string_view utf8, std::uint8_t& encoding) {
  if (FitsLatin1(utf8)) {
    encoding = 0;
    return Utf8ToLatin1(utf8);
  }
  encoding = 1;
  return std::string("\xFF\xFE", 2) + Utf8ToUtf16LE(utf8);
}

}  // namespace tagwright

#include "app/cli/json_line.h"

#include <array>
#include <charconv>
#include <cmath>

namespace tagwright::cli {

namespace {

// Length of the valid UTF-8 sequence starting at text[at], or 0 when it is not one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

void AppendHexEscape(std::string& out, unsigned value) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(value >> shift) & 0xF];
}

// Printable ASCII other than the quote and the backslash goes out as it is.
constexpr std::array<bool, 256> MakePlainAsciiTable() {
  std::array<bool, 256> table{};
  for (int c = 0x20; c < 0x80; ++c) table[c] = c != '"' && c != '\\';
  return table;
}
constexpr std::array<bool, 256> kPlainAscii = MakePlainAsciiTable();
bool IsPlainAscii(unsigned char c) { return kPlainAscii[c]; }

// Room enough for most lines, a song's with its audio facts among them.
constexpr std::size_t kLineCapacity = 1024;

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  std::size_t i = 0;
  while (i < text.size()) {
    // Runs of plain ASCII, most of any song's texts, are copied at once.
    std::size_t run = i;
    while (run < text.size() && IsPlainAscii(static_cast<unsigned char>(text[run]))) ++run;
    if (run > i) {
      out.append(text.data() + i, run - i);
      i = run;
      continue;
    }
    const auto c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '"':
        out += "\\\"";
        ++i;
        continue;
      case '\\':
        out += "\\\\";
        ++i;
        continue;
      case '\n':
        out += "\\n";
        ++i;
        continue;
      case '\r':
        out += "\\r";
        ++i;
        continue;
      case '\t':
        out += "\\t";
        ++i;
        continue;
      default: break;
    }
    if (c < 0x20) {
      AppendHexEscape(out, c);
      ++i;
      continue;
    }
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      AppendHexEscape(out, 0xDC00u + c);
      ++i;
      continue;
    }
    out.append(text.substr(i, length));
    i += length;
  }
  out += '"';
}

void TJsonLine::AddKey(std::string_view key) {
  if (body_.empty()) {
    body_.reserve(kLineCapacity);  // grown once at most, rather than at every few keys
  } else {
    body_ += ',';
  }
  AppendJsonString(body_, key);
  body_ += ':';
}

TJsonLine& TJsonLine::Add(std::string_view key, std::string_view text) {
  AddKey(key);
  AppendJsonString(body_, text);
  return *this;
}

TJsonLine& TJsonLine::Add(std::string_view key, bool value) {
  AddKey(key);
  body_ += value ? "true" : "false";
  return *this;
}

TJsonLine& TJsonLine::Add(std::string_view key, std::int64_t value) {
  AddKey(key);
  body_ += std::to_string(value);
  return *this;
}

TJsonLine& TJsonLine::Add(std::string_view key, double value) {
  if (!std::isfinite(value)) return AddNull(key);
  AddKey(key);
  std::array<char, 32> text{};
  const std::to_chars_result written = std::to_chars(text.data(), text.data() + text.size(), value);
  body_.append(text.data(), written.ptr);
  return *this;
}

TJsonLine& TJsonLine::Add(std::string_view key, const TJsonLine& object) {
  AddKey(key);
  body_ += object.Text();
  return *this;
}

TJsonLine& TJsonLine::AddNull(std::string_view key) {
  AddKey(key);
  body_ += "null";
  return *this;
}

std::string TJsonLine::Text() const {
  std::string text;
  text.reserve(body_.size() + 2);
  text += '{';
  text += body_;
  text += '}';
  return text;
}

}  // namespace tagwright::cli

// Building ID3 tags byte by byte for tests, independently of the writer under test.
#pragma once

#include "tags/id3_info.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "support/test_songs.h"

namespace tagwright::testing {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

inline std::string Syncsafe(std::uint32_t v) {
  return Bytes({static_cast<int>((v >> 21) & 0x7F), static_cast<int>((v >> 14) & 0x7F),
                static_cast<int>((v >> 7) & 0x7F), static_cast<int>(v & 0x7F)});
}

inline std::string BigEndian32(std::uint32_t v) {
  return Bytes({static_cast<int>(v >> 24), static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>(v & 0xFF)});
}

// A version 2.3 frame (plain size) or 2.4 frame (syncsafe size) with flag bytes.
inline std::string Frame23(std::string_view id, std::string_view content, int status = 0, int format = 0) {
  return std::string(id) + BigEndian32(static_cast<std::uint32_t>(content.size())) + Bytes({status, format}) +
         std::string(content);
}
inline std::string Frame24(std::string_view id, std::string_view content, int status = 0, int format = 0) {
  return std::string(id) + Syncsafe(static_cast<std::uint32_t>(content.size())) + Bytes({status, format}) +
         std::string(content);
}
inline std::string Frame22(std::string_view id, std::string_view content) {
  const auto n = static_cast<std::uint32_t>(content.size());
  return std::string(id) +
         Bytes({static_cast<int>(n >> 16), static_cast<int>((n >> 8) & 0xFF), static_cast<int>(n & 0xFF)}) +
         std::string(content);
}

// A text frame's content in ISO-8859-1 (the text given as bytes).
inline std::string Latin1Text(std::string_view text) { return std::string(1, '\0') + std::string(text); }

// A tag: header of the version and flags, the body, then padding zero bytes.
inline std::string Tag(int major, std::string_view body, std::size_t padding = 0, int flags = 0) {
  const auto size = static_cast<std::uint32_t>(body.size() + padding);
  return "ID3" + Bytes({major, 0, flags}) + Syncsafe(size) + std::string(body) + std::string(padding, '\0');
}

// A few bytes standing in for MPEG audio frames.
// A tag record with the given values.
// NOLINTNEXTLINE(readability-function-size): the tests' tables give a record's seven fields in a row
inline TID3Info Info(std::string title, std::string artist = {}, std::string album = {}, std::string year = {},
                     std::string comment = {}, int track = 0, std::string genre = {}) {
  TID3Info info;
  info.Title = std::move(title);
  info.Artist = std::move(artist);
  info.Album = std::move(album);
  info.Year = std::move(year);
  info.Comment = std::move(comment);
  info.Track = static_cast<std::uint8_t>(track);
  info.Genre = std::move(genre);
  return info;
}

// An ID3v1 trailer with the given fields (cut or space-filled), genre byte and optional v1.1 track.
// NOLINTNEXTLINE(readability-function-size): the trailer's seven fields in their order on disk
inline std::string Trailer(std::string_view title, std::string_view artist = {}, std::string_view album = {},
                           std::string_view year = {}, std::string_view comment = {}, int genre = 255, int track = -1) {
  std::string t = "TAG";
  const auto field = [&](std::string_view text, std::size_t width) {
    std::string f(text.substr(0, width));
    f.resize(width, ' ');
    t += f;
  };
  field(title, 30);
  field(artist, 30);
  field(album, 30);
  field(year, 4);
  field(comment, 30);
  if (track >= 0) {
    t[125] = '\0';
    t[126] = static_cast<char>(track);
  }
  t.push_back(static_cast<char>(genre));
  return t;
}

}  // namespace tagwright::testing

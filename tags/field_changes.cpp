#include "tags/field_changes.h"

#include <algorithm>
#include <tuple>
#include <vector>

#include "tags/byte_source.h"
#include "tags/id3v2.h"
#include "tags/id3v2_pictures.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

constexpr std::size_t kTrailerSize = 128;

// The ID3v2 tag that head holds (a tag with HasTag false when it holds none).
TID3v2 LoadedTag(std::string_view head) {
  TID3v2 tag;
  TMemorySource source(head);
  if (!tag.Load(source)) tag.Reset();
  return tag;
}

bool SameFields(const TID3v2& a, const TID3v2& b) {
  return a.HasTag == b.HasTag && a.Title == b.Title && a.Artist == b.Artist && a.Album == b.Album &&
         a.Track == b.Track && TrimText(a.TrackText) == TrimText(b.TrackText) && a.Year == b.Year &&
         a.Genre == b.Genre && a.Comment == b.Comment && a.Composer == b.Composer && a.Encoder == b.Encoder &&
         a.Copyright == b.Copyright && a.Language == b.Language && a.Link == b.Link;
}

// The tag's pictures in an order of their own; none when the tag cannot be read.
std::vector<TPicture> SortedPictures(std::string_view head) {
  TMemorySource source(head);
  TResultOf<std::vector<TPicture>> read = ReadEmbeddedPictures(source);
  if (!read) return {};
  std::vector<TPicture> pictures = std::move(read.Value());
  const auto key = [](const TPicture& p) { return std::tie(p.Type, p.MimeType, p.Description, p.Data); };
  std::ranges::sort(pictures, [&](const TPicture& a, const TPicture& b) { return key(a) < key(b); });
  return pictures;
}

TID3Info TrailerValues(std::string_view bytes) {
  TID3v1Buffer buffer{};
  std::copy(bytes.begin(), bytes.end(), buffer.begin());
  return ID3v1Values(buffer);
}

}  // namespace

bool ChangesAnyField(const TTagSnapshot& before, const TWrittenTags& after) {
  // A song too short to tell its trailer from its tag is written as before.
  if (before.Whole || before.Tail.size() != kTrailerSize || after.Trailer.size() != kTrailerSize) return true;
  const TID3v2 old = LoadedTag(before.Head);
  if (old.HasTag && old.TagSize <= 0) return true;
  if (!SameFields(old, LoadedTag(after.Head))) return true;
  return TrailerValues(before.Tail) != TrailerValues(after.Trailer);
}

bool ChangesPictures(std::string_view before, std::string_view after) {
  const std::vector<TPicture> old = SortedPictures(before);
  const std::vector<TPicture> now = SortedPictures(after);
  const auto key = [](const TPicture& p) { return std::tie(p.Type, p.MimeType, p.Description, p.Data); };
  return !std::ranges::equal(old, now, [&](const TPicture& a, const TPicture& b) { return key(a) == key(b); });
}

}  // namespace tagwright

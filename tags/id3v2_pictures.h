// The pictures of a song: those its ID3v2 tag holds (APIC frames; PIC in version 2.2), and the
// picture of its folder (cover.jpg and its kin). The writer keeps the tag's pictures byte for byte
// unless told a change of them (tags/picture_change.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"

namespace tagwright {

class TByteSource;

inline constexpr std::uint8_t kFrontCoverPicture = 3;  // the picture type of a front cover
// Pictures larger than this are not read (no cover is that large; a damaged size could be).
inline constexpr std::size_t kLargestPicture = 16u << 20;

struct TPicture {
  std::uint8_t Type = 0;  // 3: front cover, 0: other...
  std::string MimeType;   // as the frame names it ("image/jpeg"), empty when it names none
  std::string Description;
  std::string Data;  // the image file's bytes
};

// A picture frame's content as version 2.3 and 2.4 lay it out (encoding, MIME type, type,
// description, data); none when it is too short to hold one.
std::optional<TPicture> ParsePictureFrame(std::string_view content);

// What tells a picture frame from the tag's others: its type and description, read from its
// content as ParsePictureFrame reads it, without copying the picture's bytes.
struct TPictureLabel {
  std::uint8_t Type = 0;
  std::string Description;
  std::size_t DataOffset = 0;  // where the picture's bytes begin in the content
};
std::optional<TPictureLabel> ParsePictureLabel(std::string_view content);

// Every picture of the tag at the start of the source, in tag order; none when it has no tag.
// Fails only when the source cannot be read.
TResultOf<std::vector<TPicture>> ReadEmbeddedPictures(TByteSource& source);
TResultOf<std::vector<TPicture>> ReadEmbeddedPictures(const std::string& fileName);

// The picture to show as the cover: the first front cover, else the first picture; null for none.
const TPicture* ChooseCover(const std::vector<TPicture>& pictures);

// The folder's picture file: cover.jpg, folder.jpg or front.jpg (in that order; the case of the
// letters does not count, nor ".jpeg" for ".jpg"), else the first .png by name. Empty for none.
std::string FindFolderCover(const std::string& folder);

}  // namespace tagwright

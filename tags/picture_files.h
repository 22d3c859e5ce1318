// Picture files to embed as covers and to save covers into: JPEG and PNG told by their first bytes,
// never by their names, and a size limit the user can change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "files/result.h"
#include "tags/id3v2_pictures.h"

namespace tagwright {

enum class TImageFormat : std::uint8_t { Other, Jpeg, Png };

// What the bytes are by their magic numbers.
TImageFormat ImageFormatOf(std::string_view bytes);
// "image/jpeg", "image/png"; empty for Other.
const char* MimeTypeOf(TImageFormat format);
// ".jpg", ".png"; empty for Other.
const char* ExtensionOf(TImageFormat format);

// Pictures larger than this are refused by default; a limit can be from 1 byte to kLargestPicture.
inline constexpr std::uint64_t kDefaultPictureLimit = 10'000'000;

// Why the picture file at path, of size bytes beginning with head, cannot be embedded as a cover,
// in words for the user: "... is no JPEG or PNG picture", "... is 12.3 MB, over the limit of
// 10 MB"; empty when it can.
std::string PictureProblem(const std::string& path, std::string_view head, std::uint64_t size, std::uint64_t limit);

// The picture file's problem (as PictureProblem) found from its size and first bytes alone; fails
// when the file cannot be opened or read.
TResultOf<std::string> CheckPictureFile(const std::string& path, std::uint64_t limit);

// The picture file read whole as a front cover (type 3, its MIME type from its bytes, no
// description); Problem says why it cannot be one. Fails when the file cannot be read.
struct TLoadedPicture {
  std::shared_ptr<const TPicture> Picture;  // null when Problem is not empty
  std::string Problem;
};
TResultOf<TLoadedPicture> LoadCoverPicture(const std::string& path, std::uint64_t limit);

}  // namespace tagwright

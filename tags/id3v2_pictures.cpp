#include "tags/id3v2_pictures.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "tags/byte_source.h"
#include "tags/id3v2_frames.h"
#include "tags/text_encoding.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

// A picture frame's content in the 2.3 layout: the frame of version 2.2 converted (PIC names its
// format in three letters, APIC by a MIME type), the wrapping of the format flags undone.
std::optional<std::string> PictureContent(TID3v2FrameScanner& scanner, const TID3v2FrameRef& frame) {
  const std::uint8_t major = scanner.MajorVersion();
  const bool isPicture = major <= 2 ? frame.ID == "PIC" : frame.ID == "APIC";
  if (!isPicture || !frame.ValidID || frame.Size > kLargestPicture + 1024) return std::nullopt;
  std::string content;
  if (!scanner.ReadContent(frame, frame.Size, content)) return std::nullopt;
  if (major > 2) return UnwrapFrameContent(major, scanner.WholeTagUnsynchronised(), frame, std::move(content));
  const std::optional<std::string> converted = ConvertV22FrameToV23(frame, content);
  constexpr std::size_t kV23FrameHeader = 10;
  if (!converted || converted->size() < kV23FrameHeader) return std::nullopt;
  return converted->substr(kV23FrameHeader);
}

}  // namespace

std::optional<TPictureLabel> ParsePictureLabel(std::string_view content) {
  if (content.size() < 4) return std::nullopt;
  const auto encoding = static_cast<std::uint8_t>(content[0]);
  const std::size_t mimeEnd = content.find('\0', 1);
  if (mimeEnd == std::string_view::npos || mimeEnd + 1 >= content.size()) return std::nullopt;
  TPictureLabel label;
  label.Type = static_cast<std::uint8_t>(content[mimeEnd + 1]);
  const std::size_t descriptionAt = mimeEnd + 2;
  const std::size_t descriptionEnd = FindID3Terminator(content, descriptionAt, encoding);
  if (descriptionEnd == std::string_view::npos) return std::nullopt;
  bool bigEndian = false;
  label.Description =
      DecodeID3String(encoding, content.substr(descriptionAt, descriptionEnd - descriptionAt), bigEndian);
  label.DataOffset = descriptionEnd + ID3TerminatorWidth(encoding);
  return label;
}

std::optional<TPicture> ParsePictureFrame(std::string_view content) {
  std::optional<TPictureLabel> label = ParsePictureLabel(content);
  if (!label) return std::nullopt;
  TPicture picture;
  picture.MimeType = AsciiLowerCase(content.substr(1, content.find('\0', 1) - 1));
  picture.Type = label->Type;
  picture.Description = std::move(label->Description);
  picture.Data = std::string(content.substr(label->DataOffset));
  if (picture.Data.empty() || picture.Data.size() > kLargestPicture) return std::nullopt;
  return picture;
}

TResultOf<std::vector<TPicture>> ReadEmbeddedPictures(TByteSource& source) {
  std::vector<TPicture> pictures;
  TID3v2FrameScanner scanner(source);
  if (!scanner.ReadHeader()) {
    // A file shorter than a tag's header holds no tag.
    if (source.Size() < 10) return pictures;
    return TResult::Failure(TFailureKind::Read, {}, std::make_error_code(std::errc::io_error));
  }
  if (!IsID3v2Header(scanner.Header()) || !scanner.BeginFrames()) return pictures;
  TID3v2FrameRef frame;
  while (scanner.NextFrame(frame)) {
    const std::optional<std::string> content = PictureContent(scanner, frame);
    if (!content) continue;
    if (std::optional<TPicture> picture = ParsePictureFrame(*content)) pictures.push_back(std::move(*picture));
  }
  return pictures;
}

TResultOf<std::vector<TPicture>> ReadEmbeddedPictures(const std::string& fileName) {
  TFileSource source;
  if (!source.Open(fileName)) return TResult::FromErrno(TFailureKind::Open, fileName);
  TResultOf<std::vector<TPicture>> pictures = ReadEmbeddedPictures(source);
  if (!pictures) return TResult::Failure(pictures.Failure().Kind(), fileName, pictures.Failure().Error());
  return pictures;
}

const TPicture* ChooseCover(const std::vector<TPicture>& pictures) {
  const auto front = std::find_if(pictures.begin(), pictures.end(),
                                  [](const TPicture& picture) { return picture.Type == kFrontCoverPicture; });
  if (front != pictures.end()) return &*front;
  return pictures.empty() ? nullptr : &pictures.front();
}

std::string FindFolderCover(const std::string& folder) {
  constexpr std::array<std::string_view, 6> kNames = {"cover.jpg",   "cover.jpeg", "folder.jpg",
                                                      "folder.jpeg", "front.jpg",  "front.jpeg"};
  std::error_code error;
  std::filesystem::directory_iterator entries(folder.empty() ? "." : folder, error);
  if (error) return {};
  std::string named;
  std::size_t namedRank = kNames.size();
  std::string firstPng;
  for (const std::filesystem::directory_entry& entry : entries) {
    if (!entry.is_regular_file(error)) continue;
    const std::string name = entry.path().filename().string();
    const std::string lower = AsciiLowerCase(name);
    const auto rank = static_cast<std::size_t>(std::find(kNames.begin(), kNames.end(), lower) - kNames.begin());
    if (rank < namedRank) {
      namedRank = rank;
      named = entry.path().string();
    } else if (lower.size() > 4 && lower.ends_with(".png") && (firstPng.empty() || entry.path().string() < firstPng)) {
      firstPng = entry.path().string();
    }
  }
  return named.empty() ? firstPng : named;
}

}  // namespace tagwright

// The ID3v2 container format shared by the reader and the writer: the ten-byte tag header, the
// extended header, unsynchronisation, and the walk over the frame list.
//
// Layout: "ID3", major version, revision, flags, then the size of everything after the header as
// four 7-bit groups ("syncsafe"). Version 2.2 frames have a 3-letter identifier and a 3-byte size;
// versions 2.3 and 2.4 a 4-letter identifier, a 4-byte size (plain in 2.3, syncsafe in 2.4) and two
// flag bytes (status, format). The frame list ends at the tag's end or at padding (zero bytes).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/byte_source.h"

namespace tagwright {

inline constexpr std::uint8_t kID3HeaderUnsynchronisation = 0x80;
inline constexpr std::uint8_t kID3HeaderExtended = 0x40;  // in version 2.2: compression
inline constexpr std::uint8_t kID3HeaderFooter = 0x10;

using TID3v2Header = std::array<std::uint8_t, 10>;

bool IsID3v2Header(const TID3v2Header& header);

// Size of the tag by its header, footer left out: the size bytes taken at face value (a byte above
// 127 just makes the number larger) plus the header. 0 when the tag would end beyond the file.
std::int64_t ID3v2TagTotal(const TID3v2Header& header, std::int64_t fileSize);

// The bytes the tag whose header starts source takes, as the writer replaces them: ID3v2TagTotal,
// plus ten bytes of footer when the header's footer flag is set and the footer ("3DI") is there.
// A flag set by mistake must not make the first ten bytes of audio count as a footer. Nothing when
// the bytes where the footer would be cannot be read.
std::optional<std::int64_t> ID3v2TagTotalWithFooter(const TID3v2Header& header, TByteSource& source);

std::uint32_t ReadSyncsafe(const std::uint8_t* bytes);
void WriteSyncsafe(std::uint32_t value, std::uint8_t* bytes);
// The 10-byte header the writer puts at the start of every tag it writes: ID3v2.3, no flags, and
// the size of the tag after the header.
std::string ID3v23Header(std::uint32_t bodySize);
std::uint32_t ReadBigEndian32(const std::uint8_t* bytes);
void WriteBigEndian32(std::uint32_t value, std::uint8_t* bytes);

// Unsynchronisation inserts a zero byte after every 0xFF so that no false MPEG sync appears in a
// tag; undoing it drops the zero byte of every FF 00 pair.
std::string RemoveUnsynchronisation(std::string_view bytes);

// One frame of the list, as found.
struct TID3v2FrameRef {
  std::string ID;                // 3 or 4 characters
  std::uint8_t StatusFlags = 0;  // versions 2.3 and 2.4 only
  std::uint8_t FormatFlags = 0;
  std::int64_t ContentOffset = 0;  // within the scanned bytes
  std::uint32_t Size = 0;          // content size as stored, cut to the end of the tag
  bool ValidID = true;             // the identifier is all A-Z and 0-9
};

// Walks the frames of the tag at the start of a byte source. Reads through a small window so
// that a tag of text frames costs one or two reads, skips frames it is not asked for by moving
// on, and reads a frame's content only on request.
class TID3v2FrameScanner {
 public:
  explicit TID3v2FrameScanner(TByteSource& source) : raw_(&source), source_(&source) {}

  // Reads the first ten bytes. False when they cannot be read.
  bool ReadHeader();
  const TID3v2Header& Header() const { return headerBytes_; }
  std::uint8_t MajorVersion() const { return headerBytes_[3]; }
  bool HeaderFlag(std::uint8_t flag) const { return (headerBytes_[5] & flag) != 0; }
  std::int64_t SourceSize() const { return fileSize_; }
  // The size rule on the source's size, plus ten bytes of footer when the footer flag is set and
  // the footer ("3DI") is there; 0 when there is no "ID3".
  std::int64_t TagTotal() const { return tagTotal_; }

  // Prepares the walk: undoes whole-tag unsynchronisation (versions 2.2 and 2.3) and skips the
  // extended header. False when the tag has no frames to walk (unknown version, size 0, a
  // compressed version 2.2 tag, a damaged extended header).
  bool BeginFrames();
  // The next frame; false at the end of the list or at padding. A frame whose identifier is not
  // four (version 2.2: three) of A-Z and 0-9 is still a frame (ValidID false), so that the frames
  // after it are found; a frame that runs past the end of the tag is cut there, as other readers
  // take it. In version 2.4, whose sizes some writers stored as plain numbers, the plain reading
  // of a size is taken when the syncsafe one does not lead to a frame, padding or the end and the
  // plain one does.
  bool NextFrame(TID3v2FrameRef& frame);
  // Up to limit bytes of the frame's stored content, fewer when the tag's bytes end first (an
  // unsynchronised tag is shorter than its stored size). False on a read error.
  bool ReadContent(const TID3v2FrameRef& frame, std::size_t limit, std::string& content);
  // The frame's whole stored content, when the bytes scanned are in memory as they stand.
  std::optional<std::string_view> ContentView(const TID3v2FrameRef& frame) const {
    return source_->View(frame.ContentOffset, frame.Size);
  }
  // Whether the tag as a whole was unsynchronised (version 2.4 then marks every frame so).
  bool WholeTagUnsynchronised() const { return HeaderFlag(kID3HeaderUnsynchronisation); }
  // The bytes scanned, as they stand (before whole-tag unsynchronisation is undone).
  TByteSource& Source() const { return *raw_; }

 private:
  bool Fetch(std::int64_t offset, std::size_t count, const std::uint8_t*& bytes);
  // Whether a frame list may go on at offset: the end of the tag, padding, or a frame header with a
  // valid identifier.
  bool LandsWell(std::int64_t offset);

  TByteSource* raw_;     // the bytes as they stand
  TByteSource* source_;  // the bytes the frames are read from: raw_, or raw_ with unsynchronisation undone
  TID3v2Header headerBytes_{};
  std::int64_t fileSize_ = 0;  // of the source the header came from
  std::int64_t tagTotal_ = 0;
  // The bytes read last; growing it leaves the new bytes unset, since a read fills them next.
  struct TUnsetBytes : std::allocator<std::uint8_t> {
    template <typename U>
    struct rebind {
      using other = TUnsetBytes;
    };
    // NOLINTNEXTLINE(readability-non-const-parameter): the byte is made there, by the placement new
    static void construct(std::uint8_t* at) noexcept { ::new (static_cast<void*>(at)) std::uint8_t; }
  };
  std::vector<std::uint8_t, TUnsetBytes> window_;
  std::int64_t windowStart_ = 0;
  std::int64_t position_ = 0;
  std::int64_t areaEnd_ = 0;
  std::optional<TUnsynchronisedSource> unsynchronisedSource_;  // versions 2.2 and 2.3, when needed
};

// A frame's content with the wrapping of its format flags removed: version 2.4 unsynchronisation
// undone, group byte and data length indicator dropped; the group byte of version 2.3. Nothing
// for compressed or encrypted frames, whose content cannot be used as it stands.
std::optional<std::string> UnwrapFrameContent(std::uint8_t majorVersion, bool wholeTagUnsynchronised,
                                              const TID3v2FrameRef& frame, std::string content);

// A version 2.4 frame made fit for a version 2.3 tag, header included: plain size, status flags
// moved to their 2.3 places, format flags cleared, and the 2.4-only text encodings (UTF-8,
// UTF-16BE) of text frames, pictures and lyrics re-encoded as UTF-16 with byte order mark.
// Nothing for compressed or encrypted frames.
std::optional<std::string> ConvertV24FrameToV23(bool wholeTagUnsynchronised, const TID3v2FrameRef& frame,
                                                std::string content);

// A version 2.2 frame as the version 2.3 frame of the same meaning, header included: text and URL
// frames by the identifier table, PIC as APIC (the image format turned into a MIME type), COM,
// ULT, TXX, WXX, UFI, CNT, POP and the other frames whose content is laid out alike. Nothing for
// frames without an equivalent.
std::optional<std::string> ConvertV22FrameToV23(const TID3v2FrameRef& frame, std::string_view content);

// A version 2.3 frame: identifier, plain size, the two flag bytes, content.
std::string BuildV23Frame(std::string_view id, std::uint8_t statusFlags, std::uint8_t formatFlags,
                          std::string_view content);
// The same, appended to out.
void AppendV23Frame(std::string& out, std::string_view id, std::uint8_t statusFlags, std::uint8_t formatFlags,
                    std::string_view content);

}  // namespace tagwright

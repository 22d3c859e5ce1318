#include "tags/id3v2_frames.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "tags/text_encoding.h"

namespace tagwright {

namespace {

// Enough for the header and a tag of text frames in one read, small enough that the start of a
// picture frame read along with it costs nothing worth mentioning.
constexpr std::size_t kWindowSize = 4096;

bool IsFrameIDCharacter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

bool IsValidFrameID(const std::uint8_t* bytes, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (!IsFrameIDCharacter(bytes[i])) return false;
  }
  return true;
}

// Re-encodes a run of strings of a 2.4-only encoding (2 or 3) as UTF-16 with byte order mark,
// each followed by a terminator where it had one.
std::string ReencodeStringsAsUtf16(std::uint8_t encoding, std::string_view bytes) {
  const std::size_t width = ID3TerminatorWidth(encoding);
  std::string out;
  std::size_t pos = 0;
  bool bigEndian = encoding == 2;
  while (pos < bytes.size()) {
    std::size_t end = FindID3Terminator(bytes, pos, encoding);
    const bool terminated = end != std::string_view::npos;
    if (!terminated) end = bytes.size();
    out += "\xFF\xFE";
    out += Utf8ToUtf16LE(DecodeID3String(encoding, bytes.substr(pos, end - pos), bigEndian));
    if (!terminated) break;
    out.append(2, '\0');
    pos = end + width;
  }
  return out;
}

// One terminated string at pos re-encoded (terminator included); false when unterminated.
bool ReencodeTerminatedString(std::uint8_t encoding, std::string_view bytes, std::size_t& pos, std::string& out) {
  const std::size_t end = FindID3Terminator(bytes, pos, encoding);
  if (end == std::string_view::npos) return false;
  bool bigEndian = encoding == 2;
  out += "\xFF\xFE";
  out += Utf8ToUtf16LE(DecodeID3String(encoding, bytes.substr(pos, end - pos), bigEndian));
  out.append(2, '\0');
  pos = end + ID3TerminatorWidth(encoding);
  return true;
}

// Text frames, pictures (encoding, MIME type, picture type, description, data) and unsynchronised
// lyrics (encoding, language, description, text): the frames whose 2.4-only encodings matter to
// version 2.3 readers. Other frames are left as they are.
std::string ReencodeForV23(std::string_view id, const std::string& content) {
  if (content.empty()) return content;
  const auto encoding = static_cast<std::uint8_t>(content[0]);
  if (encoding != 2 && encoding != 3) return content;
  const std::string_view body = std::string_view(content).substr(1);
  std::string out(1, '\x01');
  if (id.size() == 4 && id[0] == 'T') {
    out += ReencodeStringsAsUtf16(encoding, body);
    return out;
  }
  std::size_t pos;
  if (id == "APIC") {
    pos = body.find('\0');  // end of the MIME type; the picture type byte follows the zero
    if (pos == std::string_view::npos || pos + 2 > body.size()) return content;
    pos += 2;
  } else if (id == "USLT") {
    pos = 3;  // language
    if (body.size() < pos) return content;
  } else {
    return content;
  }
  out.append(body.data(), pos);
  if (!ReencodeTerminatedString(encoding, body, pos, out)) return content;
  if (id == "APIC") {
    out.append(body.data() + pos, body.size() - pos);  // the picture data
  } else {
    out += ReencodeStringsAsUtf16(encoding, body.substr(pos));
  }
  return out;
}

// Version 2.2 identifiers and their version 2.3 equivalents, for frames whose content is laid out
// alike in both (PIC is converted on its own). iTunes' sort-order and compilation frames are
// taken along as iTunes writes them in version 2.3.
constexpr std::pair<std::string_view, std::string_view> kV22ToV23[] = {
    {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"}, {"EQU", "EQUA"},
    {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"POP", "POPM"}, {"REV", "RVRB"},
    {"RVA", "RVAD"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"}, {"TBP", "TBPM"}, {"TCM", "TCOM"},
    {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"}, {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"},
    {"TIM", "TIME"}, {"TKE", "TKEY"}, {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOA", "TOPE"},
    {"TOF", "TOFN"}, {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"},
    {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"}, {"TRD", "TRDA"},
    {"TRK", "TRCK"}, {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"}, {"TT2", "TIT2"}, {"TT3", "TIT3"},
    {"TXT", "TEXT"}, {"TXX", "TXXX"}, {"TYE", "TYER"}, {"UFI", "UFID"}, {"ULT", "USLT"}, {"WAF", "WOAF"},
    {"WAR", "WOAR"}, {"WAS", "WOAS"}, {"WCM", "WCOM"}, {"WCP", "WCOP"}, {"WPB", "WPUB"}, {"WXX", "WXXX"},
    {"TCP", "TCMP"}, {"TST", "TSOT"}, {"TSA", "TSOA"}, {"TSP", "TSOP"}, {"TS2", "TSO2"}, {"TSC", "TSOC"},
};

// The MIME type of a version 2.2 picture's three-letter image format.
std::string PictureMimeType(std::string_view format) {
  std::string lower;
  for (char c : format) {
    if (c == ' ' || c == '\0') break;
    lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  if (lower == "-->") return lower;  // the picture is a link
  if (lower == "jpg") return "image/jpeg";
  return "image/" + lower;
}

}  // namespace

bool IsID3v2Header(const TID3v2Header& header) { return header[0] == 'I' && header[1] == 'D' && header[2] == '3'; }

std::int64_t ID3v2TagTotal(const TID3v2Header& header, std::int64_t fileSize) {
  const std::int64_t total = std::int64_t{header[6]} * 2097152 + std::int64_t{header[7]} * 16384 +
                             std::int64_t{header[8]} * 128 + header[9] + 10;
  return total > fileSize ? 0 : total;
}

std::optional<std::int64_t> ID3v2TagTotalWithFooter(const TID3v2Header& header, TByteSource& source) {
  const std::int64_t fileSize = source.Size();
  const std::int64_t total = ID3v2TagTotal(header, fileSize);
  if (total == 0 || (header[5] & kID3HeaderFooter) == 0 || total + 10 > fileSize) return total;
  char footer[3] = {};
  if (source.ReadAt(total, footer, 3) != 3) return std::nullopt;
  return footer[0] == '3' && footer[1] == 'D' && footer[2] == 'I' ? total + 10 : total;
}

std::uint32_t ReadSyncsafe(const std::uint8_t* b) {
  return (std::uint32_t{b[0]} & 0x7F) << 21 | (std::uint32_t{b[1]} & 0x7F) << 14 | (std::uint32_t{b[2]} & 0x7F) << 7 |
         (std::uint32_t{b[3]} & 0x7F);
}

std::string ID3v23Header(std::uint32_t bodySize) {
  std::string header("ID3\x03\0\0\0\0\0\0", 10);
  WriteSyncsafe(bodySize, reinterpret_cast<std::uint8_t*>(header.data() + 6));
  return header;
}

void WriteSyncsafe(std::uint32_t value, std::uint8_t* b) {
  b[0] = static_cast<std::uint8_t>((value >> 21) & 0x7F);
  b[1] = static_cast<std::uint8_t>((value >> 14) & 0x7F);
  b[2] = static_cast<std::uint8_t>((value >> 7) & 0x7F);
  b[3] = static_cast<std::uint8_t>(value & 0x7F);
}

std::uint32_t ReadBigEndian32(const std::uint8_t* b) {
  return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

void WriteBigEndian32(std::uint32_t value, std::uint8_t* b) {
  b[0] = static_cast<std::uint8_t>(value >> 24);
  b[1] = static_cast<std::uint8_t>(value >> 16);
  b[2] = static_cast<std::uint8_t>(value >> 8);
  b[3] = static_cast<std::uint8_t>(value);
}

std::string RemoveUnsynchronisation(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out.push_back(bytes[i]);
    if (static_cast<std::uint8_t>(bytes[i]) == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == '\0') ++i;
  }
  return out;
}

bool TID3v2FrameScanner::Fetch(std::int64_t offset, std::size_t count, const std::uint8_t*& bytes) {
  if (offset >= windowStart_ &&
      offset + static_cast<std::int64_t>(count) <= windowStart_ + static_cast<std::int64_t>(window_.size())) {
    bytes = window_.data() + (offset - windowStart_);
    return true;
  }
  std::int64_t limit = source_->Size();
  if (areaEnd_ > 0) limit = std::min(limit, areaEnd_);
  const std::int64_t wanted =
      std::max<std::int64_t>(static_cast<std::int64_t>(count), static_cast<std::int64_t>(kWindowSize));
  const std::int64_t length = std::min(wanted, limit - offset);
  if (length < static_cast<std::int64_t>(count)) return false;
  window_.resize(static_cast<std::size_t>(length));
  windowStart_ = offset;
  const std::int64_t got = source_->ReadAt(offset, window_.data(), window_.size());
  if (got < 0) {
    window_.clear();
    return false;
  }
  window_.resize(static_cast<std::size_t>(got));
  if (got < static_cast<std::int64_t>(count)) return false;
  bytes = window_.data();
  return true;
}

bool TID3v2FrameScanner::ReadHeader() {
  const std::uint8_t* bytes = nullptr;
  if (!Fetch(0, headerBytes_.size(), bytes)) return false;
  std::memcpy(headerBytes_.data(), bytes, headerBytes_.size());
  fileSize_ = source_->Size();
  // A footer that cannot be read is left out, as if it were not there.
  tagTotal_ = IsID3v2Header(headerBytes_)
                  ? ID3v2TagTotalWithFooter(headerBytes_, *source_).value_or(ID3v2TagTotal(headerBytes_, fileSize_))
                  : 0;
  return true;
}

bool TID3v2FrameScanner::BeginFrames() {
  const std::uint8_t major = MajorVersion();
  const std::int64_t total = TagTotal();
  if (major < 2 || major > 4 || total == 0) return false;
  areaEnd_ = ID3v2TagTotal(headerBytes_, fileSize_);               // the footer is no frame
  if (major == 2 && HeaderFlag(kID3HeaderExtended)) return false;  // compressed 2.2 tag: no usable frames
  if (major <= 3 && HeaderFlag(kID3HeaderUnsynchronisation)) {
    // Undone while walking, never held whole: the declared size may be far larger than the frames.
    // From the raw bytes: a second walk must not undo the first one's undoing.
    unsynchronisedSource_.emplace(*raw_, 10, areaEnd_);
    source_ = &*unsynchronisedSource_;
    window_.clear();
    windowStart_ = 0;
  }
  position_ = 10;
  if (major >= 3 && HeaderFlag(kID3HeaderExtended)) {
    const std::uint8_t* bytes = nullptr;
    if (!Fetch(10, 4, bytes)) return false;
    if (major == 3) {
      position_ = 14 + std::int64_t{ReadBigEndian32(bytes)};  // the size leaves out its own four bytes
    } else {
      const std::int64_t size = ReadSyncsafe(bytes);  // the size includes itself
      if (size < 6) return false;
      position_ = 10 + size;
    }
    if (position_ > areaEnd_) return false;
  }
  return true;
}

bool TID3v2FrameScanner::LandsWell(std::int64_t offset) {
  if (offset == areaEnd_) return true;
  if (offset > areaEnd_) return false;
  const std::size_t idLength = MajorVersion() == 2 ? 3 : 4;
  const std::uint8_t* b = nullptr;
  if (!Fetch(offset, 1, b)) return offset >= areaEnd_;
  if (b[0] == 0) return true;  // padding
  const std::size_t headerSize = MajorVersion() == 2 ? 6 : 10;
  if (!Fetch(offset, headerSize, b) || !IsValidFrameID(b, idLength)) return false;
  // A frame header, and not just letters in the middle of a picture, when its frame fits the tag
  // by one of the two readings of its size.
  const std::int64_t room = areaEnd_ - offset - static_cast<std::int64_t>(headerSize);
  if (MajorVersion() == 2) return (std::int64_t{b[3]} << 16 | std::int64_t{b[4]} << 8 | b[5]) <= room;
  return std::int64_t{ReadBigEndian32(b + 4)} <= room ||
         (((b[4] | b[5] | b[6] | b[7]) & 0x80) == 0 && std::int64_t{ReadSyncsafe(b + 4)} <= room);
}

bool TID3v2FrameScanner::NextFrame(TID3v2FrameRef& frame) {
  const std::uint8_t major = MajorVersion();
  const std::int64_t headerSize = major == 2 ? 6 : 10;
  if (position_ + headerSize > areaEnd_) return false;
  const std::uint8_t* b = nullptr;
  if (!Fetch(position_, static_cast<std::size_t>(headerSize), b)) return false;
  if (b[0] == 0) return false;  // padding
  std::uint32_t size;
  if (major == 2) {
    frame.ID.assign(reinterpret_cast<const char*>(b), 3);
    frame.ValidID = IsValidFrameID(b, 3);
    size = std::uint32_t{b[3]} << 16 | std::uint32_t{b[4]} << 8 | b[5];
    frame.StatusFlags = frame.FormatFlags = 0;
  } else {
    frame.ID.assign(reinterpret_cast<const char*>(b), 4);
    frame.ValidID = IsValidFrameID(b, 4);
    frame.StatusFlags = b[8];
    frame.FormatFlags = b[9];
    const std::uint32_t plain = ReadBigEndian32(b + 4);
    size = plain;
    // Some writers put plain sizes into 2.4 tags; a byte with its top bit set cannot be syncsafe.
    if (major == 4 && ((b[4] | b[5] | b[6] | b[7]) & 0x80) == 0) {
      const std::uint32_t syncsafe = ReadSyncsafe(b + 4);
      size = syncsafe;
      if (syncsafe != plain && !LandsWell(position_ + headerSize + syncsafe) &&
          LandsWell(position_ + headerSize + plain)) {
        size = plain;
      }
    }
  }
  frame.ContentOffset = position_ + headerSize;
  // A frame running past the tag keeps what the tag holds of it.
  if (frame.ContentOffset + std::int64_t{size} > areaEnd_)
    size = static_cast<std::uint32_t>(areaEnd_ - frame.ContentOffset);
  frame.Size = size;
  position_ = frame.ContentOffset + size;
  return true;
}

bool TID3v2FrameScanner::ReadContent(const TID3v2FrameRef& frame, std::size_t limit, std::string& content) {
  const std::size_t count = std::min<std::size_t>(frame.Size, limit);
  if (frame.ContentOffset >= windowStart_ && frame.ContentOffset + static_cast<std::int64_t>(count) <=
                                                 windowStart_ + static_cast<std::int64_t>(window_.size())) {
    content.assign(reinterpret_cast<const char*>(window_.data() + (frame.ContentOffset - windowStart_)), count);
    return true;
  }
  content.resize(count);
  const std::int64_t got = source_->ReadAt(frame.ContentOffset, content.data(), count);
  if (got < 0) {
    content.clear();
    return false;
  }
  content.resize(static_cast<std::size_t>(got));
  return true;
}

std::optional<std::string> UnwrapFrameContent(std::uint8_t majorVersion, bool wholeTagUnsynchronised,
                                              const TID3v2FrameRef& frame, std::string content) {
  const std::uint8_t flags = frame.FormatFlags;
  if (majorVersion == 3) {
    if (flags & 0xC0) return std::nullopt;  // compressed or encrypted
    if (flags & 0x20) {                     // grouping identity byte in front
      if (content.empty()) return std::nullopt;
      content.erase(0, 1);
    }
    return content;
  }
  if (majorVersion == 4) {
    if (flags & 0x0C) return std::nullopt;  // compressed or encrypted
    if ((flags & 0x02) || wholeTagUnsynchronised) content = RemoveUnsynchronisation(content);
    const std::size_t skip = ((flags & 0x40) ? 1 : 0) + ((flags & 0x01) ? 4 : 0);  // group byte, data length
    if (content.size() < skip) return std::nullopt;
    content.erase(0, skip);
    return content;
  }
  return content;
}

std::optional<std::string> ConvertV24FrameToV23(bool wholeTagUnsynchronised, const TID3v2FrameRef& frame,
                                                std::string content) {
  auto unwrapped = UnwrapFrameContent(4, wholeTagUnsynchronised, frame, std::move(content));
  if (!unwrapped) return std::nullopt;
  const std::uint8_t s = frame.StatusFlags;
  // 2.4 keeps tag-alter, file-alter and read-only preservation in bits 6-4; 2.3 in bits 7-5.
  const auto status = static_cast<std::uint8_t>((s & 0x70) << 1);
  return BuildV23Frame(frame.ID, status, 0, ReencodeForV23(frame.ID, *unwrapped));
}

std::optional<std::string> ConvertV22FrameToV23(const TID3v2FrameRef& frame, std::string_view content) {
  if (frame.ID == "PIC") {
    // Encoding, image format (three letters), picture type, description, data.
    if (content.size() < 5) return std::nullopt;
    std::string converted(1, content[0]);
    converted += PictureMimeType(content.substr(1, 3));
    converted += '\0';
    converted += content.substr(4);
    return BuildV23Frame("APIC", 0, 0, converted);
  }
  for (const auto& [v22, v23] : kV22ToV23) {
    if (v22 == frame.ID) return BuildV23Frame(v23, 0, 0, content);
  }
  return std::nullopt;
}

std::string BuildV23Frame(std::string_view id, std::uint8_t statusFlags, std::uint8_t formatFlags,
                          std::string_view content) {
  std::string frame;
  frame.reserve(10 + content.size());
  AppendV23Frame(frame, id, statusFlags, formatFlags, content);
  return frame;
}

void AppendV23Frame(std::string& out, std::string_view id, std::uint8_t statusFlags, std::uint8_t formatFlags,
                    std::string_view content) {
  char header[10] = {};
  for (std::size_t i = 0; i < 4 && i < id.size(); ++i) header[i] = id[i];
  WriteBigEndian32(static_cast<std::uint32_t>(content.size()), reinterpret_cast<std::uint8_t*>(header + 4));
  header[8] = static_cast<char>(statusFlags);
  header[9] = static_cast<char>(formatFlags);
  out.append(header, sizeof header);
  out += content;
}

}  // namespace tagwright

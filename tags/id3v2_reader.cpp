// Reading the slot frames of an ID3v2 tag into the fields of TID3v2.

#include <algorithm>
#include <cerrno>

#include "tags/byte_source.h"
#include "tags/genres.h"
#include "tags/id3v2.h"
#include "tags/id3v2_frames.h"
#include "tags/id3v2_slots.h"
#include "tags/integer_text.h"
#include "tags/text_encoding.h"
#include "text/ascii_text.h"

namespace tagwright {

const std::array<std::string_view, kID3v2SlotCount> kFrameIDs = {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON",
                                                                 "COMM", "TCOM", "TENC", "TCOP", "TLAN", "WXXX",
                                                                 "TDRC", "TOPE", "TIT1", "TOAL"};
const std::array<std::string_view, kID3v2SlotCount> kFrameIDsV22 = {
    "TT2", "TP1", "TAL", "TRK", "TYE", "TCO", "COM", "TCM", "TEN", "TCR", "TLA", "WXX", "TOR", "TOA", "TT1", "TOT"};

namespace {

// A slot frame is read whole up to this size, so that no value is cut and later written back
// shortened; the few extra bytes leave room for a group byte and a data length indicator.
constexpr std::size_t kMaxSlotFrameSize = (1u << 20) + 5;

// Frames that carry a description before their text (COMM: encoding, language, description,
// text; WXXX: encoding, description, URL). Returns the part after the description's terminator,
// or everything after the fixed part when the terminator is missing.
std::string_view TextAfterDescription(const std::string& content, std::size_t fixedPart, bool* emptyDescription) {
  const std::string_view body =
      content.size() > fixedPart ? std::string_view(content).substr(fixedPart) : std::string_view();
  const auto encoding = static_cast<std::uint8_t>(content.empty() ? 0 : content[0]);
  const std::size_t end = FindID3Terminator(body, 0, encoding);
  if (emptyDescription) {
    bool bigEndian = false;
    *emptyDescription =
        end != std::string_view::npos && TrimView(DecodeID3String(encoding, body.substr(0, end), bigEndian)).empty();
  }
  if (end == std::string_view::npos) return body;
  return body.substr(end + ID3TerminatorWidth(encoding));
}

// Whether a COMM frame's description begins with "iTun" (iTunNORM, iTunSMPB...: machine data).
bool HasITunesDescription(const std::string& commContent) {
  if (commContent.size() <= 4) return false;
  const auto encoding = static_cast<std::uint8_t>(commContent[0]);
  const std::string_view body = std::string_view(commContent).substr(4);
  std::size_t end = FindID3Terminator(body, 0, encoding);
  if (end == std::string_view::npos) end = body.size();
  bool bigEndian = false;
  return DecodeID3String(encoding, body.substr(0, end), bigEndian).rfind("iTun", 0) == 0;
}

std::optional<std::uint8_t> GenreTableNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  int value = 0;
  for (char c : digits) {
    if (!IsAsciiDigit(c)) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value >= static_cast<int>(kGenreCount)) return std::nullopt;
  return static_cast<std::uint8_t>(value);
}

// The genre a reference names: a number of the table, "RX" (remix) or "CR" (cover); empty for a
// number the table does not hold. Nothing when it is no reference.
std::optional<std::string> ReferencedGenre(std::string_view reference) {
  if (reference == "RX") return "Remix";
  if (reference == "CR") return "Cover";
  if (reference.empty() || reference.size() > 3 ||
      !std::all_of(reference.begin(), reference.end(), [](char c) { return IsAsciiDigit(c); })) {
    return std::nullopt;
  }
  const auto number = GenreTableNumber(reference);
  return number ? NumberToGenre(*number) : std::string();
}

}  // namespace

// TCON holds a free name, or (ID3v2.3) references such as "(17)" followed by a refinement, as in
// "(17)Rock" or "(4)(17)", where "((" stands for a refinement's leading "(": "((Live)" is
// "(Live)"; or (ID3v2.4) a bare number. The refinement wins; without one, the first reference
// names the genre. A text that does not begin with a reference is a name as it stands.
std::string GenreFromText(const std::string& text) {
  if (text.empty() || text[0] != '(') {
    if (const auto number = GenreTableNumber(text)) return NumberToGenre(*number);
    return text;
  }
  std::optional<std::string> first;
  std::size_t at = 0;
  while (at < text.size() && text[at] == '(') {
    if (at + 1 < text.size() && text[at + 1] == '(') return text.substr(at + 1);
    const std::size_t close = text.find(')', at);
    if (close == std::string::npos) break;
    std::optional<std::string> named = ReferencedGenre(std::string_view(text).substr(at + 1, close - at - 1));
    if (!named) break;  // no reference: the rest is a name as it stands
    if (!first) first = std::move(named);
    at = close + 1;
  }
  if (at < text.size() || !first) return text.substr(at);
  return *first;
}

bool CouldBeTheComment(const std::string& content) {
  if (content.empty() || !IsKnownID3Encoding(static_cast<std::uint8_t>(content[0]))) return false;
  return HasEmptyDescription(content, kSlotComment) || !HasITunesDescription(content);
}

bool HasEmptyDescription(const std::string& content, int slot) {
  bool empty = false;
  TextAfterDescription(content, slot == kSlotComment ? 4 : 1, &empty);
  return empty;
}

std::string DecodeTextFrame(const std::string& content) {
  if (content.empty()) return {};
  return DecodeID3TextList(static_cast<std::uint8_t>(content[0]), std::string_view(content).substr(1));
}

std::string FirstCharacters(const std::string& text, std::size_t n) {
  std::size_t pos = 0;
  for (std::size_t count = 0; pos < text.size() && count < n; ++count) {
    ++pos;
    while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
  }
  return text.substr(0, pos);
}

TSlotFrames ReadSlotFrames(TID3v2FrameScanner& scanner) {
  TSlotFrames slots;
  slots.Index.fill(-1);
  const std::uint8_t major = scanner.MajorVersion();
  bool commentHasEmptyDescription = false;
  bool linkHasEmptyDescription = false;
  TID3v2FrameRef frame;
  std::string content;
  for (int index = 0; scanner.NextFrame(frame); ++index) {
    const int slot = frame.ValidID ? ID3v2SlotOf(frame.ID, major) : -1;
    if (slot < 0) continue;  // pictures and every other frame: skipped, never read
    if (!scanner.ReadContent(frame, kMaxSlotFrameSize, content)) break;
    auto unwrapped = UnwrapFrameContent(major, scanner.WholeTagUnsynchronised(), frame, std::move(content));
    if (!unwrapped || unwrapped->empty() || !IsKnownID3Encoding(static_cast<std::uint8_t>((*unwrapped)[0]))) continue;
    if (slot == kSlotComment) {
      if (commentHasEmptyDescription) continue;
      const bool empty = HasEmptyDescription(*unwrapped, slot);
      if (!empty && (slots.Index[slot] >= 0 || HasITunesDescription(*unwrapped))) continue;
      commentHasEmptyDescription = empty;
    } else if (slot == kSlotLink) {
      // The link without a description, else the last one; the others are someone else's links.
      if (linkHasEmptyDescription) continue;
      linkHasEmptyDescription = HasEmptyDescription(*unwrapped, slot);
    }
    slots.Contents[slot] = std::move(*unwrapped);
    slots.Index[slot] = index;
  }
  return slots;
}

int ID3v2SlotOf(std::string_view frameID, std::uint8_t majorVersion) {
  const auto& ids = majorVersion <= 2 ? kFrameIDsV22 : kFrameIDs;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] == frameID) return static_cast<int>(i);
  }
  return -1;
}

void TID3v2::Reset() {
  HasTag = false;
  MajorVersion = 0;
  TagSize = 0;
  Track = 0;
  for (std::string* text : {&Title, &Artist, &Album, &TrackText, &Year, &Genre, &Comment, &Composer, &Encoder,
                            &Copyright, &Language, &Link}) {
    text->clear();
  }
  TagInfo = TID3v2TagInfo{};
}

TResult TID3v2::Load(const std::string& fileName) {
  Reset();
  TFileSource source;
  if (!source.Open(fileName)) return TResult::FromErrno(TFailureKind::Open, fileName);
  TResult loaded = Load(source);
  if (!loaded) return TResult::Failure(loaded.Kind(), fileName, loaded.Error());
  return loaded;
}

TResult TID3v2::Load(TByteSource& source) {
  Reset();
  TID3v2FrameScanner scanner(source);
  if (!scanner.ReadHeader()) return TResult::Failure(TFailureKind::Read, {}, std::make_error_code(std::errc::io_error));
  TagInfo.Header = scanner.Header();
  TagInfo.FileSize = scanner.SourceSize();
  if (!IsID3v2Header(TagInfo.Header)) return {};
  HasTag = true;
  MajorVersion = scanner.MajorVersion();
  TagSize = scanner.TagTotal();
  if (!scanner.BeginFrames()) return {};

  TagInfo.Frames = ReadSlotFrames(scanner).Contents;

  const auto text = [&](int slot) { return DecodeTextFrame(TagInfo.Frames[slot]); };
  const auto firstOf = [&](int first, int second) {
    std::string value = text(first);
    return value.empty() ? text(second) : value;
  };
  Title = firstOf(kSlotTitle, kSlotGrouping);
  Artist = firstOf(kSlotArtist, kSlotOriginalArtist);
  Album = firstOf(kSlotAlbum, kSlotOriginalAlbum);
  TrackText = text(kSlotTrack);
  const auto number = ParseIntegerText(std::string_view(TrackText).substr(0, TrackText.find('/')));
  Track = number ? static_cast<std::uint16_t>(static_cast<std::uint32_t>(*number)) : 0;
  Year = text(kSlotYear);
  if (Year.empty()) Year = TrimText(FirstCharacters(text(kSlotDate), 4));
  Genre = GenreFromText(text(kSlotGenre));
  if (const std::string& comm = TagInfo.Frames[kSlotComment]; !comm.empty()) {
    Comment = DecodeID3TextList(static_cast<std::uint8_t>(comm[0]), TextAfterDescription(comm, 4, nullptr));
  }
  if (const std::string& wxxx = TagInfo.Frames[kSlotLink]; !wxxx.empty()) {
    // The URL after the description is always ISO-8859-1, whatever the encoding byte says.
    Link = TrimText(Latin1ToUtf8(TextAfterDescription(wxxx, 1, nullptr)));
    if (const std::size_t zero = Link.find('\0'); zero != std::string::npos) Link = TrimText(Link.substr(0, zero));
  }
  Composer = text(kSlotComposer);
  Encoder = text(kSlotEncoder);
  Copyright = text(kSlotCopyright);
  Language = text(kSlotLanguage);
  return {};
}

}  // namespace tagwright

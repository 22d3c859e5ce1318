// Which frames of an ID3v2 tag fill the slots: shared by the reader, which shows them, and the
// writer, which replaces exactly those frames and keeps the others.
#pragma once

#include <array>
#include <string>

#include "tags/id3v2.h"
#include "tags/id3v2_frames.h"

namespace tagwright {

// The slots by index (see kFrameIDs).
enum Slot : int {
  kSlotTitle,
  kSlotArtist,
  kSlotAlbum,
  kSlotTrack,
  kSlotYear,
  kSlotGenre,
  kSlotComment,
  kSlotComposer,
  kSlotEncoder,
  kSlotCopyright,
  kSlotLanguage,
  kSlotLink,
  kSlotDate,
  kSlotOriginalArtist,
  kSlotGrouping,
  kSlotOriginalAlbum
};

struct TSlotFrames {
  // Per slot: the content of the frame that fills it, unwrapped (see TID3v2TagInfo::Frames).
  std::array<std::string, kID3v2SlotCount> Contents;
  // Per slot: that frame's position in the frame list (0 for the first frame), or -1.
  std::array<int, kID3v2SlotCount> Index{};
};

// Walks the frame list from its start (BeginFrames must have succeeded). A text slot takes the
// last frame of its identifier; the comment the first COMM frame with an empty description, or
// failing that the first whose description does not begin with "iTun" (iTunes keeps machine data
// in COMM frames); the link the first WXXX frame with an empty description, or failing that the
// last WXXX frame. Frames with a text encoding the program does not know, and compressed or
// encrypted ones, fill no slot.
TSlotFrames ReadSlotFrames(TID3v2FrameScanner& scanner);

// Whether a COMM or WXXX frame's content (unwrapped, of a known encoding) has an empty description;
// slot tells which of the two it is.
bool HasEmptyDescription(const std::string& content, int slot);

// Whether the reader could take a COMM frame (its content unwrapped) for the comment, were it the
// first of its kind: of a known encoding, and not iTunes' machine data.
bool CouldBeTheComment(const std::string& content);

// The text of a plain text frame: encoding byte, then the encoded values.
std::string DecodeTextFrame(const std::string& content);

// The genre a TCON frame's text names: a name, references to the genre table ("(17)", "(RX)") with a
// refinement after them, or a bare number of the table.
std::string GenreFromText(const std::string& text);

// The first n characters of a UTF-8 text.
std::string FirstCharacters(const std::string& text, std::size_t n);

}  // namespace tagwright

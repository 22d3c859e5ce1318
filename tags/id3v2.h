// The ID3v2 tag at the start of an MP3 file: reading the sixteen text-like frames the program
// knows ("slots") into text fields, and writing a new ID3v2.3 tag from those fields while keeping
// every other frame of the old tag (pictures, lyrics, private frames...).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tags/atomic_rewrite.h"
#include "tags/picture_change.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

class TByteSource;
class TLockedSong;

inline constexpr std::size_t kID3v2SlotCount = 16;

// Slot identifiers for tags of major version 3 and 4, and for version 2 (three-letter frames).
// Slots 1-12 (indexes 0-11) are written; slots 13-16 only stand in for empty ones when reading:
// TDRC for the year, TOPE for the artist, TIT1 for the title, TOAL for the album.
extern const std::array<std::string_view, kID3v2SlotCount> kFrameIDs;
extern const std::array<std::string_view, kID3v2SlotCount> kFrameIDsV22;

// The index of the slot a frame identifier belongs to, or -1.
int ID3v2SlotOf(std::string_view frameID, std::uint8_t majorVersion);

// What loading and saving learn about the tag as it stands in the file.
struct TID3v2TagInfo {
  std::array<std::uint8_t, 10> Header{};  // the file's first ten bytes
  std::int64_t FileSize = 0;
  // Per slot: the frame content after its header (encoding byte first), with unsynchronisation,
  // group byte and data length indicator removed. Empty when the tag has no such frame.
  std::array<std::string, kID3v2SlotCount> Frames;
  bool NeedRewrite = false;      // the last Save had to rewrite the whole file
  std::int64_t PaddingSize = 0;  // zero bytes after the last frame of the tag the last Save wrote
};

// A large frame (see kLargeFrameSize) that a written tag took over byte for byte from the old one.
struct TCopiedFrame {
  std::size_t From = 0;  // its offset in the file before the write
  std::size_t To = 0;    // its offset in the new tag
  std::size_t Size = 0;  // header included
};

// What Save wrote at the start of the file.
struct TSavedTag {
  std::string Bytes;
  std::vector<TCopiedFrame> CopiedFrames;
};

class TID3v2 {
 public:
  bool HasTag = false;            // the file begins with "ID3", usable or not
  std::uint8_t MajorVersion = 0;  // the header's version byte when HasTag
  std::int64_t TagSize = 0;       // header + body (+ footer); 0 when it would not fit in the file
  std::string Title;
  std::string Artist;
  std::string Album;
  std::uint16_t Track = 0;  // number before the first "/" of TrackText (low 16 bits), 0 if none
  std::string TrackText;    // the TRCK text as it stands, such as "3/12"
  std::string Year;
  std::string Genre;
  std::string Comment;
  std::string Composer;
  std::string Encoder;
  std::string Copyright;
  std::string Language;
  std::string Link;
  TID3v2TagInfo TagInfo;
  // What Save and Compose do to the tag's pictures (kept as they are unless told otherwise); Load
  // and Reset leave it alone.
  TPictureChange PictureChange;

  // Empties every field.
  void Reset();

  // Reads the tag at the start of the file. Fails only when the file cannot be opened or read or
  // is shorter than ten bytes; whether it holds a tag is HasTag. Never reads more than the slot
  // frames (at most 1 MiB each) and the frame headers: pictures and other frames are skipped.
  TResult Load(const std::string& fileName);
  // The same on a source already open; a failure then names no file.
  TResult Load(TByteSource& source);

  // The text setters store the text trimmed of characters of code 32 or below.
  void SetTitle(std::string_view text);
  void SetArtist(std::string_view text);
  void SetAlbum(std::string_view text);
  void SetYear(std::string_view text);
  void SetComment(std::string_view text);
  void SetGenre(std::string_view text);
  void SetTrack(std::uint16_t track);

  // Writes the fields as an ID3v2.3 tag at the start of the file, after the old tag's frames that
  // the fields do not replace (the layout and padding rule: id3v2_writer.cpp). In place when the
  // new tag fits the old one's space with at most 4096 bytes or a tenth of it to spare, writing
  // only the bytes that change; otherwise the file is rewritten
  // atomically through a new file beside it (a song with several hard links: through a copy
  // beside it, keeping its file). Reads and writes under the song's lock. On failure nothing of
  // the file has changed; a song that someone else changed meanwhile fails as
  // TFailureKind::Changed.
  TResult Save(const std::string& fileName);
  TResult Save(const std::string& fileName, const TFileOps& ops);
  // The same on a song already open and locked, which then stands for the written song.
  TResult Save(TLockedSong& song, const TFileOps& ops);
  // The same with the song read through current (which must show the locked song as it is); the
  // tag written is left in saved when it is not null.
  TResult Save(TLockedSong& song, TByteSource& current, const TFileOps& ops, TSavedTag* saved);
  // What Save would meet on the song read from source (fileName names it), without writing: a
  // tag too large, or a rewrite for which the folder has no room (a temporary name too long) or
  // no permission.
  TResult CheckSave(TByteSource& source, const std::string& fileName);

  // A new tag composed ahead of its write, so that what the file will hold is known before it
  // is touched.
  struct TComposedTag {
    TSavedTag Tag;
    bool InPlace = false;
    std::int64_t KeepFrom = 0;  // where the bytes kept after the new tag begin
    // In place: the stretches of the tag whose bytes differ from the file's (see ChangedStretches),
    // the only ones written.
    std::vector<TByteSpan> Changed;
    // A rewrite's new file, written and flushed ahead; SaveComposed then only puts it in the song's place.
    TFileBeside Beside;
  };
  // The new tag for the song read from source, and whether it goes in place.
  TResultOf<TComposedTag> Compose(TByteSource& source, const std::string& fileName);
  // Writes a tag composed from the locked song as it still is, as Save does; the tag written is
  // left in saved when it is not null.
  static TResult SaveComposed(TLockedSong& song, TComposedTag composed, const TFileOps& ops, TSavedTag* saved);
};

}  // namespace tagwright

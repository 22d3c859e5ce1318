// The program's one door to a song file's tags: the ID3v2 tag at the start of the file and the
// 128-byte ID3v1 trailer at its end, read into and written from one tag record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "tags/atomic_rewrite.h"
#include "tags/id3v2.h"

namespace tagwright {

class TByteSource;
class TLockedSong;

// One song's tag values. Texts are UTF-8; Track 0 means no track; Genre is a genre name.
class TID3Info {
 public:
  std::string Title;
  std::string Artist;
  std::string Album;
  std::string Year;
  std::string Comment;
  std::uint8_t Track = 0;
  // The number of tracks, written after the track ("3/12"); 0 keeps the total the tag holds, if
  // any, for as long as its track stays. Reading leaves it 0.
  std::uint8_t TrackTotal = 0;
  std::string Genre;

  // Parses the whole text as a signed integer (leading blanks and a sign allowed, hexadecimal after
  // "$" or "0x"); Track becomes its low eight bits, or 0 when the text is no valid integer.
  void SetTrackText(std::string_view text);

  bool operator==(const TID3Info&) const = default;
};

// Why text cannot be the year of a tag, which holds four digits (blanks around them aside) or
// nothing: "year must be four digits, not '99999'"; empty when it can.
std::string YearProblem(std::string_view text);

using TID3v1Buffer = std::array<std::uint8_t, 128>;

// Fills info from the file's ID3v2 tag, then fills the gaps from its ID3v1 trailer. The value is
// true when the file holds at least one of the two; a file that does not exist holds none. Fails
// when the file cannot be opened or its trailer cannot be read.
TResultOf<bool> ReadID3Tags(const std::string& fileName, TID3Info& info);
// The same on a source already open (the file's name only names it in failures). When tagSize is
// not null it learns the size of the ID3v2 tag at the start (as ReadAudioFacts takes it): 0 when
// there is none, -1 when the tag is unusable.
TResultOf<bool> ReadID3Tags(TByteSource& source, const std::string& fileName, TID3Info& info,
                            std::int64_t* tagSize = nullptr);

// The values of an ID3v1 trailer alone, as ReadID3Tags reads them (Track 0 when it holds none).
TID3Info ID3v1Values(const TID3v1Buffer& buffer);

// Writes info into the file's ID3v2 tag (kept frames survive), then its ID3v1 trailer. When the
// ID3v2 tag cannot be written, the trailer is left alone and the file is as it was.
TResult WriteID3Tags(const std::string& fileName, const TID3Info& info);
// What WriteID3Tags wrote: the new ID3v2 tag and the ID3v1 trailer.
struct TWrittenTags {
  std::string Head;
  std::vector<TCopiedFrame> CopiedFrames;  // large frames of Head taken over byte for byte
  std::string Trailer;
};

// The same on a song already open and locked, read through current (which must show it as it is);
// what was written is left in written when it is not null.
TResult WriteID3Tags(TLockedSong& song, TByteSource& current, const TID3Info& info, TWrittenTags* written);

// Both tags composed for a song before anything is written, so that what the file will hold is
// known ahead: the new ID3v2 tag, where the kept bytes begin, and the ID3v1 trailer.
struct TComposedTags {
  TWrittenTags Tags;  // Head (with CopiedFrames) and Trailer
  bool InPlace = false;
  std::int64_t KeepFrom = 0;  // the bytes from here on follow the new tag
  // In place: the stretches of the new tag that differ from the bytes there, the only ones written.
  std::vector<TByteSpan> Changed;
  TFileBeside Beside;  // a rewrite's new file, when written ahead (WriteComposedBeside)
  // The ID3v1 trailer the song ends with, as read with its tag under its lock (empty: it has none),
  // when the caller knows it; else the writer reads it.
  std::optional<std::string> TrailerFound;
};
// The pictures of the ID3v2 tag change as pictures says (by default they are kept byte for byte).
TResultOf<TComposedTags> ComposeID3Tags(TByteSource& current, const TID3Info& info, const std::string& fileName,
                                        const TPictureChange& pictures = {});
// Writes tags composed from the locked song, which must still be as it was read; what was written
// is left in written when it is not null. As WriteID3Tags.
TResult WriteComposedID3Tags(TLockedSong& song, TComposedTags composed, TWrittenTags* written);
// Writes ahead the new file that a rewrite of the song renames over it, beside the song, so that
// the new files of many songs can be flushed together before WriteComposedID3Tags puts each in
// place; the caller flushes them. Nothing for tags that go in place, or a song with other hard
// links (rewritten in its own file).
TResult WriteComposedBeside(const TLockedSong& song, TComposedTags& composed);

// What WriteID3Tags would meet, found without writing (and without opening the file for writing):
// a tag too large, or a rewrite that the folder has no room or no permission for.
TResult PredictID3Write(const std::string& fileName, const TID3Info& info, const TPictureChange& pictures = {});

// The file's last 128 bytes; the value is true when they are an ID3v1 trailer ("TAG").
TResultOf<bool> ReadID3v1Trailer(const std::string& fileName, TID3v1Buffer& buffer);
// Overwrites the file's trailer, or appends one when it has none.
TResult WriteID3v1Trailer(const std::string& fileName, TID3v1Buffer& buffer);

}  // namespace tagwright

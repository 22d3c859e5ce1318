// Writing TID3v2's fields as a new ID3v2.3 tag.
//
// The layout: first every frame of the old tag that the fields do not replace (from a 2.4 or 2.2
// tag converted to 2.3 form; 2.2 frames without a 2.3 equivalent go), the pictures among them
// first and then the others, each in its old order (a picture set or added by a picture change
// follows the pictures kept; those the change removes go); then the twelve slot frames the program
// manages, in slot order; then the kept comments without a description (in another language than
// the one written), which a reader taking the first such comment would otherwise read in place of
// the one written; then zero padding. The frames that an edit of the fields does not touch
// thus stand ahead of those it does: a text that changes length moves only the slot frames after
// it and the padding, never a picture, so that a save in place writes a few hundred bytes.
//
// The padding: a tag written anew (the file rewritten) is 4096 bytes in all when its frames leave
// room for that, else its frames and 2048 bytes of padding, so that the next saves fit in place.
// A save goes in place, over the old tag and keeping its size, while the new frames fit in it and
// the padding left is at most 4096 bytes or a tenth of the tag, whichever is more (other taggers
// keep about a kilobyte or a tenth too); a tag that would keep more padding than that is written
// anew, smaller.

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

#include "files/file_access.h"
#include "tags/byte_differences.h"
#include "tags/byte_source.h"
#include "tags/id3v2.h"
#include "tags/id3v2_frames.h"
#include "tags/id3v2_pictures.h"
#include "tags/id3v2_slots.h"
#include "tags/integer_text.h"
#include "tags/locked_song.h"
#include "tags/tag_snapshot.h"
#include "tags/text_encoding.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

constexpr std::int64_t kRewrittenTagSize = 4096;
constexpr std::int64_t kMaxInPlacePadding = 4096;
constexpr std::int64_t kPaddingAfterLargeFrames = 2048;
constexpr std::int64_t kMaxTagBody = (std::int64_t{1} << 28) - 1;  // what a syncsafe size can hold

void AppendTextFrame(std::string& frames, std::string_view id, std::string_view text) {
  if (text.empty()) return;
  std::uint8_t encoding = 0;
  const std::string encoded = EncodeID3v23String(text, encoding);
  AppendV23Frame(frames, id, 0, 0, std::string(1, static_cast<char>(encoding)) + encoded);
}

// The text of the TCON frame for genre: the old tag's text when it reads as that genre, so that a
// genre not changed keeps its bytes (a reference such as "(17)", or a name such as ")1" that would
// read otherwise once written alone); else the name, a leading "(" doubled so that it is not taken
// for a reference.
std::string GenreFrameText(TID3v2FrameScanner& scanner, bool hadTag, const std::string& genre) {
  const std::uint8_t major = scanner.MajorVersion();
  if (hadTag && major >= 2 && major <= 4 && scanner.BeginFrames()) {
    std::string old = DecodeTextFrame(ReadSlotFrames(scanner).Contents[kSlotGenre]);
    if (!old.empty() && TrimText(GenreFromText(old)) == genre) return old;
  }
  return genre.starts_with('(') ? "(" + genre : genre;
}

// The leading number of a TRCK text ("3/12" gives 3), as Load computes Track.
std::optional<std::uint16_t> LeadingTrackNumber(const std::string& trackText) {
  const auto number = ParseIntegerText(std::string_view(trackText).substr(0, trackText.find('/')));
  if (!number) return std::nullopt;
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(*number));
}

// What the new tag's fields are, for deciding which of the old tag's frames stay.
struct TWrittenFields {
  bool Title = false;
  bool Artist = false;
  bool Album = false;
  std::string Year;
  TPictureAction Pictures = TPictureAction::Keep;
};

// Whether a frame of the old tag goes because the new tag's fields replace it: the slot frames
// the program writes anew, the one COMM frame the comment came from and the one WXXX frame the
// link came from. The frames that only stand in for an empty title, artist, album or year stay,
// unless that field is written empty; a recording date (TDRC) also goes when it no longer begins
// with the year.
// NOLINTNEXTLINE(readability-function-size): the frame, where it stands and what is written over it
bool IsReplaced(int slot, int index, const TSlotFrames& slots, const TWrittenFields& fields, const std::string& content,
                std::uint8_t major, bool wholeTagUnsynchronised, const TID3v2FrameRef& frame) {
  switch (slot) {
    case kSlotComment:
    case kSlotLink: {
      if (index == slots.Index[slot]) return true;
      // Another frame of the key the new frame is written under (no description, and for a comment
      // the language "eng") would make two of one key, which the standard forbids; it goes too.
      const auto unwrapped = UnwrapFrameContent(major, wholeTagUnsynchronised, frame, content);
      if (!unwrapped || unwrapped->empty() || !IsKnownID3Encoding(static_cast<std::uint8_t>((*unwrapped)[0]))) {
        return false;
      }
      if (slot == kSlotComment && unwrapped->compare(1, 3, "eng") != 0) return false;
      return HasEmptyDescription(*unwrapped, slot);
    }
    case kSlotGrouping: return !fields.Title;
    case kSlotOriginalArtist: return !fields.Artist;
    case kSlotOriginalAlbum: return !fields.Album;
    case kSlotDate: {
      if (fields.Year.empty()) return true;
      // Version 2.2 has TOR here, the original release year: a fact of its own (TORY in 2.3).
      if (major == 2) return false;
      const auto unwrapped = UnwrapFrameContent(major, wholeTagUnsynchronised, frame, content);
      if (!unwrapped) return false;  // compressed or encrypted: cannot tell, so it stays
      return TrimText(FirstCharacters(DecodeTextFrame(*unwrapped), 4)) != fields.Year;
    }
    default: return slot >= 0;
  }
}

// Whether frame, just built for the new tag from the old one's frame (a 2.3 one, as it stands),
// has the old frame's very bytes: its content was read as it stands, so only the header may
// differ (a size cut to the end of the tag, say).
bool SameAsOldFrame(TID3v2FrameScanner& scanner, const TID3v2FrameRef& old, std::string_view frame) {
  char header[10];
  const std::int64_t at = old.ContentOffset - static_cast<std::int64_t>(sizeof header);
  return at >= 0 && scanner.Source().ReadAt(at, header, sizeof header) == static_cast<std::int64_t>(sizeof header) &&
         frame.substr(0, sizeof header) == std::string_view(header, sizeof header);
}

// The frames of the old tag that stay, as the new tag holds them: the pictures, the comments
// without a description (which must follow the comment written), or the others.
enum class TKeptPart : std::uint8_t { Pictures, CommentsWithoutDescription, Others };

bool IsPicture(const TID3v2FrameRef& frame, std::uint8_t major) {
  return frame.ValidID && frame.ID == (major == 2 ? "PIC" : "APIC");
}

TKeptPart KeptPartOf(const TID3v2FrameRef& frame, int slot, const std::string& content, TID3v2FrameScanner& scanner) {
  const std::uint8_t major = scanner.MajorVersion();
  if (IsPicture(frame, major)) return TKeptPart::Pictures;
  if (slot != kSlotComment) return TKeptPart::Others;
  const auto unwrapped = UnwrapFrameContent(major, scanner.WholeTagUnsynchronised(), frame, content);
  if (!unwrapped || unwrapped->empty() || !IsKnownID3Encoding(static_cast<std::uint8_t>((*unwrapped)[0]))) {
    return TKeptPart::Others;
  }
  return HasEmptyDescription(*unwrapped, slot) ? TKeptPart::CommentsWithoutDescription : TKeptPart::Others;
}

// What the pictures kept tell the picture added after them (when added is not null): the
// descriptions taken, and whether one of them is a front cover of the added picture's very bytes.
struct TKeptPictures {
  const TPicture* Added = nullptr;
  std::vector<std::string> Descriptions;
  bool HoldAdded = false;
};

// The type and description of a picture frame of the old tag; none when it cannot be read
// (compressed, encrypted or damaged). isAdded learns whether it is a front cover of added's bytes.
std::optional<TPictureLabel> OldPictureLabel(TID3v2FrameScanner& scanner, const TID3v2FrameRef& frame,
                                             const std::string& content, const TPicture* added, bool& isAdded) {
  const std::uint8_t major = scanner.MajorVersion();
  constexpr std::size_t kV23FrameHeader = 10;
  std::optional<std::string> unwrapped;
  std::string_view picture;
  if (major == 2) {
    unwrapped = ConvertV22FrameToV23(frame, content);
    if (!unwrapped || unwrapped->size() < kV23FrameHeader) return std::nullopt;
    picture = std::string_view(*unwrapped).substr(kV23FrameHeader);
  } else {
    unwrapped = UnwrapFrameContent(major, scanner.WholeTagUnsynchronised(), frame, content);
    if (!unwrapped) return std::nullopt;
    picture = *unwrapped;
  }
  std::optional<TPictureLabel> label = ParsePictureLabel(picture);
  isAdded = label && added && label->Type == kFrontCoverPicture && picture.substr(label->DataOffset) == added->Data;
  return label;
}

// Whether a picture of the old tag stays under the picture change: the front covers go when a
// front cover is set or removed, every picture when all are removed. A picture that cannot be read
// is no front cover that the change could name, so it goes only with all the others.
bool PictureStays(TPictureAction action, const std::optional<TPictureLabel>& label) {
  switch (action) {
    case TPictureAction::Keep:
    case TPictureAction::AddFrontCover: return true;
    case TPictureAction::RemoveAll: return false;
    case TPictureAction::SetFrontCover:
    case TPictureAction::RemoveFrontCover: return !label || label->Type != kFrontCoverPicture;
  }
  return true;
}

// Appends the APIC frame of the picture. Two pictures of a tag must not share a description: the
// picture's own is taken when no picture kept has it, else the first of "cover 2", "cover 3"...
// (its own with " 2", " 3"...) that none has.
void AppendPictureFrame(std::string& frames, const TPicture& picture, const std::vector<std::string>& taken) {
  const std::string base = picture.Description.empty() ? std::string("cover") : picture.Description;
  std::string description = picture.Description;
  for (int n = 2; std::ranges::find(taken, description) != taken.end(); ++n)
    description = base + " " + std::to_string(n);
  std::uint8_t encoding = 0;
  const std::string encoded = EncodeID3v23String(description, encoding);
  std::string content(1, static_cast<char>(encoding));
  content.reserve(picture.MimeType.size() + encoded.size() + picture.Data.size() + 8);
  content += picture.MimeType;
  content += '\0';
  content += static_cast<char>(picture.Type);
  content += encoded;
  content.append(ID3TerminatorWidth(encoding), '\0');
  content += picture.Data;
  AppendV23Frame(frames, "APIC", 0, 0, content);
}

// Appends to tag the frames of the old tag that stay and belong to part, ready for a 2.3 tag; the
// large ones among them that keep their bytes are added to copied. The pictures kept are told to
// kept when it is not null.
// NOLINTNEXTLINE(readability-function-size): one walk over the old frames decides for each
void AppendKeptFrames(TID3v2FrameScanner& scanner, const TWrittenFields& fields, TKeptPart part, std::string& tag,
                      std::vector<TCopiedFrame>& copied, TKeptPictures* kept = nullptr) {
  const std::uint8_t major = scanner.MajorVersion();
  if (major < 2 || major > 4) return;
  if (!scanner.BeginFrames()) return;
  const TSlotFrames slots = ReadSlotFrames(scanner);
  if (!scanner.BeginFrames()) return;
  TID3v2FrameRef frame;
  std::string content;
  // A version 2.3 frame goes into the new tag as it stands; one that large is kept by the history
  // as a move of the old one.
  const auto appendAsItStands = [&](std::string_view stored) {
    const std::size_t at = tag.size();
    AppendV23Frame(tag, frame.ID, frame.StatusFlags, frame.FormatFlags, stored);
    const std::string_view built = std::string_view(tag).substr(at);
    if (built.size() >= kLargeFrameSize && !scanner.WholeTagUnsynchronised() && SameAsOldFrame(scanner, frame, built)) {
      copied.push_back({static_cast<std::size_t>(frame.ContentOffset) - 10, at, built.size()});
    }
  };
  for (int index = 0; scanner.NextFrame(frame); ++index) {
    const int slot = frame.ValidID ? ID3v2SlotOf(frame.ID, major) : -1;
    // A picture is read only for the part it belongs to.
    if (IsPicture(frame, major) != (part == TKeptPart::Pictures)) continue;
    if (part == TKeptPart::Pictures && fields.Pictures == TPictureAction::Keep && major == 3) {
      // Every picture stays as it is: copied once, straight from the old tag when it is in memory.
      if (const std::optional<std::string_view> stored = scanner.ContentView(frame)) {
        appendAsItStands(*stored);
        continue;
      }
    }
    if (!scanner.ReadContent(frame, frame.Size, content)) break;
    if (KeptPartOf(frame, slot, content, scanner) != part) continue;
    if (IsReplaced(slot, index, slots, fields, content, major, scanner.WholeTagUnsynchronised(), frame)) continue;
    if (part == TKeptPart::Pictures && fields.Pictures != TPictureAction::Keep) {
      bool isAdded = false;
      const std::optional<TPictureLabel> label =
          OldPictureLabel(scanner, frame, content, kept ? kept->Added : nullptr, isAdded);
      if (!PictureStays(fields.Pictures, label)) continue;
      if (kept && label) kept->Descriptions.push_back(label->Description);
      if (kept) kept->HoldAdded = kept->HoldAdded || isAdded;
    }
    if (major == 3) {
      appendAsItStands(content);
    } else if (major == 2) {
      if (auto converted = ConvertV22FrameToV23(frame, content)) tag += *converted;
    } else if (auto converted = ConvertV24FrameToV23(scanner.WholeTagUnsynchronised(), frame, std::move(content))) {
      tag += *converted;
    }
  }
}

// The picture a picture change sets or adds; null for none.
const TPicture* NewPicture(const TPictureChange& change) {
  const bool adds = change.Action == TPictureAction::SetFrontCover || change.Action == TPictureAction::AddFrontCover;
  return adds ? change.Picture.get() : nullptr;
}

// Appends the pictures of the new tag: those of the old tag that stay (with fields, null when no
// old tag is kept), then newPicture when it is not null, unless it is added and a front cover kept
// holds its bytes already (so that adding a cover twice adds it once).
void AppendPictures(TID3v2FrameScanner& scanner, const TWrittenFields* fields, const TPicture* newPicture,
                    std::string& frames, std::vector<TCopiedFrame>& copied) {
  TKeptPictures kept;
  kept.Added = newPicture;
  if (fields) AppendKeptFrames(scanner, *fields, TKeptPart::Pictures, frames, copied, &kept);
  const bool added = fields && fields->Pictures == TPictureAction::AddFrontCover;
  if (newPicture && !(added && kept.HoldAdded)) AppendPictureFrame(frames, *newPicture, kept.Descriptions);
}

// Whether a COMM or WXXX frame (by slot) of the old tag that stays could be read as the comment or
// the link, once the frame that was read as such is gone: then an empty comment or link must be
// written as a frame of its own, or that one would show in its place.
bool KeptFramesHoldAValueFor(int wanted, TID3v2FrameScanner& scanner, const TWrittenFields& fields) {
  const std::uint8_t major = scanner.MajorVersion();
  if (major < 2 || major > 4) return false;
  if (!scanner.BeginFrames()) return false;
  const TSlotFrames slots = ReadSlotFrames(scanner);
  if (!scanner.BeginFrames()) return false;
  TID3v2FrameRef frame;
  std::string content;
  for (int index = 0; scanner.NextFrame(frame); ++index) {
    const int slot = frame.ValidID ? ID3v2SlotOf(frame.ID, major) : -1;
    if (slot != wanted) continue;
    if (!scanner.ReadContent(frame, frame.Size, content)) break;
    if (IsReplaced(slot, index, slots, fields, content, major, scanner.WholeTagUnsynchronised(), frame)) continue;
    const auto unwrapped = UnwrapFrameContent(major, scanner.WholeTagUnsynchronised(), frame, content);
    if (!unwrapped || unwrapped->empty() || !IsKnownID3Encoding(static_cast<std::uint8_t>((*unwrapped)[0]))) continue;
    if (slot == kSlotLink || CouldBeTheComment(*unwrapped)) return true;
  }
  return false;
}

// Two stretches of changed bytes fewer than this many equal bytes apart are written, and kept by
// the history, as one: a write and a record of their own would cost more than the bytes between.
constexpr std::size_t kEqualRunBetweenStretches = 128;

// The stretches of tag (to go over the start of the file read through source) whose bytes differ
// from the file's; the whole tag when the file's bytes cannot be read.
std::vector<TByteSpan> ChangedStretches(TByteSource& source, std::string_view tag) {
  // Read into memory left as it is: every byte of it is overwritten by the read.
  const std::unique_ptr<char[]> old(new char[tag.size()]);
  if (source.ReadAt(0, old.get(), tag.size()) != static_cast<std::int64_t>(tag.size())) {
    return {TByteSpan{0, tag.size()}};
  }
  return DifferingSpans(std::string_view(old.get(), tag.size()), tag, kEqualRunBetweenStretches);
}

// Writes the changed stretches of the tag over the song's own.
TResult WriteInPlace(TLockedSong& song, const std::string& tag, const std::vector<TByteSpan>& changed,
                     const TFileOps& ops) {
  // Nobody who takes the lock can have changed the song since it was read; anyone else can.
  if (!song.Unchanged()) {
    return TResult::Failure(TFailureKind::Changed, song.Name(),
                            std::make_error_code(std::errc::resource_unavailable_try_again));
  }
  int error = 0;
  for (const TByteSpan& stretch : changed) {
    const std::size_t end = std::min(stretch.Offset + stretch.Size, tag.size());
    for (std::size_t done = stretch.Offset; done < end && error == 0;) {
      const ssize_t written = ops.PWrite(song.Descriptor(), tag.data() + done, end - done, static_cast<off_t>(done));
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) {
        error = written < 0 && errno != 0 ? errno : EIO;
        break;
      }
      done += static_cast<std::size_t>(written);
    }
    if (error != 0) break;
  }
  if (error != 0)
    return TResult::Failure(TFailureKind::Write, song.Name(), std::error_code(error, std::generic_category()));
  return song.Refresh();
}

}  // namespace

void TID3v2::SetTitle(std::string_view text) { Title = TrimText(text); }
void TID3v2::SetArtist(std::string_view text) { Artist = TrimText(text); }
void TID3v2::SetAlbum(std::string_view text) { Album = TrimText(text); }
void TID3v2::SetYear(std::string_view text) { Year = TrimText(text); }
void TID3v2::SetComment(std::string_view text) { Comment = TrimText(text); }
void TID3v2::SetGenre(std::string_view text) { Genre = TrimText(text); }
void TID3v2::SetTrack(std::uint16_t track) { Track = track; }

TResult TID3v2::Save(const std::string& fileName) { return Save(fileName, DefaultFileOps()); }

TResult TID3v2::Save(const std::string& fileName, const TFileOps& ops) {
  TagInfo.NeedRewrite = false;
  TagInfo.PaddingSize = 0;
  TResultOf<TLockedSong> song = TLockedSong::Open(fileName);
  if (!song) return song.Failure();
  return Save(song.Value(), ops);
}

TResultOf<TID3v2::TComposedTag> TID3v2::Compose(TByteSource& source, const std::string& fileName) {
  TID3v2FrameScanner scanner(source);
  // A file shorter than a tag header holds no tag: the new tag goes in front of its bytes.
  const bool headerRead = scanner.ReadHeader();
  if (!headerRead && source.Size() >= 10) {
    return TResult::Failure(TFailureKind::Read, fileName, std::make_error_code(std::errc::io_error));
  }
  const bool hadTag = headerRead && IsID3v2Header(scanner.Header());
  const std::int64_t oldTotal = hadTag ? scanner.TagTotal() : 0;
  // The frames follow the header, written last once the size is known. Room for the old tag's
  // frames and some more, so that a tag with a picture is not moved while it grows.
  constexpr std::int64_t kMostRoomMadeAhead = std::int64_t{16} << 20;
  std::string frames(10, '\0');
  const TPicture* newPicture = NewPicture(PictureChange);
  frames.reserve(static_cast<std::size_t>(std::min(oldTotal, kMostRoomMadeAhead)) + 16384 +
                 (newPicture ? newPicture->Data.size() : 0));
  const TWrittenFields written{!Title.empty(), !Artist.empty(), !Album.empty(), Year, PictureChange.Action};
  const bool keptTag = hadTag && oldTotal > 0;
  TComposedTag composed;
  // The frames kept go ahead of the slot frames (see the layout above).
  AppendPictures(scanner, keptTag ? &written : nullptr, newPicture, frames, composed.Tag.CopiedFrames);
  if (keptTag) AppendKeptFrames(scanner, written, TKeptPart::Others, frames, composed.Tag.CopiedFrames);
  AppendTextFrame(frames, "TIT2", Title);
  AppendTextFrame(frames, "TPE1", Artist);
  AppendTextFrame(frames, "TALB", Album);
  if (Track > 0) {
    // A text like "3/12" survives as long as its number is the track being written.
    const auto loaded = LeadingTrackNumber(TrackText);
    AppendTextFrame(frames, "TRCK", loaded && *loaded == Track ? TrimText(TrackText) : std::to_string(Track));
  }
  AppendTextFrame(frames, "TYER", Year);
  AppendTextFrame(frames, "TCON", GenreFrameText(scanner, hadTag, Genre));
  if (!Comment.empty() || (keptTag && KeptFramesHoldAValueFor(kSlotComment, scanner, written))) {
    // Encoding, language, an empty description with its terminator, the text.
    std::uint8_t encoding = 0;
    const std::string text = EncodeID3v23String(Comment, encoding);
    std::string content(1, static_cast<char>(encoding));
    content += "eng";
    content.append(ID3TerminatorWidth(encoding), '\0');
    content += text;
    AppendV23Frame(frames, "COMM", 0, 0, content);
  }
  AppendTextFrame(frames, "TCOM", Composer);
  AppendTextFrame(frames, "TENC", Encoder);
  AppendTextFrame(frames, "TCOP", Copyright);
  AppendTextFrame(frames, "TLAN", Language);
  if (!Link.empty() || (keptTag && KeptFramesHoldAValueFor(kSlotLink, scanner, written))) {
    // The description is empty; the URL itself is always ISO-8859-1.
    AppendV23Frame(frames, "WXXX", 0, 0, std::string(2, '\0') + Utf8ToLatin1(Link));
  }
  if (keptTag) {
    AppendKeptFrames(scanner, written, TKeptPart::CommentsWithoutDescription, frames, composed.Tag.CopiedFrames);
  }

  const std::int64_t newTotal = static_cast<std::int64_t>(frames.size());
  const bool inPlace =
      hadTag && oldTotal >= newTotal && oldTotal - newTotal <= std::max(kMaxInPlacePadding, oldTotal / 10);
  std::int64_t padding;
  if (inPlace) {
    padding = oldTotal - newTotal;
  } else {
    padding = newTotal <= kRewrittenTagSize ? kRewrittenTagSize - newTotal : kPaddingAfterLargeFrames;
  }
  TagInfo.NeedRewrite = !inPlace;
  TagInfo.PaddingSize = padding;
  if (newTotal + padding - 10 > kMaxTagBody) {
    return TResult::Failure(TFailureKind::TooLarge, fileName, std::make_error_code(std::errc::file_too_large));
  }

  std::string& tag = frames;
  tag.replace(0, 10, ID3v23Header(static_cast<std::uint32_t>(newTotal + padding - 10)));
  tag.append(static_cast<std::size_t>(padding), '\0');

  if (inPlace) composed.Changed = ChangedStretches(source, tag);
  composed.Tag.Bytes = std::move(tag);
  composed.InPlace = inPlace;
  // The old tag is skipped only when its size is usable; otherwise nothing of the file is dropped.
  composed.KeepFrom = hadTag ? oldTotal : 0;
  return composed;
}

TResult TID3v2::CheckSave(TByteSource& source, const std::string& fileName) {
  TResultOf<TComposedTag> composed = Compose(source, fileName);
  if (!composed) return composed.Failure();
  if (composed.Value().InPlace) return {};
  // A rewrite makes a new file beside the song and renames it over the song.
  if (const std::error_code problem = NewNameProblem(TemporaryNameBeside(SongPath(fileName), 0))) {
    return TResult::Failure(TFailureKind::Write, fileName, problem);
  }
  return {};
}

TResult TID3v2::Save(TLockedSong& song, const TFileOps& ops) {
  TDescriptorSource source(song.Descriptor(), song.Info().st_size);
  return Save(song, source, ops, nullptr);
}

TResult TID3v2::Save(TLockedSong& song, TByteSource& current, const TFileOps& ops, TSavedTag* saved) {
  TagInfo.NeedRewrite = false;
  TagInfo.PaddingSize = 0;
  TResultOf<TComposedTag> composed = Compose(current, song.Name());
  if (!composed) return composed.Failure();
  return SaveComposed(song, std::move(composed.Value()), ops, saved);
}

TResult TID3v2::SaveComposed(TLockedSong& song, TComposedTag composed, const TFileOps& ops, TSavedTag* saved) {
  const std::string& fileName = song.Name();
  const std::string& tag = composed.Tag.Bytes;
  const bool inPlace = composed.InPlace;
  const std::int64_t keepFrom = composed.KeepFrom;
  // The tag written goes to the caller.
  const auto handOver = [&](TResult written) {
    if (written && saved) *saved = std::move(composed.Tag);
    return written;
  };
  if (inPlace) return handOver(WriteInPlace(song, tag, composed.Changed, ops));
  if (song.Info().st_nlink > 1) {
    // A rename would leave the song's other names with the old file: its own file is rewritten.
    TResult written = RewriteKeepingFile(song.Path(), song.Descriptor(), song.Info(), tag, keepFrom, ops);
    if (!written) {
      return TResult::Failure(written.Kind(), written.Path() == song.Path() ? fileName : written.Path(),
                              written.Error());
    }
    return handOver(song.Refresh());
  }
  int replacement = -1;
  TResult written =
      composed.Beside.Written()
          ? PutFileInPlace(std::move(composed.Beside), song.Path(), song.Descriptor(), song.Info(), ops, &replacement)
          : ReplaceFileHead(song.Path(), song.Descriptor(), song.Info(), tag, keepFrom, ops, &replacement);
  if (!written) return TResult::Failure(written.Kind(), fileName, written.Error());
  return handOver(song.Adopt(replacement));
}

}  // namespace tagwright

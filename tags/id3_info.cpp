// Tag access: the ID3v2 tag through TID3v2, the 128-byte ID3v1 trailer here.
//
// ID3v1 trailer layout: "TAG", title (30), artist (30), album (30), year (4), comment (30), genre
// byte. ID3v1.1 keeps a track number in the comment's last byte when the byte before it is zero.
// Texts are ISO-8859-1, unterminated and filled with spaces (or zeros, by other writers).

#include "tags/id3_info.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tags/atomic_rewrite.h"
#include "tags/byte_source.h"
#include "tags/genres.h"
#include "tags/id3v2.h"
#include "tags/integer_text.h"
#include "tags/locked_song.h"
#include "tags/text_encoding.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

constexpr std::size_t kTrailerSize = 128;

struct TTrailerField {
  std::size_t Offset;
  std::size_t Width;
};
constexpr TTrailerField kTitleField{3, 30}, kArtistField{33, 30}, kAlbumField{63, 30}, kYearField{93, 4};
constexpr TTrailerField kCommentField{97, 30};
constexpr TTrailerField kReadCommentField{97, 28};  // bytes 125 and 126 may hold a track number
constexpr std::size_t kTrackMarkerOffset = 125, kTrackOffset = 126, kGenreOffset = 127;

bool StartsWithTag(const TID3v1Buffer& buffer) { return buffer[0] == 'T' && buffer[1] == 'A' && buffer[2] == 'G'; }

// The field's bytes up to the first zero byte, without the spaces that pad it, converted from
// ISO-8859-1: a field of spaces only is an empty one. Blanks at either end go as a save would
// take them off, so that a value read from the trailer is the one the next save keeps.
std::string TrailerText(const TID3v1Buffer& buffer, TTrailerField field) {
  const char* start = reinterpret_cast<const char*>(buffer.data()) + field.Offset;
  const void* zero = std::memchr(start, 0, field.Width);
  const std::size_t length = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - start) : field.Width;
  return Latin1ToUtf8(TrimView(std::string_view(start, length)));
}

void PutTrailerText(TID3v1Buffer& buffer, TTrailerField field, std::string_view utf8) {
  const std::string latin1 = Utf8ToLatin1(utf8);
  std::memcpy(buffer.data() + field.Offset, latin1.data(), std::min(latin1.size(), field.Width));
}

TResultOf<bool> ReadTrailer(TByteSource& source, const std::string& fileName, TID3v1Buffer& buffer) {
  if (source.Size() < static_cast<std::int64_t>(kTrailerSize)) return false;
  const std::int64_t got =
      source.ReadAt(source.Size() - static_cast<std::int64_t>(kTrailerSize), buffer.data(), kTrailerSize);
  if (got < 0) return TResult::FromErrno(TFailureKind::Read, fileName);
  if (got != static_cast<std::int64_t>(kTrailerSize)) {
    return TResult::Failure(TFailureKind::Read, fileName, std::make_error_code(std::errc::io_error));
  }
  return StartsWithTag(buffer);
}

// Opens the file for reading; a file that does not exist is no failure, just a file without tags.
TResultOf<bool> OpenForReading(TFileSource& source, const std::string& fileName) {
  if (source.Open(fileName)) return true;
  if (errno == ENOENT || errno == ENOTDIR) return false;
  return TResult::FromErrno(TFailureKind::Open, fileName);
}

// Overwrites the song's trailer, or appends one when it has none, through the song's descriptor,
// whose Info() must show the file as it is. Bytes before tagEnd belong to the ID3v2 tag: "TAG"
// among them is no trailer, so in a short song whose tag reaches into its last 128 bytes the
// trailer is appended. Over a trailer only the bytes from the first to the last that differ are
// written: the file ends the same as with the whole trailer written.
TResult WriteTrailer(TLockedSong& song, TID3v1Buffer& buffer, std::int64_t tagEnd = 0,
                     const std::optional<std::string>& found = std::nullopt) {
  const std::string& fileName = song.Name();
  const int fd = song.Descriptor();
  const off_t size = song.Info().st_size;
  buffer[0] = 'T';
  buffer[1] = 'A';
  buffer[2] = 'G';
  // Append a trailer where there is none (also to files of 128 bytes or fewer).
  off_t position = size;
  std::size_t from = 0;
  std::size_t to = kTrailerSize;
  if (size > static_cast<off_t>(kTrailerSize) && size - static_cast<off_t>(kTrailerSize) >= tagEnd) {
    TID3v1Buffer old{};
    const off_t at = size - static_cast<off_t>(kTrailerSize);
    if (found && found->size() == kTrailerSize) {
      std::copy(found->begin(), found->end(), old.begin());
    } else if (found) {
      old.fill(0);  // no trailer: a new one is appended
    } else if (::pread(fd, old.data(), kTrailerSize, at) != static_cast<ssize_t>(kTrailerSize)) {
      return TResult::Failure(TFailureKind::Read, fileName, std::make_error_code(std::errc::io_error));
    }
    if (old == buffer) return {};  // the same bytes: nothing to write
    if (StartsWithTag(old)) {
      position = at;
      from = static_cast<std::size_t>(std::mismatch(old.begin(), old.end(), buffer.begin()).first - old.begin());
      to = kTrailerSize -
           static_cast<std::size_t>(std::mismatch(old.rbegin(), old.rend(), buffer.rbegin()).first - old.rbegin());
    }
  }
  const std::size_t count = to - from;
  const ssize_t written = ::pwrite(fd, buffer.data() + from, count, position + static_cast<off_t>(from));
  const int error = written < 0 ? errno : (written != static_cast<ssize_t>(count) ? ENOSPC : 0);
  if (error != 0)
    return TResult::Failure(TFailureKind::Write, fileName, std::error_code(error, std::generic_category()));
  return {};
}

}  // namespace

void TID3Info::SetTrackText(std::string_view text) {
  const auto value = ParseIntegerText(text);
  Track = value ? static_cast<std::uint8_t>(static_cast<std::uint32_t>(*value) & 0xFF) : 0;
}

std::string YearProblem(std::string_view text) {
  const std::string year = TrimText(text);
  if (year.empty() || (year.size() == 4 && std::all_of(year.begin(), year.end(), IsAsciiDigit))) return {};
  return "year must be four digits, not '" + std::string(text) + "'";
}

TResultOf<bool> ReadID3Tags(const std::string& fileName, TID3Info& info) {
  TFileSource source;
  TResultOf<bool> opened = OpenForReading(source, fileName);
  if (!opened || !opened.Value()) return opened;
  return ReadID3Tags(source, fileName, info);
}

TResultOf<bool> ReadID3Tags(TByteSource& source, const std::string& fileName, TID3Info& info, std::int64_t* tagSize) {
  bool found = false;
  {
    TID3v2 tag;
    // A source too short or unreadable for a tag header simply has no ID3v2 tag; a read error
    // shows again when the trailer is read.
    const bool loaded = tag.Load(source).Ok();
    if (tagSize != nullptr) *tagSize = !loaded || !tag.HasTag ? 0 : (tag.TagSize > 0 ? tag.TagSize : -1);
    if (loaded && tag.HasTag) {
      found = true;
      // Without the blanks at either end that a save takes off, so that the values read are the
      // ones a save of other fields keeps.
      info.Title = TrimText(tag.Title);
      info.Artist = TrimText(tag.Artist);
      info.Album = TrimText(tag.Album);
      info.Year = TrimText(tag.Year);
      info.Comment = TrimText(tag.Comment);
      // The number before "/" of TRCK ("3/12" is track 3), in the record's eight bits.
      info.Track = static_cast<std::uint8_t>(tag.Track & 0xFF);
      info.Genre = TrimText(tag.Genre);
    }
  }
  TID3v1Buffer buffer{};
  TResultOf<bool> trailer = ReadTrailer(source, fileName, buffer);
  if (!trailer) return trailer;
  if (trailer.Value()) {
    found = true;
    TID3Info trailerValues = ID3v1Values(buffer);
    for (auto [value, fromTrailer] :
         {std::pair{&info.Title, &trailerValues.Title}, std::pair{&info.Artist, &trailerValues.Artist},
          std::pair{&info.Album, &trailerValues.Album}, std::pair{&info.Year, &trailerValues.Year},
          std::pair{&info.Comment, &trailerValues.Comment}, std::pair{&info.Genre, &trailerValues.Genre}}) {
      if (value->empty()) *value = std::move(*fromTrailer);
    }
    // A zero track means "none" and so never hides the ID3v2 track.
    if (trailerValues.Track != 0) info.Track = trailerValues.Track;
  }
  return found;
}

TID3Info ID3v1Values(const TID3v1Buffer& buffer) {
  TID3Info info;
  info.Title = TrailerText(buffer, kTitleField);
  info.Artist = TrailerText(buffer, kArtistField);
  info.Album = TrailerText(buffer, kAlbumField);
  info.Year = TrailerText(buffer, kYearField);
  info.Comment = TrailerText(buffer, kReadCommentField);
  // ID3v1.1: a zero before the last comment byte makes that byte the track.
  if (buffer[kTrackMarkerOffset] == 0) info.Track = buffer[kTrackOffset];
  info.Genre = NumberToGenre(buffer[kGenreOffset]);
  return info;
}

namespace {

// The file's ID3v2 tag with the record's values in it. The loaded tag keeps the fields the record
// does not carry, and TRCK texts like "3/12". A file without a readable header starts from an
// empty tag; saving then reports what is wrong.
TID3v2 TagToWrite(TByteSource& source, const TID3Info& info, const TPictureChange& pictures) {
  TID3v2 tag;
  (void)tag.Load(source);
  tag.PictureChange = pictures;
  tag.SetTitle(info.Title);
  tag.SetArtist(info.Artist);
  tag.SetAlbum(info.Album);
  tag.SetYear(info.Year);
  tag.SetComment(info.Comment);
  // The record holds eight bits of the track; a larger ID3v2 track with the same low bits is
  // the one it was read from and stays.
  if ((tag.Track & 0xFF) != info.Track) tag.SetTrack(info.Track);
  if (info.Track != 0 && info.TrackTotal != 0) {
    tag.SetTrack(info.Track);
    tag.TrackText = std::to_string(info.Track) + "/" + std::to_string(info.TrackTotal);
  }
  tag.SetGenre(info.Genre);
  return tag;
}

}  // namespace

TResult WriteID3Tags(const std::string& fileName, const TID3Info& info) {
  // One descriptor and one lock for the whole read-modify-write of both tags.
  TResultOf<TLockedSong> opened = TLockedSong::Open(fileName);
  if (!opened) return opened.Failure();
  TLockedSong& song = opened.Value();
  TDescriptorSource source(song.Descriptor(), song.Info().st_size);
  return WriteID3Tags(song, source, info, nullptr);
}

namespace {

std::string ComposeTrailer(const TID3Info& info) {
  TID3v1Buffer buffer;
  buffer.fill(' ');
  PutTrailerText(buffer, kTitleField, info.Title);
  PutTrailerText(buffer, kArtistField, info.Artist);
  PutTrailerText(buffer, kAlbumField, info.Album);
  PutTrailerText(buffer, kYearField, info.Year);
  PutTrailerText(buffer, kCommentField, info.Comment);
  buffer[kGenreOffset] = GenreToNumber(info.Genre);
  if (info.Track != 0) {
    buffer[kTrackMarkerOffset] = 0;
    buffer[kTrackOffset] = info.Track;
  }
  buffer[0] = 'T';
  buffer[1] = 'A';
  buffer[2] = 'G';
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

}  // namespace

TResult WriteID3Tags(TLockedSong& song, TByteSource& current, const TID3Info& info, TWrittenTags* written) {
  TResultOf<TComposedTags> composed = ComposeID3Tags(current, info, song.Name());
  if (!composed) return composed.Failure();
  return WriteComposedID3Tags(song, std::move(composed.Value()), written);
}

TResultOf<TComposedTags> ComposeID3Tags(TByteSource& current, const TID3Info& info, const std::string& fileName,
                                        const TPictureChange& pictures) {
  TID3v2 tag = TagToWrite(current, info, pictures);
  TResultOf<TID3v2::TComposedTag> head = tag.Compose(current, fileName);
  if (!head) return head.Failure();
  TComposedTags composed;
  composed.Tags.Head = std::move(head.Value().Tag.Bytes);
  composed.Tags.CopiedFrames = std::move(head.Value().Tag.CopiedFrames);
  composed.InPlace = head.Value().InPlace;
  composed.KeepFrom = head.Value().KeepFrom;
  composed.Changed = std::move(head.Value().Changed);
  composed.Tags.Trailer = ComposeTrailer(info);
  return composed;
}

TResult WriteComposedID3Tags(TLockedSong& song, TComposedTags composed, TWrittenTags* written) {
  TID3v1Buffer buffer;
  std::copy(composed.Tags.Trailer.begin(), composed.Tags.Trailer.end(), buffer.begin());
  const auto tagEnd = static_cast<std::int64_t>(composed.Tags.Head.size());
  {
    TID3v2::TComposedTag head;
    head.Tag.Bytes = std::move(composed.Tags.Head);
    head.Tag.CopiedFrames = std::move(composed.Tags.CopiedFrames);
    head.InPlace = composed.InPlace;
    head.KeepFrom = composed.KeepFrom;
    head.Changed = std::move(composed.Changed);
    head.Beside = std::move(composed.Beside);
    TID3v2 tag;
    TSavedTag saved;
    if (TResult done = TID3v2::SaveComposed(song, std::move(head), DefaultFileOps(), written ? &saved : nullptr);
        !done) {
      return done;
    }
    if (written) {
      written->Head = std::move(saved.Bytes);
      written->CopiedFrames = std::move(saved.CopiedFrames);
    }
  }
  TResult trailed = WriteTrailer(song, buffer, tagEnd, composed.TrailerFound);
  if (trailed && written) written->Trailer = std::move(composed.Tags.Trailer);
  return trailed;
}

TResult WriteComposedBeside(const TLockedSong& song, TComposedTags& composed) {
  if (composed.InPlace || song.Info().st_nlink > 1) return {};
  TResultOf<TFileBeside> written = WriteFileBeside(song.Path(), song.Descriptor(), song.Info(), composed.Tags.Head,
                                                   composed.KeepFrom, DefaultFileOps());
  if (!written) return TResult::Failure(written.Failure().Kind(), song.Name(), written.Failure().Error());
  composed.Beside = std::move(written.Value());
  return {};
}

TResult PredictID3Write(const std::string& fileName, const TID3Info& info, const TPictureChange& pictures) {
  TFileSource source;
  TResultOf<bool> opened = OpenForReading(source, fileName);
  if (!opened) return opened.Failure();
  if (!opened.Value())
    return TResult::Failure(TFailureKind::Open, fileName, std::make_error_code(std::errc::no_such_file_or_directory));
  TID3v2 tag = TagToWrite(source, info, pictures);
  return tag.CheckSave(source, fileName);
}

TResultOf<bool> ReadID3v1Trailer(const std::string& fileName, TID3v1Buffer& buffer) {
  TFileSource source;
  TResultOf<bool> opened = OpenForReading(source, fileName);
  if (!opened || !opened.Value()) return opened;
  return ReadTrailer(source, fileName, buffer);
}

TResult WriteID3v1Trailer(const std::string& fileName, TID3v1Buffer& buffer) {
  TResultOf<TLockedSong> song = TLockedSong::Open(fileName);
  if (!song) return song.Failure();
  return WriteTrailer(song.Value(), buffer);
}

}  // namespace tagwright

// Telling an MP3 file from other files: by its name when it ends in ".mp3", else by its content;
// and, before any write, by its content whatever its name.
#pragma once

#include <cstdint>
#include <string>

#include "files/result.h"

namespace tagwright {

class TByteSource;

// What a file's first bytes show it to be.
enum class TContentKind {
  Mp3,
  Empty,
  Text,
  JpegPicture,
  PngPicture,
  GifPicture,
  PdfDocument,
  ZipArchive,
  FlacAudio,
  OggMedia,
  WaveAudio,
  Mp4Media,
  Unknown
};

// An MP3 is a file that begins with an ID3v2 header, or whose audio (the bytes before any ID3v1
// trailer) holds MPEG audio frames within its first bytes: a frame header right at its start, or a
// frame that the header of the next one confirms. Anything else is told by its first bytes.
TResultOf<TContentKind> SniffContent(TByteSource& source, const std::string& fileName);

// "a JPEG picture", "a PDF document", "text", "empty", "unknown"...: what the user is told the
// content of a file that is no MP3 is.
const char* ContentDescription(TContentKind kind);

// True when the file's content is MP3 (see SniffContent).
TResultOf<bool> HoldsMp3Content(const std::string& fileName);

// Whether the name ends in ".mp3", in any case.
bool HasMp3Extension(const std::string& fileName);

// Whether the file is a song the program may list: a name ending in ".mp3" (in any case) is taken
// at its word, any other file only when its content is MP3 (see HoldsMp3Content), so that a
// picture, a text or a script named among the songs is never tagged or renamed.
TResultOf<bool> IsSongFile(const std::string& fileName);

}  // namespace tagwright

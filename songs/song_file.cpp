#include "songs/song_file.h"

#include "songs/recognition.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "files/file_access.h"

namespace tagwright {

void TSongFile::Clear() {
  TSongDetails::Clear();
  fileName_.clear();
  listedTags_.reset();
  listedIdentity_.reset();
}

TResult TSongFile::SetFileName(const std::string& name, bool useTags, const TRecognitionOptions& options) {
  if (name == fileName_) return {};
  Clear();
  fileName_ = name;
  writableWhenListed_ = LooksWritable(name);
  if (struct stat info{}; ::stat(name.c_str(), &info) == 0) listedIdentity_ = IdentityOf(info);
  return Recognize(useTags, options);
}

void TSongFile::BindWithTags(const std::string& name, const TID3Info* tags, const TRecognitionOptions& options) {
  Clear();
  fileName_ = name;
  // Recognised in place: the record is empty, so a failed recognition only has to be undone.
  TTokenList tokens;
  RecognizeSongWithTags(fileName_, tokens, tags, *this, options);
  if (Recognition() == TRecognition::Failed) {
    TSongDetails::Clear();
  } else {
    SetTrack(PaddedTrack());  // as Assign stores it
  }
}

TResult TSongFile::Recognize(bool useTags, const TRecognitionOptions& options) {
  TSongDetails scratch;
  TTokenList tokens;
  TResult recognized = RecognizeSong(fileName_, tokens, useTags, scratch, options);
  if (!recognized) return recognized;
  if (scratch.Recognition() != TRecognition::Failed) Assign(scratch);
  return {};
}

}  // namespace tagwright

#include "songs/song_file.h"

#include "songs/recognition.h"

namespace tagwright {

void TSongFile::Clear() {
  TSongDetails::Clear();
  fileName_.clear();
}

TResult TSongFile::SetFileName(const std::string& name, bool useTags) {
  if (name == fileName_) return {};
  Clear();
  fileName_ = name;
  return Recognize(useTags);
}

TResult TSongFile::Recognize(bool useTags) {
  TSongDetails scratch;
  TTokenList tokens;
  TResult recognized = RecognizeSong(fileName_, tokens, useTags, scratch);
  if (!recognized) return recognized;
  if (scratch.Recognition() != TRecognition::Failed) Assign(scratch);
  return {};
}

}  // namespace tagwright

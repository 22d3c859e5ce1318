#include "songs/song_file.h"

#include "songs/recognition.h"

namespace tagwright {

void TSongFile::Clear() {
  TSongDetails::Clear();
  fileName_.clear();
}

void TSongFile::SetFileName(const std::string& name, bool useTags) {
  if (name == fileName_) return;
  Clear();
  fileName_ = name;
  Recognize(useTags);
}

void TSongFile::Recognize(bool useTags) {
  TSongDetails scratch;
  TTokenList tokens;
  RecognizeSong(fileName_, tokens, useTags, scratch);
  if (scratch.Recognition() != TRecognition::Failed) Assign(scratch);
}

}  // namespace tagwright

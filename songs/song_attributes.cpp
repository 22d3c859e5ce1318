#include "songs/song_attributes.h"

#include <vector>

#include "songs/recognition.h"
#include "text/ascii_text.h"

namespace tagwright {

void TSongAttributes::Clear() {
  for (std::string& text : fields_) text.clear();
  recogType_ = rtFailed;
  unsavedID3_ = false;
}

void TSongAttributes::SetField(TSongField field, std::string_view text) {
  std::string& slot = fields_[static_cast<std::size_t>(field)];
  if (field == TSongField::Genre) {
    slot.assign(text);
  } else {
    slot.assign(TrimView(text));
  }
}

void TSongAttributes::Assign(const TSongAttributes& source) {
  if (&source == this) {
    SetTrack(PaddedTrack());
    return;
  }
  for (std::size_t i = 0; i < kSongFieldCount; ++i) {
    const auto field = static_cast<TSongField>(i);
    SetField(field, field == TSongField::Track ? source.PaddedTrack() : source.Field(field));
  }
  recogType_ = source.recogType_;
  unsavedID3_ = source.unsavedID3_;
}

std::string TSongAttributes::FullTitle() const {
  if (Mix().empty()) return Title();
  std::string result = Title();
  result += " (";
  result += Mix();
  result += ')';
  return result;
}

std::string TSongAttributes::PaddedTrack() const {
  const std::string& track = Track();
  if (track == "0") return {};
  if (track.size() == 1) return "0" + track;
  return track;
}

std::string TSongAttributes::AsText() const {
  const std::pair<const char*, std::string> pairs[] = {
      {"Artist: ", Artist()}, {"Title: ", FullTitle()},   {"Track: ", PaddedTrack()},
      {"Album: ", Album()},   {"Featuring: ", Featuring()}, {"Genre: ", Genre()},
      {"URL: ", URL()},       {"Copy: ", Copy()},         {"CD: ", CD()},
      {"Mix2: ", Mix2()},
  };
  std::string text;
  for (const auto& [label, value] : pairs) {
    if (value.empty()) continue;
    if (!text.empty()) text += ", ";
    text += label;
    text += value;
  }
  return text;
}

void TAutoSongAttributes::Clear() {
  TSongAttributes::Clear();
  fileName_.clear();
}

void TAutoSongAttributes::SetFileName(const std::string& name, bool useTags) {
  if (name == fileName_) return;
  Clear();
  fileName_ = name;
  Recognize(useTags);
}

void TAutoSongAttributes::Recognize(bool useTags) {
  TSongAttributes scratch;
  TTokenList tokens;
  RecognizeSong(fileName_, tokens, useTags, scratch);
  if (scratch.RecogType() != rtFailed) Assign(scratch);
}

}  // namespace tagwright

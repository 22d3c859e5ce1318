#include "songs/song_details.h"

#include "text/ascii_text.h"

namespace tagwright {

void TSongDetails::Clear() {
  for (std::string& text : fields_) text.clear();
  recognition_ = TRecognition::Failed;
  unsavedID3_ = false;
  tidiedName_ = false;
}

void TSongDetails::SetField(TSongField field, std::string_view text) {
  std::string& slot = fields_[static_cast<std::size_t>(field)];
  if (field == TSongField::Genre) {
    slot.assign(text);
  } else {
    slot.assign(TrimView(text));
  }
}

void TSongDetails::Assign(const TSongDetails& source) {
  if (&source == this) {
    SetTrack(PaddedTrack());
    return;
  }
  for (std::size_t i = 0; i < kSongFieldCount; ++i) {
    const auto field = static_cast<TSongField>(i);
    SetField(field, field == TSongField::Track ? source.PaddedTrack() : source.Field(field));
  }
  recognition_ = source.recognition_;
  unsavedID3_ = source.unsavedID3_;
  tidiedName_ = source.tidiedName_;
}

std::string TSongDetails::FullTitle() const {
  if (Mix().empty()) return Title();
  std::string result = Title();
  result += " (";
  result += Mix();
  result += ')';
  return result;
}

std::string TSongDetails::PaddedTrack() const {
  const std::string& track = Track();
  if (track == "0") return {};
  if (track.size() == 1) return "0" + track;
  return track;
}

std::string TSongDetails::AsText() const {
  const std::pair<const char*, std::string> pairs[] = {
      {"Artist: ", Artist()}, {"Title: ", FullTitle()},     {"Track: ", PaddedTrack()},
      {"Album: ", Album()},   {"Featuring: ", Featuring()}, {"Genre: ", Genre()},
      {"URL: ", URL()},       {"Copy: ", Copy()},           {"CD: ", CD()},
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

}  // namespace tagwright

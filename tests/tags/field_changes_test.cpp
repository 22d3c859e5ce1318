// Whether a tag write would change a field, judged on songs whose tags are laid out in many ways.
#include "tags/field_changes.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tag_bytes.h"
#include "tags/byte_source.h"

namespace tagwright::testing {
namespace {

const TID3Info kValues = Info("Why", "Moby", "Play", "1999", "Keep", 3, "Electronic");
const std::string kAudio = SongAudio(900);

// Genre 52 is Electronic; UTF-8 texts in a 2.4 tag, the frames in another order than the writer's.
std::string Utf8Text(std::string_view text) { return std::string(1, '\x03') + std::string(text); }
std::string Tag24(std::string_view comment = "Keep", std::string_view track = "3/12") {
  return Tag(4,
             Frame24("TCON", Utf8Text("(52)")) +
                 Frame24("COMM",
                         "\x03"
                         "eng" +
                             std::string(1, '\0') + std::string(comment)) +
                 Frame24("TDRC", Utf8Text("1999-05-17")) + Frame24("TRCK", Utf8Text(track)) +
                 Frame24("TALB", Utf8Text("Play")) + Frame24("TPE1", Utf8Text("Moby")) +
                 Frame24("TIT2", Utf8Text("Why")),
             300);
}
// A trailer padded with zero bytes, as other writers leave it.
std::string ZeroPaddedTrailer(std::string_view title = "Why") {
  std::string trailer = Trailer(title, "Moby", "Play", "1999", "Keep", 52, 3);
  for (std::size_t i = 3; i < 125; ++i) {
    if (trailer[i] == ' ') trailer[i] = '\0';
  }
  return trailer;
}

struct TLayoutCase {
  const char* Name;
  std::string Bytes;  // the song before the write; empty: as this program writes kValues
  bool Changes;
};

class FieldChanges : public ::testing::TestWithParam<TLayoutCase> {};

TEST_P(FieldChanges, FollowTheValuesReadBackNotTheLayout) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("song.mp3", GetParam().Bytes.empty() ? kAudio : GetParam().Bytes);
  if (GetParam().Bytes.empty()) {
    ASSERT_TRUE(WriteID3Tags(song, kValues).Ok());
  }
  TResultOf<TTagSnapshot> before = ReadTagSnapshot(song);
  ASSERT_TRUE(before.Ok());
  TFileSource source;
  ASSERT_TRUE(source.Open(song));
  TResultOf<TComposedTags> composed = ComposeID3Tags(source, kValues, song);
  ASSERT_TRUE(composed.Ok());
  EXPECT_EQ(ChangesAnyField(before.Value(), composed.Value().Tags), GetParam().Changes);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, FieldChanges,
    ::testing::Values(
        TLayoutCase{"AsThisProgramWritesThem", "", false},
        TLayoutCase{"Version24Utf8OtherOrderZeroPaddedTrailer", Tag24() + kAudio + ZeroPaddedTrailer(), false},
        TLayoutCase{"SpacePaddedTrailer", Tag24() + kAudio + Trailer("Why", "Moby", "Play", "1999", "Keep", 52, 3),
                    false},
        TLayoutCase{"NoTrailer", Tag24() + kAudio, true},
        TLayoutCase{"TrailerWithAnotherTitle", Tag24() + kAudio + ZeroPaddedTrailer("Wh"), true},
        TLayoutCase{"TrailerWithoutTrack", Tag24() + kAudio + Trailer("Why", "Moby", "Play", "1999", "Keep", 52), true},
        TLayoutCase{"TagWithAnotherComment", Tag24("Kept") + kAudio + ZeroPaddedTrailer(), true},
        TLayoutCase{"TagWithAnotherTrack", Tag24("Keep", "4") + kAudio + ZeroPaddedTrailer(), true},
        TLayoutCase{"TrailerAlone", kAudio + ZeroPaddedTrailer(), true}),
    [](const ::testing::TestParamInfo<TLayoutCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tagwright::testing

// A tag write told a picture change: the pictures read back byte for byte, the audio and trailer
// after the tag untouched, the other frames kept; and picture files told JPEG or PNG by their bytes
// and refused over the size limit.
#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tag_bytes.h"
#include "tags/byte_source.h"
#include "tags/field_changes.h"
#include "tags/id3_info.h"
#include "tags/id3v2_pictures.h"
#include "tags/locked_song.h"
#include "tags/picture_files.h"

namespace tagwright::testing {
namespace {

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(3000, 'j');
const std::string kPng = std::string("\x89PNG\r\n\x1A\n", 8) + std::string(700, 'p');

std::string Apic(int type, std::string_view data, std::string_view description = "") {
  return Bytes({0}) + "image/png" + Bytes({0, type}) + std::string(description) + Bytes({0}) + std::string(data);
}

// A picture as the test expects to read it back: type, description, bytes.
struct TSeen {
  int Type;
  std::string Description;
  std::string Data;
  bool operator==(const TSeen&) const = default;
};
void PrintTo(const TSeen& s, std::ostream* out) { *out << s.Type << " '" << s.Description << "' " << s.Data.size(); }

struct TPictureWriteCase {
  const char* Name;
  std::string OldTag;
  TPictureAction Action;
  std::vector<TSeen> Expected;
  bool InPlace;  // the tag keeps its size
};

void PrintTo(const TPictureWriteCase& c, std::ostream* out) { *out << c.Name; }

class PictureWrites : public ::testing::TestWithParam<TPictureWriteCase> {};

TEST_P(PictureWrites, ReadBackByteForByteWithTheAudioUntouched) {
  const TPictureWriteCase& c = GetParam();
  TTempFolder folder;
  const std::string audio = SongAudio(5000);
  const std::string rest = audio + Trailer("Kept");
  const std::string path = folder.WriteFile("song.mp3", c.OldTag + rest);
  TID3Info info;
  ASSERT_TRUE(ReadID3Tags(path, info).Ok());
  info.Title = "Title";
  TFileSource source;
  ASSERT_TRUE(source.Open(path));
  auto picture = std::make_shared<TPicture>(TPicture{kFrontCoverPicture, "image/jpeg", "", kJpeg});
  TResultOf<TComposedTags> composed = ComposeID3Tags(source, info, path, {c.Action, picture});
  ASSERT_TRUE(composed.Ok());
  EXPECT_EQ(composed.Value().InPlace, c.InPlace);
  TResultOf<TLockedSong> song = TLockedSong::Open(path);
  ASSERT_TRUE(song.Ok());
  ASSERT_TRUE(WriteComposedID3Tags(song.Value(), std::move(composed.Value()), nullptr).Ok());

  const std::string file = ReadWholeFile(path);
  TMemorySource written(file);
  const TResultOf<std::vector<TPicture>> pictures = ReadEmbeddedPictures(written);
  ASSERT_TRUE(pictures.Ok());
  std::vector<TSeen> seen;
  for (const TPicture& p : pictures.Value()) seen.push_back({p.Type, p.Description, p.Data});
  EXPECT_EQ(seen, c.Expected);
  ASSERT_GT(file.size(), rest.size());
  EXPECT_TRUE(file.compare(file.size() - rest.size(), audio.size(), audio) == 0) << "the audio changed";
  if (c.InPlace) EXPECT_EQ(file.size(), c.OldTag.size() + rest.size());
  TID3Info back;
  ASSERT_TRUE(ReadID3Tags(path, back).Ok());
  EXPECT_EQ(back.Title, "Title");
}

const std::string kFront = Frame23("APIC", Apic(3, "FRONT"));
const std::string kBack = Frame23("APIC", Apic(4, "BACK"));
const std::string kNamedFront = Frame23("APIC", Apic(3, "FRONT2", "cd"));

INSTANTIATE_TEST_SUITE_P(
    Actions, PictureWrites,
    ::testing::Values(
        TPictureWriteCase{"SetOnASongWithoutTag", "", TPictureAction::SetFrontCover, {{3, "", kJpeg}}, false},
        TPictureWriteCase{"SetReplacesEveryFrontCoverAndKeepsTheBack",
                          Tag(3, kFront + kBack + kNamedFront, 5000),
                          TPictureAction::SetFrontCover,
                          {{4, "", "BACK"}, {3, "cover 2", kJpeg}},
                          true},
        TPictureWriteCase{"AddGoesBesideTheFrontCover",
                          Tag(3, kFront + kNamedFront),
                          TPictureAction::AddFrontCover,
                          {{3, "", "FRONT"}, {3, "cd", "FRONT2"}, {3, "cover 2", kJpeg}},
                          false},
        TPictureWriteCase{"AddOfThePictureThereAlreadyAddsNothing",
                          Tag(3, kBack + Frame23("APIC", Apic(3, kJpeg)), 500),
                          TPictureAction::AddFrontCover,
                          {{4, "", "BACK"}, {3, "", kJpeg}},
                          true},
        TPictureWriteCase{"RemoveFrontKeepsTheBack",
                          Tag(3, kFront + kBack + kNamedFront, 500),
                          TPictureAction::RemoveFrontCover,
                          {{4, "", "BACK"}},
                          true},
        TPictureWriteCase{"RemoveAll",
                          Tag(3, kFront + Frame23("TIT2", Latin1Text("x")) + kBack, 500),
                          TPictureAction::RemoveAll,
                          {},
                          true},
        TPictureWriteCase{"KeepLeavesThemAsTheyAre",
                          Tag(3, kBack + kFront, 500),
                          TPictureAction::Keep,
                          {{4, "", "BACK"}, {3, "", "FRONT"}},
                          true},
        TPictureWriteCase{"Version22PicReplaced",
                          Tag(2, Frame22("PIC", Bytes({0}) + "PNG" + Bytes({3}) + "d" + Bytes({0}) + "OLD") +
                                     Frame22("PIC", Bytes({0}) + "JPG" + Bytes({0}) + "d" + Bytes({0}) + "OTHER")),
                          TPictureAction::SetFrontCover,
                          {{0, "d", "OTHER"}, {3, "", kJpeg}},
                          false},
        TPictureWriteCase{"Version24FrontRemoved",
                          Tag(4, Frame24("APIC", Apic(3, "F24")) + Frame24("APIC", Apic(8, "A24", "artist")), 500),
                          TPictureAction::RemoveFrontCover,
                          {{8, "artist", "A24"}},
                          true}),
    [](const ::testing::TestParamInfo<TPictureWriteCase>& info) { return std::string(info.param.Name); });

// Whether a write changes the pictures goes by what they are, not by where they stand.
TEST(PictureWrites, ChangesPicturesGoesByTheirContentInAnyOrder) {
  EXPECT_FALSE(ChangesPictures(Tag(3, kFront + kBack), Tag(3, kBack + kFront, 100)));
  EXPECT_TRUE(ChangesPictures(Tag(3, kFront + kBack), Tag(3, kBack)));
  EXPECT_TRUE(ChangesPictures(Tag(3, kFront), Tag(3, kNamedFront)));
  EXPECT_TRUE(ChangesPictures("", Tag(3, kFront)));
}

struct TPictureFileCase {
  const char* Name;
  std::string Bytes;
  std::uint64_t Limit;
  std::string Mime;     // empty: refused
  std::string Problem;  // after the file's path
};

void PrintTo(const TPictureFileCase& c, std::ostream* out) { *out << c.Name; }

class PictureFiles : public ::testing::TestWithParam<TPictureFileCase> {};

TEST_P(PictureFiles, AreToldByTheirBytesAndRefusedOverTheLimit) {
  const TPictureFileCase& c = GetParam();
  TTempFolder folder;
  const std::string path = folder.WriteFile("cover.jpg", c.Bytes);  // the name says JPEG, whatever it holds
  const TResultOf<TLoadedPicture> loaded = LoadCoverPicture(path, c.Limit);
  ASSERT_TRUE(loaded.Ok());
  const TResultOf<std::string> checked = CheckPictureFile(path, c.Limit);
  ASSERT_TRUE(checked.Ok());
  EXPECT_EQ(checked.Value(), loaded.Value().Problem);
  if (c.Mime.empty()) {
    EXPECT_EQ(loaded.Value().Picture, nullptr);
    EXPECT_NE(loaded.Value().Problem.find(c.Problem), std::string::npos) << loaded.Value().Problem;
    return;
  }
  ASSERT_NE(loaded.Value().Picture, nullptr) << loaded.Value().Problem;
  EXPECT_EQ(loaded.Value().Picture->MimeType, c.Mime);
  EXPECT_EQ(loaded.Value().Picture->Type, kFrontCoverPicture);
  EXPECT_EQ(loaded.Value().Picture->Data, c.Bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PictureFiles,
    ::testing::Values(TPictureFileCase{"Jpeg", kJpeg, kDefaultPictureLimit, "image/jpeg", ""},
                      TPictureFileCase{"PngNamedJpg", kPng, kDefaultPictureLimit, "image/png", ""},
                      TPictureFileCase{"AtTheLimit", kPng, kPng.size(), "image/png", ""},
                      TPictureFileCase{"OverTheLimit", kJpeg + std::string(1'000'000, 'x'), 1'000'000, "",
                                       " is 1.0 MB (1003004 bytes), over the limit of 1 MB"},
                      TPictureFileCase{"Gif", "GIF89a" + std::string(100, 'g'), kDefaultPictureLimit, "",
                                       " is neither a JPEG nor a PNG picture"},
                      TPictureFileCase{"Empty", "", kDefaultPictureLimit, "", " is neither a JPEG nor a PNG picture"}),
    [](const ::testing::TestParamInfo<TPictureFileCase>& info) { return std::string(info.param.Name); });

TEST(PictureFiles, TheSizeIsSaidInMegabytes) {
  EXPECT_EQ(PictureProblem("/a/big.png", kPng, 12'345'678, kDefaultPictureLimit),
            "the picture /a/big.png is 12.3 MB (12345678 bytes), over the limit of 10 MB");
}

}  // namespace
}  // namespace tagwright::testing

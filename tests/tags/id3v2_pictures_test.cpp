// The pictures of a tag and of a song's folder: which are found, which is the cover, and that a
// damaged picture frame is passed over.
#include "tags/id3v2_pictures.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "tags/byte_source.h"
#include "tests/tags/tag_bytes.h"

namespace tagwright::testing {
namespace {

// An APIC frame's content: encoding, MIME type, picture type, description, data.
std::string Apic(int type, std::string_view data, std::string_view mime = "image/png", int encoding = 0,
                 std::string_view description = "") {
  const std::string terminator = encoding == 1 || encoding == 2 ? std::string(2, '\0') : std::string(1, '\0');
  return Bytes({encoding}) + std::string(mime) + std::string(1, '\0') + Bytes({type}) + std::string(description) +
         terminator + std::string(data);
}

struct TPictureCase {
  const char* Name;
  std::string TagBytes;
  std::size_t Count;
  int CoverType;  // -1: no cover
  std::string CoverData;
  std::string CoverMime;
};

class EmbeddedPicturesTest : public ::testing::TestWithParam<TPictureCase> {};

TEST_P(EmbeddedPicturesTest, FindsPicturesAndChoosesTheCover) {
  const TPictureCase& c = GetParam();
  const std::string file = c.TagBytes + MpegAudio(3);
  TMemorySource source(file);
  const TResultOf<std::vector<TPicture>> pictures = ReadEmbeddedPictures(source);
  ASSERT_TRUE(pictures.Ok());
  EXPECT_EQ(pictures.Value().size(), c.Count);
  const TPicture* cover = ChooseCover(pictures.Value());
  if (c.CoverType < 0) {
    EXPECT_EQ(cover, nullptr);
    return;
  }
  ASSERT_NE(cover, nullptr);
  EXPECT_EQ(cover->Type, c.CoverType);
  EXPECT_EQ(cover->Data, c.CoverData);
  EXPECT_EQ(cover->MimeType, c.CoverMime);
}

const std::string kUtf16Description = "\xFF\xFE" + std::string("c\0d\0", 4);

INSTANTIATE_TEST_SUITE_P(
    Tags, EmbeddedPicturesTest,
    ::testing::Values(
        TPictureCase{"FrontCoverOnly", Tag(3, Frame23("APIC", Apic(3, "FRONT"))), 1, 3, "FRONT", "image/png"},
        TPictureCase{"FrontCoverAfterAnother",
                     Tag(3, Frame23("TIT2", Latin1Text("x")) + Frame23("APIC", Apic(0, "OTHER", "image/jpeg")) +
                                Frame23("APIC", Apic(3, "FRONT"))),
                     2, 3, "FRONT", "image/png"},
        TPictureCase{"FirstPictureWithoutFrontCover",
                     Tag(3, Frame23("APIC", Apic(4, "BACK")) + Frame23("APIC", Apic(0, "OTHER"))), 2, 4, "BACK",
                     "image/png"},
        TPictureCase{
            "Utf16Description",
            Tag(3, Frame23("APIC", Apic(3, std::string("\0\xFF\x00X", 4), "IMAGE/JPEG", 1, kUtf16Description))), 1, 3,
            std::string("\0\xFF\x00X", 4), "image/jpeg"},
        TPictureCase{"Version24", Tag(4, Frame24("APIC", Apic(3, "V24", "image/png", 3, "desc"))), 1, 3, "V24",
                     "image/png"},
        TPictureCase{"Version22Pic", Tag(2, Frame22("PIC", Bytes({0}) + "JPG" + Bytes({3}) + "d" + Bytes({0}) + "OLD")),
                     1, 3, "OLD", "image/jpeg"},
        TPictureCase{"DescriptionNeverEnds", Tag(3, Frame23("APIC", Bytes({1}) + "image/png" + Bytes({0, 3}) + "abc")),
                     0, -1, "", ""},
        TPictureCase{"NoData", Tag(3, Frame23("APIC", Apic(3, ""))), 0, -1, "", ""},
        TPictureCase{"NoTag", "", 0, -1, "", ""}),
    [](const ::testing::TestParamInfo<TPictureCase>& info) { return std::string(info.param.Name); });

TEST(EmbeddedPicturesFileTest, AFileThatCannotBeOpenedFails) {
  TTempFolder folder;
  const TResultOf<std::vector<TPicture>> pictures = ReadEmbeddedPictures(folder / "missing.mp3");
  ASSERT_FALSE(pictures.Ok());
  EXPECT_EQ(pictures.Failure().Kind(), TFailureKind::Open);
}

struct TFolderCase {
  const char* Name;
  std::vector<std::string> Files;
  std::string Expected;  // empty: none
};

class FolderCoverTest : public ::testing::TestWithParam<TFolderCase> {};

TEST_P(FolderCoverTest, FindsTheFolderPicture) {
  TTempFolder folder;
  for (const std::string& name : GetParam().Files) folder.WriteFile(name, "picture");
  folder.MakeFolder("cover.jpg.d");
  const std::string found = FindFolderCover(folder.Path());
  EXPECT_EQ(found, GetParam().Expected.empty() ? std::string() : folder / GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, FolderCoverTest,
    ::testing::Values(TFolderCase{"CoverBeforePng", {"b.png", "Cover.JPG", "a.png", "song.mp3"}, "Cover.JPG"},
                      TFolderCase{
                          "CoverBeforeFolderBeforeFront", {"front.jpg", "folder.jpeg", "cover.jpg"}, "cover.jpg"},
                      TFolderCase{"FolderBeforeFront", {"front.jpg", "folder.jpg"}, "folder.jpg"},
                      TFolderCase{"FirstPngByName", {"b.png", "a.PNG", "x.gif"}, "a.PNG"},
                      TFolderCase{"OtherPicturesAreNoCover", {"back.jpg", "x.gif", "song.mp3"}, ""}),
    [](const ::testing::TestParamInfo<TFolderCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tagwright::testing

// The cover command through the song pass on real songs: each folder's picture or one picture file
// set, added or removed; a song whose folder has none skipped, a picture that is no JPEG or PNG
// refused, and a song whose pictures would stay as they are not written at all.
#include "commands/cover_plans.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/command_catalogue.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3v2_pictures.h"

namespace tagwright {
namespace {

using testing::ReadWholeFile;
using testing::SongAudio;
using testing::TTempFolder;

const std::string kJpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(5000, 'j');
const std::string kPng = std::string("\x89PNG\r\n\x1A\n", 8) + std::string(900, 'p');
const std::string kGif = "GIF89a" + std::string(50, 'g');

// What became of one song: its outcome, its reason when it has one, and its cover's bytes after.
struct TSongAfter {
  std::string Name;
  TChangeOutcome Outcome;
  std::string Reason;
  std::string Cover;  // empty: no picture
};

struct TCoverCase {
  const char* Name;
  TCoverInput Input;  // a PictureFile names a file of the test's folder
  std::vector<TSongAfter> Songs;
};

void PrintTo(const TCoverCase& c, std::ostream* out) { *out << c.Name; }

class CoverCommand : public ::testing::TestWithParam<TCoverCase> {
 protected:
  // album/ has a cover.jpg, loose/ no picture, odd/ a cover.jpg that is a GIF; album/a.mp3 holds
  // the PNG as its front cover.
  void SetUp() override {
    folder.WriteFile("album/cover.jpg", kJpeg);
    folder.WriteFile("odd/cover.jpg", kGif);
    folder.WriteFile("picture.png", kPng);
    for (const char* name : {"album/a.mp3", "album/b.mp3", "loose/c.mp3", "odd/d.mp3"}) {
      const std::string path = folder.WriteFile(name, SongAudio(400));
      ASSERT_TRUE(WriteID3Tags(path, {.Title = name}).Ok());
    }
    TID3v2 tag;
    ASSERT_TRUE(tag.Load(folder / "album/a.mp3").Ok());
    tag.PictureChange = {TPictureAction::SetFrontCover,
                         std::make_shared<TPicture>(TPicture{kFrontCoverPicture, "image/png", "", kPng})};
    ASSERT_TRUE(tag.Save(folder / "album/a.mp3").Ok());
  }

  TTempFolder folder;
};

TEST_P(CoverCommand, ChangesThePicturesOfTheSongsAsAsked) {
  const TCoverCase& c = GetParam();
  std::vector<TSongFile> songs(c.Songs.size());
  std::vector<const TSongFile*> given;
  std::vector<std::string> before;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    ASSERT_TRUE(songs[i].SetFileName(folder / c.Songs[i].Name).Ok());
    songs[i].SetWritableWhenListed(true);
    given.push_back(&songs[i]);
    before.push_back(ReadWholeFile(songs[i].FileName()));
  }
  TCommandInput input{.Cover = c.Input};
  if (!input.Cover.PictureFile.empty()) input.Cover.PictureFile = folder / input.Cover.PictureFile;
  std::vector<TSongResult> results;
  TPassHooks hooks;
  hooks.OnResult = [&results](const TSongResult& result) {
    results.push_back(result);
    return TPassStep::Continue;
  };
  (void)RunSongPass(given, CatalogueCommand(TCommandId::ChangeCover).Planner(input), TPassMode::Apply, hooks);

  ASSERT_EQ(results.size(), c.Songs.size());
  for (std::size_t i = 0; i < results.size(); ++i) {
    const TSongAfter& expected = c.Songs[i];
    SCOPED_TRACE(expected.Name);
    EXPECT_EQ(results[i].Outcome, expected.Outcome) << results[i].ReasonWithError();
    if (!expected.Reason.empty()) EXPECT_NE(results[i].Reason().find(expected.Reason), std::string::npos);
    const TResultOf<std::vector<TPicture>> pictures = ReadEmbeddedPictures(songs[i].FileName());
    ASSERT_TRUE(pictures.Ok());
    const TPicture* cover = ChooseCover(pictures.Value());
    EXPECT_EQ(cover ? cover->Data : std::string(), expected.Cover);
    // No write without a change: a song left alone keeps every byte.
    if (expected.Outcome != TChangeOutcome::Tagged) EXPECT_TRUE(ReadWholeFile(songs[i].FileName()) == before[i]);
    TID3Info tags;
    ASSERT_TRUE(ReadID3Tags(songs[i].FileName(), tags).Ok());
    EXPECT_EQ(tags.Title, expected.Name);
  }
}

using enum TChangeOutcome;
INSTANTIATE_TEST_SUITE_P(
    Inputs, CoverCommand,
    ::testing::Values(
        TCoverCase{"FromTheFolders",
                   {.Action = TPictureAction::SetFrontCover},
                   {{"album/a.mp3", Tagged, "", kJpeg},
                    {"album/b.mp3", Tagged, "", kJpeg},
                    {"loose/c.mp3", Skipped, kNoFolderCoverReason, ""},
                    {"odd/d.mp3", Failed, "cover.jpg is neither a JPEG nor a PNG picture", ""}}},
        TCoverCase{"FromAFileNotRewrittenWhereItIsTheCoverAlready",
                   {.Action = TPictureAction::SetFrontCover, .PictureFile = "picture.png"},
                   {{"album/a.mp3", Skipped, kNothingToChangeReason, kPng}, {"loose/c.mp3", Tagged, "", kPng}}},
        TCoverCase{"AddedBesideTheCover",
                   {.Action = TPictureAction::AddFrontCover, .PictureFile = "album/cover.jpg"},
                   {{"album/a.mp3", Tagged, "", kPng}, {"album/b.mp3", Tagged, "", kJpeg}}},
        TCoverCase{"AddedOnceOnly",
                   {.Action = TPictureAction::AddFrontCover, .PictureFile = "picture.png"},
                   {{"album/a.mp3", Skipped, kNothingToChangeReason, kPng}, {"loose/c.mp3", Tagged, "", kPng}}},
        TCoverCase{"RemovedWhereThereIsOne",
                   {.Action = TPictureAction::RemoveFrontCover},
                   {{"album/a.mp3", Tagged, "", ""}, {"album/b.mp3", Skipped, kNothingToChangeReason, ""}}},
        TCoverCase{"AllRemoved",
                   {.Action = TPictureAction::RemoveAll},
                   {{"album/a.mp3", Tagged, "", ""}, {"loose/c.mp3", Skipped, kNothingToChangeReason, ""}}},
        TCoverCase{"APictureFileThatIsNoPictureChangesNoSong",
                   {.Action = TPictureAction::SetFrontCover, .PictureFile = "odd/cover.jpg"},
                   {{"album/a.mp3", Failed, "is neither a JPEG nor a PNG picture", kPng}}}),
    [](const ::testing::TestParamInfo<TCoverCase>& info) { return std::string(info.param.Name); });

// A folder's picture is looked for and read once for all its songs.
TEST(FolderCovers, AreReadOncePerFolder) {
  TTempFolder folder;
  folder.WriteFile("cover.jpg", kJpeg);
  TFolderCovers covers(kDefaultPictureLimit);
  ASSERT_NE(covers.Of(folder.Path()).Picture, nullptr);
  folder.WriteFile("cover.jpg", kGif);
  const TCoverPicture& again = covers.Of(folder.Path());
  ASSERT_NE(again.Picture, nullptr);
  EXPECT_EQ(again.Picture->Data, kJpeg);
}

}  // namespace
}  // namespace tagwright

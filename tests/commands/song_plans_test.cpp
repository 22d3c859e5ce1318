#include "commands/song_plans.h"

#include "commands/one_song.h"
#include "commands/song_pass.h"

#include <gtest/gtest.h>

#include "songs/file_name_composition.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "text/ascii_text.h"

namespace tagwright {
namespace {

using testing::FileExists;
using testing::ReadWholeFile;
using testing::SongAudio;
using testing::TTempFolder;

TPanelValues Panel(const char* artist, const char* title, const char* track) {
  TPanelValues panel;
  panel.Artist = artist;
  panel.Title = title;
  panel.Track = track;
  return panel;
}

const std::string kAudio = SongAudio(404);

class SongPlans : public ::testing::Test {
 protected:
  // A song file with the given tags; recognised as the song list binds it.
  std::unique_ptr<TSongFile> Song(const std::string& name, const TID3Info* tags = nullptr) {
    const std::string path = folder.WriteFile(name, kAudio);
    if (tags != nullptr) {
      EXPECT_TRUE(WriteID3Tags(path, *tags).Ok());
    }
    auto song = std::make_unique<TSongFile>();
    EXPECT_TRUE(song->SetFileName(path).Ok());
    return song;
  }
  static TID3Info TagsOf(const std::string& path) {
    TID3Info tags;
    EXPECT_TRUE(ReadID3Tags(path, tags).Ok());
    return tags;
  }
  static TID3Info Tags(const char* artist, const char* title, const char* album = "", const char* comment = "",
                       std::uint8_t track = 0) {
    TID3Info tags;
    tags.Artist = artist;
    tags.Title = title;
    tags.Album = album;
    tags.Comment = comment;
    tags.Track = track;
    return tags;
  }
  TTempFolder folder;
};

TEST_F(SongPlans, StampFromPanelWritesEveryFieldForOneSongAndOnlyFilledOnesForSeveral) {
  const TID3Info before = Tags("Old Artist", "Old Title", "Old Album", "Old Comment", 4);
  auto song = Song("a.mp3", &before);
  TPanelValues panel;
  panel.Album = "X";

  TSongChange several = PlanStampFromPanel(TagsOf(song->FileName()), panel, TSelectedSongs::Several);
  ASSERT_TRUE(several.WriteTags);
  EXPECT_EQ(several.Tags.Artist, "Old Artist");
  EXPECT_EQ(several.Tags.Title, "Old Title");
  EXPECT_EQ(several.Tags.Album, "X");
  EXPECT_EQ(several.Tags.Comment, "Old Comment");
  EXPECT_EQ(several.Tags.Track, 4);

  panel.Artist = "New";
  panel.Track = "x7";
  TSongChange one = PlanStampFromPanel(TagsOf(song->FileName()), panel, TSelectedSongs::One);
  EXPECT_EQ(one.Tags.Artist, "New");
  EXPECT_EQ(one.Tags.Title, "");
  EXPECT_EQ(one.Tags.Comment, "");  // an emptied field clears the tag's
  EXPECT_EQ(one.Tags.Track, 0);     // not a number
  EXPECT_NE(ApplyToOneSong(song->FileName(), one).Outcome, TChangeOutcome::Failed);
  const TID3Info after = TagsOf(song->FileName());
  EXPECT_EQ(after.Artist, "New");
  EXPECT_EQ(TrimText(after.Comment), "");  // the ID3v1 trailer holds it as blanks
}

TEST_F(SongPlans, StampEditedFieldsWritesExactlyTheChangedFields) {
  const TID3Info before = Tags("Old Artist", "Old Title", "Old Album", "Old Comment", 4);
  auto song = Song("a.mp3", &before);
  TFieldEdits edits;
  edits[static_cast<std::size_t>(TSongField::Album)] = "New Album";
  edits[static_cast<std::size_t>(TSongField::Comment)] = "";  // emptied: cleared
  edits[static_cast<std::size_t>(TSongField::Track)] = "12";
  const TSongChange change = PlanStampEditedFields(TagsOf(song->FileName()), edits);
  ASSERT_TRUE(change.WriteTags);
  EXPECT_EQ(ApplyToOneSong(song->FileName(), change).Outcome, TChangeOutcome::Tagged);
  TID3Info expected = before;
  expected.Album = "New Album";
  expected.Comment = "";
  expected.Track = 12;
  TID3Info after = TagsOf(song->FileName());
  after.Comment = TrimText(after.Comment);  // the ID3v1 trailer holds an empty one as blanks
  EXPECT_EQ(after, expected);
  // The audio after the tag is the song's, byte for byte.
  const std::string bytes = ReadWholeFile(song->FileName());
  EXPECT_NE(bytes.find(kAudio), std::string::npos);
}

TEST_F(SongPlans, StampRecognizedNeverClearsAndWritesTheTitleWithItsMix) {
  const TID3Info before = Tags("", "", "Album Kept");
  auto song = Song("Moby - Porcelain [Remix].mp3");
  EXPECT_TRUE(WriteID3Tags(song->FileName(), before).Ok());  // tags written after binding: the record is from the name
  TSongChange change = PlanStampRecognized(*song, TagsOf(song->FileName()));
  EXPECT_EQ(change.Tags.Title, "Porcelain (Remix)");
  EXPECT_EQ(change.Tags.Artist, "Moby");
  EXPECT_EQ(change.Tags.Album, "Album Kept");

  auto untitled = Song("Track05.mp3");
  const TID3Info titled = Tags("", "Kept Title");
  EXPECT_TRUE(WriteID3Tags(untitled->FileName(), titled).Ok());
  change = PlanStampRecognized(*untitled, TagsOf(untitled->FileName()));
  EXPECT_EQ(change.Tags.Title, "Kept Title");
  EXPECT_EQ(change.Tags.Track, 5);
}

TEST_F(SongPlans, AutoRenameComposesSkipsUnknownSongsAndNeverReplacesAFile) {
  auto song = Song("05-moby-why.mp3");
  TSongChange change = PlanAutoRename(*song);
  EXPECT_EQ(change.NewFileName, folder / "05 - moby - why.mp3");

  auto unknown = Song("a+b.mp3");
  EXPECT_TRUE(PlanAutoRename(*unknown).DoesNothing());

  auto named = Song("Moby - Why.mp3");
  EXPECT_TRUE(PlanAutoRename(*named).DoesNothing());

  // Two songs composing to the same name: the second fails, and both files survive.
  auto first = Song("Moby - Why (2).mp3");
  first->SetArtist("Moby");
  first->SetTitle("Same");
  auto second = Song("x.mp3");
  second->SetArtist("Moby");
  second->SetTitle("Same");
  EXPECT_EQ(ApplyToOneSong(first->FileName(), PlanAutoRename(*first)).Outcome, TChangeOutcome::Renamed);
  const TSongResult clash = ApplyToOneSong(second->FileName(), PlanAutoRename(*second));
  EXPECT_EQ(clash.Outcome, TChangeOutcome::Failed);
  EXPECT_EQ(clash.Reason(), kRenameFailedMessage);
  EXPECT_TRUE(FileExists(folder / "Moby - Same.mp3"));
  EXPECT_TRUE(FileExists(folder / "x.mp3"));
}

TEST_F(SongPlans, RenameWithDetailsTakesThePanelForOneSong) {
  auto song = Song("abba - waterloo [Live].mp3");
  const TPanelValues panel = Panel("Abba", "Waterloo (Live)", "7");
  TSongChange change = PlanRenameWithDetails(*song, panel, TSelectedSongs::One);
  EXPECT_EQ(change.NewFileName, folder / "07 - Abba - Waterloo (Live).mp3");  // the mix once
  EXPECT_EQ(song->Mix(), "Live");                                             // a plan leaves the listed song as it is
  EXPECT_EQ(ApplyToOneSong(song->FileName(), change).Outcome, TChangeOutcome::Renamed);
}

TEST_F(SongPlans, RenameWithDetailsKeepsEachSongsOwnValuesForEmptyFieldsOfSeveral) {
  auto song = Song("Moby - Why.mp3");
  const TPanelValues panel = Panel("", "", "3");
  EXPECT_EQ(PlanRenameWithDetails(*song, panel, TSelectedSongs::Several).NewFileName, folder / "03 - Moby - Why.mp3");
}

TEST_F(SongPlans, RenameWithDetailsRefusesATakenNameButRenamesCaseOnlyChanges) {
  folder.WriteFile("Abba - Waterloo.mp3", "other");
  auto song = Song("x - y.mp3");
  const TPanelValues panel = Panel("Abba", "Waterloo", "");
  TSongChange change = PlanRenameWithDetails(*song, panel, TSelectedSongs::One);
  EXPECT_TRUE(change.RefuseTakenName);
  const TSongResult refused = ApplyToOneSong(song->FileName(), change);
  EXPECT_EQ(refused.Outcome, TChangeOutcome::Failed);
  EXPECT_EQ(refused.Reason(), kNameTakenMessage);
  EXPECT_EQ(ReadWholeFile(folder / "Abba - Waterloo.mp3"), "other");

  auto lower = Song("moby - why.mp3");
  const TPanelValues moby = Panel("Moby", "Why", "");
  change = PlanRenameWithDetails(*lower, moby, TSelectedSongs::One);
  EXPECT_EQ(change.NewFileName, folder / "Moby - Why.mp3");
  EXPECT_EQ(ApplyToOneSong(lower->FileName(), change).Outcome, TChangeOutcome::Renamed);
  EXPECT_EQ(ReadWholeFile(folder / "Moby - Why.mp3"), kAudio);
}

// One song takes what the panel holds, recognised or not; of several, a song without title and
// artist of its own keeps its name whatever the panel gives.
TEST_F(SongPlans, RenameWithDetailsJudgesByTheValuesItComposes) {
  auto unknown = Song("a+b.mp3");
  EXPECT_EQ(PlanRenameWithDetails(*unknown, Panel("Abba", "Waterloo", ""), TSelectedSongs::One).NewFileName,
            folder / "Abba - Waterloo.mp3");
  EXPECT_TRUE(PlanRenameWithDetails(*unknown, Panel("", "", "3"), TSelectedSongs::Several).DoesNothing());
  EXPECT_TRUE(PlanRenameWithDetails(*unknown, Panel("Zed", "", ""), TSelectedSongs::Several).DoesNothing());
  EXPECT_TRUE(PlanRenameWithDetails(*unknown, Panel("Abba", "Waterloo", "3"), TSelectedSongs::Several).DoesNothing());
  EXPECT_TRUE(PlanRenameWithDetails(*unknown, Panel("", "", ""), TSelectedSongs::One).DoesNothing());
}

TEST_F(SongPlans, FileNameAsTitleTakesTheNameAsItIs) {
  auto song = Song("01 - my_song.mp3");
  EXPECT_EQ(PlanFileNameAsTitle(*song, {}).Tags.Title, "01 - my_song");
  auto bare = Song("no extension");
  EXPECT_EQ(PlanFileNameAsTitle(*bare, {}).Tags.Title, "no extension");
}

TEST_F(SongPlans, DetailsCleanupCleansTitleArtistAlbumAndKeepsTheRest) {
  const TID3Info before = Tags("", "", "Tag Album");
  auto song = Song("some band - the_best_song.mp3", &before);
  song->SetArtist("some band");
  song->SetTitle("some band - the_best_song");
  song->SetAlbum("");
  song->SetYear("1999");
  song->SetTrack("4");
  TSongChange change = PlanDetailsCleanup(*song, TagsOf(song->FileName()));
  EXPECT_EQ(change.Tags.Title, "The Best Song");
  EXPECT_EQ(change.Tags.Artist, "Some Band");
  EXPECT_EQ(change.Tags.Album, "Tag Album");
  song->SetTitle("the_end_of_it");
  EXPECT_EQ(PlanDetailsCleanupKeeping(*song, TagsOf(song->FileName()), {.SmallWordsInLowerCase = true}).Tags.Title,
            "The End of It");
  EXPECT_EQ(change.Tags.Year, "1999");
  EXPECT_EQ(change.Tags.Track, 4);
}

TEST_F(SongPlans, HandsFreeActsOnlyOnNamesHoldingNothingButTheDetails) {
  auto tracked = Song("01 - moby - why_does_my_heart.mp3");
  TSongChange change = PlanHandsFree(*tracked);
  ASSERT_TRUE(change.WriteTags) << change.Skip;
  EXPECT_EQ(change.Tags.Title, "Why Does My Heart");
  EXPECT_EQ(change.Tags.Artist, "Moby");
  EXPECT_EQ(change.Tags.Track, 1);
  EXPECT_EQ(change.NewFileName, folder / "01 - Moby - Why Does My Heart.mp3");

  auto mixed = Song("moby - why_does_my_heart [live].mp3");
  change = PlanHandsFree(*mixed);
  ASSERT_TRUE(change.WriteTags) << change.Skip;
  EXPECT_EQ(change.Tags.Title, "Why Does My Heart");                              // no mix in the tag
  EXPECT_EQ(change.NewFileName, folder / "Moby - Why Does My Heart (live).mp3");  // the mix in the name
  EXPECT_EQ(ApplyToOneSong(mixed->FileName(), change).Outcome, TChangeOutcome::TaggedAndRenamed);
  EXPECT_EQ(TagsOf(folder / "Moby - Why Does My Heart (live).mp3").Title, "Why Does My Heart");
  EXPECT_FALSE(FileExists(mixed->FileName()));

  const TID3Info tagged = Tags("Moby", "Why");
  auto withSite = Song("Moby - Why - www.site.com.mp3", &tagged);
  EXPECT_TRUE(PlanHandsFree(*withSite).DoesNothing());
  auto failed = Song("a+b.mp3");
  EXPECT_TRUE(PlanHandsFree(*failed).DoesNothing());
}

TEST_F(SongPlans, HandsFreeKeepsTheMixInTheTitleTagOnRequestAndTheNameAsEver) {
  const TTidyOptions plain{.SmallWordsInLowerCase = true};
  const TTidyOptions withMix{.SmallWordsInLowerCase = true, .TitleWithMix = true};
  const std::string named = folder / "Avicii - Levels of Love (Skrillex Remix).mp3";
  auto song = Song("avicii - levels_of_love (Skrillex Remix).mp3");
  const TSongChange without = PlanHandsFree(*song, plain);
  EXPECT_EQ(without.Tags.Title, "Levels of Love");
  EXPECT_EQ(without.NewFileName, named);
  const TSongChange change = PlanHandsFree(*song, withMix);
  EXPECT_EQ(change.Tags.Title, "Levels of Love (Skrillex Remix)");
  EXPECT_EQ(change.NewFileName, named);
  ASSERT_EQ(ApplyToOneSong(song->FileName(), change).Outcome, TChangeOutcome::TaggedAndRenamed);
  EXPECT_EQ(TagsOf(named).Title, "Levels of Love (Skrillex Remix)");

  // Listed again, the song is recognised from its tag and composes the name it has.
  TSongFile listed;
  ASSERT_TRUE(listed.SetFileName(named).Ok());
  ASSERT_EQ(listed.Recognition(), TRecognition::ID3Tag);
  EXPECT_EQ(ComposeFileName(listed, named), named);
  EXPECT_EQ(PlanAutoRename(listed).Skip, "already named after its details");
  const TSongChange again = PlanHandsFree(listed, withMix);
  EXPECT_EQ(again.Tags.Title, "Levels of Love (Skrillex Remix)");
  EXPECT_TRUE(again.NewFileName.empty()) << again.NewFileName;
}

TEST_F(SongPlans, HandsFreeKeepsWhatFollowsADotInTheName) {
  const TID3Info tags = Tags("Moby", "Why");
  auto song = Song("Moby - Why.xyz.mp3", &tags);
  EXPECT_TRUE(PlanHandsFree(*song).DoesNothing());
}

TEST_F(SongPlans, ClearTagFieldBlanksOneFieldOnly) {
  const TID3Info before = Tags("A", "T", "Al", "C", 5);
  auto song = Song("x.mp3", &before);
  for (const char* name : {"artist", "title", "track", "album", "year", "genre", "comment"}) {
    ASSERT_TRUE(TagFieldNamed(name).has_value()) << name;
  }
  EXPECT_FALSE(TagFieldNamed("Artist").has_value());
  TSongChange change = PlanClearTagField(TagsOf(song->FileName()), TTagField::Track);
  EXPECT_NE(ApplyToOneSong(song->FileName(), change).Outcome, TChangeOutcome::Failed);
  const TID3Info after = TagsOf(song->FileName());
  EXPECT_EQ(after.Track, 0);
  EXPECT_EQ(after.Artist, "A");
  EXPECT_EQ(after.Title, "T");
  EXPECT_EQ(after.Album, "Al");
  EXPECT_EQ(after.Comment, "C");
  EXPECT_EQ(PlanClearTagField(TagsOf(song->FileName()), TTagField::Comment).Tags.Comment, "");
}

TEST(ManualRenameTarget, UsesTheTypedNameInTheSameFolderAndRefusesPaths) {
  EXPECT_EQ(ManualRenameTarget("/m/a.mp3", "new.txt"), "/m/new.txt");
  EXPECT_EQ(ManualRenameTarget("/m/a.mp3", " spaced "), "/m/ spaced ");
  for (const char* refused : {"", ".", "..", ".hidden.mp3", ".mp3", "sub/x.mp3", "/etc/x"}) {
    EXPECT_FALSE(ManualRenameTarget("/m/a.mp3", refused).has_value()) << refused;
  }
}

}  // namespace
}  // namespace tagwright

#include "commands/pattern_plans.h"

#include <gtest/gtest.h>

#include <memory>

#include "commands/song_pass.h"
#include "files/paths.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3v2.h"

namespace tagwright {
namespace {

using testing::FileExists;
using testing::ReadWholeFile;
using testing::SongAudio;
using testing::TTempFolder;

const std::string kAudio = SongAudio(404);

TNamePattern Pattern(const char* text) {
  TPatternParse parse = ParseNamePattern(text);
  EXPECT_TRUE(parse.Ok()) << text;
  return parse.Ok() ? *parse.Pattern : TNamePattern{};
}

// Songs on disk in a temporary folder, run through the song pass as the front ends run them.
class PatternPlans : public ::testing::Test {
 protected:
  const TSongFile* Song(const std::string& name, const TID3Info* tags = nullptr) {
    const std::string path = folder.WriteFile(name, kAudio);
    if (tags != nullptr) {
      EXPECT_TRUE(WriteID3Tags(path, *tags).Ok());
    }
    auto song = std::make_unique<TSongFile>();
    EXPECT_TRUE(song->SetFileName(path).Ok());
    songs.push_back(std::move(song));
    return songs.back().get();
  }
  std::vector<TSongResult> Run(const TSongPlanner& planner, TPassMode mode = TPassMode::Apply) {
    std::vector<const TSongFile*> all;
    for (const auto& song : songs) all.push_back(song.get());
    std::vector<TSongResult> results;
    TPassHooks hooks;
    hooks.OnResult = [&](const TSongResult& result) {
      results.push_back(result);
      return TPassStep::Continue;
    };
    (void)RunSongPass(all, planner, mode, hooks);  // each song's result says what happened
    return results;
  }
  static TID3Info TagsOf(const std::string& path) {
    TID3Info tags;
    EXPECT_TRUE(ReadID3Tags(path, tags).Ok());
    return tags;
  }
  // The audio after the file's ID3v2 tag and before its trailer.
  static std::string AudioOf(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    TID3v2 tag;
    EXPECT_TRUE(tag.Load(path).Ok());
    const auto start = static_cast<std::size_t>(tag.HasTag ? tag.TagSize : 0);
    return bytes.substr(start, bytes.size() - start - 128);
  }

  TTempFolder folder;
  std::vector<std::unique_ptr<TSongFile>> songs;
};

TEST_F(PatternPlans, TagsFromNameSetsTheFieldsReadAndKeepsTheOthersOrSaysTheNameDoesNotFit) {
  TID3Info before;
  before.Comment = "kept";
  before.Album = "Old Album";
  const TSongFile* fits = Song("Daft Punk - Discovery (2001)/01 - one more time.mp3", &before);
  const TSongFile* odd = Song("Daft Punk - Discovery (2001)/bonus.mp3", &before);
  const TNamePattern pattern = Pattern("{artist} - {album} ({year})/{track} - {title}");

  TSongChange change = PlanTagsFromName(*fits, TagsOf(fits->FileName()), pattern, {});
  ASSERT_TRUE(change.WriteTags);
  EXPECT_EQ(change.Tags.Artist, "Daft Punk");
  EXPECT_EQ(change.Tags.Album, "Discovery");
  EXPECT_EQ(change.Tags.Year, "2001");
  EXPECT_EQ(change.Tags.Track, 1);
  EXPECT_EQ(change.Tags.Title, "one more time");  // cleaned only when asked
  EXPECT_EQ(change.Tags.Comment, "kept");
  change = PlanTagsFromName(*fits, TagsOf(fits->FileName()), pattern, {.Cleanup = true, .Tidy = {}});
  EXPECT_EQ(change.Tags.Title, "One More Time");

  const TSongChange skipped = PlanTagsFromName(*odd, TagsOf(odd->FileName()), pattern, {});
  EXPECT_TRUE(skipped.DoesNothing());
  EXPECT_EQ(skipped.Skip, "the name does not fit {artist} - {album} ({year})/{track} - {title}");
  // Track 300 would be written as 44: the tag holds eight bits of it.
  const TSongFile* large = Song("Daft Punk - Discovery (2001)/0300 - Intro.mp3");
  const TSongChange refused = PlanTagsFromName(*large, {}, pattern, {});
  EXPECT_TRUE(refused.DoesNothing());
  EXPECT_EQ(refused.Refusal, "track numbers go from 1 to 255");
  // A name in another character set (ISO-8859-1 here) would give the tag U+FFFD for its letters.
  const TSongFile* latin1 = Song("Bj\xF6rk - J\xF3ga.mp3");
  const TSongChange unread = PlanTagsFromName(*latin1, {}, Pattern("{artist} - {title}"), {});
  EXPECT_TRUE(unread.DoesNothing());
  EXPECT_EQ(unread.Skip, "the name is not valid UTF-8");
}

TEST_F(PatternPlans, TagsFromNameWritesTheTagsAndKeepsEveryAudioByte) {
  const TSongFile* song = Song("07 - Moby - Porcelain (Club Mix).mp3");
  const TNamePattern pattern = Pattern("{track} - {artist} - {title} ({mix})");
  const std::vector<TSongResult> results =
      Run({TTagsNeeded::Yes, [&pattern](const TSongFile& listed, const TID3Info& tags) {
             return PlanTagsFromName(listed, tags, pattern, {});
           }});
  ASSERT_EQ(results.size(), 1U);
  EXPECT_EQ(results[0].Outcome, TChangeOutcome::Tagged) << results[0].Reason();
  const TID3Info tags = TagsOf(song->FileName());
  EXPECT_EQ(tags.Artist, "Moby");
  EXPECT_EQ(tags.Title, "Porcelain (Club Mix)");
  EXPECT_EQ(tags.Track, 7);
  EXPECT_EQ(AudioOf(song->FileName()), kAudio);
}

TEST_F(PatternPlans, RenameWithPatternNamesAfterTheDetailsAndNeverReplacesAFile) {
  TID3Info tags;
  tags.Artist = "Moby";
  tags.Title = "Porcelain";
  tags.Track = 3;
  const TSongFile* first = Song("a.mp3", &tags);
  const TSongFile* twin = Song("b.mp3", &tags);
  tags.Artist.clear();
  const TSongFile* noArtist = Song("c.mp3", &tags);
  const std::string firstBytes = ReadWholeFile(first->FileName());
  const std::string twinBytes = ReadWholeFile(twin->FileName());
  const TNamePattern pattern = Pattern("{track:3} {artist} - {title}");

  const TSongChange stray = PlanRenameWithPattern(*noArtist, pattern);
  EXPECT_TRUE(stray.DoesNothing());
  EXPECT_EQ(stray.Skip, "the song has no artist");
  const TSongChange folders = PlanRenameWithPattern(*first, Pattern("{artist}/{title}"));
  EXPECT_EQ(folders.NewFileName, std::string(FolderPart(first->FileName())) + "Moby/Porcelain.mp3");
  EXPECT_TRUE(folders.MakesFolders);

  TSongPlanner planner{
      TTagsNeeded::No,
      [&pattern](const TSongFile& listed, const TID3Info&) { return PlanRenameWithPattern(listed, pattern); },
      TListedDetails::Used, TWrites::NamesOnly};
  const std::vector<TSongResult> results = Run(planner);
  ASSERT_EQ(results.size(), 3U);
  EXPECT_EQ(results[0].Outcome, TChangeOutcome::Renamed) << results[0].Reason();
  EXPECT_EQ(results[1].Outcome, TChangeOutcome::Failed);
  EXPECT_EQ(results[1].Reason(), kNameTakenMessage);
  EXPECT_EQ(results[2].Reason(), "the song has no artist");
  EXPECT_EQ(ReadWholeFile(folder / "003 Moby - Porcelain.mp3"), firstBytes);
  EXPECT_EQ(ReadWholeFile(twin->FileName()), twinBytes);
  EXPECT_FALSE(FileExists(first->FileName()));
  EXPECT_TRUE(FileExists(noArtist->FileName()));
}

TEST_F(PatternPlans, NumberSongsCountsInTheOrderGivenAndStartsAgainInEachFolder) {
  const TTrackNumbers numbers = NumberSongs({"/a/z.mp3", "/b/x.mp3", "/a/y.mp3", "/a/z.mp3", "/a/w.mp3"}, 5, true);
  const TTrackNumbers expected = {
      {"/a/z.mp3", {5, 7}}, {"/a/y.mp3", {6, 7}}, {"/a/w.mp3", {7, 7}}, {"/b/x.mp3", {5, 5}}};
  ASSERT_EQ(numbers.size(), expected.size());
  for (const auto& [name, number] : expected) {
    EXPECT_EQ(numbers.at(name).Number, number.Number) << name;
    EXPECT_EQ(numbers.at(name).Total, number.Total) << name;
  }
  EXPECT_EQ(NumberSongs({"/a/z.mp3"}, 1, false).at("/a/z.mp3").Total, 0);
}

TEST_F(PatternPlans, TrackOrderGoesByTheNumbersThenByName) {
  TSongFile tenth;
  TSongFile second;
  TSongFile none;
  TSongFile alsoSecond;
  for (auto [song, name, track] : {std::tuple{&tenth, "/a/a.mp3", "10"}, std::tuple{&second, "/a/c.mp3", "02"},
                                   std::tuple{&none, "/a/0.mp3", ""}, std::tuple{&alsoSecond, "/a/b.mp3", "2"}}) {
    (void)song->SetFileName(name, false);  // bound without its tags: nothing can fail
    song->SetTrack(track);
  }
  EXPECT_EQ(FileNamesInTrackOrder({&tenth, &second, &none, &alsoSecond}),
            (std::vector<std::string>{"/a/b.mp3", "/a/c.mp3", "/a/a.mp3", "/a/0.mp3"}));
}

TEST_F(PatternPlans, NumberTracksWritesNumberAndTotalIntoBothTags) {
  TID3Info tags;
  tags.Title = "Kept";
  tags.Track = 9;
  const TSongFile* second = Song("b.mp3", &tags);
  const TSongFile* first = Song("a.mp3");
  const TTrackNumbers numbers = NumberSongs({first->FileName(), second->FileName()}, 1, true);
  const std::vector<TSongResult> results =
      Run({TTagsNeeded::Yes, [&numbers](const TSongFile& listed, const TID3Info& read) {
             return PlanNumberTrack(listed, read, numbers);
           }});
  ASSERT_EQ(results.size(), 2U);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(second->FileName()).Ok());
  EXPECT_EQ(tag.TrackText, "2/2");
  EXPECT_EQ(tag.Title, "Kept");
  ASSERT_TRUE(tag.Load(first->FileName()).Ok());
  EXPECT_EQ(tag.TrackText, "1/2");
  TID3v1Buffer trailer{};
  ASSERT_TRUE(ReadID3v1Trailer(second->FileName(), trailer).Ok());
  EXPECT_EQ(ID3v1Values(trailer).Track, 2);
  EXPECT_EQ(AudioOf(second->FileName()), kAudio);

  // Numbering again with the same numbers changes nothing more.
  const std::string bytes = ReadWholeFile(second->FileName());
  (void)Run({TTagsNeeded::Yes, [&numbers](const TSongFile& listed, const TID3Info& read) {
               return PlanNumberTrack(listed, read, numbers);
             }});
  EXPECT_EQ(ReadWholeFile(second->FileName()), bytes);

  const TSongChange large = PlanNumberTrack(*first, {}, {{first->FileName(), {256, 0}}});
  EXPECT_EQ(large.Refusal, "track numbers go from 1 to 255");
}

}  // namespace
}  // namespace tagwright

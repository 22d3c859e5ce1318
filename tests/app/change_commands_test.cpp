#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <future>
#include <map>

#include "cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"

namespace tagwright::testing {
namespace {

const std::string kAudio = SongAudio(304);

class ChangeCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.WriteFile("01 - moby - why_does_my_heart.mp3", kAudio);
    folder.WriteFile("Moby - Porcelain - www.site.com.mp3", kAudio);
    folder.WriteFile("a+b.mp3", kAudio);
    const std::string tagged = folder.WriteFile("x.mp3", kAudio);
    TID3Info tags;
    tags.Artist = "Abba";
    tags.Title = "Waterloo";
    tags.Comment = "Keep";
    tags.Track = 5;
    EXPECT_TRUE(WriteID3Tags(tagged, tags).Ok());
  }
  TTempFolder folder;
};

// Every command that changes files, with --dry-run: not a byte changes, and the output is the
// real run's. "FOLDER" stands for the test folder, "SONGS" for each of its songs, "PICTURE" for a PNG
// picture beside it.
class DryRun : public ChangeCommands, public ::testing::WithParamInterface<std::vector<std::string>> {
 protected:
  std::vector<std::string> Arguments(bool dryRun) const {
    std::vector<std::string> arguments;
    for (const std::string& argument : GetParam()) {
      if (argument == "FOLDER") {
        arguments.push_back(folder.Path());
      } else if (argument == "SONGS") {
        for (const auto& [path, bytes] : folder.Contents()) arguments.push_back(path);
      } else if (argument == "PICTURE") {
        arguments.push_back(pictures.WriteFile("front.png", std::string("\x89PNG\r\n\x1A\n", 8) + "picture"));
      } else {
        arguments.push_back(argument);
      }
    }
    if (dryRun) arguments.insert(arguments.begin() + 1, "--dry-run");
    return arguments;
  }
  TTempFolder pictures;
};

TEST_P(DryRun, ChangesNoByteAndForetellsTheRealRun) {
  const auto before = folder.Contents();
  const TCliRun dry = RunCli(Arguments(true));
  EXPECT_EQ(folder.Contents(), before);
  const TCliRun real = RunCli(Arguments(false));
  EXPECT_NE(folder.Contents(), before) << "the real run changes something, so the dry run could have";
  EXPECT_EQ(dry.out, real.out);
  EXPECT_EQ(dry.exitStatus, real.exitStatus);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, DryRun,
    ::testing::Values(
        std::vector<std::string>{"rename", "FOLDER"}, std::vector<std::string>{"filename-as-title", "FOLDER"},
        std::vector<std::string>{"cleanup", "FOLDER"}, std::vector<std::string>{"hands-free", "FOLDER"},
        std::vector<std::string>{"hands-free", "--keep-spellings", "--more-name-styles", "FOLDER"},
        std::vector<std::string>{"cleanup", "--keep-spellings", "FOLDER"},
        std::vector<std::string>{"hands-free", "--title-with-mix", "--lower-small-words", "FOLDER"},
        std::vector<std::string>{"cleanup", "--lower-small-words", "FOLDER"},
        std::vector<std::string>{"stamp", "--recognized", "FOLDER"},
        std::vector<std::string>{"stamp", "--title", "X", "--artist", "Y", "--album", "Z", "--year", "2001",
                                 "--comment", "", "--genre", "Rock", "--track", "7", "SONGS"},
        std::vector<std::string>{"clear", "artist", "FOLDER"}, std::vector<std::string>{"clear", "title", "FOLDER"},
        std::vector<std::string>{"clear", "track", "FOLDER"}, std::vector<std::string>{"clear", "comment", "FOLDER"},
        std::vector<std::string>{"tag-from-name", "--pattern", "{track} - {artist} - {title}", "--cleanup", "FOLDER"},
        std::vector<std::string>{"rename", "--pattern", "{title} ({artist})", "FOLDER"},
        std::vector<std::string>{"number", "--total", "FOLDER"},
        std::vector<std::string>{"cover", "--set", "PICTURE", "FOLDER"}),
    [](const ::testing::TestParamInfo<std::vector<std::string>>& info) {
      std::string name;
      for (const std::string& argument : info.param) {
        if (argument == "FOLDER" || argument == "SONGS" || argument == "PICTURE") continue;
        for (const char c : argument) {
          if (std::isalnum(static_cast<unsigned char>(c))) name += c;
        }
        if (name.size() > 40) break;
      }
      return name;
    });

// Keep Known Spellings and More Name Styles, asked for on the command line, reach the tags and names
// on disk; a spellings file that cannot be used changes nothing.
TEST_F(ChangeCommands, NameOptionsKeepSpellingsAndReadMoreNameStyles) {
  const std::string styled = folder.WriteFile("02 abba - sos .mp3", kAudio);
  const std::string words = folder.WriteFile("words/mine.txt", "WaterLOO\n");
  const std::string latin1 = folder.WriteFile("words/latin1.txt", "Bj\xF6rk\n");
  const auto before = folder.Contents();
  for (const std::string& bad : {latin1, folder / "words/none.txt"}) {
    const TCliRun refused = RunCli({"cleanup", "--spellings", bad, folder.Path()});
    EXPECT_EQ(refused.exitStatus, 1);
    EXPECT_NE(refused.err.find("the spellings cannot be read, so nothing was changed"), std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(folder.Contents(), before);
  }

  const TCliRun plain = RunCli({"hands-free", "--dry-run", styled});
  EXPECT_EQ(plain.Lines().at(0)["reason"], "not recognised");
  const TCliRun run = RunCli({"hands-free", "--keep-spellings", "--more-name-styles", styled});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_FALSE(FileExists(styled));
  // The track came from the front of the name, the capitals from the list.
  TID3Info tags;
  const std::string renamed = folder / "02 - ABBA - SOS.mp3";
  ASSERT_TRUE(FileExists(renamed)) << run.out;
  ASSERT_TRUE(ReadID3Tags(renamed, tags).Ok());
  EXPECT_EQ(tags.Artist, "ABBA");
  EXPECT_EQ(tags.Title, "SOS");
  EXPECT_EQ(tags.Track, 2);

  const std::string tagged = folder / "x.mp3";
  ASSERT_EQ(RunCli({"cleanup", "--spellings", words, tagged}).exitStatus, 0);
  ASSERT_TRUE(ReadID3Tags(tagged, tags).Ok());
  EXPECT_EQ(tags.Artist, "ABBA");
  EXPECT_EQ(tags.Title, "WaterLOO");
  EXPECT_EQ(tags.Comment, "Keep");
}

TEST_F(ChangeCommands, HandsFreeTagsAndRenamesOnlySongsNamedByTheirDetails) {
  const TCliRun run = RunCli({"hands-free", folder.Path()});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 4u) << run.out;
  EXPECT_EQ(lines[0]["file"], folder / "01 - moby - why_does_my_heart.mp3");
  EXPECT_EQ(lines[0]["action"], "tagged+renamed");
  EXPECT_EQ(lines[0]["new_file"], folder / "01 - Moby - Why Does My Heart.mp3");
  EXPECT_EQ(lines[0]["tags"]["title"], "Why Does My Heart");
  EXPECT_EQ(lines[0]["tags"]["track"], 1);
  EXPECT_EQ(lines[1]["file"], folder / "a+b.mp3");
  EXPECT_EQ(lines[1]["action"], "skipped");  // not recognised
  EXPECT_EQ(lines[2]["file"], folder / "Moby - Porcelain - www.site.com.mp3");
  EXPECT_EQ(lines[2]["action"], "skipped");
  EXPECT_TRUE(lines[2].contains("reason"));
  EXPECT_TRUE(lines[2]["tags"].is_null());
  EXPECT_EQ(lines[3]["action"], "skipped");  // x.mp3: the name is not its details

  TID3Info written;
  ASSERT_TRUE(ReadID3Tags(folder / "01 - Moby - Why Does My Heart.mp3", written).Value());
  EXPECT_EQ(written.Artist, "Moby");
  EXPECT_EQ(ReadWholeFile(folder / "Moby - Porcelain - www.site.com.mp3"), kAudio);
}

TEST_F(ChangeCommands, RenameNeverReplacesAFileAndReportsTheClash) {
  TTempFolder clash;
  clash.WriteFile("Moby - Why.mp3", "first");
  const std::string second = clash.WriteFile("moby - why.mp3", "second");
  // Make the second song compose to the first one's name through its tag.
  TID3Info tags;
  tags.Artist = "Moby";
  tags.Title = "Why";
  EXPECT_TRUE(WriteID3Tags(second, tags).Ok());
  const std::string secondBytes = ReadWholeFile(second);
  const TCliRun run = RunCli({"rename", clash.Path()});
  EXPECT_EQ(run.exitStatus, 1);
  std::map<std::string, nlohmann::json> byFile;
  for (const auto& line : run.Lines()) byFile[line["file"]] = line;
  ASSERT_EQ(byFile.size(), 2u);
  EXPECT_EQ(byFile[clash / "Moby - Why.mp3"]["action"], "skipped");  // already named after its details
  EXPECT_EQ(byFile[second]["action"], "failed");
  EXPECT_EQ(byFile[second]["reason"], "Error renaming file. Is it a duplicate or read-only? (File exists)");
  EXPECT_EQ(ReadWholeFile(clash / "Moby - Why.mp3"), "first");
  EXPECT_EQ(ReadWholeFile(second), secondBytes);
}

TEST_F(ChangeCommands, SkipsAndReportsFilesThatCannotBeWritten) {
  const std::string readOnly = folder / "x.mp3";
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
  const std::string bytes = ReadWholeFile(readOnly);
  const TCliRun run = RunCli({"clear", "comment", folder.Path()});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find(readOnly), std::string::npos) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3]["file"], readOnly);
  EXPECT_EQ(lines[3]["action"], "skipped");
  EXPECT_EQ(lines[0]["action"], "tagged");
  EXPECT_EQ(ReadWholeFile(readOnly), bytes);
}

// A song in a folder that cannot be written is named, with the system's words for the cause, in
// its reason and on stderr; it keeps its bytes.
TEST_F(ChangeCommands, ASongThatCannotBeRewrittenIsNamedInTheReason) {
  const std::string song = folder / "Moby - Porcelain - www.site.com.mp3";
  ASSERT_EQ(chmod(folder.Path().c_str(), 0555), 0);
  const TCliRun run = RunCliHeldToPermissions({"stamp", "--recognized", "--no-history", song});
  ASSERT_EQ(chmod(folder.Path().c_str(), 0755), 0);
  EXPECT_EQ(run.exitStatus, 1);
  const std::string reason = "Cannot write file " + song + " (Permission denied)";
  ASSERT_EQ(run.Lines().size(), 1u) << run.out;
  EXPECT_EQ(run.Lines()[0]["reason"], reason);
  EXPECT_NE(run.err.find(song + ": " + reason), std::string::npos) << run.err;
  EXPECT_EQ(ReadWholeFile(song), kAudio);
}

TEST_F(ChangeCommands, StampRecognizedWritesTheNamesDetailsAndKeepsTheTags) {
  const TCliRun run = RunCli({"stamp", "--recognized", folder.Path()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]["action"], "tagged");
  EXPECT_EQ(lines[0]["tags"]["title"], "why does my heart");
  TID3Info tags;
  EXPECT_TRUE(ReadID3Tags(folder / "x.mp3", tags).Ok());
  EXPECT_EQ(tags.Comment, "Keep");
  EXPECT_EQ(tags.Track, 5);
  EXPECT_EQ(RunCli({"stamp", "--recognized", "--title", "T", folder.Path()}).exitStatus, 2);
}

TEST_F(ChangeCommands, ClearBlanksOneFieldAndKeepsTheOthers) {
  const TCliRun run = RunCli({"clear", "track", folder / "x.mp3"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  TID3Info tags;
  EXPECT_TRUE(ReadID3Tags(folder / "x.mp3", tags).Ok());
  EXPECT_EQ(tags.Track, 0);
  EXPECT_EQ(tags.Title, "Waterloo");
  EXPECT_EQ(tags.Comment, "Keep");
  EXPECT_EQ(RunCli({"clear", "bogus", folder.Path()}).exitStatus, 2);
}

}  // namespace
}  // namespace tagwright::testing

namespace tagwright::testing {
namespace {

// Hands-Free writes every detail of the song into the tag, not just the ones in its name; run again,
// it finds nothing to change.
TEST(HandsFree, WritesEveryDetailIntoTheTag) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("07 - Moby - Porcelain.mp3", SongAudio(2000));
  TID3Info tags;
  tags.Artist = "Moby";
  tags.Title = "porcelain";  // for Hands-Free to tidy
  tags.Album = "Play";
  tags.Year = "1999";
  tags.Comment = "Single";
  tags.Genre = "Electronic";
  tags.Track = 7;
  ASSERT_TRUE(WriteID3Tags(path, tags).Ok());
  const TCliRun run = RunCli({"hands-free", folder.Path()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  ASSERT_EQ(run.Lines().size(), 1u) << run.out;
  EXPECT_EQ(run.Lines()[0]["action"], "tagged");
  // What the file holds afterwards, read from disk.
  TID3Info written;
  ASSERT_TRUE(ReadID3Tags(path, written).Value());
  EXPECT_EQ(written.Artist, "Moby");
  EXPECT_EQ(written.Title, "Porcelain");
  EXPECT_EQ(written.Album, "Play");
  EXPECT_EQ(written.Year, "1999");
  EXPECT_EQ(written.Comment, "Single");
  EXPECT_EQ(written.Genre, "Electronic");
  EXPECT_EQ(written.Track, 7);
  const TCliRun again = RunCli({"hands-free", folder.Path()});
  ASSERT_EQ(again.Lines().size(), 1u) << again.out;
  EXPECT_EQ(again.Lines()[0]["action"], "skipped");
  EXPECT_EQ(again.Lines()[0]["reason"], "nothing to change");
}

// --title-with-mix keeps the mix in the title tag; the name is the one composed without it, and a
// second run, recognising the song from that tag, finds it named and tagged already.
TEST(HandsFree, KeepsTheMixInTheTitleTagOnRequest) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("avicii - levels_of_love (Skrillex Remix).mp3", SongAudio(2000));
  const std::string named = folder / "Avicii - Levels of Love (Skrillex Remix).mp3";
  const std::vector<std::string> handsFree{"hands-free", "--title-with-mix", "--lower-small-words", folder.Path()};
  const TCliRun run = RunCli(handsFree);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  ASSERT_EQ(run.Lines().size(), 1u) << run.out;
  EXPECT_EQ(run.Lines()[0]["new_file"], named);
  EXPECT_EQ(run.Lines()[0]["tags"]["title"], "Levels of Love (Skrillex Remix)");
  EXPECT_FALSE(FileExists(path));
  TID3Info written;
  ASSERT_TRUE(ReadID3Tags(named, written).Value());
  EXPECT_EQ(written.Title, "Levels of Love (Skrillex Remix)");
  EXPECT_EQ(written.Artist, "Avicii");
  const TCliRun again = RunCli(handsFree);
  ASSERT_EQ(again.Lines().size(), 1u) << again.out;
  EXPECT_EQ(again.Lines()[0]["reason"], "nothing to change");
  EXPECT_EQ(RunCli({"rename", "--dry-run", folder.Path()}).Lines().at(0)["reason"], "already named after its details");
}

// A song with a title but no artist, or an artist but no title, is still renamed.
TEST(AutoRename, RenamesSongsWithOnlyATitleOrOnlyAnArtist) {
  TTempFolder folder;
  const std::string titled = folder.WriteFile("a.mp3", SongAudio());
  const std::string byArtist = folder.WriteFile("b.mp3", SongAudio());
  TID3Info onlyTitle;
  onlyTitle.Title = "Lonely Title";
  ASSERT_TRUE(WriteID3Tags(titled, onlyTitle).Ok());
  TID3Info onlyArtist;
  onlyArtist.Artist = "Lonely Artist";
  ASSERT_TRUE(WriteID3Tags(byArtist, onlyArtist).Ok());
  const TCliRun run = RunCli({"rename", folder.Path()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 2u) << run.out;
  EXPECT_EQ(lines[0]["action"], "renamed");
  EXPECT_EQ(lines[1]["action"], "renamed");
  EXPECT_TRUE(FileExists(folder / "Lonely Title.mp3"));
  EXPECT_FALSE(FileExists(titled));
  EXPECT_FALSE(FileExists(byArtist));
  // The name fills the title the tag lacks.
  EXPECT_EQ(lines[1]["new_file"], folder / "Lonely Artist - b.mp3");
}

}  // namespace
// --accented-letters on every command that recognises names: "Björk - Jóga.mp3" gives its artist and
// title with it, and nothing without it.
TEST(AccentedLettersOption, RecognisesAccentedNamesOnlyWhenGiven) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("bj\xc3\xb6rk - j\xc3\xb3ga.mp3", SongAudio());
  const TCliRun plain = RunCli({"scan", "--no-tags", folder.Path()});
  ASSERT_EQ(plain.exitStatus, 0) << plain.err;
  EXPECT_EQ(plain.Lines().at(0)["recognition"], "failed");
  const TCliRun accented = RunCli({"scan", "--no-tags", "--accented-letters", folder.Path()});
  ASSERT_EQ(accented.exitStatus, 0) << accented.err;
  EXPECT_EQ(accented.Lines().at(0)["artist"], "bj\xc3\xb6rk");
  EXPECT_EQ(accented.Lines().at(0)["title"], "j\xc3\xb3ga");
  for (const char* command : {"rename", "filename-as-title", "cleanup", "hands-free"}) {
    const TCliRun run = RunCli({command, "--dry-run", "--accented-letters", folder.Path()});
    EXPECT_EQ(run.exitStatus, 0) << command << ": " << run.err;
  }
  EXPECT_EQ(RunCli({"clear", "--dry-run", "--accented-letters", "title", folder.Path()}).exitStatus, 0);
  EXPECT_EQ(RunCli({"stamp", "--recognized", "--dry-run", "--accented-letters", folder.Path()}).exitStatus, 0);
  // Hands-Free capitalises the accented letters too.
  const TCliRun handsFree = RunCli({"hands-free", "--dry-run", "--accented-letters", folder.Path()});
  EXPECT_EQ(handsFree.Lines().at(0)["new_file"], folder / "Bj\xc3\xb6rk - J\xc3\xb3ga.mp3");
  EXPECT_EQ(RunCli({"hands-free", "--dry-run", folder.Path()}).Lines().at(0)["reason"], "not recognised");
}

}  // namespace tagwright::testing

namespace tagwright::testing {
namespace {

// Files that are no songs, named among one: every writing command changes only the song, and says
// of each other file that it is no MP3 file and what it holds, under its own name and with its bytes
// as they were. Some are named like songs: a JPEG named .mp3, a PDF named .MP3, and a link to a text
// elsewhere, which stays as it was too.
class NoSongs : public ::testing::TestWithParam<std::vector<std::string>> {
 protected:
  void SetUp() override {
    song = folder.WriteFile("01 - moby - why_does_my_heart.mp3", kAudio);
    const std::string jpeg = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10) + std::string(300, 'j');
    const std::string pdf = "%PDF-1.4\n" + std::string(300, 'd');
    linked = elsewhere.WriteFile("config.txt", "volume=11\n");
    const std::string link = folder / "Abba - SOS.mp3";
    std::filesystem::create_symlink(linked, link);
    others = {
        {folder.WriteFile("cover.jpg", jpeg), "a JPEG picture"},
        {folder.WriteFile("back.png", std::string("\x89PNG\r\n\x1A\n", 8) + std::string(300, 'p')), "a PNG picture"},
        {folder.WriteFile("README.txt", "Put the songs here.\n"), "text"},
        {folder.WriteFile("booklet.pdf", pdf), "a PDF document"},
        {folder.WriteFile("play.sh", "#!/bin/sh\nmpg123 *.mp3\n"), "text"},
        {folder.WriteFile("Abba - Photo.mp3", jpeg), "a JPEG picture"},
        {folder.WriteFile("Abba - Paper.MP3", pdf), "a PDF document"},
        {link, "text"},
    };
  }
  TTempFolder folder;
  TTempFolder elsewhere;
  std::string song;
  std::string linked;
  std::map<std::string, std::string> others;  // each file, and what its content is said to be
};

TEST_P(NoSongs, AreLeftAloneAndReported) {
  std::vector<std::string> arguments = GetParam();
  const bool dryRun = arguments.back() == "--dry-run";
  arguments.push_back(song);
  for (const auto& [other, content] : others) arguments.push_back(other);
  const auto before = folder.Contents();
  const TCliRun run = RunCli(arguments);
  EXPECT_EQ(run.exitStatus, 1) << run.err;
  std::map<std::string, nlohmann::json> byFile;
  for (const auto& line : run.Lines()) byFile[line["file"]] = line;
  for (const auto& [other, content] : others) {
    const std::string reason = "not an MP3 file (its content is " + content + ")";
    EXPECT_EQ(byFile[other]["action"], "skipped") << other;
    EXPECT_EQ(byFile[other]["reason"], reason) << other;
    EXPECT_TRUE(byFile[other]["tags"].is_null()) << other;
    EXPECT_NE(run.err.find(std::string(other).append(": ").append(reason)), std::string::npos) << run.err;
  }
  EXPECT_NE(byFile[song]["action"], "skipped") << run.out;
  const auto after = folder.Contents();
  EXPECT_EQ(after.size(), before.size()) << "no file is made or lost";
  for (const auto& [other, content] : others) {
    ASSERT_TRUE(after.contains(other)) << other;
    EXPECT_EQ(after.at(other), before.at(other)) << other;
  }
  EXPECT_EQ(ReadWholeFile(linked), "volume=11\n");
  EXPECT_TRUE(std::filesystem::is_symlink(folder / "Abba - SOS.mp3"));
  if (dryRun) {
    EXPECT_EQ(after, before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EveryWritingCommand, NoSongs,
    ::testing::Values(std::vector<std::string>{"stamp", "--title", "X"},
                      std::vector<std::string>{"stamp", "--title", "X", "--dry-run"},
                      std::vector<std::string>{"stamp", "--recognized"},
                      std::vector<std::string>{"stamp", "--recognized", "--dry-run"},
                      std::vector<std::string>{"rename"}, std::vector<std::string>{"rename", "--dry-run"},
                      std::vector<std::string>{"cleanup"}, std::vector<std::string>{"cleanup", "--dry-run"},
                      std::vector<std::string>{"hands-free"}, std::vector<std::string>{"hands-free", "--dry-run"},
                      std::vector<std::string>{"filename-as-title"},
                      std::vector<std::string>{"filename-as-title", "--dry-run"},
                      std::vector<std::string>{"clear", "comment"},
                      std::vector<std::string>{"clear", "comment", "--dry-run"}));

// scan and tags name the files that are no songs instead of showing them as songs.
TEST(NoSongsListed, ScanAndTagsGiveTheReason) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("song.mp3", kAudio);
  const std::string text = folder.WriteFile("README.txt", "Put the songs here.\n");
  const std::string bare = folder.WriteFile("untitled", kAudio);  // judged by its content
  for (const char* command : {"scan", "tags"}) {
    const TCliRun run = RunCli({command, song, text, bare});
    EXPECT_EQ(run.exitStatus, 1) << command;
    std::map<std::string, nlohmann::json> byFile;
    for (const auto& line : run.Lines()) byFile[line["file"]] = line;
    ASSERT_EQ(byFile.size(), 3u) << run.out;
    EXPECT_EQ(byFile[text].size(), 2u) << command << ": " << byFile[text];
    EXPECT_EQ(byFile[text]["reason"], "not an MP3 file") << command;
    EXPECT_FALSE(byFile[song].contains("reason")) << command;
    EXPECT_FALSE(byFile[bare].contains("reason")) << command;
  }
  const TCliRun folderRun = RunCli({"tags", folder.Path()});
  EXPECT_EQ(folderRun.exitStatus, 1);
  EXPECT_NE(folderRun.err.find("is a folder; use scan"), std::string::npos) << folderRun.err;
}

}  // namespace
}  // namespace tagwright::testing

namespace tagwright::testing {
namespace {

std::size_t Occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// A link without a description and one described "shop": every writing command keeps both, once
// each, whatever else it writes.
class TwoLinks : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(TwoLinks, AreBothKept) {
  const auto frame = [](const std::string& id, const std::string& content) {
    const auto size = static_cast<std::uint32_t>(content.size());
    return id + std::string{char(size >> 24), char(size >> 16), char(size >> 8), char(size)} + std::string(2, '\0') +
           content;
  };
  const std::string frames = frame("TIT2", std::string(1, '\0') + "why") +
                             frame("WXXX", std::string(2, '\0') + "http://a.example/") +
                             frame("WXXX", std::string(1, '\0') + "shop" + std::string(1, '\0') + "http://b.example/");
  const std::size_t size = frames.size() + 64;
  const std::string tag = std::string("ID3\x03\x00\x00", 6) + char(size >> 21 & 0x7F) + char(size >> 14 & 0x7F) +
                          char(size >> 7 & 0x7F) + char(size & 0x7F) + frames + std::string(64, '\0');
  TTempFolder folder;
  const std::string song = folder.WriteFile("01 - moby - why.mp3", tag + kAudio);
  std::vector<std::string> arguments = GetParam();
  arguments.push_back(song);
  const TCliRun run = RunCli(arguments);
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  ASSERT_EQ(run.Lines().size(), 1u);
  EXPECT_EQ(run.Lines()[0]["action"].get<std::string>().substr(0, 6), "tagged") << run.out;
  const std::string file = ReadWholeFile(run.Lines()[0].value("new_file", song));
  EXPECT_EQ(Occurrences(file, "WXXX"), 2u);
  EXPECT_EQ(Occurrences(file, std::string(2, '\0') + "http://a.example/"), 1u);
  EXPECT_EQ(Occurrences(file, std::string(1, '\0') + "shop" + std::string(1, '\0') + "http://b.example/"), 1u);
}

INSTANTIATE_TEST_SUITE_P(WritingCommands, TwoLinks,
                         ::testing::Values(std::vector<std::string>{"stamp", "--title", "X"},
                                           std::vector<std::string>{"cleanup"},
                                           std::vector<std::string>{"hands-free"}));

}  // namespace
}  // namespace tagwright::testing

namespace tagwright::testing {
namespace {

// Two programs at once on fifty songs: one stamps the details it listed, the other a comment. The
// comment is never overwritten by what the first one listed before it was written: each song ends
// with it, whichever program came first, and a song the first one found changed it reports.
TEST(TwoPrograms, NeverOverwriteWhatTheOtherWroteAfterTheListing) {
  TTempFolder folder;
  std::vector<std::string> songs;
  for (int i = 0; i < 50; ++i) {
    songs.push_back(folder.WriteFile("Moby - Song " + std::to_string(i) + ".mp3", kAudio));
    TID3Info tags;
    tags.Comment = "from A";
    ASSERT_TRUE(WriteID3Tags(songs.back(), tags).Ok());
  }
  std::vector<std::string> second = {"stamp", "--no-history", "--comment", "from B"};
  second.insert(second.end(), songs.begin(), songs.end());
  std::future<TCliRun> first = std::async(std::launch::async, [&] {
    return RunCli({"stamp", "--no-history", "--recognized", folder.Path()});
  });
  const TCliRun other = RunCli(second);
  const TCliRun listed = first.get();
  ASSERT_EQ(other.exitStatus, 0) << other.err;
  for (const auto& line : listed.Lines()) {
    if (line["action"] == "failed") {
      EXPECT_EQ(line["reason"], "the file changed since it was read") << line;
    }
  }
  for (const std::string& song : songs) {
    TID3Info tags;
    ASSERT_TRUE(ReadID3Tags(song, tags).Ok());
    EXPECT_EQ(tags.Comment, "from B") << song;
  }
}

}  // namespace
}  // namespace tagwright::testing

namespace tagwright::testing {
namespace {

// Each file below the folder with its bytes and modification time.
std::map<std::string, std::pair<std::string, std::int64_t>> BytesAndTimes(const TTempFolder& folder) {
  std::map<std::string, std::pair<std::string, std::int64_t>> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path())) {
    if (!entry.is_regular_file()) continue;
    struct stat info {};
    EXPECT_EQ(::stat(entry.path().c_str(), &info), 0);
    files[entry.path().string()] = {ReadWholeFile(entry.path().string()),
                                    std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec};
  }
  return files;
}

// Every file's modification time set far back, so that any write shows.
void AgeFiles(const TTempFolder& folder) {
  const struct timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path())) {
    EXPECT_EQ(::utimensat(AT_FDCWD, entry.path().c_str(), times, 0), 0);
  }
}

// How a song is put out of order again: its ID3v1 trailer cut off, or its name spaced otherwise.
enum class TDisorder { TrailerCut, NameSpaced };

struct TAlreadyDoneCase {
  std::vector<std::string> Arguments;  // "FOLDER" stands for the folder, "SONGS" for every song in it
  TDisorder Disorder;
  const char* Reason = "\"nothing to change\"";  // the reason a second run gives some song
};

// A folder that a writing command has already been run over is as that command leaves it: a second
// run changes no byte and no modification time, reports every song skipped and makes no history
// entry. Put one song out of order, and the next run changes that one song alone.
class AlreadyDone : public ::testing::TestWithParam<TAlreadyDoneCase> {
 protected:
  void SetUp() override {
    folder.WriteFile("01 - moby - why_does_my_heart.mp3", kAudio);
    folder.WriteFile("Moby - Porcelain - www.site.com.mp3", kAudio);
    folder.WriteFile("a+b.mp3", kAudio);
    TID3Info tags;
    tags.Artist = "Abba";
    tags.Title = "Waterloo";
    tags.Comment = "Keep";
    tags.Track = 5;
    EXPECT_TRUE(WriteID3Tags(folder.WriteFile("Abba - Waterloo.mp3", kAudio), tags).Ok());
  }
  TCliRun Run(const std::vector<std::string>& more = {}) const {
    std::vector<std::string> arguments{"--history", history};
    for (const std::string& argument : GetParam().Arguments) {
      if (argument == "FOLDER") {
        arguments.push_back(folder.Path());
        continue;
      }
      if (argument != "SONGS") {
        arguments.push_back(argument);
        continue;
      }
      for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) arguments.push_back(entry.path());
    }
    arguments.insert(arguments.end(), more.begin(), more.end());
    return RunCli(arguments);
  }
  std::size_t HistoryEntries() const { return RunCli({"--history", history, "history"}).Lines().size(); }

  TTempFolder folder;
  TTempFolder state;
  std::string history = state / "history.sqlite3";
};

TEST_P(AlreadyDone, ChangesNothingAndThenOnlyTheSongPutOutOfOrder) {
  const std::string song = folder / "01 - moby - why_does_my_heart.mp3";
  std::string target = song;  // where the song is after the first run
  for (const auto& line : Run().Lines()) {
    if (line["file"] == song) target = line.value("new_file", song);
  }
  const std::size_t entries = HistoryEntries();
  AgeFiles(folder);
  const auto before = BytesAndTimes(folder);

  for (const bool dryRun : {true, false}) {
    const TCliRun again = dryRun ? Run({"--dry-run"}) : Run();
    EXPECT_EQ(again.exitStatus, 0) << again.err;
    for (const auto& line : again.Lines()) {
      EXPECT_EQ(line["action"], "skipped") << line;
      EXPECT_TRUE(line["tags"].is_null()) << line;
    }
    EXPECT_NE(again.out.find(GetParam().Reason), std::string::npos) << again.out;
    EXPECT_EQ(BytesAndTimes(folder), before) << "not a byte nor a modification time changes";
    EXPECT_EQ(HistoryEntries(), entries);
  }

  std::string disordered = target;
  if (GetParam().Disorder == TDisorder::TrailerCut) {
    ASSERT_EQ(::truncate(target.c_str(), static_cast<off_t>(before.at(target).first.size() - 128)), 0);
  } else {
    disordered = folder / "01  -  moby  -  why_does_my_heart.mp3";
    std::filesystem::rename(target, disordered);
  }
  AgeFiles(folder);
  const auto disorderedBefore = BytesAndTimes(folder);
  const TCliRun mend = Run();
  EXPECT_EQ(mend.exitStatus, 0) << mend.err;
  const auto after = BytesAndTimes(folder);
  for (const auto& [path, file] : disorderedBefore) {
    if (path == disordered) continue;
    ASSERT_TRUE(after.contains(path)) << path << "\n" << mend.out;
    EXPECT_EQ(after.at(path), file) << path;
  }
  EXPECT_TRUE(!after.contains(disordered) || after.at(disordered) != disorderedBefore.at(disordered)) << mend.out;
  EXPECT_EQ(HistoryEntries(), entries + 1);
  std::size_t acted = 0;
  for (const auto& line : mend.Lines()) acted += line["action"] != "skipped" ? 1 : 0;
  EXPECT_EQ(acted, 1U) << mend.out;
}

INSTANTIATE_TEST_SUITE_P(
    WritingCommands, AlreadyDone,
    ::testing::Values(TAlreadyDoneCase{{"stamp", "--title", "X", "--artist", "Y", "--album", "Z", "--year", "2001",
                                        "--comment", "", "--genre", "Rock", "--track", "7", "SONGS"},
                                       TDisorder::TrailerCut},
                      TAlreadyDoneCase{{"stamp", "--recognized", "FOLDER"}, TDisorder::TrailerCut},
                      TAlreadyDoneCase{{"filename-as-title", "FOLDER"}, TDisorder::TrailerCut},
                      TAlreadyDoneCase{{"cleanup", "FOLDER"}, TDisorder::TrailerCut},
                      TAlreadyDoneCase{{"hands-free", "FOLDER"}, TDisorder::TrailerCut},
                      TAlreadyDoneCase{{"hands-free", "FOLDER"}, TDisorder::NameSpaced},
                      TAlreadyDoneCase{{"clear", "comment", "FOLDER"}, TDisorder::TrailerCut},
                      TAlreadyDoneCase{
                          {"rename", "FOLDER"}, TDisorder::NameSpaced, "\"already named after its details\""},
                      TAlreadyDoneCase{{"rename", "--pattern", "{artist} - {title}", "FOLDER"},
                                       TDisorder::NameSpaced,
                                       "\"already named after the pattern\""},
                      TAlreadyDoneCase{{"tag-from-name", "--pattern", "{track} - {artist} - {title}", "FOLDER"},
                                       TDisorder::TrailerCut},
                      TAlreadyDoneCase{{"number", "--total", "FOLDER"}, TDisorder::TrailerCut},
                      TAlreadyDoneCase{{"number", "FOLDER"}, TDisorder::TrailerCut}),
    [](const ::testing::TestParamInfo<TAlreadyDoneCase>& info) {
      std::string name;
      for (const std::string& argument : info.param.Arguments) {
        if (argument == "SONGS" || argument == "FOLDER") continue;
        for (const char c : argument) {
          if (std::isalnum(static_cast<unsigned char>(c))) name += c;
        }
        if (name.size() > 12) break;
      }
      return name + (info.param.Disorder == TDisorder::TrailerCut ? "_TrailerCut" : "_NameSpaced");
    });

}  // namespace
}  // namespace tagwright::testing

#include "tags/id3_info.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "support/temp_folder.h"
#include "tag_bytes.h"
#include "tags/atomic_rewrite.h"
#include "tags/byte_source.h"
#include "tags/id3v2.h"

namespace tagwright {
namespace {

using namespace testing;

TEST(TrackText, ParsesTheWholeText) {
  const struct {
    const char* text;
    int track;
  } cases[] = {{"12", 12}, {" 5", 5},   {"", 0},     {"x", 0},    {"5 ", 0},   {"3/12", 0},
               {"7a", 0},  {"300", 44}, {"-1", 255}, {"$1F", 31}, {"0x10", 16}};
  for (const auto& c : cases) {
    TID3Info info;
    info.Track = 99;
    info.SetTrackText(c.text);
    EXPECT_EQ(info.Track, c.track) << '"' << c.text << '"';
  }
}

struct TReadCase {
  const char* what;
  std::string head;     // ID3v2 tag, if any
  std::string trailer;  // ID3v1 trailer, if any
  bool found;
  TID3Info expected;
};

TEST(ReadingTagsOfAFile, CombinesBothTags) {
  const std::string v2 = Tag(3, Frame23("TIT2", Latin1Text("X")) + Frame23("TRCK", Latin1Text("3/12")), 30);
  const TReadCase cases[] = {
      {"neither tag", "", "", false, Info("")},
      {"only a trailer", "", Trailer("Y", "Art", "Alb", "1999", "Com", 17, 4), true,
       Info("Y", "Art", "Alb", "1999", "Com", 4, "Rock")},
      {"ID3v2 wins, gaps from the trailer", v2, Trailer("Y", "A"), true, Info("X", "A", "", "", "", 3)},
      {"track before the slash", v2, "", true, Info("X", "", "", "", "", 3)},
      {"plain ID3v1 keeps the ID3v2 track", v2, Trailer("Y", "", "", "", std::string(30, 'c')), true,
       Info("X", "", "", "", std::string(28, 'c'), 3)},
      {"ID3v1.1 zero track keeps the ID3v2 track", v2, Trailer("Y", "", "", "", "", 255, 0), true,
       Info("X", "", "", "", "", 3)},
      {"ID3v1.1 track replaces the ID3v2 track", v2, Trailer("Y", "", "", "", "", 255, 9), true,
       Info("X", "", "", "", "", 9)},
      {"unusable version leaves ID3v2 fields empty", Tag(5, Frame23("TIT2", Latin1Text("Z"))), Trailer("Y"), true,
       Info("Y", "", "", "", "")},
      {"trailer text stops at a zero byte", "",
       "TAG" + std::string("Abc\0zz", 6) + std::string(24, 'q') + std::string(94, ' ') + Bytes({255}), true,
       Info("Abc", "", "", "", "")},
      {"blanks around ID3v2 texts go as a save takes them off",
       Tag(3, Frame23("TIT2", Latin1Text(" X\x0B")) + Frame23("TCON", Latin1Text("(17)\x0BRock"))), "", true,
       Info("X", "", "", "", "", 0, "Rock")},
      {"spaces and zero bytes after a text are padding", "",
       "TAG" + std::string("A B   ") + std::string(24, '\0') + std::string(94, ' ') + Bytes({255}), true,
       Info("A B", "", "", "", "")},
      {"trailer texts are latin-1", "", Trailer("Bj\xF6rk"), true, Info("Bj\xC3\xB6rk", "", "", "", "")},
      {"genre 200 is no genre", "", Trailer("", "", "", "", "", 200), true, Info("", "", "", "", "")},
      {"ID3v2 genre wins", Tag(3, Frame23("TCON", Latin1Text("Jazz"))), Trailer("", "", "", "", "", 17), true,
       Info("", "", "", "", "", 0, "Jazz")},
      {"ID3v2 track beyond eight bits", Tag(3, Frame23("TRCK", Latin1Text("300"))), "", true,
       Info("", "", "", "", "", 44)},
  };
  for (const auto& c : cases) {
    TTempFolder folder;
    const std::string path = folder.WriteFile("song.mp3", c.head + SongAudio(1000) + c.trailer);
    TID3Info info;
    const TResultOf<bool> read = ReadID3Tags(path, info);
    ASSERT_TRUE(read.Ok()) << c.what;
    EXPECT_EQ(read.Value(), c.found) << c.what;
    EXPECT_EQ(info.Title, c.expected.Title) << c.what;
    EXPECT_EQ(info.Artist, c.expected.Artist) << c.what;
    EXPECT_EQ(info.Album, c.expected.Album) << c.what;
    EXPECT_EQ(info.Year, c.expected.Year) << c.what;
    EXPECT_EQ(info.Comment, c.expected.Comment) << c.what;
    EXPECT_EQ(info.Track, c.expected.Track) << c.what;
    EXPECT_EQ(info.Genre, c.expected.Genre) << c.what;
  }
}

TEST(ReadingTagsOfAFile, MissingFileLeavesTheRecordAlone) {
  TTempFolder folder;
  TID3Info info = Info("keep");
  EXPECT_FALSE(ReadID3Tags(folder / "missing.mp3", info).Value());
  EXPECT_EQ(info.Title, "keep");
  const std::string bare = folder.WriteFile("bare.mp3", SongAudio(1000));
  EXPECT_FALSE(ReadID3Tags(bare, info).Value());
  EXPECT_EQ(info.Title, "keep");
  const TResultOf<bool> folderRead = ReadID3Tags(folder.Path(), info);
  EXPECT_EQ(folderRead.Failure().Kind(), TFailureKind::Open);
  EXPECT_EQ(folderRead.Failure().Describe(), "Cannot open file " + folder.Path());
  // A named pipe is no song: refused at once instead of waiting for a writer.
  const std::string pipe = folder / "pipe.mp3";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  EXPECT_EQ(ReadID3Tags(pipe, info).Failure().Kind(), TFailureKind::Open);
  TID3v2 tag;
  EXPECT_FALSE(tag.Load(pipe));
  tag.SetTitle("T");
  EXPECT_FALSE(tag.Save(pipe));
}

TEST(TrailerAccess, AppendsThenOverwrites) {
  TTempFolder folder;
  const std::string audio = SongAudio(1000);
  const std::string path = folder.WriteFile("song.mp3", audio);
  TID3v1Buffer buffer{};
  EXPECT_FALSE(ReadID3v1Trailer(path, buffer).Value());
  buffer.fill('x');
  EXPECT_TRUE(WriteID3v1Trailer(path, buffer).Ok());
  EXPECT_EQ(ReadWholeFile(path).size(), 1128u);
  buffer.fill('y');
  EXPECT_TRUE(WriteID3v1Trailer(path, buffer).Ok());
  const std::string file = ReadWholeFile(path);
  EXPECT_EQ(file.size(), 1128u);
  EXPECT_EQ(file.substr(0, 1000), audio);
  EXPECT_EQ(file.substr(1000), "TAG" + std::string(125, 'y'));
  EXPECT_TRUE(ReadID3v1Trailer(path, buffer).Value());
  // Small files get the trailer appended; a file of exactly 128 bytes reads as a bare trailer.
  const std::string small = folder.WriteFile("small.mp3", std::string(128, 'T'));
  EXPECT_TRUE(WriteID3v1Trailer(small, buffer).Ok());
  EXPECT_EQ(ReadWholeFile(small).size(), 256u);
  const std::string bareTrailer = folder.WriteFile("bare.mp3", Trailer("Only"));
  EXPECT_TRUE(ReadID3v1Trailer(bareTrailer, buffer).Value());
  EXPECT_EQ(WriteID3v1Trailer(folder / "missing.mp3", buffer).Error(), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(FileExists(folder / "missing.mp3"));
}

struct TWriteCase {
  const char* what;
  TID3Info info;
  std::string trailer;
};

TEST(WritingTagsOfAFile, TrailerAsWritten) {
  const TWriteCase cases[] = {
      {"long title cut to 30", Info(std::string(45, 't')), Trailer(std::string(30, 't'))},
      {"track with a full comment", Info("", "", "", "", std::string(30, 'c'), 7),
       Trailer("", "", "", "", std::string(28, 'c'), 255, 7)},
      {"no track keeps 30 comment bytes", Info("", "", "", "", std::string(30, 'c')),
       Trailer("", "", "", "", std::string(30, 'c'))},
      {"genre by name", Info("", "", "", "", "", 0, "rock"), Trailer("", "", "", "", "", 17)},
      {"unknown genre", Info("", "", "", "", "", 0, "Unknown"), Trailer("", "", "", "", "", 255)},
      {"texts become latin-1", Info("Caf\xC3\xA9 \xD0\x9F"), Trailer("Caf\xE9 ?")},
      {"cut after conversion", Info(std::string(29, 'a') + "\xC3\xA9\xC3\xA9"), Trailer(std::string(29, 'a') + "\xE9")},
  };
  for (const auto& c : cases) {
    TTempFolder folder;
    const std::string path = folder.WriteFile("song.mp3", SongAudio(1000));
    EXPECT_TRUE(WriteID3Tags(path, c.info).Ok());
    const std::string file = ReadWholeFile(path);
    ASSERT_GE(file.size(), 128u);
    EXPECT_EQ(file.substr(file.size() - 128), c.trailer) << c.what;
    EXPECT_EQ(file.substr(4096, 1000), SongAudio(1000)) << c.what;
  }
}

TEST(WritingTagsOfAFile, ReadWriteKeepsWhatTheRecordDoesNotShow) {
  TTempFolder folder;
  const std::string picture =
      Frame23("APIC", Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(100000, '\x89'));
  const std::string head =
      Tag(3,
          Frame23("TIT2", Latin1Text("Title")) + Frame23("TRCK", Latin1Text("3/12")) +
              Frame23("TCOM", Latin1Text("Composer")) + Frame23("TRCK", Latin1Text("3/12")) + picture,
          500);
  const std::string audio = SongAudio(2000);
  const std::string path = folder.WriteFile("song.mp3", head + audio + Trailer("Title", "", "", "", "", 255, 3));
  TID3Info info;
  ASSERT_TRUE(ReadID3Tags(path, info).Value());
  EXPECT_EQ(info.Track, 3);
  info.Artist = "Artist";
  EXPECT_TRUE(WriteID3Tags(path, info).Ok());
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path));
  EXPECT_EQ(tag.TrackText, "3/12");
  EXPECT_EQ(tag.Composer, "Composer");
  EXPECT_EQ(tag.Artist, "Artist");
  const std::string file = ReadWholeFile(path);
  EXPECT_NE(file.find(picture), std::string::npos);
  EXPECT_EQ(file.substr(tag.TagSize, audio.size()), audio);
  EXPECT_EQ(file.size(), static_cast<std::size_t>(tag.TagSize) + audio.size() + 128);
}

// A save of the title alone keeps the genre frame as it stands, whatever references or text it
// holds: the genre reads back the same, also where the name alone would read otherwise.
class AnUntouchedGenre : public ::testing::TestWithParam<const char*> {};

TEST_P(AnUntouchedGenre, KeepsItsFrameThroughATitleSave) {
  TTempFolder folder;
  const std::string genre = Frame23("TCON", Latin1Text(GetParam()));
  const std::string path = folder.WriteFile(
      "song.mp3", Tag(3, Frame23("TIT2", Latin1Text("Old")) + genre, 64) + SongAudio(2000) + Trailer("Old"));
  TID3Info before;
  ASSERT_TRUE(ReadID3Tags(path, before).Value());
  TID3Info changed = before;
  changed.Title = "New";
  ASSERT_TRUE(WriteID3Tags(path, changed).Ok());
  TID3Info after;
  ASSERT_TRUE(ReadID3Tags(path, after).Value());
  EXPECT_EQ(after.Title, "New");
  EXPECT_EQ(after.Genre, before.Genre);
  EXPECT_NE(ReadWholeFile(path).find(genre), std::string::npos) << "the genre frame's bytes are kept";
}

INSTANTIATE_TEST_SUITE_P(Texts, AnUntouchedGenre,
                         ::testing::Values(")1(7]", ")1", "(17)", "(17)Rock", "(4)(17)", "((Live)", "(17)((Live)", "17",
                                           "(200)", "Rock"));

// A genre name that begins with "(" is written with it doubled, so that it is not read as a
// reference to the genre table.
TEST(WritingTagsOfAFile, AGenreBeginningWithAParenthesisReadsBackAsWritten) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", SongAudio(2000));
  for (const char* name : {"(17)", "(Live)", "((x"}) {
    TID3Info info;
    info.Genre = name;
    ASSERT_TRUE(WriteID3Tags(path, info).Ok());
    TID3Info back;
    ASSERT_TRUE(ReadID3Tags(path, back).Value());
    EXPECT_EQ(back.Genre, name);
  }
}

// A short song whose new tag, written in place, holds "TAG" where a trailer would begin: that is
// part of the tag, so the trailer goes after the audio instead of over the tag and the audio.
TEST(WritingTagsOfAFile, ATrailerNeverGoesOverTheTag) {
  TTempFolder folder;
  const std::string audio = SongAudio(50);
  // The new tag: header, TIT2 "T" (12 bytes), then TPE1 whose text starts at byte 33; the file's
  // last 128 bytes begin at byte 122, inside that text.
  const std::string artist = std::string(89, 'a') + "TAG" + std::string(10, 'b');
  const std::string path =
      folder.WriteFile("song.mp3", Tag(3, Frame23("TIT2", Latin1Text("Old")) + Frame23("TPE1", Latin1Text(artist)),
                                       200 - 10 - 14 - 11 - artist.size()) +
                                       audio);
  ASSERT_EQ(ReadWholeFile(path).size(), 250u);
  for (int round = 0; round < 2; ++round) {  // the second save finds the trailer the first wrote
    TID3Info info;
    ASSERT_TRUE(ReadID3Tags(path, info).Ok());
    info.Title = "T";
    ASSERT_TRUE(WriteID3Tags(path, info).Ok());
    const std::string file = ReadWholeFile(path);
    ASSERT_EQ(file.size(), 250u + 128u) << round;
    EXPECT_TRUE(file.compare(200, audio.size(), audio) == 0) << round << ": the audio changed";
    TID3Info back;
    ASSERT_TRUE(ReadID3Tags(path, back).Ok());
    EXPECT_EQ(back.Artist, artist) << round;
  }
}

TEST(WritingTagsOfAFile, ReadOnlyFileIsWritten) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", SongAudio(1000));
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_TRUE(WriteID3Tags(path, Info("T")).Ok());
  TID3Info info;
  ASSERT_TRUE(ReadID3Tags(path, info).Value());
  EXPECT_EQ(info.Title, "T");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

// With a name of 255 bytes there is no room for the temporary file beside the song, so the ID3v2
// tag cannot be rewritten: the whole write fails and the trailer is not written either.
TEST(WritingTagsOfAFile, AFailedID3v2WriteLeavesTheFileAsItWas) {
  TTempFolder folder;
  const std::string path = folder.WriteFile(std::string(251, 's') + ".mp3", SongAudio(1000) + Trailer("Old"));
  // The rewrite finds no name for its new file: every one it could take is taken.
  for (int attempt = 0; attempt < kMaxTemporaryNames; ++attempt) {
    folder.WriteFile(std::filesystem::path(TemporaryNameBeside(path, attempt)).filename().string(), "taken");
  }
  const std::string before = ReadWholeFile(path);
  const TResult written = WriteID3Tags(path, Info("New"));
  EXPECT_EQ(written.Kind(), TFailureKind::Write);
  EXPECT_EQ(written.Error(), std::errc::file_exists);
  EXPECT_EQ(written.Path(), path);
  EXPECT_EQ(ReadWholeFile(path), before);
}

TEST(WritingTagsOfAFile, MissingFileStaysMissing) {
  TTempFolder folder;
  const TResult written = WriteID3Tags(folder / "missing.mp3", Info("T"));
  EXPECT_EQ(written.Kind(), TFailureKind::Open);
  EXPECT_EQ(written.Error(), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(FileExists(folder / "missing.mp3"));
}

// A write in place reaches the file only where its bytes change (stretches of the tag, a range of
// the trailer); the file must then hold byte for byte what writing the whole tag and the whole
// trailer over it gives, since the history and the crash repair judge a song by those.
struct TInPlaceCase {
  const char* name;
  void (*edit)(TID3Info&);
};

void PrintTo(const TInPlaceCase& c, std::ostream* out) { *out << c.name; }

class WriteInPlace : public ::testing::TestWithParam<TInPlaceCase> {};

TEST_P(WriteInPlace, LeavesTheBytesOfAWholeWrite) {
  TTempFolder folder;
  const std::string picture = Frame23("APIC", Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + SongAudio(30000));
  const std::string body = Frame23("TIT2", Latin1Text("Title")) + picture +
                           Frame23("COMM", Bytes({0}) + "eng" + Bytes({0}) + "a comment") +
                           Frame23("TXXX", Latin1Text("key") + Bytes({0}) + "value");
  const std::string path = folder.WriteFile("song.mp3", Tag(3, body, 900) + SongAudio(5000) + Trailer("Title"));
  TID3Info info;
  ASSERT_TRUE(ReadID3Tags(path, info).Value());
  info.Artist = "Lays the tag out";
  ASSERT_TRUE(WriteID3Tags(path, info).Ok());
  const std::string laidOut = ReadWholeFile(path);

  ASSERT_TRUE(ReadID3Tags(path, info).Value());
  GetParam().edit(info);
  TMemorySource source(laidOut);
  TResultOf<TComposedTags> composed = ComposeID3Tags(source, info, path);
  ASSERT_TRUE(composed.Ok());
  ASSERT_TRUE(composed.Value().InPlace);
  std::string whole = laidOut;
  whole.replace(0, composed.Value().Tags.Head.size(), composed.Value().Tags.Head);
  whole.replace(whole.size() - 128, 128, composed.Value().Tags.Trailer);

  ASSERT_TRUE(WriteID3Tags(path, info).Ok());
  const std::string written = ReadWholeFile(path);
  ASSERT_EQ(written.size(), whole.size());
  const auto differs = std::mismatch(written.begin(), written.end(), whole.begin());
  EXPECT_TRUE(differs.first == written.end()) << "first differing byte at " << differs.first - written.begin();
  EXPECT_NE(written, laidOut) << "nothing was written";
}

INSTANTIATE_TEST_SUITE_P(
    Edits, WriteInPlace,
    ::testing::Values(TInPlaceCase{"CommentGrows",
                                   [](TID3Info& i) { i.Comment = "a much longer comment than before"; }},
                      TInPlaceCase{"CommentGoes", [](TID3Info& i) { i.Comment.clear(); }},
                      TInPlaceCase{"TitleOfTheSameLength", [](TID3Info& i) { i.Title = "Eltit"; }},
                      TInPlaceCase{"TrackAndGenre",
                                   [](TID3Info& i) {
                                     i.Track = 7;
                                     i.Genre = "Rock";
                                   }},
                      TInPlaceCase{"EveryField", [](TID3Info& i) { i = Info("T", "A", "B", "2001", "C", 3, "Jazz"); }},
                      TInPlaceCase{"LongTextsWithinThePadding",
                                   [](TID3Info& i) {
                                     i.Title = std::string(300, 't');
                                     i.Comment = std::string(400, 'c');
                                   }}),
    [](const ::testing::TestParamInfo<TInPlaceCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tagwright

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_folder.h"
#include "tag_bytes.h"
#include "tags/byte_source.h"
#include "tags/id3v2.h"
#include "tags/locked_song.h"
#include "tags/tag_snapshot.h"

namespace tagwright {
namespace {

using namespace testing;

struct TFrame {
  std::string ID;
  std::string Flags;
  std::string Content;
};

// An independent reading of a version 2.3 tag as written: header checks and the frame list.
std::vector<TFrame> FramesOf(const std::string& file, std::size_t* tagTotal = nullptr) {
  std::vector<TFrame> frames;
  EXPECT_EQ(file.substr(0, 6), Bytes({'I', 'D', '3', 3, 0, 0}));
  const auto b = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(file[i])); };
  const std::size_t total = 10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9));
  if (tagTotal) *tagTotal = total;
  std::size_t pos = 10;
  while (pos + 10 <= total && file[pos] != '\0') {
    const std::size_t size = b(pos + 4) << 24 | b(pos + 5) << 16 | b(pos + 6) << 8 | b(pos + 7);
    frames.push_back({file.substr(pos, 4), file.substr(pos + 8, 2), file.substr(pos + 10, size)});
    pos += 10 + size;
  }
  for (std::size_t i = pos; i < total; ++i) {
    if (file[i] != '\0') {
      ADD_FAILURE() << "padding holds a non-zero byte at " << i;
      break;
    }
  }
  return frames;
}

std::string ContentOf(const std::vector<TFrame>& frames, std::string_view id) {
  for (const auto& f : frames) {
    if (f.ID == id) return f.Content;
  }
  return "<none>";
}

std::vector<std::string> IDsOf(const std::vector<TFrame>& frames) {
  std::vector<std::string> ids;
  ids.reserve(frames.size());
  for (const auto& f : frames) ids.push_back(f.ID);
  return ids;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

const std::string Audio = SongAudio(5000) + Trailer("Old");

TEST(SavingTags, NewTagOnAFileWithoutOne) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", Audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  tag.SetTitle("A");
  ASSERT_TRUE(tag.Save(path));
  const std::string file = ReadWholeFile(path);
  ASSERT_EQ(file.size(), Audio.size() + 4096);
  EXPECT_EQ(file.substr(0, 10), Bytes({'I', 'D', '3', 3, 0, 0, 0, 0, 0x1F, 0x76}));
  EXPECT_EQ(file.substr(10, 12), "TIT2" + Bytes({0, 0, 0, 2, 0, 0, 0, 'A'}));
  EXPECT_EQ(file.substr(22, 4074), std::string(4074, '\0'));
  EXPECT_EQ(file.substr(4096), Audio);
  EXPECT_TRUE(tag.TagInfo.NeedRewrite);
  EXPECT_EQ(tag.TagInfo.PaddingSize, 4074);
}

TEST(SavingTags, InPlaceWhenTheTagFits) {
  TTempFolder folder;
  const std::string old =
      Tag(3, Frame23("TIT2", Latin1Text("Old")) + Frame23("TPE1", Latin1Text("Who")), 2048 - 10 - 28);
  ASSERT_EQ(old.size(), 2048u);
  const std::string path = folder.WriteFile("song.mp3", old + Audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  tag.SetArtist("");
  tag.SetTitle(std::string(274, 't'));  // a frame of 285 bytes
  tag.SetYear("1999");                  // and one of 15: 300 in all
  ASSERT_TRUE(tag.Save(path));
  const std::string file = ReadWholeFile(path);
  ASSERT_EQ(file.size(), old.size() + Audio.size());
  EXPECT_EQ(file.substr(6, 4), Bytes({0, 0, 0x0F, 0x76}));
  EXPECT_EQ(IDsOf(FramesOf(file)), (std::vector<std::string>{"TIT2", "TYER"}));
  EXPECT_EQ(file.substr(310, 1738), std::string(1738, '\0'));
  EXPECT_EQ(file.substr(2048), Audio);
  EXPECT_FALSE(tag.TagInfo.NeedRewrite);
  EXPECT_EQ(tag.TagInfo.PaddingSize, 1738);
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"song.mp3"});
}

// Written in place, only the stretches whose bytes change reach the file: a title of the same
// length after a picture that stays where it is costs the title's bytes, whatever the tag's size.
TEST(SavingTags, InPlaceWritesOnlyTheBytesThatChange) {
  TTempFolder folder;
  std::mt19937 random(5);
  std::string picture = Bytes({0, 'i', 'm', 'a', 'g', 'e', '/', 'p', 'n', 'g', 0, 3, 0});
  while (picture.size() < 40000) picture += static_cast<char>(random());
  const std::string old = Tag(
      3, Frame23("TIT2", Latin1Text("Old1234")) + Frame23("APIC", picture) + Frame23("TYER", Latin1Text("1999")), 700);
  const std::string path = folder.WriteFile("song.mp3", old + Audio);
  TFileOps ops = DefaultFileOps();
  std::vector<std::pair<off_t, size_t>> writes;
  ops.PWrite = [&](int fd, const void* data, size_t size, off_t at) {
    writes.emplace_back(at, size);
    return ::pwrite(fd, data, size, at);
  };
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  tag.SetTitle("Stamped");
  tag.SetYear("2000");
  ASSERT_TRUE(tag.Save(path, ops));
  // The picture kept goes first, the title and the year after it.
  std::string expected = Tag(
      3, Frame23("APIC", picture) + Frame23("TIT2", Latin1Text("Stamped")) + Frame23("TYER", Latin1Text("2000")), 700);
  EXPECT_EQ(ReadWholeFile(path), expected + Audio);
  // The picture moved ahead of the title: all of it is written, but not the padding after the year.
  ASSERT_FALSE(writes.empty());
  std::size_t written = 0;
  for (const auto& [at, size] : writes) written += size;
  EXPECT_LT(written, old.size() - 600) << writes.size() << " writes";
  writes.clear();
  ASSERT_TRUE(tag.Load(path).Ok());
  tag.SetTitle("Stamper");
  ASSERT_TRUE(tag.Save(path, ops));
  ASSERT_EQ(writes.size(), 1U);
  const std::size_t lastLetter = 10 + 10 + picture.size() + 10 + 1 + 6;
  EXPECT_EQ(writes[0], (std::pair<off_t, size_t>{static_cast<off_t>(lastLetter), 1}))
      << "only the title's last letter changes";
  expected[lastLetter] = 'r';
  EXPECT_EQ(ReadWholeFile(path), expected + Audio);
}

TEST(SavingTags, SlotFramesAsWritten) {
  const struct {
    const char* what;
    void (*set)(TID3v2&);
    const char* id;
    std::string content;
  } cases[] = {
      {"comment", [](TID3v2& t) { t.SetComment("Hi"); }, "COMM", Bytes({0}) + "eng" + Bytes({0}) + "Hi"},
      {"utf-16 comment", [](TID3v2& t) { t.SetComment("\xD0\x9F"); }, "COMM",
       Bytes({1}) + "eng" + Bytes({0, 0, 0xFF, 0xFE, 0x1F, 0x04})},
      {"latin-1 title from utf-8", [](TID3v2& t) { t.SetTitle("Caf\xC3\xA9"); }, "TIT2", Bytes({0}) + "Caf\xE9"},
      {"utf-16 title", [](TID3v2& t) { t.SetTitle("\xE6\x97\xA5"); }, "TIT2", Bytes({1, 0xFF, 0xFE, 0xE5, 0x65})},
      {"track in decimal", [](TID3v2& t) { t.SetTrack(7); }, "TRCK", Bytes({0}) + "7"},
      {"track text kept when its number is the track",
       [](TID3v2& t) {
         t.TrackText = "3/12";
         t.SetTrack(3);
       },
       "TRCK", Bytes({0}) + "3/12"},
      {"track text replaced when the number changed",
       [](TID3v2& t) {
         t.TrackText = "3/12";
         t.SetTrack(4);
       },
       "TRCK", Bytes({0}) + "4"},
      {"no track", [](TID3v2& t) { t.SetTrack(0); }, "TRCK", "<none>"},
      {"no comment", [](TID3v2& t) { t.SetComment("  "); }, "COMM", "<none>"},
      {"genre name", [](TID3v2& t) { t.SetGenre(" Rock "); }, "TCON", Bytes({0}) + "Rock"},
      {"link", [](TID3v2& t) { t.Link = "http://a.b/\xC3\xA9"; }, "WXXX", Bytes({0, 0}) + "http://a.b/\xE9"},
      {"composer kept from load", [](TID3v2& t) { t.Composer = "Bach"; }, "TCOM", Bytes({0}) + "Bach"},
  };
  for (const auto& c : cases) {
    TTempFolder folder;
    const std::string path = folder.WriteFile("song.mp3", Audio);
    TID3v2 tag;
    ASSERT_TRUE(tag.Load(path).Ok());
    c.set(tag);
    ASSERT_TRUE(tag.Save(path)) << c.what;
    EXPECT_EQ(ContentOf(FramesOf(ReadWholeFile(path)), c.id), c.content) << c.what;
  }
}

TEST(SavingTags, LongTextSize) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", Audio);
  TID3v2 tag;
  tag.SetTitle(std::string(200, 'x'));
  ASSERT_TRUE(tag.Save(path));
  EXPECT_EQ(ReadWholeFile(path).substr(14, 4), Bytes({0, 0, 0, 0xC9}));
}

TEST(SavingTags, OtherFramesOfAVersion23TagAreKeptByteForByte) {
  TTempFolder folder;
  const std::string picture =
      Frame23("APIC", Bytes({0}) + "image/jpeg" + Bytes({0, 3, 0}) + std::string(6000, '\xD8'), 0x40, 0);
  const std::string lyrics = Frame23("USLT", Bytes({0}) + "eng" + Bytes({0}) + "la la");
  const std::string privateFrame = Frame23("PRIV", "owner" + Bytes({0, 1, 2, 0xFF}));
  const std::string original = Frame23("TOPE", Latin1Text("Orig"));
  const std::string normalisation = Frame23("COMM", Bytes({0}) + "eng" + "iTunNORM" + Bytes({0}) + " 0001");
  const std::string body =
      Frame23("TIT2", Latin1Text("Old")) + picture + original + lyrics + normalisation + privateFrame;
  const std::string old = Tag(3, body, 8192 - 10 - body.size());
  const std::string path = folder.WriteFile("song.mp3", old + Audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path));
  tag.SetTitle("New");
  ASSERT_TRUE(tag.Save(path));
  const std::string file = ReadWholeFile(path);
  std::size_t total = 0;
  const auto frames = FramesOf(file, &total);
  // The kept frames first, in their order, TOPE itself and the iTunes COMM frame (machine data,
  // never the comment) among them; then the slot frames: the title, TOPE standing in for the artist.
  EXPECT_EQ(IDsOf(frames), (std::vector<std::string>{"APIC", "TOPE", "USLT", "COMM", "PRIV", "TIT2", "TPE1"}));
  EXPECT_EQ(tag.Comment, "");
  std::string keptBytes;
  for (std::size_t i = 0; i + 2 < frames.size(); ++i)
    keptBytes += frames[i].ID + BigEndian32(frames[i].Content.size()) + frames[i].Flags + frames[i].Content;
  EXPECT_TRUE(keptBytes == picture + original + lyrics + normalisation + privateFrame);
  // About 6100 bytes of frames fit the old 8192 with less than 4096 to spare: written in place.
  EXPECT_FALSE(tag.TagInfo.NeedRewrite);
  EXPECT_EQ(total, 8192u);
  EXPECT_TRUE(file.substr(total) == Audio);
}

// A tag unsynchronised as a whole (version 2.3) is walked twice by a save, once for the slot frames
// and once for the frames kept: both walks read the frames undone, and the new tag holds them so.
TEST(SavingTags, AWholeTagUnsynchronisedTagKeepsItsFramesUndone) {
  TTempFolder folder;
  const std::string privateFrame = Frame23("PRIV", "owner" + Bytes({0, 0xFF, 0xE0, 1, 0xFF, 0}));
  const std::string body = Frame23("TIT2", Latin1Text("Old")) + privateFrame;
  std::string unsynchronised;
  for (std::size_t i = 0; i < body.size(); ++i) {
    unsynchronised += body[i];
    const bool next = i + 1 < body.size();
    if (body[i] == '\xFF' && (!next || body[i + 1] == '\0' || (static_cast<unsigned char>(body[i + 1]) & 0xE0) == 0xE0))
      unsynchronised += '\0';
  }
  const std::string path = folder.WriteFile("song.mp3", Tag(3, unsynchronised, 50, 0x80) + Audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path));
  EXPECT_EQ(tag.Title, "Old");
  tag.SetTitle("New");
  ASSERT_TRUE(tag.Save(path));
  const std::vector<TFrame> frames = FramesOf(ReadWholeFile(path));
  EXPECT_EQ(IDsOf(frames), (std::vector<std::string>{"PRIV", "TIT2"}));
  EXPECT_EQ(ContentOf(frames, "PRIV"), "owner" + Bytes({0, 0xFF, 0xE0, 1, 0xFF, 0}));
}

// A save tells which large frames it took over byte for byte, so that their hashes can be reused:
// only frames whose bytes are truly the old ones, whatever the old tag's form.
struct TCopiedCase {
  const char* Name;
  std::string OldTag;
  std::size_t Reported;  // how many copied frames the save reports
};

void PrintTo(const TCopiedCase& c, std::ostream* out) { *out << c.Name; }

class CopiedFrames : public ::testing::TestWithParam<TCopiedCase> {};

TEST_P(CopiedFrames, AreTheOldBytes) {
  TTempFolder folder;
  const std::string old = GetParam().OldTag + Audio;
  const std::string path = folder.WriteFile("song.mp3", old);
  TResultOf<TLockedSong> song = TLockedSong::Open(path);
  ASSERT_TRUE(song.Ok());
  TDescriptorSource source(song.Value().Descriptor(), song.Value().Info().st_size);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(source));
  tag.SetTitle("New");
  TSavedTag saved;
  ASSERT_TRUE(tag.Save(song.Value(), source, DefaultFileOps(), &saved));
  const std::string file = ReadWholeFile(path);
  EXPECT_EQ(file.substr(0, saved.Bytes.size()), saved.Bytes);
  ASSERT_EQ(saved.CopiedFrames.size(), GetParam().Reported);
  for (const TCopiedFrame& copied : saved.CopiedFrames) {
    EXPECT_GE(copied.Size, kLargeFrameSize);
    ASSERT_LE(copied.To + copied.Size, saved.Bytes.size());
    EXPECT_TRUE(saved.Bytes.substr(copied.To, copied.Size) == old.substr(copied.From, copied.Size));
  }
}

const std::string kBigPicture = Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(40'000, '\x89');
// A picture frame whose size says 1000 bytes more than its tag holds.
std::string FrameRunningPastItsTag() {
  std::string frame = Frame23("APIC", kBigPicture);
  frame.replace(4, 4, BigEndian32(static_cast<std::uint32_t>(kBigPicture.size() + 1000)));
  return frame;
}

const std::string kOtherPicture = Bytes({0}) + "image/png" + Bytes({0, 4, 0}) + std::string(20'000, '\x42');

INSTANTIATE_TEST_SUITE_P(
    OldTags, CopiedFrames,
    ::testing::Values(
        TCopiedCase{"Version23", Tag(3, Frame23("TIT2", Latin1Text("Old")) + Frame23("APIC", kBigPicture), 100), 1},
        TCopiedCase{"TwoPicturesAndSmallFrames",
                    Tag(3,
                        Frame23("APIC", kBigPicture) + Frame23("PRIV", "x") + Frame23("APIC", kOtherPicture) +
                            Frame23("TALB", Latin1Text("Album")),
                        3000),
                    2},
        // Converted frames have other bytes; so do the frames of an unsynchronised tag.
        TCopiedCase{"Version24", Tag(4, Frame24("APIC", kBigPicture), 100), 0},
        TCopiedCase{"Version22", Tag(2, Frame22("PIC", Bytes({0}) + "PNG" + std::string(30'000, '\x10')), 10), 0},
        TCopiedCase{"WholeTagUnsynchronised", Tag(3, Frame23("APIC", kBigPicture), 100, 0x80), 0},
        // A frame running past the end of its tag is cut there: its header changes.
        TCopiedCase{"RunningPastTheTag", Tag(3, FrameRunningPastItsTag()), 0}),
    [](const ::testing::TestParamInfo<TCopiedCase>& info) { return std::string(info.param.Name); });

TEST(SavingTags, FramesBeyondTheRewrittenSizeGetSomePadding) {
  TTempFolder folder;
  const std::string picture = Frame23("APIC", Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(20000, '\x89'));
  const std::string path = folder.WriteFile("song.mp3", Tag(3, picture) + Audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path));
  tag.SetTitle("Grows");
  ASSERT_TRUE(tag.Save(path));
  const std::string file = ReadWholeFile(path);
  std::size_t total = 0;
  const auto frames = FramesOf(file, &total);
  EXPECT_EQ(IDsOf(frames), (std::vector<std::string>{"APIC", "TIT2"}));
  EXPECT_TRUE(tag.TagInfo.NeedRewrite);
  EXPECT_EQ(tag.TagInfo.PaddingSize, 2048);
  EXPECT_EQ(total, 10 + 16 + picture.size() + 2048);
  EXPECT_TRUE(file.substr(total) == Audio);
}

TEST(SavingTags, Version24FramesAreConvertedForVersion23) {
  TTempFolder folder;
  const std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(300, '\x11');
  const std::string body =
      Frame24("APIC", Bytes({3}) + "image/jpeg" + Bytes({0, 3}) + "caf\xC3\xA9" + Bytes({0}) + jpeg, 0x20, 0) +
      Frame24("TIT2", Bytes({3}) + "Title") +
      Frame24("TXXX", Bytes({3}) + "k\xC3\xA9y" + Bytes({0}) + "v\xC3\xA1l", 0, 0) +
      Frame24("TPOS", Syncsafe(4) + Bytes({0}) + "1/2", 0, 0x01) +  // data length indicator
      Frame24("PRIV", std::string("o\0\xFF\0\x01", 5), 0, 0x02) +   // unsynchronised
      Frame24("TBPM", Bytes({0x78, 0x9C, 0x01}), 0, 0x08 | 0x01) +  // compressed: dropped
      Frame24("TDRC", Bytes({3}) + "2004-02-01");
  const std::string path = folder.WriteFile("song.mp3", Tag(4, body, 100) + Audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path));
  EXPECT_EQ(tag.Year, "2004");
  ASSERT_TRUE(tag.Save(path));
  const std::string file = ReadWholeFile(path);
  std::size_t total = 0;
  const auto frames = FramesOf(file, &total);
  // The date stays: it still begins with the year written.
  EXPECT_EQ(IDsOf(frames), (std::vector<std::string>{"APIC", "TXXX", "TPOS", "PRIV", "TDRC", "TIT2", "TYER"}));
  ASSERT_EQ(frames.size(), 7u);                  // the checks below read frames 0 to 3
  EXPECT_EQ(frames[0].Flags, Bytes({0x40, 0}));  // file alter preservation moved to its 2.3 place
  EXPECT_EQ(frames[0].Content,
            Bytes({1}) + "image/jpeg" + Bytes({0, 3, 0xFF, 0xFE, 'c', 0, 'a', 0, 'f', 0, 0xE9, 0, 0, 0}) + jpeg);
  EXPECT_EQ(frames[1].Content,
            Bytes({1, 0xFF, 0xFE, 'k', 0, 0xE9, 0, 'y', 0, 0, 0, 0xFF, 0xFE, 'v', 0, 0xE1, 0, 'l', 0}));
  EXPECT_EQ(frames[2].Content, Bytes({0}) + "1/2");
  EXPECT_EQ(frames[2].Flags, Bytes({0, 0}));
  EXPECT_EQ(frames[3].Content, std::string("o\0\xFF\x01", 4));
  EXPECT_TRUE(file.substr(total) == Audio);
}

TEST(SavingTags, Version22TagBecomesVersion23) {
  TTempFolder folder;
  const std::string path =
      folder.WriteFile("song.mp3", Tag(2, Frame22("TT2", Latin1Text("Two")) + Frame22("PIC", "xxxx")) + Audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path));
  ASSERT_TRUE(tag.Save(path));
  const std::string file = ReadWholeFile(path);
  std::size_t total = 0;
  EXPECT_EQ(IDsOf(FramesOf(file, &total)), std::vector<std::string>{"TIT2"});
  EXPECT_TRUE(file.substr(total) == Audio);
}

TEST(SavingTags, ATagWithTooMuchPaddingIsRewrittenSmaller) {
  TTempFolder folder;
  const std::string old = Tag(3, Frame23("TIT2", Latin1Text("A")), 10000);
  const std::string path = folder.WriteFile("song.mp3", old + Audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  ASSERT_TRUE(tag.Save(path));
  const std::string file = ReadWholeFile(path);
  EXPECT_EQ(file.size(), 4096 + Audio.size());
  EXPECT_EQ(file.substr(4096), Audio);
  // The next save fits in place.
  tag.SetArtist("Someone");
  ASSERT_TRUE(tag.Save(path));
  EXPECT_FALSE(tag.TagInfo.NeedRewrite);
  EXPECT_EQ(ReadWholeFile(path).size(), 4096 + Audio.size());
}

// A tag keeps its place while the padding left is at most 4096 bytes or a tenth of the tag: a long
// comment taken from a song with a picture leaves more than 4096 bytes but less than a tenth.
TEST(SavingTags, ATagThatShrinksByLessThanATenthStaysInPlace) {
  TTempFolder folder;
  const std::string picture = Frame23("APIC", Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(60000, '\x89'));
  const std::string comment = Frame23("COMM", Bytes({0}) + "eng" + Bytes({0}) + std::string(5000, 'c'));
  const std::string old = Tag(3, picture + Frame23("TIT2", Latin1Text("Old")) + comment, 100);
  const std::string path = folder.WriteFile("song.mp3", old + Audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  tag.SetComment("");
  ASSERT_TRUE(tag.Save(path));
  EXPECT_FALSE(tag.TagInfo.NeedRewrite);
  EXPECT_EQ(tag.TagInfo.PaddingSize, static_cast<std::int64_t>(100 + comment.size()));
  const std::string file = ReadWholeFile(path);
  ASSERT_EQ(file.size(), old.size() + Audio.size());
  EXPECT_EQ(file.substr(0, 10 + picture.size()), old.substr(0, 10 + picture.size())) << "the picture moved";
  EXPECT_EQ(IDsOf(FramesOf(file)), (std::vector<std::string>{"APIC", "TIT2"}));
}

TEST(SavingTags, ABrokenTagSizeLosesNoByte) {
  TTempFolder folder;
  const std::string broken = "ID3" + Bytes({3, 0, 0, 0x7F, 0x7F, 0x7F, 0x7F});  // far beyond the file
  const std::string path = folder.WriteFile("song.mp3", broken + Audio);
  TID3v2 tag;
  tag.SetTitle("T");
  ASSERT_TRUE(tag.Save(path));
  EXPECT_EQ(ReadWholeFile(path).substr(4096), broken + Audio);
}

TEST(SavingTags, ReadOnlyFileIsWrittenAndMadeWritable) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", Audio);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  TID3v2 tag;
  tag.SetTitle("T");
  ASSERT_TRUE(tag.Save(path));
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0644u);
  TID3v2 back;
  ASSERT_TRUE(back.Load(path).Ok());
  EXPECT_EQ(back.Title, "T");
}

TEST(SavingTags, RewriteKeepsPermissionsAndSymbolicLinks) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", Audio);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  const std::string link = folder / "link.mp3";
  ASSERT_EQ(::symlink(path.c_str(), link.c_str()), 0);
  TID3v2 tag;
  tag.SetTitle("Via link");
  ASSERT_TRUE(tag.Save(link));
  struct stat info {};
  ASSERT_EQ(::lstat(link.c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadWholeFile(path).substr(4096), Audio);
  EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"link.mp3", "song.mp3"}));
}

// A file too short for a tag header is a file without a tag: the tag goes in front of its bytes.
TEST(SavingTags, TinyFilesGetATagMissingFilesNone) {
  TTempFolder folder;
  for (const std::string& bytes : {std::string("abc"), std::string()}) {
    const std::string path = folder.WriteFile("tiny.mp3", bytes);
    TID3v2 tag;
    tag.SetTitle("T");
    ASSERT_TRUE(tag.Save(path).Ok());
    TID3v2 back;
    ASSERT_TRUE(back.Load(path).Ok());
    EXPECT_EQ(back.Title, "T");
    const std::string file = ReadWholeFile(path);
    ASSERT_EQ(file.size(), static_cast<std::size_t>(back.TagSize) + bytes.size());
    EXPECT_EQ(file.substr(static_cast<std::size_t>(back.TagSize)), bytes);
  }
  TID3v2 tag;
  tag.SetTitle("T");
  const TResult missing = tag.Save(folder / "missing.mp3");
  EXPECT_EQ(missing.Error(), std::errc::no_such_file_or_directory);
  EXPECT_FALSE(FileExists(folder / "missing.mp3"));
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"tiny.mp3"});
}

TEST(SavingTags, TakenTemporaryNamesAreLeftAlone) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", Audio);
  folder.WriteFile("song.mp3~", "keep me");
  folder.WriteFile("song.mp3~1", "me too");
  TID3v2 tag;
  tag.SetTitle("T");
  ASSERT_TRUE(tag.Save(path));
  EXPECT_EQ(ReadWholeFile(folder / "song.mp3~"), "keep me");
  EXPECT_EQ(ReadWholeFile(folder / "song.mp3~1"), "me too");
  EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"song.mp3", "song.mp3~", "song.mp3~1"}));
}

// Failure injection: one system call of the rewrite fails once it has succeeded a given number of
// times; whatever the call and the moment, the song stays as it was and no temporary file is left.
enum class TFailingCall { Write, ShortWriteThenWrite, Read, Flush, Permissions, Rename };

struct TFailureCase {
  TFailingCall Call;
  int CallsBeforeFailure;
};

std::string FailureCaseName(const ::testing::TestParamInfo<TFailureCase>& info) {
  static const char* const kNames[] = {"Write", "ShortWriteThenWrite", "Read", "Flush", "Permissions", "Rename"};
  return std::string(kNames[static_cast<int>(info.param.Call)]) + "After" +
         std::to_string(info.param.CallsBeforeFailure);
}

class FailedRewrite : public ::testing::TestWithParam<TFailureCase> {
 protected:
  // True when the call whose turn it is must fail.
  bool FailNow() { return callsLeft_-- <= 0; }

  TFileOps FailingOps() {
    TFileOps ops = DefaultFileOps();
    callsLeft_ = GetParam().CallsBeforeFailure;
    switch (GetParam().Call) {
      case TFailingCall::Write:
        ops.Write = [this](int fd, const void* d, size_t n) -> ssize_t {
          return FailNow() ? (errno = ENOSPC, -1) : ::write(fd, d, n);
        };
        break;
      case TFailingCall::ShortWriteThenWrite:
        ops.Write = [this](int fd, const void* d, size_t n) -> ssize_t {
          return FailNow() ? (errno = EIO, -1) : ::write(fd, d, n > 100 ? 100 : n);
        };
        break;
      case TFailingCall::Read:
        ops.PRead = [this](int fd, void* d, size_t n, off_t at) -> ssize_t {
          return FailNow() ? (errno = EIO, -1) : ::pread(fd, d, n, at);
        };
        break;
      case TFailingCall::Flush:
        ops.Fsync = [this](int fd) { return FailNow() ? (errno = EIO, -1) : ::fsync(fd); };
        break;
      case TFailingCall::Permissions:
        ops.Fchmod = [this](int fd, mode_t mode) { return FailNow() ? (errno = EPERM, -1) : ::fchmod(fd, mode); };
        break;
      case TFailingCall::Rename:
        ops.Rename = [this](const char* from, const char* to) {
          return FailNow() ? (errno = EXDEV, -1) : ::rename(from, to);
        };
        break;
    }
    return ops;
  }

 private:
  int callsLeft_ = 0;
};

TEST_P(FailedRewrite, LeavesTheSongAlone) {
  TTempFolder folder;
  // More audio than one copy buffer, so that the copy takes several reads and writes.
  const std::string song =
      Tag(3, Frame23("TIT2", Latin1Text("Old")) + Frame23("APIC", std::string(3000, 'p'))) + SongAudio(3u << 20);
  const std::string path = folder.WriteFile("song.mp3", song);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  tag.SetTitle(std::string(5000, 'n'));  // does not fit: rewrite
  const TResult saved = tag.Save(path, FailingOps());
  EXPECT_EQ(saved.Kind(), TFailureKind::Write);
  EXPECT_EQ(saved.Path(), path);
  EXPECT_TRUE(ReadWholeFile(path) == song);
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"song.mp3"});
}

// Writes and reads come many times in a rewrite, so they fail at several moments; the others
// come once.
std::vector<TFailureCase> FailureCases() {
  std::vector<TFailureCase> cases;
  for (const TFailingCall call : {TFailingCall::Write, TFailingCall::ShortWriteThenWrite, TFailingCall::Read}) {
    for (const int calls : {0, 1, 2}) cases.push_back({call, calls});
  }
  for (const TFailingCall call : {TFailingCall::Flush, TFailingCall::Permissions, TFailingCall::Rename}) {
    cases.push_back({call, 0});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EverySystemCall, FailedRewrite, ::testing::ValuesIn(FailureCases()), FailureCaseName);

TEST(SavingTags, FailedInPlaceWriteIsReported) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", Tag(3, Frame23("TIT2", Latin1Text("Old")), 500) + Audio);
  TFileOps ops = DefaultFileOps();
  ops.PWrite = [](int, const void*, size_t, off_t) -> ssize_t { return errno = EIO, -1; };
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  tag.SetTitle("New");
  EXPECT_FALSE(tag.Save(path, ops));
}

// Frames the program shows but does not manage stay: the COMM and WXXX frames other than the
// ones the comment and the link came from, and the frames that stand in for an empty title,
// artist, album or year, unless that field is written empty (a date also when it no longer
// begins with the year).
struct TKeptCase {
  const char* Name;
  std::string Body;  // frames of a version 2.3 tag
  std::string LoadedComment;
  void (*Change)(TID3v2&);
  std::vector<std::pair<std::string, std::string>> Written;  // frames after the save, in order
};

void PrintTo(const TKeptCase& c, std::ostream* out) { *out << c.Name; }

std::string Comm(std::string_view language, std::string_view description, std::string_view text) {
  return Bytes({0}) + std::string(language) + std::string(description) + Bytes({0}) + std::string(text);
}

std::string Wxxx(std::string_view description, std::string_view url) {
  return Bytes({0}) + std::string(description) + Bytes({0}) + std::string(url);
}

const TKeptCase KeptCases[] = {
    {"OtherCommentsStay",
     Frame23("COMM", Comm("eng", "iTunNORM", " 0001")) + Frame23("COMM", Comm("eng", "", "Main")) +
         Frame23("COMM", Comm("fra", "", "Autre")) + Frame23("COMM", Comm("eng", "d", "Desc")),
     "Main",
     [](TID3v2& t) { t.SetComment("New"); },
     {{"COMM", Comm("eng", "iTunNORM", " 0001")},
      {"COMM", Comm("eng", "d", "Desc")},
      {"COMM", Comm("eng", "", "New")},
      {"COMM", Comm("fra", "", "Autre")}}},
    {"CommentFromTheFirstDescriptionNotOfITunes",
     Frame23("COMM", Comm("eng", "iTunSMPB", " 0002")) + Frame23("COMM", Comm("deu", "d", "Desc")) +
         Frame23("COMM", Comm("eng", "e", "Second")),
     "Desc",
     [](TID3v2&) {},
     {{"COMM", Comm("eng", "iTunSMPB", " 0002")},
      {"COMM", Comm("eng", "e", "Second")},
      {"COMM", Comm("eng", "", "Desc")}}},
    {"MachineDataIsNoComment",
     Frame23("COMM", Comm("eng", "iTunNORM", " 0001")),
     "",
     [](TID3v2&) {},
     {{"COMM", Comm("eng", "iTunNORM", " 0001")}}},
    {"OtherLinksStay",
     Frame23("WXXX", Wxxx("shop", "http://shop/")) + Frame23("WXXX", Wxxx("", "http://home/")),
     "",
     [](TID3v2&) {},
     {{"WXXX", Wxxx("shop", "http://shop/")}, {"WXXX", Wxxx("", "http://home/")}}},
    {"TheLinkWithoutADescriptionIsTheOneReplaced",
     Frame23("WXXX", Wxxx("", "http://a.example/")) + Frame23("WXXX", Wxxx("shop", "http://b.example/")),
     "",
     [](TID3v2& t) { t.SetTitle("New"); },
     {{"WXXX", Wxxx("shop", "http://b.example/")},
      {"TIT2", Latin1Text("New")},
      {"WXXX", Wxxx("", "http://a.example/")}}},
    {"AClearedLinkHidesTheOthers",
     Frame23("WXXX", Wxxx("", "http://a.example/")) + Frame23("WXXX", Wxxx("shop", "http://b.example/")),
     "",
     [](TID3v2& t) { t.Link.clear(); },
     {{"WXXX", Wxxx("shop", "http://b.example/")}, {"WXXX", Wxxx("", "")}}},
    {"ASecondLinkOfOneDescriptionGoes",
     Frame23("WXXX", Wxxx("", "http://a.example/")) + Frame23("WXXX", Wxxx("", "http://c.example/")),
     "",
     [](TID3v2&) {},
     {{"WXXX", Wxxx("", "http://a.example/")}}},
    {"ASecondCommentOfOneLanguageAndDescriptionGoes",
     Frame23("COMM", Comm("eng", "", "Main")) + Frame23("COMM", Comm("eng", "", "Again")) +
         Frame23("COMM", Comm("fra", "", "Autre")),
     "Main",
     [](TID3v2& t) { t.SetComment(""); },
     {{"COMM", Comm("eng", "", "")}, {"COMM", Comm("fra", "", "Autre")}}},
    {"AClearedCommentHidesTheOthers",
     Frame23("COMM", Comm("eng", "", "Main")) + Frame23("COMM", Comm("eng", "d", "Desc")) +
         Frame23("COMM", Comm("eng", "iTunNORM", " 0001")),
     "Main",
     [](TID3v2& t) { t.SetComment(""); },
     {{"COMM", Comm("eng", "d", "Desc")}, {"COMM", Comm("eng", "iTunNORM", " 0001")}, {"COMM", Comm("eng", "", "")}}},
    {"AClearedCommentBesideMachineDataOnlyGoes",
     Frame23("COMM", Comm("eng", "", "Main")) + Frame23("COMM", Comm("eng", "iTunNORM", " 0001")),
     "Main",
     [](TID3v2& t) { t.SetComment(""); },
     {{"COMM", Comm("eng", "iTunNORM", " 0001")}}},
    {"GroupingStaysBesideTheTitle",
     Frame23("TIT1", Latin1Text("Group")) + Frame23("TIT2", Latin1Text("Old")),
     "",
     [](TID3v2& t) { t.SetTitle("New"); },
     {{"TIT1", Latin1Text("Group")}, {"TIT2", Latin1Text("New")}}},
    {"GroupingStandingInForTheTitleStays",
     Frame23("TIT1", Latin1Text("Group")),
     "",
     [](TID3v2&) {},
     {{"TIT1", Latin1Text("Group")}, {"TIT2", Latin1Text("Group")}}},
    {"ClearedTitleTakesTheGroupingAlong",
     Frame23("TIT1", Latin1Text("Group")),
     "",
     [](TID3v2& t) { t.SetTitle(""); },
     {}},
    {"ClearedArtistAndAlbumTakeTheOriginalsAlong",
     Frame23("TOPE", Latin1Text("Orig")) + Frame23("TOAL", Latin1Text("First")) + Frame23("TALB", Latin1Text("Album")),
     "",
     [](TID3v2& t) {
       t.SetArtist("");
       t.SetAlbum("");
     },
     {}},
    {"OriginalsStayBesideTheirFields",
     Frame23("TOPE", Latin1Text("Orig")) + Frame23("TOAL", Latin1Text("First")) + Frame23("TALB", Latin1Text("Album")),
     "",
     [](TID3v2& t) { t.SetArtist("Now"); },
     {{"TOPE", Latin1Text("Orig")},
      {"TOAL", Latin1Text("First")},
      {"TPE1", Latin1Text("Now")},
      {"TALB", Latin1Text("Album")}}},
    {"DateBeginningWithTheYearStays",
     Frame23("TDRC", Latin1Text("2004-05-06")),
     "",
     [](TID3v2&) {},
     {{"TDRC", Latin1Text("2004-05-06")}, {"TYER", Latin1Text("2004")}}},
    {"DateOfAnotherYearGoes",
     Frame23("TDRC", Latin1Text("2004-05-06")),
     "",
     [](TID3v2& t) { t.SetYear("2005"); },
     {{"TYER", Latin1Text("2005")}}},
    {"ClearedYearTakesTheDateAlong",
     Frame23("TYER", Latin1Text("2004")) + Frame23("TDRC", Latin1Text("2004-05-06")),
     "",
     [](TID3v2& t) { t.SetYear(""); },
     {}},
};

class KeptFrames : public ::testing::TestWithParam<TKeptCase> {};

TEST_P(KeptFrames, AsWritten) {
  const TKeptCase& c = GetParam();
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", Tag(3, c.Body, 100) + Audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  EXPECT_EQ(tag.Comment, c.LoadedComment);
  c.Change(tag);
  ASSERT_TRUE(tag.Save(path).Ok());
  const std::string file = ReadWholeFile(path);
  std::size_t total = 0;
  std::vector<std::pair<std::string, std::string>> written;
  for (const TFrame& frame : FramesOf(file, &total)) written.emplace_back(frame.ID, frame.Content);
  EXPECT_EQ(written, c.Written);
  EXPECT_TRUE(file.substr(total) == Audio);
  TID3v2 back;  // the frames kept never read in place of the comment and link written
  ASSERT_TRUE(back.Load(path).Ok());
  EXPECT_EQ(std::pair(back.Comment, back.Link), std::pair(tag.Comment, tag.Link));
}

INSTANTIATE_TEST_SUITE_P(ShownButNotManaged, KeptFrames, ::testing::ValuesIn(KeptCases),
                         [](const ::testing::TestParamInfo<TKeptCase>& info) { return std::string(info.param.Name); });

TEST(SavingTags, SavedFieldsReadBack) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", Audio);
  TID3v2 tag;
  tag.SetTitle("T\xC3\xADtulo");
  tag.SetArtist("\xD0\x9F\xD0\xB5\xD1\x82\xD1\x8F");
  tag.SetAlbum("Album");
  tag.SetYear("1999");
  tag.SetComment("\xE2\x82\xAC 5");
  tag.SetGenre("Rock");
  tag.SetTrack(300);
  tag.Composer = "C";
  tag.Encoder = "E";
  tag.Copyright = "\xC2\xA9";
  tag.Language = "eng";
  tag.Link = "http://l.org";
  ASSERT_TRUE(tag.Save(path));
  TID3v2 back;
  ASSERT_TRUE(back.Load(path));
  for (auto [a, b] : {std::pair{&tag.Title, &back.Title},
                      {&tag.Artist, &back.Artist},
                      {&tag.Album, &back.Album},
                      {&tag.Year, &back.Year},
                      {&tag.Comment, &back.Comment},
                      {&tag.Genre, &back.Genre},
                      {&tag.Composer, &back.Composer},
                      {&tag.Encoder, &back.Encoder},
                      {&tag.Copyright, &back.Copyright},
                      {&tag.Language, &back.Language},
                      {&tag.Link, &back.Link}}) {
    EXPECT_EQ(*a, *b);
  }
  EXPECT_EQ(back.Track, 300);
}

}  // namespace
}  // namespace tagwright

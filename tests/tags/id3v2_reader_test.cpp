#include <gtest/gtest.h>

#include <map>

#include "support/temp_folder.h"
#include "tag_bytes.h"
#include "tags/byte_source.h"
#include "tags/id3v2.h"

namespace tagwright {
namespace {

using namespace testing;

std::string Field(const TID3v2& tag, const std::string& name) {
  if (name == "Title") return tag.Title;
  if (name == "Artist") return tag.Artist;
  if (name == "Album") return tag.Album;
  if (name == "Track") return std::to_string(tag.Track);
  if (name == "TrackText") return tag.TrackText;
  if (name == "Year") return tag.Year;
  if (name == "Genre") return tag.Genre;
  if (name == "Comment") return tag.Comment;
  if (name == "Composer") return tag.Composer;
  if (name == "Encoder") return tag.Encoder;
  if (name == "Copyright") return tag.Copyright;
  if (name == "Language") return tag.Language;
  if (name == "Link") return tag.Link;
  if (name == "MajorVersion") return std::to_string(tag.MajorVersion);
  if (name == "TagSize") return std::to_string(tag.TagSize);
  ADD_FAILURE() << "no field " << name;
  return {};
}

std::string Comm(int encoding, std::string_view description, std::string_view text) {
  return Bytes({encoding}) + "eng" + std::string(description) + std::string(encoding == 1 ? 2 : 1, '\0') +
         std::string(text);
}

std::string Utf16(std::string_view ascii) {
  std::string out = Bytes({0xFF, 0xFE});
  for (char c : ascii) out += std::string{c, '\0'};
  return out;
}

std::string Unsynchronise(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out.push_back(bytes[i]);
    if (static_cast<unsigned char>(bytes[i]) == 0xFF &&
        (i + 1 == bytes.size() || static_cast<unsigned char>(bytes[i + 1]) >= 0xE0 || bytes[i + 1] == '\0')) {
      out.push_back('\0');
    }
  }
  return out;
}

struct TReadCase {
  const char* what;
  std::string file;
  std::map<std::string, std::string> expected;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TReadCase& c, std::ostream* out) { *out << c.what; }

class ReadingTags : public ::testing::TestWithParam<TReadCase> {};

TEST_P(ReadingTags, GivesTheFields) {
  const TReadCase& c = GetParam();
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", c.file + SongAudio());
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path));
  EXPECT_TRUE(tag.HasTag);
  for (const auto& [name, value] : c.expected) EXPECT_EQ(Field(tag, name), value) << name;
  // The same bytes in memory read the same.
  const std::string bytes = c.file + SongAudio();
  TMemorySource memory(bytes);
  TID3v2 fromMemory;
  ASSERT_TRUE(fromMemory.Load(memory));
  for (const auto& [name, value] : c.expected) EXPECT_EQ(Field(fromMemory, name), value) << name;
}

const std::string Picture = Frame23("APIC", Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(5000, '\xAB'));

INSTANTIATE_TEST_SUITE_P(
    Frames, ReadingTags,
    ::testing::Values(
        TReadCase{"v2.3 latin-1 title",
                  Tag(3, Frame23("TIT2", Latin1Text("Song")), 100),
                  {{"Title", "Song"}, {"MajorVersion", "3"}, {"TagSize", "125"}}},
        TReadCase{"title falls back on TIT1", Tag(3, Frame23("TIT1", Latin1Text("Group"))), {{"Title", "Group"}}},
        TReadCase{
            "latin-1 becomes utf-8", Tag(3, Frame23("TPE1", Latin1Text("Bj\xF6rk"))), {{"Artist", "Bj\xC3\xB6rk"}}},
        TReadCase{"utf-16 little-endian",
                  Tag(3, Frame23("TPE1", Bytes({1, 0xFF, 0xFE, 'A', 0, 'B', 0}))),
                  {{"Artist", "AB"}}},
        TReadCase{"utf-16 big-endian mark",
                  Tag(3, Frame23("TPE1", Bytes({1, 0xFE, 0xFF, 0, 'A', 0, 'B'}))),
                  {{"Artist", "AB"}}},
        TReadCase{"utf-16BE encoding", Tag(4, Frame24("TPE1", Bytes({2, 0, 'A', 0, 'B'}))), {{"Artist", "AB"}}},
        TReadCase{"utf-8 album",
                  Tag(4, Frame24("TALB", Bytes({3}) + "\xC3\x89t\xC3\xA9") + Frame24("TOAL", Latin1Text("Old"))),
                  {{"Album", "\xC3\x89t\xC3\xA9"}}},
        TReadCase{"album falls back on TOAL", Tag(3, Frame23("TOAL", Latin1Text("Old"))), {{"Album", "Old"}}},
        TReadCase{"artist falls back on TOPE", Tag(3, Frame23("TOPE", Latin1Text("Orig"))), {{"Artist", "Orig"}}},
        TReadCase{"v2.4 values are joined",
                  Tag(4, Frame24("TPE1", Bytes({3}) + std::string("A\0B\0", 4))),
                  {{"Artist", "A/B"}}},
        TReadCase{
            "track with total", Tag(3, Frame23("TRCK", Latin1Text("3/12"))), {{"Track", "3"}, {"TrackText", "3/12"}}},
        TReadCase{"track not a number", Tag(3, Frame23("TRCK", Latin1Text("x"))), {{"Track", "0"}, {"TrackText", "x"}}},
        TReadCase{"track beyond 16 bits",
                  Tag(3, Frame23("TRCK", Latin1Text("70000")) + Frame23("TIT2", Latin1Text("T"))),
                  {{"Track", "4464"}, {"Title", "T"}}},
        TReadCase{"year from TDRC", Tag(4, Frame24("TDRC", Bytes({3}) + "2001-05-06")), {{"Year", "2001"}}},
        TReadCase{"year cut from TDRC is trimmed", Tag(4, Frame24("TDRC", Bytes({3}) + "199 -1")), {{"Year", "199"}}},
        TReadCase{"TYER wins over TDRC",
                  Tag(3, Frame23("TDRC", Latin1Text("1999")) + Frame23("TYER", Latin1Text("2003"))),
                  {{"Year", "2003"}}},
        TReadCase{"genre after reference", Tag(3, Frame23("TCON", Latin1Text("(17)Rock"))), {{"Genre", "Rock"}}},
        TReadCase{"genre reference alone", Tag(3, Frame23("TCON", Latin1Text("(17)"))), {{"Genre", "Rock"}}},
        TReadCase{"genre reference with blank", Tag(3, Frame23("TCON", Latin1Text("(17) Rock"))), {{"Genre", " Rock"}}},
        TReadCase{"genre as v2.4 number", Tag(4, Frame24("TCON", Bytes({3}) + "17")), {{"Genre", "Rock"}}},
        TReadCase{"genre number outside table", Tag(4, Frame24("TCON", Bytes({3}) + "200")), {{"Genre", "200"}}},
        TReadCase{"genre remix", Tag(3, Frame23("TCON", Latin1Text("(RX)"))), {{"Genre", "Remix"}}},
        TReadCase{"genre cover", Tag(3, Frame23("TCON", Latin1Text("(CR)"))), {{"Genre", "Cover"}}},
        TReadCase{"genre name", Tag(3, Frame23("TCON", Latin1Text("Rock"))), {{"Genre", "Rock"}}},
        TReadCase{"genre of two references", Tag(3, Frame23("TCON", Latin1Text("(4)(17)"))), {{"Genre", "Disco"}}},
        TReadCase{
            "genre with doubled parenthesis", Tag(3, Frame23("TCON", Latin1Text("((Live)"))), {{"Genre", "(Live)"}}},
        TReadCase{"genre refinement with doubled parenthesis",
                  Tag(3, Frame23("TCON", Latin1Text("(17)((Live)"))),
                  {{"Genre", "(Live)"}}},
        TReadCase{
            "genre not beginning with a reference", Tag(3, Frame23("TCON", Latin1Text(")1(7]"))), {{"Genre", ")1(7]"}}},
        TReadCase{"genre in parentheses that is no reference",
                  Tag(3, Frame23("TCON", Latin1Text("(Live)Set"))),
                  {{"Genre", "(Live)Set"}}},
        TReadCase{"genre after a reference", Tag(3, Frame23("TCON", Latin1Text("x(17)"))), {{"Genre", "x(17)"}}},
        TReadCase{"comment without description", Tag(3, Frame23("COMM", Comm(0, "", "Nice"))), {{"Comment", "Nice"}}},
        TReadCase{"comment with description", Tag(3, Frame23("COMM", Comm(0, "d", "Nice"))), {{"Comment", "Nice"}}},
        TReadCase{"first comment without description wins",
                  Tag(3, Frame23("COMM", Comm(0, "iTunNORM", " 0000021B 00000213")) +
                             Frame23("COMM", Comm(0, "", "Real")) + Frame23("COMM", Comm(0, "", "Later"))),
                  {{"Comment", "Real"}}},
        TReadCase{"utf-16 comment", Tag(3, Frame23("COMM", Comm(1, Utf16("d"), Utf16("Hi")))), {{"Comment", "Hi"}}},
        TReadCase{"link after description",
                  Tag(3, Frame23("WXXX", Bytes({0}) + "home" + Bytes({0}) + "http://x.org/\xE9")),
                  {{"Link", "http://x.org/\xC3\xA9"}}},
        TReadCase{"link is latin-1 after utf-16 description",
                  Tag(3, Frame23("WXXX", Bytes({1}) + Utf16("d") + Bytes({0, 0}) + "http://y.org")),
                  {{"Link", "http://y.org"}}},
        TReadCase{"other text slots",
                  Tag(3, Frame23("TCOM", Latin1Text("Comp")) + Frame23("TENC", Latin1Text("Enc")) +
                             Frame23("TCOP", Latin1Text("(c)")) + Frame23("TLAN", Latin1Text("eng"))),
                  {{"Composer", "Comp"}, {"Encoder", "Enc"}, {"Copyright", "(c)"}, {"Language", "eng"}}},
        TReadCase{"a later frame replaces an earlier one",
                  Tag(3, Frame23("TIT2", Latin1Text("One")) + Frame23("TIT2", Latin1Text("Two"))),
                  {{"Title", "Two"}}},
        TReadCase{"long frames are read whole",
                  Tag(3, Frame23("TIT2", Latin1Text(std::string(2000, 'x')))),
                  {{"Title", std::string(2000, 'x')}}},
        TReadCase{
            "frames after a picture", Tag(3, Picture + Frame23("TIT2", Latin1Text("After")), 50), {{"Title", "After"}}},
        TReadCase{"v2.4 syncsafe frame sizes",
                  Tag(4, Frame24("TIT2", Latin1Text(std::string(200, 'y'))) + Frame24("TPE1", Latin1Text("Who"))),
                  {{"Title", std::string(200, 'y')}, {"Artist", "Who"}}},
        TReadCase{"v2.3 compressed frame skipped",
                  Tag(3, Frame23("TIT2", Latin1Text("Packed"), 0, 0x80) + Frame23("TPE1", Latin1Text("Next"))),
                  {{"Title", ""}, {"Artist", "Next"}}},
        TReadCase{"v2.3 encrypted frame skipped",
                  Tag(3, Frame23("TIT2", Bytes({1}) + Latin1Text("Secret"), 0, 0x40)),
                  {{"Title", ""}}},
        TReadCase{"v2.3 grouped frame",
                  Tag(3, Frame23("TIT2", Bytes({7}) + Latin1Text("Grouped"), 0, 0x20)),
                  {{"Title", "Grouped"}}},
        TReadCase{
            "v2.4 compressed frame skipped",
            Tag(4, Frame24("TIT2", BigEndian32(7) + Latin1Text("Packed"), 0, 0x09) + Frame24("TPE1", Latin1Text("B"))),
            {{"Title", ""}, {"Artist", "B"}}},
        TReadCase{"v2.3 extended header",
                  Tag(3, BigEndian32(6) + Bytes({0, 0, 0, 0, 0, 0}) + Frame23("TIT2", Latin1Text("Ext")), 0, 0x40),
                  {{"Title", "Ext"}}},
        TReadCase{"v2.4 extended header",
                  Tag(4, Syncsafe(6) + Bytes({1, 0}) + Frame24("TIT2", Latin1Text("Ext4")), 0, 0x40),
                  {{"Title", "Ext4"}}},
        TReadCase{"v2.3 unsynchronised tag",
                  Tag(3,
                      Unsynchronise(Frame23("TPE1", Bytes({1, 0xFF, 0xFE, 'A', 0, 0xFF, 0xFF})) +
                                    Frame23("TIT2", Latin1Text("\xFF\xE0X"))),
                      0, 0x80),
                  {{"Artist", "A\xEF\xBF\xBF"}, {"Title", "\xC3\xBF\xC3\xA0X"}}},
        // "\xFF\0" in the frames themselves (U+00FF in UTF-16) becomes FF 00 00 in the tag; the
        // frames after them are found by their sizes before unsynchronisation.
        TReadCase{"v2.3 unsynchronised tag whose early frames hold FF 00",
                  Tag(3,
                      Unsynchronise(Frame23("TPE1", Bytes({1, 0xFF, 0xFE, 0xFF, 0, 'B', 0, 0xFF, 0})) +
                                    Frame23("TCOM", Bytes({1, 0xFF, 0xFE, 0xFF, 0, 0xFF, 0, 0xFF, 0})) +
                                    Frame23("TIT2", Latin1Text("After")) + Frame23("TALB", Latin1Text("Alb")) +
                                    Frame23("TRCK", Latin1Text("9"))),
                      20, 0x80),
                  {{"Artist",
                    "\xC3\xBF"
                    "B\xC3\xBF"},
                   {"Composer", "\xC3\xBF\xC3\xBF\xC3\xBF"},
                   {"Title", "After"},
                   {"Album", "Alb"},
                   {"Track", "9"}}},
        TReadCase{"v2.4 unsynchronised frame with data length",
                  Tag(4, Frame24("TIT2", Syncsafe(4) + Unsynchronise(Latin1Text("\xFF\xE0X")), 0, 0x03)),
                  {{"Title", "\xC3\xBF\xC3\xA0X"}}},
        TReadCase{"v2.4 all frames unsynchronised by header flag",
                  Tag(4, Frame24("TIT2", Unsynchronise(Latin1Text("\xFF\xE1Y"))), 0, 0x80),
                  {{"Title", "\xC3\xBF\xC3\xA1Y"}}},
        TReadCase{"v2.4 grouped frame with data length",
                  Tag(4, Frame24("TIT2", Bytes({9}) + Syncsafe(3) + Latin1Text("GD"), 0, 0x41)),
                  {{"Title", "GD"}}},
        TReadCase{"iTunes-style plain sizes in a v2.4 tag",
                  Tag(4, std::string("TIT2") + BigEndian32(201) + Bytes({0, 0}) + Latin1Text(std::string(200, 'z')) +
                             Frame24("TPE1", Latin1Text("P"))),
                  {{"Title", std::string(200, 'z')}, {"Artist", "P"}}},
        TReadCase{"v2.2 frames",
                  Tag(2, Frame22("TT2", Latin1Text("Old")) + Frame22("TP1", Latin1Text("Art")) +
                             Frame22("COM", Comm(0, "", "C2")) + Frame22("PIC", std::string(300, 'p')) +
                             Frame22("TRK", Latin1Text("4"))),
                  {{"Title", "Old"}, {"Artist", "Art"}, {"Comment", "C2"}, {"Track", "4"}, {"MajorVersion", "2"}}},
        TReadCase{"scan ends at padding", Tag(3, Frame23("TIT2", Latin1Text("A")), 20), {{"Title", "A"}}},
        // As other readers take it: what the tag holds of the frame (here also the first audio byte).
        TReadCase{"frame running past the tag is cut at its end",
                  "ID3" + Bytes({3, 0, 0}) + Syncsafe(25) + Frame23("TIT2", Latin1Text("A")) + std::string("TPE1") +
                      BigEndian32(500) + Bytes({0, 0, 0}) + "Z",
                  {{"Title", "A"}, {"Artist", "Z\xC3\xBF"}}},
        TReadCase{"unknown version", Tag(5, Frame23("TIT2", Latin1Text("A"))), {{"Title", ""}, {"MajorVersion", "5"}}},
        TReadCase{"version 1", Tag(1, Frame23("TIT2", Latin1Text("A"))), {{"Title", ""}, {"MajorVersion", "1"}}},
        TReadCase{"footer counts in the size",
                  Tag(4, Frame24("TIT2", Latin1Text("F")), 0, 0x10) + "3DI" + Bytes({4, 0, 0x10}) + Syncsafe(12),
                  {{"Title", "F"}, {"TagSize", "32"}}}),
    [](const ::testing::TestParamInfo<TReadCase>& info) {
      std::string name;
      for (const char* p = info.param.what; *p; ++p) name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
      return name;
    });

TEST(ReadingTags, FilesWithoutUsableTags) {
  TTempFolder folder;
  TID3v2 tag;
  EXPECT_FALSE(tag.Load(folder / "missing.mp3"));
  EXPECT_FALSE(tag.Load(folder.WriteFile("five.mp3", "ID3\x03\x00")));
  EXPECT_TRUE(tag.Load(folder.WriteFile("zeros.mp3", std::string(20, '\0'))));
  EXPECT_FALSE(tag.HasTag);
  EXPECT_EQ(tag.MajorVersion, 0);
  // A declared size beyond the file: a tag, but nothing usable in it.
  EXPECT_TRUE(tag.Load(folder.WriteFile("short.mp3", Tag(3, Frame23("TIT2", Latin1Text("A")), 1000).substr(0, 40))));
  EXPECT_TRUE(tag.HasTag);
  EXPECT_EQ(tag.TagSize, 0);
  EXPECT_EQ(tag.Title, "");
}

TEST(ReadingTags, ReloadingForgetsTheOldTag) {
  TTempFolder folder;
  TID3v2 tag;
  ASSERT_TRUE(
      tag.Load(folder.WriteFile("a.mp3", Tag(3, Frame23("TIT2", Latin1Text("A")) + Frame23("TRCK", Latin1Text("2"))))));
  ASSERT_TRUE(tag.Load(folder.WriteFile("b.mp3", SongAudio())));
  EXPECT_FALSE(tag.HasTag);
  EXPECT_EQ(tag.Title, "");
  EXPECT_EQ(tag.Track, 0);
  EXPECT_EQ(tag.TrackText, "");
}

}  // namespace
}  // namespace tagwright

namespace tagwright {
namespace {

// Counts what the reader asks of the file.
class TCountingSource final : public TByteSource {
 public:
  explicit TCountingSource(std::string_view bytes) : Inner(bytes) {}
  std::int64_t Size() const override { return Inner.Size(); }
  std::int64_t ReadAt(std::int64_t offset, void* destination, std::size_t n) override {
    ++Reads;
    BytesRead += n;
    return Inner.ReadAt(offset, destination, n);
  }
  TMemorySource Inner;
  int Reads = 0;
  std::size_t BytesRead = 0;
};

TEST(ReadingTags, SkipsPicturesWithoutReadingThem) {
  using namespace testing;
  const std::string picture =
      Frame23("APIC", Bytes({0}) + "image/jpeg" + Bytes({0, 3, 0}) + std::string(100000, '\xD8'));
  for (bool pictureFirst : {false, true}) {
    std::string texts;
    for (const char* id : {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "TCON", "TCOM", "TENC"})
      texts += Frame23(id, Latin1Text("12"));
    const std::string file =
        Tag(3, pictureFirst ? picture + texts : texts + picture, 1024) + SongAudio(50000) + Trailer("T");
    TCountingSource source(file);
    TID3v2 tag;
    ASSERT_TRUE(tag.Load(source));
    EXPECT_EQ(tag.Title, "12");
    EXPECT_EQ(tag.Encoder, "12");
    EXPECT_LE(source.Reads, 2) << pictureFirst;
    EXPECT_LE(source.BytesRead, 2u * 4096) << pictureFirst;
  }
}

}  // namespace
}  // namespace tagwright

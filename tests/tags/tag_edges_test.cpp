// Tags at the edges of the file's layout: a file that is nothing but its tag, and a new tag that
// fits the old one's space exactly.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_folder.h"
#include "tag_bytes.h"
#include "tags/id3_info.h"
#include "tags/id3v2.h"

namespace tagwright {
namespace {

using namespace testing;

std::size_t FileCount(const std::string& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

// No audio at all: the tag's size is the file's size. It reads as tagged, and a save replaces the
// tag instead of putting a second one in front of it.
TEST(TagEdges, AFileThatIsOnlyATagReadsAndSavesAsOneTag) {
  TTempFolder folder;
  const std::string path = folder.WriteFile(
      "only.mp3", Tag(3, Frame23("TIT2", Latin1Text("Alone")) + Frame23("TPE1", Latin1Text("Artist"))));
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  ASSERT_TRUE(tag.HasTag);
  EXPECT_EQ(tag.TagSize, static_cast<std::int64_t>(ReadWholeFile(path).size()));
  EXPECT_EQ(tag.Title, "Alone");
  EXPECT_EQ(tag.Artist, "Artist");
  tag.SetTitle("Still Alone");
  ASSERT_TRUE(tag.Save(path).Ok());

  TID3v2 back;
  ASSERT_TRUE(back.Load(path).Ok());
  EXPECT_EQ(back.Title, "Still Alone");
  EXPECT_EQ(back.Artist, "Artist");
  const std::string file = ReadWholeFile(path);
  EXPECT_EQ(file.find("ID3", 3), std::string::npos) << "a second tag";
  EXPECT_EQ(back.TagSize, static_cast<std::int64_t>(file.size()));
}

// A new tag of exactly the old tag's size goes in place: same inode (hard links keep seeing it), no
// padding, no temporary file, and the audio untouched.
TEST(TagEdges, AnExactFitIsWrittenInPlace) {
  TTempFolder folder;
  const std::string audio = SongAudio(5000);
  // The old tag holds TIT2 "Old" and TPE1 "Abc"; the new one TIT2 "New" and TPE1 "Xyz": the same size.
  const std::string path = folder.WriteFile(
      "song.mp3", Tag(3, Frame23("TIT2", Latin1Text("Old")) + Frame23("TPE1", Latin1Text("Abc"))) + audio);
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  tag.SetTitle("New");
  tag.SetArtist("Xyz");
  ASSERT_TRUE(tag.Save(path).Ok());
  EXPECT_FALSE(tag.TagInfo.NeedRewrite);
  EXPECT_EQ(tag.TagInfo.PaddingSize, 0);
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_size, before.st_size);
  EXPECT_EQ(FileCount(folder.Path()), 1u);
  const std::string file = ReadWholeFile(path);
  EXPECT_TRUE(file.substr(file.size() - audio.size()) == audio);
  TID3v2 back;
  ASSERT_TRUE(back.Load(path).Ok());
  EXPECT_EQ(back.Title, "New");
  EXPECT_EQ(back.Artist, "Xyz");
}

}  // namespace
}  // namespace tagwright

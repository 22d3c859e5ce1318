#include "files/file_access.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace tagwright {
namespace {

using testing::FileExists;
using testing::ReadWholeFile;
using testing::TTempFolder;

TEST(IsFileWritable, FollowsTheWriteBitsEvenForTheSuperuser) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("song.mp3", "abc");
  EXPECT_TRUE(IsFileWritable(song));
  for (mode_t mode : {0444, 0400, 0000, 0555}) {
    ASSERT_EQ(chmod(song.c_str(), mode), 0);
    EXPECT_FALSE(IsFileWritable(song)) << std::oct << mode;
  }
  ASSERT_EQ(chmod(song.c_str(), 0644), 0);
  EXPECT_TRUE(IsFileWritable(song));
  EXPECT_EQ(ReadWholeFile(song), "abc");
}

TEST(IsFileWritable, IsFalseForWhatIsNoWritableFile) {
  TTempFolder folder;
  EXPECT_FALSE(IsFileWritable(folder / "missing.mp3"));
  EXPECT_FALSE(IsFileWritable(folder.MakeFolder("dir.mp3")));
  EXPECT_FALSE(FileExists(folder / "missing.mp3"));  // never created
}

TEST(RenameWithoutReplacing, RenamesToAFreeName) {
  TTempFolder folder;
  const std::string from = folder.WriteFile("a.mp3", "A");
  EXPECT_TRUE(RenameWithoutReplacing(from, folder / "b.mp3").Ok());
  EXPECT_FALSE(FileExists(from));
  EXPECT_EQ(ReadWholeFile(folder / "b.mp3"), "A");
}

TEST(RenameWithoutReplacing, NeverReplacesAnExistingFile) {
  TTempFolder folder;
  const std::string from = folder.WriteFile("a.mp3", "A");
  const std::string to = folder.WriteFile("b.mp3", "B");
  const TResult result = RenameWithoutReplacing(from, to);
  EXPECT_EQ(result.Error(), std::errc::file_exists);
  EXPECT_EQ(result.Kind(), TFailureKind::Rename);
  EXPECT_EQ(result.Path(), from);
  EXPECT_EQ(ReadWholeFile(from), "A");
  EXPECT_EQ(ReadWholeFile(to), "B");
}

TEST(RenameWithoutReplacing, HandlesTheSameNameAndCaseOnlyChanges) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("Song.mp3", "S");
  EXPECT_TRUE(RenameWithoutReplacing(song, song).Ok());
  EXPECT_EQ(ReadWholeFile(song), "S");
  EXPECT_TRUE(RenameWithoutReplacing(song, folder / "song.mp3").Ok());
  EXPECT_EQ(ReadWholeFile(folder / "song.mp3"), "S");
  EXPECT_FALSE(FileExists(song));
  EXPECT_FALSE(RenameWithoutReplacing(folder / "gone.mp3", folder / "gone.mp3").Ok());
  EXPECT_FALSE(RenameWithoutReplacing(folder / "gone.mp3", folder / "x.mp3").Ok());
}

TEST(DeleteSongFile, DeletesOrSaysWhyNot) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("a.mp3", "A");
  EXPECT_TRUE(DeleteSongFile(song).Ok());
  EXPECT_FALSE(FileExists(song));
  const TResult again = DeleteSongFile(song);
  EXPECT_EQ(again.Kind(), TFailureKind::Delete);
  EXPECT_EQ(again.Error(), std::errc::no_such_file_or_directory);
  EXPECT_EQ(again.Describe(), "Cannot delete file " + song);
}

}  // namespace
}  // namespace tagwright

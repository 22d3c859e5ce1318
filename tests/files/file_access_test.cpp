#include "files/file_access.h"
#include "files/new_folders.h"

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

// Another hard link of the same file is an existing target: rename(2) would report success, change
// nothing and leave both names.
TEST(RenameWithoutReplacing, AnotherHardLinkIsATakenName) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("a.mp3", "S");
  const std::string other = folder / "b.mp3";
  ASSERT_EQ(::link(song.c_str(), other.c_str()), 0);
  const TResult result = RenameWithoutReplacing(song, other);
  EXPECT_EQ(result.Error(), std::errc::file_exists);
  EXPECT_TRUE(FileExists(song));
  EXPECT_TRUE(FileExists(other));
  // In another folder, a name that differs only in letter case is another name too.
  const std::string elsewhere = folder.MakeFolder("sub") + "/A.mp3";
  ASSERT_EQ(::link(song.c_str(), elsewhere.c_str()), 0);
  EXPECT_EQ(RenameWithoutReplacing(song, elsewhere).Error(), std::errc::file_exists);
}

// File systems without RENAME_NOREPLACE answer EINVAL, ENOSYS or EOPNOTSUPP; the rename then links
// the new name (which cannot replace a file) and unlinks the old one.
class RenameWithoutNoReplace : public ::testing::TestWithParam<int> {
 protected:
  TRenameCalls Calls() const {
    TRenameCalls calls = DefaultRenameCalls();
    const int error = GetParam();
    calls.RenameNoReplace = [error](const char*, const char*) { return errno = error, -1; };
    calls.Rename = [](const char*, const char*) -> int {
      ADD_FAILURE() << "a plain rename could replace another file";
      return errno = EPERM, -1;
    };
    return calls;
  }
};

TEST_P(RenameWithoutNoReplace, NeverReplacesAnExistingFile) {
  TTempFolder folder;
  const std::string from = folder.WriteFile("a.mp3", "A");
  const std::string to = folder.WriteFile("b.mp3", "B");
  EXPECT_EQ(RenameWithoutReplacing(from, to, Calls()).Error(), std::errc::file_exists);
  EXPECT_EQ(ReadWholeFile(from), "A");
  EXPECT_EQ(ReadWholeFile(to), "B");
}

TEST_P(RenameWithoutNoReplace, RenamesToAFreeName) {
  TTempFolder folder;
  const std::string from = folder.WriteFile("a.mp3", "A");
  EXPECT_TRUE(RenameWithoutReplacing(from, folder / "c.mp3", Calls()).Ok());
  EXPECT_FALSE(FileExists(from));
  EXPECT_EQ(ReadWholeFile(folder / "c.mp3"), "A");
}

// The new name is linked, but the old one cannot be removed: the new link is taken back, so that
// the song is not left under two names, and the failure is the one of the old name.
TEST_P(RenameWithoutNoReplace, TakesTheNewNameBackWhenTheOldOneCannotGo) {
  TTempFolder folder;
  const std::string from = folder.WriteFile("a.mp3", "A");
  TRenameCalls calls = Calls();
  calls.Unlink = [&from](const char* path) { return path == from ? (errno = EACCES, -1) : ::unlink(path); };
  EXPECT_EQ(RenameWithoutReplacing(from, folder / "c.mp3", calls).Error(), std::errc::permission_denied);
  EXPECT_EQ(ReadWholeFile(from), "A");
  EXPECT_FALSE(FileExists(folder / "c.mp3"));
}

INSTANTIATE_TEST_SUITE_P(FileSystemAnswers, RenameWithoutNoReplace, ::testing::Values(EINVAL, ENOSYS, EOPNOTSUPP),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(info.param == EINVAL   ? "EINVAL"
                                              : info.param == ENOSYS ? "ENOSYS"
                                                                     : "EOPNOTSUPP");
                         });

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

namespace tagwright {
namespace {

// What a record may name as a folder made for (or emptied by) a rename from base to path: only a
// folder path lies in, below base's folder, and no "." or ".." level.
TEST(IsFolderBetween, AcceptsOnlyTheNewFoldersOfTheRename) {
  struct TCase {
    const char* Folder;
    bool Between;
  };
  for (const TCase& row :
       {TCase{"/m/dl/D", true}, TCase{"/m/dl/D/A", true}, TCase{"/m/dl", false}, TCase{"/m", false},
        TCase{"/m/dl/Da", false}, TCase{"/m/dl/D/A/x.mp3", false}, TCase{"/m/dl/D/../..", false},
        TCase{"/m/dl/../dl/D", false}, TCase{"/m/dl/.D", false}, TCase{"/m/dl//D", false}, TCase{"/other/D", false}}) {
    EXPECT_EQ(IsFolderBetween(row.Folder, "/m/dl/x.mp3", "/m/dl/D/A/x.mp3"), row.Between) << row.Folder;
  }
}

}  // namespace
}  // namespace tagwright

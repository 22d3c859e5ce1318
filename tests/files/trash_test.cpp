// The freedesktop.org trash without Qt: files go to the user's trash with a .trashinfo that says
// where from and when, under a free name; taken out again, the .trashinfo goes.
#include "files/trash.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <regex>

#include "support/temp_folder.h"

namespace tagwright {
namespace {

using testing::FileExists;
using testing::ReadWholeFile;
using testing::TTempFolder;

// The user's data folder in a temporary folder on the songs' file system, for one test.
class Trash : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* data = std::getenv("XDG_DATA_HOME")) oldData_ = data;
    ASSERT_EQ(::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1), 0);
  }
  void TearDown() override {
    if (oldData_) {
      (void)::setenv("XDG_DATA_HOME", oldData_->c_str(), 1);
    } else {
      (void)::unsetenv("XDG_DATA_HOME");
    }
  }
  TTempFolder songs, home;
  std::optional<std::string> oldData_;
};

TEST_F(Trash, KeepsTwoFilesOfOneNameApartAndForgetsThoseTakenOut) {
  ASSERT_TRUE(HasTrashFor(songs / "a b%.mp3"));
  std::vector<std::string> trashed;
  for (const char* bytes : {"first", "second"}) {
    const std::string song = songs.WriteFile("a b%.mp3", bytes);
    TResultOf<TTrashMove> move = PlanTrashMove(song);
    ASSERT_TRUE(move.Ok()) << move.Failure().Describe();
    ASSERT_TRUE(CarryOutTrashMove(move.Value()).Ok());
    EXPECT_FALSE(FileExists(song));
    EXPECT_EQ(ReadWholeFile(move.Value().FilesPath), bytes);
    EXPECT_EQ(TrashInfoPathOf(move.Value().FilesPath), move.Value().InfoPath);
    EXPECT_TRUE(
        std::regex_match(ReadWholeFile(move.Value().InfoPath),
                         std::regex("\\[Trash Info\\]\nPath=" + songs.Path() +
                                    "/a%20b%25\\.mp3\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")))
        << ReadWholeFile(move.Value().InfoPath);
    trashed.push_back(move.Value().FilesPath);
  }
  EXPECT_EQ(trashed[0], home / "data/Trash/files/a b%.mp3");
  EXPECT_EQ(trashed[1], home / "data/Trash/files/a b%.2.mp3");
  EXPECT_EQ(TrashInfoPathOf(songs / "a b%.mp3"), "") << "not in a trash";
  ASSERT_TRUE(RenameKeepingTrash(trashed[1], songs / "back.mp3").Ok());
  EXPECT_EQ(ReadWholeFile(songs / "back.mp3"), "second");
  EXPECT_FALSE(FileExists(home / "data/Trash/info/a b%.2.mp3.trashinfo"));
  EXPECT_TRUE(FileExists(home / "data/Trash/info/a b%.mp3.trashinfo"));
  // Put back where it was, it is in the trash again with a record of its own.
  ASSERT_TRUE(RenameKeepingTrash(songs / "back.mp3", trashed[1]).Ok());
  EXPECT_NE(ReadWholeFile(home / "data/Trash/info/a b%.2.mp3.trashinfo").find("Path=" + songs.Path() + "/back.mp3\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tagwright

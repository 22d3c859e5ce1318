#include "files/folder_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "support/temp_folder.h"

namespace tagwright {
namespace {

std::vector<std::string> Scan(const std::string& folder, bool subfolders, std::string_view pattern = "*.*") {
  std::vector<std::string> files;
  ScanFolder(pattern, folder, files, subfolders, SongFileExtensions());
  return files;
}

std::vector<std::string> Sorted(std::vector<std::string> files) {
  std::sort(files.begin(), files.end());
  return files;
}

class ScanFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.mp3", "B.MP3", "noextension", "ends.in.dot.", "c.flac", ".hidden.mp3", "sub/d.mp3",
                             "sub/deeper/e.mp3", ".hiddendir/f.mp3", "sub/.g.mp3", "x.mp3.txt"}) {
      folder.WriteFile(name);
    }
    folder.MakeFolder("folder.mp3");
  }
  testing::TTempFolder folder;
};

TEST_F(ScanFolderTest, ListsTheSongFilesOfOneFolder) {
  const std::string p = folder.Path();
  EXPECT_EQ(Sorted(Scan(p, false)), (std::vector<std::string>{p + "/B.MP3", p + "/a.mp3", p + "/noextension"}));
  EXPECT_EQ(Sorted(Scan(p + "/", false)), Sorted(Scan(p, false)));  // a trailing separator is fine
}

TEST_F(ScanFolderTest, DescendsIntoSubfoldersButNotHiddenOnes) {
  const std::string p = folder.Path();
  EXPECT_EQ(Sorted(Scan(p, true)), (std::vector<std::string>{p + "/B.MP3", p + "/a.mp3", p + "/noextension",
                                                             p + "/sub/d.mp3", p + "/sub/deeper/e.mp3"}));
}

TEST_F(ScanFolderTest, AppendsSubfolderFilesWhereTheSubfolderIsMet) {
  const std::vector<std::string> files = Scan(folder.Path(), true);
  const auto d = std::find(files.begin(), files.end(), folder / "sub/d.mp3");
  const auto e = std::find(files.begin(), files.end(), folder / "sub/deeper/e.mp3");
  ASSERT_NE(d, files.end());
  ASSERT_NE(e, files.end());
  // Depth first: nothing from outside "sub" stands between its two songs unless it came first.
  for (auto it = std::min(d, e); it != std::max(d, e); ++it) EXPECT_NE(it->find("/sub/"), std::string::npos);
}

TEST_F(ScanFolderTest, AppliesOtherPatterns) {
  EXPECT_EQ(Scan(folder.Path(), false, "a*"), (std::vector<std::string>{folder / "a.mp3"}));
}

TEST_F(ScanFolderTest, AppendsToWhatTheListHeld) {
  std::vector<std::string> files = {"kept"};
  ScanFolder("*.*", folder.Path(), files, false, {".flac"});
  EXPECT_EQ(files, (std::vector<std::string>{"kept", folder / "c.flac"}));
}

TEST_F(ScanFolderTest, FollowsLinkedFilesButNotLinkedFolders) {
  const std::string p = folder.Path();
  std::filesystem::create_symlink(p + "/a.mp3", p + "/sub/link.mp3");
  std::filesystem::create_directory_symlink(p, p + "/sub/loop");
  const std::vector<std::string> files = Scan(p, true);
  EXPECT_EQ(std::count(files.begin(), files.end(), p + "/sub/link.mp3"), 1);
  EXPECT_EQ(files.size(), 6u);
}

TEST(ScanFolder, ReportsFoldersItCannotRead) {
  testing::TTempFolder folder;
  std::vector<std::string> files;
  std::vector<TUnreadableFolder> unreadable;
  ScanFolder("*.*", folder / "missing", files, true, SongFileExtensions(), &unreadable);
  EXPECT_TRUE(files.empty());
  EXPECT_EQ(unreadable, (std::vector<TUnreadableFolder>{
                            {folder / "missing", std::make_error_code(std::errc::no_such_file_or_directory)}}));
}

TEST(ScanFolder, AnEmptyFolderTextMeansTheRoot) {
  // Not the current folder: a song there must not be listed.
  testing::TTempFolder folder;
  folder.WriteFile("here.mp3");
  const std::string before = std::filesystem::current_path().string();
  std::filesystem::current_path(folder.Path());
  const std::vector<std::string> files = Scan("", false);
  std::filesystem::current_path(before);
  for (const std::string& file : files) {
    EXPECT_EQ(file.rfind('/'), 0u) << file;
    EXPECT_NE(file, "/here.mp3");
  }
  EXPECT_EQ(files, Scan("/", false));
}

}  // namespace
}  // namespace tagwright

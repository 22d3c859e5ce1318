#include "files/paths.h"

#include <gtest/gtest.h>

namespace tagwright {
namespace {

struct TPathCase {
  const char* Path;
  const char* WithoutShortExtension;
  const char* Stem;
  const char* NamePart;
  const char* FolderPart;
};

class PathParts : public testing::TestWithParam<TPathCase> {};

TEST_P(PathParts, TakeThePathApart) {
  const TPathCase& c = GetParam();
  EXPECT_EQ(CutShortExtension(c.Path), c.WithoutShortExtension);
  EXPECT_EQ(FileNameStem(c.Path), c.Stem);
  EXPECT_EQ(FileNamePart(c.Path), c.NamePart);
  EXPECT_EQ(FolderPart(c.Path), c.FolderPart);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PathParts,
    testing::Values(TPathCase{"/a/b/Song.mp3", "/a/b/Song", "Song", "Song.mp3", "/a/b/"},
                    TPathCase{"/a/b/Song.flac", "/a/b/Song.flac", "Song.flac", "Song.flac", "/a/b/"},
                    TPathCase{"/a/b.dir/Song", "/a/b.dir/Song", "Song", "Song", "/a/b.dir/"},
                    TPathCase{"/a/Song.", "/a/Song", "Song", "Song.", "/a/"},
                    TPathCase{"/a/.mp3", "/a/", "", ".mp3", "/a/"},
                    TPathCase{"Song.x\\y", "Song", "Song", "Song.x\\y", ""},
                    TPathCase{"c:\\x\\Song.mp3", "c:\\x\\Song", "c:\\x\\Song", "c:\\x\\Song.mp3", ""},
                    TPathCase{"", "", "", "", ""}));

// The song list takes a file by the text after its last dot, however long; the title taken from a
// file name loses only what follows its last dot.
TEST(ExtensionRules, ListingAndTitleCutAtTheLastDot) {
  EXPECT_EQ(ListedExtension("Song.MP3"), ".MP3");
  EXPECT_EQ(ListedExtension("Song.Remix.mp3"), ".mp3");
  EXPECT_EQ(ListedExtension("Song"), "");
  EXPECT_EQ(ListedExtension("Song.flac"), ".flac");
  EXPECT_EQ(CutAtLastDot("Song.Remix.mp3"), "Song.Remix");
  EXPECT_EQ(CutAtLastDot("Song.Extended"), "Song");
  EXPECT_EQ(CutAtLastDot("Song"), "Song");
  // Recognition keeps an "extension" longer than four characters: it is part of the name.
  EXPECT_EQ(CutShortExtension("Song.Extended"), "Song.Extended");
}

TEST(ExtensionRules, FolderToOpenForADirectoryEntry) {
  EXPECT_EQ(FolderToOpen("song.mp3"), ".");
  EXPECT_EQ(FolderToOpen("/song.mp3"), "/");
  EXPECT_EQ(FolderToOpen("/music/a/song.mp3"), "/music/a");
}

}  // namespace
}  // namespace tagwright

// Writing a song never loses what it did not mean to change: writers that meet on one song, a
// song changed by someone else meanwhile, hard links, holes and extended attributes, and tags
// whose declared size is far beyond what they hold.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "support/temp_folder.h"
#include "tag_bytes.h"
#include "tags/atomic_rewrite.h"
#include "tags/byte_source.h"
#include "tags/id3_info.h"
#include "tags/id3v2.h"
#include "tags/locked_song.h"
#include "tags/tag_snapshot.h"

namespace tagwright {
namespace {

using namespace testing;

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info;
}

// The tag's total size by its header.
std::size_t TagTotalOf(const std::string& file) {
  const auto b = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(file[i])); };
  return 10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9));
}

// Runs work in a child process; true when it exited with status 0.
pid_t Spawn(const std::function<bool()>& work) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(work() ? 0 : 1);
  return pid;
}

bool Succeeded(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A stamp as the command line does it: read both tags, change one field, write both tags.
bool Stamp(const std::string& path, const std::function<void(TID3Info&)>& change) {
  TID3Info info;
  if (!ReadID3Tags(path, info).Ok()) return false;
  change(info);
  return WriteID3Tags(path, info).Ok();
}

// Two writers on one song with a large tag: one clears the comment, which shrinks the tag by more
// than the writer leaves as padding (a rewrite through a new file); the other changes the title,
// which fits in place. Whatever the order, the audio stays whole and the song holds one writer's
// complete result.
TEST(ConcurrentWriters, NeverLoseAudioAndLeaveOneWholeResult) {
  TTempFolder folder;
  const std::string picture = Bytes({0}) + "image/png" + Bytes({0, 3, 0}) + std::string(20000, '\x89');
  const std::string body = Frame23("TIT2", Latin1Text("a")) + Frame23("APIC", picture) +
                           Frame23("COMM", Bytes({0}) + "eng" + Bytes({0}) + std::string(6000, 'c'));
  const std::string audio = SongAudio(40000);
  const std::string song = Tag(3, body) + audio + Trailer("a");
  const std::string path = folder / "song.mp3";
  for (int round = 0; round < 300; ++round) {
    folder.WriteFile("song.mp3", song);
    const pid_t clearer = Spawn([&] { return Stamp(path, [](TID3Info& info) { info.Comment = ""; }); });
    const pid_t titler = Spawn([&] { return Stamp(path, [](TID3Info& info) { info.Title = "b"; }); });
    ASSERT_TRUE(Succeeded(clearer)) << "round " << round;
    ASSERT_TRUE(Succeeded(titler)) << "round " << round;

    const std::string file = ReadWholeFile(path);
    const std::size_t total = TagTotalOf(file);
    ASSERT_EQ(file.substr(0, 3), "ID3") << "round " << round;
    ASSERT_EQ(file.size(), total + audio.size() + 128) << "round " << round;
    ASSERT_TRUE(file.compare(total, audio.size(), audio) == 0) << "round " << round << ": the audio changed";
    ASSERT_NE(file.find(picture), std::string::npos) << "round " << round << ": the picture changed";
    TID3v2 tag;
    ASSERT_TRUE(tag.Load(path).Ok());
    // The clearer's record, the titler's record, or the second one's after the first.
    const std::pair<std::string, std::string> result{tag.Title, tag.Comment.substr(0, 1)};
    const bool oneWhole = result == std::pair<std::string, std::string>{"a", ""} ||
                          result == std::pair<std::string, std::string>{"b", "c"} ||
                          result == std::pair<std::string, std::string>{"b", ""};
    ASSERT_TRUE(oneWhole) << "round " << round << ": title " << tag.Title << ", comment " << tag.Comment.substr(0, 10);
    TID3Info both;
    ASSERT_TRUE(ReadID3Tags(path, both).Value());
    ASSERT_EQ(file.substr(file.size() - 128, 33).substr(3, 1), tag.Title)
        << "round " << round << ": the trailer is another writer's";
  }
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"song.mp3"});
}

// Someone who does not take the lock changes the song while the rewrite copies it: the rewrite
// gives up and leaves the song as that someone left it.
enum class TOtherChange { Appended, Replaced, Touched };

void PrintTo(TOtherChange change, std::ostream* out) { *out << static_cast<int>(change); }

class ChangedWhileWritten : public ::testing::TestWithParam<TOtherChange> {};

TEST_P(ChangedWhileWritten, LeavesTheSongAlone) {
  TTempFolder folder;
  const std::string song = Tag(3, Frame23("TIT2", Latin1Text("Old"))) + SongAudio(5000);
  const std::string path = folder.WriteFile("song.mp3", song);
  std::string expected;
  TFileOps ops = DefaultFileOps();
  // The permissions are given to the new file after its bytes are written: the moment to interfere.
  ops.Fchmod = [&](int fd, mode_t mode) {
    switch (GetParam()) {
      case TOtherChange::Appended: {
        const int other = ::open(path.c_str(), O_WRONLY | O_APPEND);
        EXPECT_EQ(::write(other, "more", 4), 4);
        ::close(other);
        expected = song + "more";
        break;
      }
      case TOtherChange::Replaced:
        folder.WriteFile("other.mp3", "another song");
        EXPECT_EQ(::rename((folder / "other.mp3").c_str(), path.c_str()), 0);
        expected = "another song";
        break;
      case TOtherChange::Touched: {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {12345, 0}};
        EXPECT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
        expected = song;
        break;
      }
    }
    return ::fchmod(fd, mode);
  };
  TID3v2 tag;
  tag.SetTitle(std::string(5000, 'n'));  // does not fit: rewrite
  const TResult saved = tag.Save(path, ops);
  EXPECT_EQ(saved.Kind(), TFailureKind::Changed);
  EXPECT_NE(saved.Describe().find("the file changed while it was written"), std::string::npos) << saved.Describe();
  EXPECT_TRUE(ReadWholeFile(path) == expected);
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"song.mp3"});
}

std::string OtherChangeName(const ::testing::TestParamInfo<TOtherChange>& info) {
  static const char* const kNames[] = {"Appended", "Replaced", "Touched"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(ByAnotherProgram, ChangedWhileWritten,
                         ::testing::Values(TOtherChange::Appended, TOtherChange::Replaced, TOtherChange::Touched),
                         OtherChangeName);

// While a song waits for its lock, the writer holding it replaces the song by a new file under its
// name, or moves it away: once locked, the name must still lead to the file locked, so the new file
// is locked and written instead, and a song moved away is not written through its old name.
class LockedAfterARename : public ::testing::TestWithParam<bool> {};

TEST_P(LockedAfterARename, LocksTheFileTheNameLeadsTo) {
  const bool replaced = GetParam();
  TTempFolder folder;
  const std::string old = Tag(3, Frame23("TIT2", Latin1Text("Old")), 100) + SongAudio(3000);
  const std::string path = folder.WriteFile("song.mp3", old);
  const int holder = ::open(path.c_str(), O_RDWR);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::flock(holder, LOCK_EX), 0);
  const std::string fresh = Tag(3, Frame23("TIT2", Latin1Text("New")), 100) + SongAudio(2000);
  // The opener has opened the song and finds it locked: the holder moves it now and lets it go.
  int waits = 0;
  SetBeforeWaitingForSongLock([&] {
    ++waits;
    if (replaced) {
      folder.WriteFile("fresh.mp3", fresh);
      EXPECT_EQ(::rename((folder / "fresh.mp3").c_str(), path.c_str()), 0);
    } else {
      EXPECT_EQ(::rename(path.c_str(), (folder / "moved.mp3").c_str()), 0);
    }
    ::close(holder);  // lets the lock go
  });
  std::optional<TResultOf<TLockedSong>> locked;
  locked.emplace(TLockedSong::Open(path));
  SetBeforeWaitingForSongLock(nullptr);
  ASSERT_EQ(waits, 1);
  ASSERT_TRUE(locked.has_value());
  if (!replaced) {
    EXPECT_FALSE(locked->Ok()) << "locked through a name that no longer leads to the song";
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(ReadWholeFile(folder / "moved.mp3") == old);
    return;
  }
  ASSERT_TRUE(locked->Ok()) << locked->Failure().Describe();
  EXPECT_EQ(locked->Value().Info().st_ino, StatOf(path).st_ino);
  TFileSource current;
  ASSERT_TRUE(current.Open(path));
  TID3Info tags;
  tags.Title = "Written";
  ASSERT_TRUE(WriteID3Tags(locked->Value(), current, tags, nullptr).Ok());
  TID3Info back;
  ASSERT_TRUE(ReadID3Tags(path, back).Ok());
  EXPECT_EQ(back.Title, "Written");
  const std::string file = ReadWholeFile(path);
  EXPECT_TRUE(file.compare(TagTotalOf(file), 2000, SongAudio(2000)) == 0) << "the new file's audio";
}

INSTANTIATE_TEST_SUITE_P(ByTheWriterBefore, LockedAfterARename, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                           return std::string(info.param ? "Replaced" : "MovedAway");
                         });

// A rewrite replaces the file a name leads to, links followed, found again whenever the name leads
// to another file or to a symbolic link since.
TEST(SongPathOfAName, FollowsTheNameAsItIsNow) {
  TTempFolder folder;
  const std::string name = folder.WriteFile("song.mp3", "first");
  const std::string real = std::filesystem::canonical(folder.Path()).string();
  EXPECT_EQ(SongPath(name), real + "/song.mp3");
  EXPECT_EQ(SongPath(name), real + "/song.mp3");
  std::filesystem::create_directory(folder / "elsewhere");
  folder.WriteFile("elsewhere/target.mp3", "second");
  std::filesystem::remove(name);
  std::filesystem::create_symlink(folder / "elsewhere/target.mp3", name);
  EXPECT_EQ(SongPath(name), real + "/elsewhere/target.mp3");
  std::filesystem::remove(name);
  folder.WriteFile("song.mp3", "third");
  EXPECT_EQ(SongPath(name), real + "/song.mp3");
  // A name that leads through a folder to the same file as before leads to it by the path found then.
  const std::string inFolder = folder / "elsewhere/target.mp3";
  EXPECT_EQ(SongPath(inFolder), real + "/elsewhere/target.mp3");
  std::filesystem::rename(folder / "elsewhere", folder / "moved");
  std::filesystem::create_directory_symlink(folder / "moved", folder / "elsewhere");
  EXPECT_TRUE(std::filesystem::equivalent(SongPath(inFolder), real + "/moved/target.mp3"));
}

// A song reached through a folder's symbolic link: its path follows the link as it is now, and a
// path found before never leads a write to another file, even when a new file took its place.
TEST(SongPathOfAName, LeadsALockToTheFileTheNameLeadsToNow) {
  TTempFolder folder;
  const std::string real = std::filesystem::canonical(folder.Path()).string();
  folder.WriteFile("first/song.mp3", "first");
  folder.WriteFile("second/song.mp3", "second");
  const std::string link = folder / "link";
  std::filesystem::create_directory_symlink(folder / "first", link);
  const std::string name = link + "/song.mp3";
  EXPECT_EQ(SongPath(name), real + "/first/song.mp3");
  std::filesystem::remove(link);
  std::filesystem::create_directory_symlink(folder / "second", link);
  EXPECT_EQ(SongPath(name), real + "/second/song.mp3");
  // The folder moves, the link follows it, and a new file stands where the song was found.
  std::filesystem::rename(folder / "second", folder / "moved");
  std::filesystem::remove(link);
  std::filesystem::create_directory_symlink(folder / "moved", link);
  folder.WriteFile("second/song.mp3", "a stranger");
  TResultOf<TLockedSong> locked = TLockedSong::Open(name);
  ASSERT_TRUE(locked.Ok());
  EXPECT_EQ(locked.Value().Path(), real + "/moved/song.mp3");
  EXPECT_EQ(locked.Value().Info().st_ino, StatOf(folder / "moved/song.mp3").st_ino);
}

// A song's tag and trailer are read the same whatever their sizes next to the first bytes read at
// once: a tag shorter, as long as or longer than them, a small song whose trailer they hold, a song
// without a tag, and one too short for a trailer of its own after the tag (kept whole).
struct TSnapshotShape {
  const char* Name;
  std::size_t TagBody;  // 0: no tag
  std::size_t Audio;
  bool Trailer;
};

class SnapshotShapes : public ::testing::TestWithParam<TSnapshotShape> {};

TEST_P(SnapshotShapes, AreReadAsTheyStand) {
  const TSnapshotShape& shape = GetParam();
  const std::string head = shape.TagBody == 0 ? "" : Tag(3, Frame23("APIC", std::string(shape.TagBody - 10 - 10, 'p')));
  const std::string tail = shape.Trailer ? Trailer("Title", "Artist", "Album", "1999", "", 1, 2) : "";
  const std::string bytes = head + SongAudio(shape.Audio) + tail;
  TTempFolder folder;
  const std::string song = folder.WriteFile("song.mp3", bytes);
  TResultOf<TTagSnapshot> read = ReadTagSnapshot(song);
  ASSERT_TRUE(read.Ok()) << read.Failure().Describe();
  const TTagSnapshot& snapshot = read.Value();
  const bool whole = !shape.Trailer && shape.Audio < 128;
  EXPECT_EQ(snapshot.Whole, whole);
  EXPECT_TRUE(snapshot.Head == (whole ? bytes : head));
  EXPECT_TRUE(snapshot.Tail == tail);
  EXPECT_EQ(snapshot.MiddleSize, whole ? 0 : static_cast<std::int64_t>(shape.Audio));
  // What the first read held just past the tag is kept, so that a reader looking there (for the
  // audio's first frame, say) reads it from memory, not from the file.
  const std::size_t firstRead = std::min<std::size_t>(bytes.size(), std::size_t{64} << 10);
  const std::size_t lead = whole || firstRead <= head.size() ? 0 : std::min(firstRead - head.size(), kSnapshotLeadSize);
  EXPECT_EQ(snapshot.Lead.size(), lead);
  TSnapshotSource memory(snapshot, -1);  // nothing to read the file through
  for (const std::size_t from :
       {std::size_t{0}, snapshot.Head.size() - std::min<std::size_t>(snapshot.Head.size(), 3)}) {
    std::string seen(snapshot.Head.size() + lead - from, '\0');
    EXPECT_EQ(memory.ReadAt(static_cast<std::int64_t>(from), seen.data(), seen.size()),
              static_cast<std::int64_t>(seen.size()));
    EXPECT_TRUE(seen == bytes.substr(from, seen.size())) << from;
  }
  TResultOf<TTagSnapshot> around = ReadTagSnapshotAround(song, snapshot.MiddleSize, snapshot.Whole);
  ASSERT_TRUE(around.Ok());
  EXPECT_TRUE(around.Value().Head == snapshot.Head);
  EXPECT_TRUE(around.Value().Tail == snapshot.Tail);
}

INSTANTIATE_TEST_SUITE_P(AroundTheFirstRead, SnapshotShapes,
                         ::testing::Values(TSnapshotShape{"SmallSongTrailerInTheFirstRead", 2000, 3000, true},
                                           TSnapshotShape{"TagOneByteShortOfTheFirstRead", 65535, 5000, true},
                                           TSnapshotShape{"TagAsLongAsTheFirstRead", 65536, 5000, false},
                                           TSnapshotShape{"TagOneByteBeyondTheFirstRead", 65537, 5000, true},
                                           TSnapshotShape{"TagFarBeyondTheFirstRead", 300000, 70000, true},
                                           TSnapshotShape{"NoTag", 0, 90000, true},
                                           TSnapshotShape{"TooShortForATrailerOfItsOwn", 1000, 100, false}),
                         [](const ::testing::TestParamInfo<TSnapshotShape>& info) {
                           return std::string(info.param.Name);
                         });

// A song with a second name: the rewrite keeps the one file both names lead to.
TEST(HardLinkedSong, KeepsItsFileWhenTheTagGrows) {
  TTempFolder folder;
  const std::string audio = SongAudio(3u << 20);
  const std::string path = folder.WriteFile("song.mp3", Tag(3, Frame23("TIT2", Latin1Text("Old"))) + audio);
  const std::string other = folder / "other name.mp3";
  ASSERT_EQ(::link(path.c_str(), other.c_str()), 0);
  const ino_t inode = StatOf(path).st_ino;
  TID3v2 tag;
  tag.SetTitle(std::string(5000, 'n'));
  ASSERT_TRUE(tag.Save(path).Ok());
  EXPECT_TRUE(tag.TagInfo.NeedRewrite);
  EXPECT_EQ(StatOf(path).st_ino, inode);
  EXPECT_EQ(StatOf(path).st_nlink, 2u);
  const std::string file = ReadWholeFile(other);
  TID3v2 back;
  ASSERT_TRUE(back.Load(other).Ok());
  EXPECT_EQ(back.Title, std::string(5000, 'n'));
  EXPECT_TRUE(file.substr(TagTotalOf(file)) == audio);
  EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"other name.mp3", "song.mp3"}));
}

// A write into the song's own file that fails midway: the song is written back from the copy.
TEST(HardLinkedSong, AFailedRewriteRestoresTheSong) {
  TTempFolder folder;
  const std::string song = Tag(3, Frame23("TIT2", Latin1Text("Old"))) + SongAudio(3u << 20);
  const std::string path = folder.WriteFile("song.mp3", song);
  ASSERT_EQ(::link(path.c_str(), (folder / "other.mp3").c_str()), 0);
  struct stat copy {};
  int writes = 0;
  TFileOps ops = DefaultFileOps();
  ops.PWrite = [&](int fd, const void* data, size_t size, off_t at) -> ssize_t {
    struct stat target {};
    ::fstat(fd, &target);
    if (target.st_ino == StatOf(path).st_ino && ++writes == 3) return errno = ENOSPC, -1;  // into the song
    copy = target;
    return ::pwrite(fd, data, size, at);
  };
  TID3v2 tag;
  tag.SetTitle(std::string(5000, 'n'));
  const TResult saved = tag.Save(path, ops);
  EXPECT_EQ(saved.Kind(), TFailureKind::Write);
  EXPECT_EQ(saved.Path(), path);
  EXPECT_GE(writes, 3);
  EXPECT_TRUE(ReadWholeFile(path) == song);
  EXPECT_EQ(FilesIn(folder.Path()), (std::vector<std::string>{"other.mp3", "song.mp3"}));
}

// A song with the longest name a folder takes (255 bytes) gets a larger tag, alone or hard-linked:
// its new file beside it has a shorter name, cut at a character's start, that is known as the
// song's own, and is gone after the write.
TEST(LongestName, GetsALargerTag) {
  std::string name = "a";
  for (int i = 0; i < 125; ++i) name += "\xC3\xA9";
  name += ".mp3";
  ASSERT_EQ(name.size(), 255u);
  for (const bool hardLinked : {false, true}) {
    TTempFolder folder;
    const std::string audio = SongAudio(200000);
    const std::string path = folder.WriteFile(name, Tag(3, Frame23("TIT2", Latin1Text("Old"))) + audio);
    if (hardLinked) {
      ASSERT_EQ(::link(path.c_str(), (folder / "other.mp3").c_str()), 0);
    }
    TID3v2 tag;
    tag.SetTitle(std::string(5000, 'n'));
    const TResult saved = tag.Save(path);
    ASSERT_TRUE(saved.Ok()) << saved.DescribeWithError();
    EXPECT_TRUE(tag.TagInfo.NeedRewrite);
    const std::string file = ReadWholeFile(path);
    EXPECT_TRUE(file.substr(TagTotalOf(file)) == audio);
    EXPECT_EQ(FilesIn(folder.Path()).size(), hardLinked ? 2u : 1u) << "no new file is left beside the song";
  }
  const std::string path = "/music/" + name;
  for (const int attempt : {0, 1, 999}) {
    const std::string temporary = TemporaryNameBeside(path, attempt);
    const std::string ending = attempt == 0 ? "~" : "~" + std::to_string(attempt);
    EXPECT_EQ(temporary, path.substr(0, 7 + 127) + ending);
    EXPECT_TRUE(IsTemporaryNameBeside(path, temporary)) << temporary;
    EXPECT_FALSE(IsTemporaryNameBeside("/music/other.mp3", temporary)) << temporary;
  }
  EXPECT_TRUE(IsTemporaryNameBeside("/music/a.mp3", "/music/a.mp3~12"));
  EXPECT_FALSE(IsTemporaryNameBeside("/music/a.mp3", "/music/a.mp3~x"));
  EXPECT_FALSE(IsTemporaryNameBeside(path, path.substr(0, 7 + 127) + "~0"));
}

// Holes stay holes: a sparse song stays sparse after a rewrite.
TEST(RewrittenSong, StaysSparse) {
  TTempFolder folder;
  const std::string oldTag = Tag(3, Frame23("TIT2", Latin1Text("Old")));
  const std::string head = oldTag + SongAudio(100000);
  const std::string path = folder.WriteFile("song.mp3", head);
  constexpr off_t kHole = 32 << 20;
  const std::string tail = SongAudio(5000);
  {
    const int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_EQ(::pwrite(fd, tail.data(), tail.size(), static_cast<off_t>(head.size()) + kHole),
              static_cast<ssize_t>(tail.size()));
    ::close(fd);
  }
  const struct stat before = StatOf(path);
  ASSERT_LT(before.st_blocks * 512, 8 << 20) << "the file system makes no holes";
  TID3v2 tag;
  tag.SetTitle(std::string(5000, 'n'));
  ASSERT_TRUE(tag.Save(path).Ok());
  ASSERT_TRUE(tag.TagInfo.NeedRewrite);
  const struct stat after = StatOf(path);
  EXPECT_LT(after.st_blocks * 512, 8 << 20) << "the holes were filled";
  const std::string file = ReadWholeFile(path);
  const std::size_t total = TagTotalOf(file);
  const std::size_t audioSize = head.size() - oldTag.size();
  ASSERT_EQ(file.size(), total + audioSize + kHole + tail.size());
  EXPECT_TRUE(file.compare(total, audioSize, head, oldTag.size()) == 0);
  EXPECT_TRUE(file.find_first_not_of('\0', total + audioSize) == file.size() - tail.size());
  EXPECT_TRUE(file.compare(file.size() - tail.size(), tail.size(), tail) == 0);
}

TEST(RewrittenSong, KeepsExtendedAttributes) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", Tag(3, Frame23("TIT2", Latin1Text("Old"))) + SongAudio(5000));
  const std::string value = "rating=5";
  if (::setxattr(path.c_str(), "user.tagwright.test", value.data(), value.size(), 0) != 0) {
    GTEST_SKIP() << "the file system keeps no user attributes";
  }
  TID3v2 tag;
  tag.SetTitle(std::string(5000, 'n'));
  ASSERT_TRUE(tag.Save(path).Ok());
  ASSERT_TRUE(tag.TagInfo.NeedRewrite);
  char back[64] = {};
  EXPECT_EQ(::getxattr(path.c_str(), "user.tagwright.test", back, sizeof back), static_cast<ssize_t>(value.size()));
  EXPECT_EQ(std::string(back), value);
}

// A tag that declares half a gigabyte, unsynchronised, in a file that is nearly all hole: reading
// it costs a few MiB, not its declared size.
TEST(HugeDeclaredTag, IsReadWithLittleMemory) {
  TTempFolder folder;
  // Size bytes above 127 taken at face value: 245 * 2^21 bytes, some 514 MB.
  constexpr std::uint32_t kDeclared = 245u << 21;
  const std::string head = "ID3" + Bytes({3, 0, 0x80, 245, 0, 0, 0}) + Frame23("TIT2", Latin1Text("Huge"));
  const std::string path = folder.WriteFile("song.mp3", head);
  ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(10 + kDeclared + 20000)), 0);
  const pid_t reader = Spawn([&] {
    struct rusage before {};
    ::getrusage(RUSAGE_SELF, &before);
    TID3Info info;
    const bool read = ReadID3Tags(path, info).Ok() && info.Title == "Huge";
    TID3v2 tag;
    const bool loaded = tag.Load(path).Ok() && tag.Title == "Huge";
    struct rusage after {};
    ::getrusage(RUSAGE_SELF, &after);
    return read && loaded && after.ru_maxrss - before.ru_maxrss < 64L * 1024;  // KiB
  });
  EXPECT_TRUE(Succeeded(reader));
}

}  // namespace
}  // namespace tagwright

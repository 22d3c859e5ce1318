// Listing is invisible to programs that watch the library: no song is opened for writing, so
// neither a music server nor a desktop indexer sees a change where there was none.
#include <sys/inotify.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"

namespace tagwright::testing {
namespace {

class FolderWatcher {
 public:
  explicit FolderWatcher(const std::string& folder) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(fd_, 0);
    EXPECT_GE(inotify_add_watch(fd_, folder.c_str(), IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_MOVED_TO),
              0);
  }
  ~FolderWatcher() { ::close(fd_); }
  // The names of the files with events since the last call.
  std::vector<std::string> Events() const {
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[8192];
    for (;;) {
      const ssize_t got = ::read(fd_, buffer, sizeof buffer);
      if (got <= 0) break;
      for (char* at = buffer; at < buffer + got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        names.push_back(event->len > 0 ? event->name : "");
        at += sizeof(inotify_event) + event->len;
      }
    }
    return names;
  }

 private:
  int fd_ = -1;
};

class Watcher : public ::testing::TestWithParam<std::vector<std::string>> {
 protected:
  void SetUp() override {
    for (const char* name : {"01 - Moby - Why.mp3", "moby - porcelain.mp3", "a+b.mp3", "Locked.mp3"}) {
      songs.push_back(folder.WriteFile(name, SongAudio(3000)));
    }
    TID3Info tags;
    tags.Title = "Tagged";
    ASSERT_TRUE(WriteID3Tags(songs[1], tags).Ok());
    ASSERT_EQ(::chmod(songs[3].c_str(), 0444), 0);
  }
  std::vector<std::string> Arguments() const {
    std::vector<std::string> arguments = GetParam();
    for (std::string& argument : arguments) {
      if (argument == "FOLDER") argument = folder.Path();
      if (argument == "SONG") argument = songs[1];
    }
    return arguments;
  }
  TTempFolder folder;
  std::vector<std::string> songs;
};

TEST_P(Watcher, SeesNothingWhileSongsAreListed) {
  FolderWatcher watcher(folder.Path());
  const TCliRun run = RunCli(Arguments());
  EXPECT_NE(run.exitStatus, 2) << run.err;
  EXPECT_EQ(watcher.Events(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Listings, Watcher,
                         ::testing::Values(std::vector<std::string>{"scan", "FOLDER"},
                                           std::vector<std::string>{"scan", "--no-tags", "FOLDER"},
                                           std::vector<std::string>{"tags", "SONG"},
                                           std::vector<std::string>{"hands-free", "--dry-run", "FOLDER"},
                                           std::vector<std::string>{"rename", "--dry-run", "FOLDER"},
                                           std::vector<std::string>{"stamp", "--recognized", "--dry-run", "FOLDER"},
                                           std::vector<std::string>{"stamp", "--title", "X", "--dry-run", "SONG"}),
                         [](const auto& info) {
                           std::string name;
                           for (const std::string& argument : info.param) {
                             for (const char c : argument) {
                               if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                             }
                           }
                           return name;
                         });

// The same watcher does see a real write, so the tests above could fail.
TEST(WatcherSeesWrites, ARealStampIsSeen) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("song.mp3", SongAudio(3000));
  FolderWatcher watcher(folder.Path());
  const TCliRun run = RunCli({"stamp", "--title", "X", song});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_FALSE(watcher.Events().empty());
}

}  // namespace
}  // namespace tagwright::testing

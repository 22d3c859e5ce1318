// Times the window on a large folder of tagged songs: LoadSongFolder next to `tagwright-cli scan` on
// the same folder, RefreshSongList in every view mode and filter, the memory held with the songs
// loaded, and the time from Cancel to the end of a pass over 2,000 songs and of the undo of one.
// Usage: ui_window_benchmark [COUNT [TAGWRIGHT_CLI]] (offscreen unless QT_QPA_PLATFORM says).
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "history/history.h"
#include "support/temp_folder.h"
#include "tags/id3_info.h"
#include "tests/ui/recording_dialogs.h"
#include "ui/song_list/song_table_model.h"
#include "ui/window/main_window.h"
#include "ui/window/status_panels.h"

namespace {

using namespace tagwright;

double BestMilliseconds(int runs, const std::function<void()>& work) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    best = std::min(best, spent.count());
  }
  return best;
}

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// Chooses a command, a view or a filter as the user does: by the object name of its menu entry or
// button.
void Choose(const TMainWindow& window, const char* name) {
  if (auto* entry = window.findChild<QAction*>(QString::fromLatin1(name))) {
    entry->trigger();
  } else if (auto* button = window.findChild<QAbstractButton*>(QString::fromLatin1(name))) {
    button->click();
  } else {
    std::fprintf(stderr, "no control named %s\n", name);
    std::exit(1);
  }
}

QString StatusText(const TMainWindow& window) {
  return window.findChild<TStatusPanels*>(QStringLiteral("statusBar"))->PanelText(TStatusPanel::Message);
}
QString ProgressText(const TMainWindow& window) {
  return window.findChild<TStatusPanels*>(QStringLiteral("statusBar"))->ProgressText();
}

const char* const kViewNames[kViewModeCount] = {"pathFileNameView", "fileNameView", "artistTitleView",
                                                "titleArtistView", "columnsView"};
const char* const kFilterNames[kRecognitionFilterCount] = {
    "unfilteredFilter", "failedRecognitionFilter", "id3TagUsedFilter",    "patternMatchingFilter",
    "incompleteFilter", "unsavedId3Filter",        "unrenamedFileFilter", "noGenreFilter"};

// The song list is drawn again when a view or a filter is chosen: the best time of choosing the
// named one after the other one.
double TimeChoice(const TMainWindow& window, const char* name, const char* other) {
  double best = 1e300;
  for (int run = 0; run < 5; ++run) {
    Choose(window, other);
    best = std::min(best, BestMilliseconds(1, [&] { Choose(window, name); }));
  }
  return best;
}

void MakeSongs(const testing::TTempFolder& folder, int count) {
  std::string audio = "\xff\xfb\x90\x64";
  audio.append(413, '\0');
  const char* artists[] = {"Moby", "Madonna", "The Beatles", "Blink 182", "Some Artist", "Jay-Z"};
  for (int i = 0; i < count; ++i) {
    char name[160];
    const char* artist = artists[i % 6];
    std::snprintf(name, sizeof name, "%02d - %s - Song %d.mp3", i % 100, artist, i);
    const std::string path = folder.WriteFile(name, audio);
    if (i % 3 == 2) continue;  // a third known by their names only
    TID3Info tags;
    tags.Artist = artist;
    tags.Title = "Song " + std::to_string(i);
    tags.Album = "Album " + std::to_string(i / 12);
    tags.Track = static_cast<std::uint8_t>(i % 100);
    tags.Genre = i % 5 == 0 ? "" : "Rock";
    if (!WriteID3Tags(path, tags).Ok()) {
      std::fprintf(stderr, "cannot tag %s\n", path.c_str());
      std::exit(1);
    }
  }
}

// The column view against the one-line list: loading the folder shown in each, and sorting (the list
// by its Artist, Title view; the table by each of its columns, the slowest counted). The audio facts
// of the table are read on other threads meanwhile.
void CompareColumnsWithList(TMainWindow& window, const std::string& folder) {
  // The load runs on a worker: it is done when its rows are shown.
  const auto loadAndWait = [&] {
    window.LoadSongFolder(folder);
    while (window.IsLoading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  };
  Choose(window, "pathFileNameView");
  const double listLoad = BestMilliseconds(3, loadAndWait);
  const double listSort = TimeChoice(window, "artistTitleView", "titleArtistView");
  Choose(window, "columnsView");
  const double columnsLoad = BestMilliseconds(3, loadAndWait);
  auto* table = window.findChild<TSongTableModel*>(QStringLiteral("songTableRows"));
  double columnsSort = 0;
  for (int column = 0; column < kSongColumnCount; ++column) {
    double slower = 0;
    for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
      slower = std::max(slower, BestMilliseconds(3, [&] { table->sort(column, order); }));
    }
    std::printf("sort, column %-2d:               %8.1f ms\n", column, slower);
    columnsSort = std::max(columnsSort, slower);
  }
  std::printf("load, list:                    %8.1f ms\n", listLoad);
  std::printf("load, columns:                 %8.1f ms (%.2f x the list)\n", columnsLoad, columnsLoad / listLoad);
  std::printf("sort, list (Artist, Title):    %8.1f ms\n", listSort);
  std::printf("sort, columns (slowest column):%8.1f ms (%.2f x the list)\n", columnsSort, columnsSort / listSort);
  Choose(window, "pathFileNameView");
}

// A window over new songs, recording into a history of its own, with the songs loaded.
struct TWindowOverSongs {
  explicit TWindowOverSongs(int count) {
    MakeSongs(songs, count);
    TResultOf<std::unique_ptr<THistory>> opened = THistory::Open(state / "history.sqlite3");
    if (!opened) {
      std::fprintf(stderr, "cannot open a history\n");
      return;
    }
    history = std::move(opened.Value());
    window.UseHistory(history.get());
    window.show();
    Load();
  }
  void Load() {
    window.LoadSongFolder(songs.Path());
    while (window.IsLoading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  // Cancels the command running once it has reached after songs: the time until the window
  // takes commands again, in milliseconds.
  double CancelWhenReached(const std::atomic<std::size_t>& reached, std::size_t after) {
    while (window.IsRunningCommand() && reached < after) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const auto start = std::chrono::steady_clock::now();
    window.CancelCommand();
    while (window.IsRunningCommand()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }

  testing::TTempFolder songs;
  testing::TTempFolder state;
  std::unique_ptr<THistory> history;
  testing::TRecordingDialogs dialogs;
  TMainWindow window{dialogs};
};

constexpr int kPassSongs = 2000;
constexpr std::size_t kCancelAfter = 200;

// A pass over 2,000 songs that records into a history ("Filename as Title" writes every song) is
// cancelled once it has done a few hundred: the time from Cancel until the window takes commands
// again, which includes reading the folder again; that reading alone is timed beside it.
void TimeCancel() {
  TWindowOverSongs bench(kPassSongs);
  if (!bench.history) return;
  std::atomic<std::size_t> reached = 0;
  bench.window.Seams().BeforeEachPassSong = [&](std::size_t done) { reached = done; };
  bench.dialogs.PreviewAnswers.push_back(true);  // Apply, should the preview come first
  Choose(bench.window, "selectAllEntry");
  Choose(bench.window, "fileNameAsTitleButton");
  const double stop = bench.CancelWhenReached(reached, kCancelAfter);
  std::printf("cancel to stop, %d songs:     %8.1f ms (after %zu songs; %s)\n", kPassSongs, stop, reached.load(),
              StatusText(bench.window).toUtf8().constData());
  std::printf("  of which reading them again: %8.1f ms\n", BestMilliseconds(3, [&] { bench.Load(); }));
}

// The same pass run to its end, then taken back by Undo Last Command and cancelled once the undo
// has done a few hundred files: the time from Cancel until the window takes commands again.
void TimeUndoCancel() {
  TWindowOverSongs bench(kPassSongs);
  if (!bench.history) return;
  bench.dialogs.PreviewAnswers.push_back(true);  // Apply, should the preview come first
  Choose(bench.window, "selectAllEntry");
  Choose(bench.window, "fileNameAsTitleButton");
  while (bench.window.IsRunningCommand()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  std::atomic<std::size_t> reached = 0;
  bench.window.Seams().BeforeEachPassSong = [&](std::size_t done) { reached = done; };
  bench.dialogs.Answers.push_back(TMsgDlgButton::Yes);
  Choose(bench.window, "undoLastCommandEntry");
  const double stop = bench.CancelWhenReached(reached, kCancelAfter);
  std::printf("cancel to stop, undo of %d:   %8.1f ms (after %zu files; %s)\n", kPassSongs, stop, reached.load(),
              StatusText(bench.window).toUtf8().constData());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  // COUNT songs made here, or the songs of an existing FOLDER (such as the realistic corpus).
  const std::string what = argc > 1 ? argv[1] : "10000";
  const std::string cli = argc > 2 ? argv[2] : "";

  testing::TTempFolder made;
  std::string folder = what;
  if (!what.empty() && std::isdigit(static_cast<unsigned char>(what[0]))) {
    MakeSongs(made, std::atoi(what.c_str()));
    folder = made.Path();
  }
  std::printf("songs of %s\n", folder.c_str());

  if (!cli.empty()) {
    const std::string command = "'" + cli + "' scan '" + folder + "' > /dev/null";
    const double ms = BestMilliseconds(3, [&] {
      if (std::system(command.c_str()) != 0) std::fprintf(stderr, "tagwright-cli scan failed\n");
    });
    std::printf("tagwright-cli scan:            %8.1f ms\n", ms);
  }

  const long before = ResidentKilobytes();
  testing::TRecordingDialogs dialogs;
  TMainWindow window(dialogs);
  window.show();
  // Time to the first progress on screen: the progress bar's first "Reading songs" text.
  double firstProgress = -1;
  QElapsedTimer sinceStart;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (firstProgress < 0 && ProgressText(window).startsWith(QStringLiteral("Reading songs"))) {
      firstProgress = static_cast<double>(sinceStart.nsecsElapsed()) / 1e6;
    }
  });
  watch.start(1);
  sinceStart.start();
  // The load runs on a worker; the window's thread answers meanwhile.
  const auto loadAndWait = [&] {
    window.LoadSongFolder(folder);
    while (window.IsLoading()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  };
  loadAndWait();
  watch.stop();
  std::printf("first progress shown after:    %8.1f ms\n", firstProgress);
  const double load = BestMilliseconds(3, loadAndWait);
  std::printf("LoadSongFolder:                %8.1f ms (%d rows)\n", load, window.RowCount());

  for (int mode = 0; mode < kViewModeCount; ++mode) {
    const double ms = TimeChoice(window, kViewNames[mode], kViewNames[(mode + 1) % kViewModeCount]);
    std::printf("RefreshSongList, view mode %d:  %8.1f ms\n", mode, ms);
  }
  CompareColumnsWithList(window, folder);
  for (int filter = 1; filter < kRecognitionFilterCount; ++filter) {
    const double ms = TimeChoice(window, kFilterNames[filter], kFilterNames[0]);
    std::printf("RefreshSongList, filter %d:     %8.1f ms (%d rows)\n", filter, ms, window.RowCount());
  }
  Choose(window, kFilterNames[0]);
  QApplication::processEvents();
  std::printf("resident memory: %ld KiB with the window and %zu songs loaded (%ld KiB before the window)\n",
              ResidentKilobytes(), window.Songs().Count(), before);
  TimeCancel();
  TimeUndoCancel();
  return 0;
}

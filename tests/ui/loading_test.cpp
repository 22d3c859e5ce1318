// Work off the window's thread: progress while songs are read, another folder chosen meanwhile, no
// command during a load, and a pass over many songs cancelled between two songs.
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "history/history.h"
#include "support/sha256.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/folders/folder_pane.h"

namespace tagwright::testing {

namespace {

constexpr int kManySongs = 600;

// A folder with many songs; the window reads each a little slowly, so that a load takes a while
// even on a fast machine.
void AddManySongs(const TSongFolder& folder) {
  const std::string audio = SongAudio(600);
  for (int i = 0; i < kManySongs; ++i) {
    folder.AddFile("Artist " + std::to_string(i % 40) + " - Song " + std::to_string(i) + ".mp3", audio);
  }
}

// What the window runs before it reads each song: the reading waits until the test has seen what it
// looks for (however long the busy machine keeps the window's thread from running; a load that ended
// first would show nothing), and then reads each song a little slowly. After 30 s it goes on, and
// the test fails on its own check.
std::function<void()> ReadingHeldUntil(const std::atomic<bool>& seen) {
  return [&seen] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!seen.load() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  };
}

// A folder of untagged songs that Hands-Free tags without renaming them.
void AddSongsForAPass(const TSongFolder& folder, int count) {
  const std::string audio = SongAudio(std::size_t{8} * 417);
  for (int i = 0; i < count; ++i) folder.AddFile("Artist - Song " + std::to_string(i) + ".mp3", audio);
}

// What the pass runs before each song: before its second, it says it is held and waits until the test
// lets it go (after 30 s it goes on, and the test fails on its own check).
std::function<void(std::size_t)> PassHeldBeforeSecondSong(std::atomic<bool>& held, const std::atomic<bool>& go) {
  return [&held, &go](std::size_t done) {
    if (done != 1) return;
    held = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!go && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
}

}  // namespace

void TLoadingTest::ShowsProgressWhileSongsAreRead() {
  TWindowOnSongs window(AddManySongs, {.OpenAtOnce = false});
  std::atomic<bool> progressSeen = false;
  window->Seams().BeforeEachSongRead = ReadingHeldUntil(progressSeen);
  const QRegularExpression progress(QStringLiteral("^Reading songs: (\\d+) / %1$").arg(kManySongs));
  QStringList seen;
  QStringList messages;
  TWhileBusy watch([&] {
    seen << ProgressText(window);
    if (window->IsLoading()) messages << StatusText(window);
    if (progress.match(seen.last()).hasMatch()) progressSeen = true;
  });
  QVERIFY(window->SelectFolder(window.Folder.QPath()));
  QVERIFY(WaitUntilLoaded(*window.Window));
  QVERIFY2(progressSeen, qPrintable(seen.join(QLatin1Char('|'))));
  // The progress has its own place: the message panel keeps its message meanwhile.
  messages.removeDuplicates();
  QCOMPARE(messages, QStringList{QStringLiteral("Updating file list...")});
  QCOMPARE(window->RowCount(), kManySongs);
  QCOMPARE(StatusText(window), QString());
  QCOMPARE(ProgressText(window), QString());
}

void TLoadingTest::AnotherFolderChosenMidLoadIsTheOneShown() {
  TWindowOnSongs window(AddManySongs, {.OpenAtOnce = false});
  TSongFolder small;
  small.AddSong("Abba - Waterloo.mp3");
  small.AddSong("Moby - Why.mp3");
  std::atomic<bool> switched = false;
  window->Seams().BeforeEachSongRead = ReadingHeldUntil(switched);
  TWhileBusy watch([&] {
    if (!switched && !StatusText(window).isEmpty()) {  // "Updating file list..." or "Reading songs: ..."
      switched = true;
      QVERIFY(window->SelectFolder(small.QPath()));
    }
  });
  QVERIFY(window->SelectFolder(window.Folder.QPath()));
  QVERIFY(WaitUntilLoaded(*window.Window));
  QVERIFY(switched);
  QCOMPARE(window->RowCount(), 2);
  QCOMPARE(RowTexts(*window.Window), (QStringList{QString::fromStdString(small / "Abba - Waterloo.mp3"),
                                                  QString::fromStdString(small / "Moby - Why.mp3")}));
  QCOMPARE(window->Songs().Count(), std::size_t{2});
  QCOMPARE(window->SelectedFolder(), small.Path());
}

void TLoadingTest::NoCommandStartsMidLoad() {
  TWindowOnSongs window(AddManySongs, {.OpenAtOnce = false});
  const std::string named = window.Folder.AddSong("01 - moby - why.mp3");  // Hands-Free would rename it
  std::atomic<bool> tried = false;
  window->Seams().BeforeEachSongRead = ReadingHeldUntil(tried);
  bool disabled = false;
  TWhileBusy watch([&] {
    if (tried || StatusText(window).isEmpty()) return;
    tried = true;
    disabled = !window.Child<QPushButton>("handsFreeButton")->isEnabled();
    Choose(*window.Window, "handsFreeButton");
    QTest::keyClick(window.Window.get(), Qt::Key_F7);
  });
  QVERIFY(window->SelectFolder(window.Folder.QPath()));
  QVERIFY(WaitUntilLoaded(*window.Window));
  QVERIFY(tried);
  QVERIFY(disabled);
  QVERIFY(FileExists(named));
  QVERIFY(window.Child<QPushButton>("handsFreeButton")->isEnabled());
}

// Cancel, pressed once the pass has reported its first progress, stops it between two songs: the
// songs done are its one history entry, the summary says how far it came, and the other songs are
// untouched on disk. The pass waits before its second song until Cancel is pressed, however slow the
// machine.
void TLoadingTest::CancelStopsAPassBetweenSongs() {
  constexpr int kPassSongs = 2000;
  TWindowOnSongs window([](const TSongFolder& folder) { AddSongsForAPass(folder, kPassSongs); }, {.History = true});
  const TSongFolder& folder = window.Folder;
  const std::string untouched = FileSha256(folder / "Artist - Song 0.mp3");
  std::atomic<bool> held = false;
  std::atomic<bool> cancelled = false;
  window->Seams().BeforeEachPassSong = PassHeldBeforeSecondSong(held, cancelled);
  Choose(*window.Window, "selectAllEntry");
  Choose(*window.Window, "handsFreeButton");
  TMainWindow& busy = *window.Window;  // not through ->, which would wait for the pass
  QVERIFY(busy.IsRunningCommand());
  QVERIFY(QTest::qWaitFor([&] { return held.load(); }, 30000));
  QCOMPARE(ProgressText(busy), QStringLiteral("Hands-Free!: 0 / 2,000"));
  // Neither another folder nor another command meanwhile.
  QVERIFY(!ChildOf<TFolderPane>(busy, "folderPane")->isEnabled());
  QVERIFY(!ChildOf<QPushButton>(busy, "handsFreeButton")->isEnabled());
  auto* cancel = ChildOf<QPushButton>(busy, "cancelCommandButton");
  QVERIFY(cancel->isVisible());
  QTest::mouseClick(cancel, Qt::LeftButton);
  cancelled = true;
  QVERIFY(QTest::qWaitFor([&] { return !busy.IsRunningCommand(); }, 30000));
  QCOMPARE(StatusText(window), QStringLiteral("Hands-Free!: cancelled after 2 of 2,000 songs; 2 songs updated"));
  int changed = 0;
  for (int i = 0; i < kPassSongs; ++i) {
    if (FileSha256(folder / ("Artist - Song " + std::to_string(i) + ".mp3")) != untouched) ++changed;
  }
  QCOMPARE(changed, 2);
  TResultOf<std::vector<THistoryEntry>> entries = window.History->Entries();
  QVERIFY(entries.Ok());
  QCOMPARE(entries.Value().size(), std::size_t{1});
  QCOMPARE(entries.Value()[0].Command, std::string("Hands-Free!"));
  QCOMPARE(entries.Value()[0].Files, std::int64_t{2});
  QVERIFY(entries.Value()[0].Done);
  QVERIFY(!cancel->isVisible());
  QCOMPARE(ProgressText(window), QString());
}

// The progress of a pass moves on with it: held before each song, the pass shows how many are done,
// once the window has taken in what the pass told it before.
void TLoadingTest::ProgressMovesOnWithThePass() {
  std::atomic<std::size_t> heldAt = 0;
  std::atomic<std::size_t> letPast = 0;
  // Gone before what its pass holds on to.
  TWindowOnSongs window([](const TSongFolder& folder) { AddSongsForAPass(folder, 4); });
  window->Seams().BeforeEachPassSong = [&](std::size_t done) {
    heldAt = done;
    // After 30 s it goes on, and the test fails on its own check.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (letPast < done && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  };
  Choose(*window.Window, "selectAllEntry");
  Choose(*window.Window, "handsFreeButton");
  TMainWindow& busy = *window.Window;  // not through ->, which would wait for the pass
  for (std::size_t done = 1; done < 4; ++done) {
    QVERIFY(QTest::qWaitFor([&] { return heldAt.load() == done; }, 30000));
    QCoreApplication::processEvents();  // what the pass told before it was held
    QCOMPARE(ProgressText(busy), QStringLiteral("Hands-Free!: %1 / 4").arg(done - 1));
    letPast = done;
  }
  letPast = 4;
  QVERIFY(QTest::qWaitFor([&] { return !busy.IsRunningCommand(); }, 30000));
  window->Seams().BeforeEachPassSong = {};
}

// Closing the window while a pass runs cancels the pass; the window closes once the pass has
// stopped between two songs and its end is done.
void TLoadingTest::ClosingTheWindowMidPassCancelsItFirst() {
  TWindowOnSongs window([](const TSongFolder& folder) { AddSongsForAPass(folder, 300); });
  std::atomic<bool> held = false;
  std::atomic<bool> closed = false;
  window->Seams().BeforeEachPassSong = PassHeldBeforeSecondSong(held, closed);
  Choose(*window.Window, "selectAllEntry");
  Choose(*window.Window, "handsFreeButton");
  TMainWindow& busy = *window.Window;
  QVERIFY(QTest::qWaitFor([&] { return held.load(); }, 30000));
  QVERIFY(!busy.close());  // not yet
  QVERIFY(busy.isVisible());
  closed = true;
  QVERIFY(QTest::qWaitFor([&] { return !busy.isVisible(); }, 30000));
  QCOMPARE(StatusText(busy), QStringLiteral("Hands-Free!: cancelled after 2 of 300 songs; 2 songs updated"));
}

}  // namespace tagwright::testing

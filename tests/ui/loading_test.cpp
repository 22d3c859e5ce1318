// Loading a folder off the window's thread: progress while songs are read, another folder chosen
// meanwhile, and no command during a load.
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <chrono>
#include <thread>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"

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

}  // namespace

void TLoadingTest::ShowsProgressWhileSongsAreRead() {
  TSongFolder folder;
  AddManySongs(folder);
  TWindowUnderTest window;
  window->SetBeforeEachSongRead([] { std::this_thread::sleep_for(std::chrono::microseconds(500)); });
  QStringList seen;
  QStringList messages;
  TWhileBusy watch([&] {
    seen << window->ProgressText();
    messages << window->StatusText();
  });
  QVERIFY(window->SelectFolder(folder.QPath()));
  const QRegularExpression progress(QStringLiteral("^Reading songs: (\\d+) / %1$").arg(kManySongs));
  QVERIFY2(!seen.filter(progress).isEmpty(), qPrintable(seen.join(QLatin1Char('|'))));
  // The progress has its own place: the message panel keeps its message meanwhile.
  messages.removeDuplicates();
  QCOMPARE(messages, QStringList{QStringLiteral("Updating file list...")});
  QCOMPARE(window->RowCount(), kManySongs);
  QCOMPARE(window->StatusText(), QString());
  QCOMPARE(window->ProgressText(), QString());
}

void TLoadingTest::AnotherFolderChosenMidLoadIsTheOneShown() {
  TSongFolder big;
  AddManySongs(big);
  TSongFolder small;
  small.AddSong("Abba - Waterloo.mp3");
  small.AddSong("Moby - Why.mp3");
  TWindowUnderTest window;
  window->SetBeforeEachSongRead([] { std::this_thread::sleep_for(std::chrono::microseconds(500)); });
  bool switched = false;
  TWhileBusy watch([&] {
    if (!switched && !window->StatusText().isEmpty()) {  // "Updating file list..." or "Reading songs: ..."
      switched = true;
      QVERIFY(window->SelectFolder(small.QPath()));
    }
  });
  QVERIFY(window->SelectFolder(big.QPath()));
  QVERIFY(switched);
  QCOMPARE(window->RowCount(), 2);
  QCOMPARE(RowTexts(*window.Window), (QStringList{QString::fromStdString(small / "Abba - Waterloo.mp3"),
                                                  QString::fromStdString(small / "Moby - Why.mp3")}));
  QCOMPARE(window->Songs().Count(), std::size_t{2});
  QCOMPARE(window->SelectedFolder(), small.Path());
}

void TLoadingTest::NoCommandStartsMidLoad() {
  TSongFolder folder;
  AddManySongs(folder);
  const std::string named = folder.AddSong("01 - moby - why.mp3");  // Hands-Free would rename it
  TWindowUnderTest window;
  window->SetBeforeEachSongRead([] { std::this_thread::sleep_for(std::chrono::microseconds(500)); });
  bool tried = false;
  bool disabled = false;
  TWhileBusy watch([&] {
    if (tried || window->StatusText().isEmpty()) return;
    tried = true;
    disabled = !window.Child<QPushButton>("handsFreeButton")->isEnabled();
    window->HandsFreeUpdate();
    QTest::keyClick(window.Window.get(), Qt::Key_F7);
  });
  QVERIFY(window->SelectFolder(folder.QPath()));
  QVERIFY(tried);
  QVERIFY(disabled);
  QVERIFY(FileExists(named));
  QVERIFY(window.Child<QPushButton>("handsFreeButton")->isEnabled());
}

}  // namespace tagwright::testing

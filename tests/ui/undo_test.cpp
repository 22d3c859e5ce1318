#include <QAction>
#include <QMenu>
#include <QPushButton>

#include <fcntl.h>
#include <unistd.h>

#include "commands/history/history.h"
#include "support/sha256.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"

namespace tagwright::testing {

namespace {

// A window recording into a history of its own.
struct TWindowWithHistory {
  TWindowWithHistory() {
    TResultOf<std::unique_ptr<THistory>> opened = THistory::Open(state / "history.sqlite3");
    if (!opened) qFatal("cannot open the test history");
    History = std::move(opened.Value());
    window->UseHistory(History.get());
  }
  TTempFolder state;
  std::unique_ptr<THistory> History;
  TWindowUnderTest window;
};

void SelectAllRows(TMainWindow& window) {
  for (int row = 0; row < window.RowCount(); ++row)
    ClickRow(window, row, row == 0 ? Qt::NoModifier : Qt::ControlModifier);
}

QAction* UndoEntry(const TWindowUnderTest& window) {
  for (QAction* action : window.Child<QMenu>("songListMenu")->actions()) {
    if (action->objectName() == QLatin1String("undoEntry")) return action;
  }
  qFatal("no undo entry");
}

}  // namespace

void TUndoTest::CtrlZAsksThenTakesTheCommandBackByteForByte() {
  TSongFolder folder;
  const std::string song = folder.AddSong("moby - why_does_my_heart.mp3");
  const std::string before = FileSha256(song);
  TWindowWithHistory test;
  TWindowUnderTest& window = test.window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  SelectAllRows(*window.Window);
  QTest::keyClick(window.Window.get(), Qt::Key_F7);
  const std::string renamed = folder / "Moby - Why Does My Heart.mp3";
  QVERIFY(FileExists(renamed));
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  QTest::keyClick(window.Window.get(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t{1});
  QCOMPARE(window.Dialogs.Messages[0].Text, QStringLiteral("Undo \"Hands-Free!\" on 1 file(s)?"));
  QCOMPARE(window.Dialogs.Messages[0].Buttons, TMsgDlgButton::Yes | TMsgDlgButton::No);
  QVERIFY(!FileExists(renamed));
  QCOMPARE(FileSha256(song), before);
  QCOMPARE(RowTexts(*window.Window).size(), 1);  // the folder was reloaded
}

void TUndoTest::AnsweringNoChangesNothing() {
  TSongFolder folder;
  const std::string song = folder.AddSong("some band - the_best_song.mp3");
  TWindowWithHistory test;
  TWindowUnderTest& window = test.window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  window.Child<QPushButton>("detailsCleanupButton")->click();
  const std::string after = FileSha256(song);
  UndoEntry(window)->trigger();
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t{1});
  QCOMPARE(window.Dialogs.Messages[0].Text, QStringLiteral("Undo \"Details Cleanup\" on 1 file(s)?"));
  QCOMPARE(FileSha256(song), after);
}

void TUndoTest::AFileChangedSinceIsLeftAloneAndNamed() {
  TSongFolder folder;
  const std::string kept = folder.AddSong("alpha - one.mp3");
  const std::string changed = folder.AddSong("beta - two.mp3");
  const std::string keptBefore = FileSha256(kept);
  TWindowWithHistory test;
  TWindowUnderTest& window = test.window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  SelectAllRows(*window.Window);
  window.Child<QPushButton>("detailsCleanupButton")->click();
  QVERIFY(WriteID3Tags(changed, Tags("Someone", "Else")).Ok());
  const std::string changedNow = FileSha256(changed);
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  UndoEntry(window)->trigger();
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t{2});
  QCOMPARE(window.Dialogs.Messages[0].Text, QStringLiteral("Undo \"Details Cleanup\" on 2 file(s)?"));
  const QString report = window.Dialogs.Messages[1].Text;
  QVERIFY2(report.contains(QString::fromStdString(changed)), qPrintable(report));
  QVERIFY2(!report.contains(QString::fromStdString(kept)), qPrintable(report));
  QCOMPARE(FileSha256(changed), changedNow);
  QCOMPARE(FileSha256(kept), keptBefore);
}

void TUndoTest::TheMenuEntryNeedsSomethingToUndo() {
  TSongFolder folder;
  folder.AddSong("some band - the_best_song.mp3");
  TWindowWithHistory test;
  TWindowUnderTest& window = test.window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  PrepareSongListMenu(window);
  QVERIFY(!UndoEntry(window)->isEnabled());
  window.Child<QPushButton>("detailsCleanupButton")->click();
  PrepareSongListMenu(window);
  QVERIFY(UndoEntry(window)->isEnabled());
  QCOMPARE(UndoEntry(window)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
}

}  // namespace tagwright::testing

#include <QAction>
#include <QMenu>
#include <QPushButton>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <thread>

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
    if (action->objectName() == QLatin1String("undoLastCommandEntry")) return action;
  }
  qFatal("no undo entry");
}

// Runs tagwright-cli with the arguments; its exit status, its standard error into err.
int RunCommandLine(std::vector<std::string> arguments, const std::string& errPath) {
  arguments.insert(arguments.begin(), TAGWRIGHT_CLI);
  std::vector<char*> raw;
  raw.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) raw.push_back(argument.data());
  raw.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

void TUndoTest::TheWindowAndTheCommandLineShareOneHistory() {
  constexpr int kRounds = 8;
  TSongFolder windowSongs;
  const std::string song = windowSongs.AddSong("some band - the_best_song.mp3");
  TSongFolder cliSongs;
  const std::string cliSong = cliSongs.AddSong("other band - a_song.mp3");
  TWindowWithHistory test;
  TWindowUnderTest& window = test.window;
  QVERIFY(window->SelectFolder(windowSongs.QPath()));
  const std::string errors = test.state / "cli-errors";
  std::atomic<int> cliFailures = 0;
  std::thread commandLine([&] {
    for (int i = 0; i < kRounds; ++i) {
      const std::vector<std::string> arguments = {"--history", test.state / "history.sqlite3", "stamp",
                                                  "--title",   "Round " + std::to_string(i),   cliSong};
      if (RunCommandLine(arguments, errors) != 0) ++cliFailures;
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    ClickRow(*window.Window, 0);
    // Each changes the title the other set: every round is an entry.
    window.Child<QPushButton>(i % 2 == 0 ? "fileNameAsTitleButton" : "detailsCleanupButton")->click();
  }
  commandLine.join();
  QCOMPARE(cliFailures.load(), 0);
  QVERIFY2(ReadWholeFile(errors).empty(), ReadWholeFile(errors).c_str());
  QVERIFY(window.Dialogs.Messages.empty());
  TResultOf<std::vector<THistoryEntry>> entries = test.History->Entries();
  QVERIFY(entries.Ok());
  int fromWindow = 0;
  for (const THistoryEntry& entry : entries.Value()) fromWindow += entry.Program == TProgram::Window ? 1 : 0;
  QCOMPARE(static_cast<int>(entries.Value().size()), 2 * kRounds);
  QCOMPARE(fromWindow, kRounds);
}

void TUndoTest::WithoutItsHistoryNoCommandChangesAFile() {
  TSongFolder folder;
  const std::string song = folder.AddSong("some band - the_best_song.mp3");
  const std::string before = FileSha256(song);
  TWindowUnderTest window;
  window->RefuseChangesWithoutHistory("The history cannot be opened, so no file is changed");
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  window.Child<QPushButton>("detailsCleanupButton")->click();
  QTest::keyClick(window.Window.get(), Qt::Key_F7);
  QCOMPARE(FileSha256(song), before);
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t{2});
  QCOMPARE(window.Dialogs.Messages[0].Text, QStringLiteral("The history cannot be opened, so no file is changed"));
}

}  // namespace tagwright::testing

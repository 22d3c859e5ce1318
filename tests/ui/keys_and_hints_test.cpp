// The window's key map, hints in the status bar and the error report.
#include <QApplication>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QToolButton>
#include <stdexcept>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/folders/shell_file_list.h"
#include "ui/song_list/song_list_box.h"

namespace tagwright::testing {

void TKeysAndHintsTest::FunctionKeysClickTheirButtons() {
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  QSignalSpy rename(window.Child<QPushButton>("renameButton"), &QPushButton::clicked);
  QSignalSpy stamp(window.Child<QPushButton>("stampButton"), &QPushButton::clicked);
  QSignalSpy handsFree(window.Child<QPushButton>("handsFreeButton"), &QPushButton::clicked);
  QSignalSpy previous(window.Child<QToolButton>("previousButton"), &QToolButton::clicked);
  QSignalSpy next(window.Child<QToolButton>("nextButton"), &QToolButton::clicked);
  QTest::keyClick(window.Child<QLineEdit>("artistField"), Qt::Key_F5);
  QTest::keyClick(window.Child<QLineEdit>("artistField"), Qt::Key_F6);
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F7);
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F11);
  QTest::keyClick(window.Window.get(), Qt::Key_F12);
  QCOMPARE(rename.count(), 1);
  QCOMPARE(stamp.count(), 1);
  QCOMPARE(handsFree.count(), 1);
  QCOMPARE(previous.count(), 1);
  QCOMPARE(next.count(), 1);
  // Other keys do nothing here, and typing still reaches the focused field.
  QTest::keyClicks(window.Child<QLineEdit>("artistField"), QStringLiteral("Abba"));
  QCOMPARE(window.Child<QLineEdit>("artistField")->text(), QStringLiteral("Abba"));
  QCOMPARE(rename.count() + stamp.count() + handsFree.count(), 3);
}

void TKeysAndHintsTest::ModifiersAreIgnored() {
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  QSignalSpy stamp(window.Child<QPushButton>("stampButton"), &QPushButton::clicked);
  QTest::keyClick(window.Child<QLineEdit>("titleField"), Qt::Key_F6, Qt::ShiftModifier);
  QTest::keyClick(window.Child<QLineEdit>("titleField"), Qt::Key_F6, Qt::ControlModifier);
  QCOMPARE(stamp.count(), 2);
}

void TKeysAndHintsTest::F9InSongListGoesToPlayEntry() {
  TWindowOnSongs window({"Abba - Waterloo.mp3"});
  const std::string& song = window.Songs[0];
  window.Click(0);
  window.Child<TSongListBox>("songList")->setFocus();
  QSignalSpy play(window.Child<QAction>("playEntry"), &QAction::triggered);
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F9);
  QCOMPARE(play.count(), 1);
  // Played once, by the entry: the window's own F9 is not reached.
  QCOMPARE(window.Dialogs.Opened, std::vector<std::string>({song}));
  // With the entry disabled (as the menu left it) F9 does nothing at all.
  UnselectAll(window);
  PrepareSongListMenu(window);
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F9);
  QCOMPARE(play.count(), 1);
  QCOMPARE(window.Dialogs.Opened.size(), std::size_t(1));
}

void TKeysAndHintsTest::F9ElsewhereOpensCurrentSong() {
  TWindowOnSongs window({"Abba - Waterloo.mp3", "Moby - Porcelain.mp3"});
  const std::string& second = window.Songs[1];
  window.Click(1);
  window.Field(TDetailsField::Album)->setFocus();
  QTest::keyClick(window.Field(TDetailsField::Album), Qt::Key_F9);
  QCOMPARE(window.Dialogs.Opened, std::vector<std::string>({second}));
}

void TKeysAndHintsTest::TheListKeepsTheKeyboardAfterEachCommand_data() {
  QTest::addColumn<int>("key");           // a command's key, or 0
  QTest::addColumn<QString>("entry");     // else the menu entry chosen
  QTest::addColumn<int>("rowAfterDown");  // the row Down selects afterwards
  // The commands over the selected songs and the reloads select the same songs again.
  QTest::newRow("F5") << int(Qt::Key_F5) << QString() << 2;
  QTest::newRow("F6") << int(Qt::Key_F6) << QString() << 2;
  QTest::newRow("F7") << int(Qt::Key_F7) << QString() << 2;
  QTest::newRow("ID3 Clear") << 0 << QStringLiteral("clearCommentEntry") << 2;
  QTest::newRow("Refresh") << 0 << QStringLiteral("refreshEntry") << 2;
  QTest::newRow("Include Subdirectories") << 0 << QStringLiteral("includeSubfoldersEntry") << 2;
}

// Loads and commands disable the song list while they run; the keyboard comes back to it after.
void TKeysAndHintsTest::TheListKeepsTheKeyboardAfterEachCommand() {
  QFETCH(int, key);
  QFETCH(QString, entry);
  QFETCH(int, rowAfterDown);
  TWindowOnSongs window({"A - One.mp3", "B - Two.mp3", "C - Three.mp3", "D - Four.mp3"});
  const std::vector<std::string>& songs = window.Songs;
  auto* list = window.Child<TSongListBox>("songList");
  ClickRow(*window.Window, 1);
  list->setFocus();
  QCOMPARE(QApplication::focusWidget(), list);
  if (key != 0) {
    QTest::keyClick(list, Qt::Key(key));
  } else {
    window.Child<QAction>(entry.toLatin1().constData())->trigger();
  }
  WaitForSongs(*window.Window);
  QCOMPARE(QApplication::focusWidget(), list);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  QCOMPARE(SelectedRows(*window.Window), QList<int>{rowAfterDown});
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F9);  // the list's "Play": every selected song
  QCOMPARE(window.Dialogs.Opened,
           std::vector<std::string>(songs.begin() + rowAfterDown, songs.begin() + rowAfterDown + 2));
}

// When no application opens a file, an error box names it: F9, a double click, the file list's open.
void TKeysAndHintsTest::FileThatNoApplicationOpensIsNamed() {
  TWindowOnSongs window({"Abba - Waterloo.mp3"});
  const std::string& song = window.Songs[0];
  window.Click(0);
  window.Dialogs.OpenAnswers = {false, false, true};
  window.Field(TDetailsField::Album)->setFocus();
  QTest::keyClick(window.Field(TDetailsField::Album), Qt::Key_F9);
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(1));
  QCOMPARE(window.Dialogs.Messages[0].Type, TMsgDlgType::Error);
  QCOMPARE(window.Dialogs.Messages[0].Text,
           QStringLiteral("No application could open ") + QString::fromStdString(song));

  auto* fileList = window.Child<TShellFileList>("fileList");
  fileList->OpenItem(fileList->FileSystemModel()->index(QString::fromStdString(song)));
  QCOMPARE(window.Dialogs.Opened, std::vector<std::string>({song, song}));
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(2));
  QCOMPARE(window.Dialogs.Messages[1].Text,
           QStringLiteral("No application could open ") + QString::fromStdString(song));

  QTest::keyClick(window.Field(TDetailsField::Album), Qt::Key_F9);  // this time it opens
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(2));
}

void TKeysAndHintsTest::F9WithEmptyListDoesNothing() {
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  QTest::keyClick(window.Child<QLineEdit>("albumField"), Qt::Key_F9);
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F9);
  QVERIFY(window.Dialogs.Opened.empty());
}

void TKeysAndHintsTest::HintOfControlGoesToStatusOnOneLine() {
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(window.Child<QPushButton>("fileNameAsTitleButton"), &enter);
  QCOMPARE(StatusText(window),
           QStringLiteral("Set ID3 Song Title to the Filename when there is no Song Title available."));
  // A radio button without a hint of its own shows its group's.
  QApplication::sendEvent(window.Child<QRadioButton>("noGenreFilter"), &enter);
  QCOMPARE(StatusText(window), QStringLiteral("Filters which affect the song display window."));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(window.Child<TSongListBox>("songList"), &leave);
  QCOMPARE(StatusText(window), QString());
  // Menu entries report their hints as they are pointed at.
  window.Child<QAction>("stampEntry")->showStatusText();
  QCOMPARE(StatusText(window),
           QStringLiteral("Update internal ID3 song information for selected songs using Recognized Values."));
  window->SetStatusText(QStringLiteral("Updating file list..."));
  QCOMPARE(StatusText(window), QStringLiteral("Updating file list..."));
}

void TKeysAndHintsTest::ErrorsAreShownAndWindowCarriesOn() {
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  window->RunGuarded([] { throw std::runtime_error("Cannot open file /x/y.mp3"); });
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t{1});
  QCOMPARE(window.Dialogs.Messages[0].Text, QStringLiteral("Cannot open file /x/y.mp3"));
  QCOMPARE(window.Dialogs.Messages[0].Type, TMsgDlgType::Error);
  QCOMPARE(window.Dialogs.Messages[0].Buttons, TMsgDlgButtons{TMsgDlgButton::OK});
  QVERIFY(window->isVisible());
}

}  // namespace tagwright::testing

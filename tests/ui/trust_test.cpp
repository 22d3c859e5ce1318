// What the user typed is kept until they decide, the panel shows the songs acted on, the selection
// survives commands, commands over nothing say so, and batches are previewed first.
#include <sys/stat.h>
#include <QAction>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <filesystem>
#include <map>
#include <set>

#include "files/paths.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/dialogs/preview_tables.h"
#include "ui/settings.h"
#include "ui/song_list/song_list_box.h"
#include "ui/song_list/song_state_icons.h"
#include "ui/text_contrast.h"
#include "ui/window/window_settings.h"

namespace tagwright::testing {

namespace {

TID3Info TagsOf(const std::string& path) {
  TID3Info tags;
  (void)ReadID3Tags(path, tags);  // a song without tags reads as empty
  return tags;
}

std::map<std::string, std::string> FolderBytes(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    contents[entry.path().filename().string()] = ReadWholeFile(entry.path().string());
  }
  return contents;
}

// Three tagged songs, the middle one selected, with "Typed" in its artist field.
struct TTypedWindow : TWindowOnSongs {
  TTypedWindow()
      : TWindowOnSongs(
            {{"1.mp3", Tags("Abba", "Waterloo")}, {"2.mp3", Tags("Moby", "Why")}, {"3.mp3", Tags("Sting", "Fields")}}) {
    Click(1);
    Type(TDetailsField::Artist, QStringLiteral("Typed"));
  }
  QString Artist() const { return Field(TDetailsField::Artist)->text(); }
};

}  // namespace

void TTrustTest::TypedDetailsWaitForTheUsersAnswer_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("answer");            // to "Stamp the changes to 2.mp3?"
  QTest::addColumn<int>("rowAfter");          // the row shown afterwards
  QTest::addColumn<QString>("artistAfter");   // in the panel
  QTest::addColumn<std::string>("tagAfter");  // of 2.mp3 on disk
  const int yes = int(TMsgDlgButton::Yes);
  const int no = int(TMsgDlgButton::No);
  const int cancel = int(TMsgDlgButton::Cancel);
  QTest::newRow("F12, Stamp") << int(Qt::Key_F12) << yes << 2 << QStringLiteral("Sting") << std::string("Typed");
  QTest::newRow("F12, Discard") << int(Qt::Key_F12) << no << 2 << QStringLiteral("Sting") << std::string("Moby");
  QTest::newRow("F12, Cancel") << int(Qt::Key_F12) << cancel << 1 << QStringLiteral("Typed") << std::string("Moby");
  QTest::newRow("F11, Stamp") << int(Qt::Key_F11) << yes << 0 << QStringLiteral("Abba") << std::string("Typed");
  QTest::newRow("F11, Cancel") << int(Qt::Key_F11) << cancel << 1 << QStringLiteral("Typed") << std::string("Moby");
}

void TTrustTest::TypedDetailsWaitForTheUsersAnswer() {
  QFETCH(int, key);
  QFETCH(int, answer);
  QFETCH(int, rowAfter);
  QFETCH(QString, artistAfter);
  QFETCH(std::string, tagAfter);
  TTypedWindow window;
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details (changed) "));
  window.Dialogs.Answers.push_back(TMsgDlgButton(answer));
  QTest::keyClick(window.Window.get(), Qt::Key(key));
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(1));
  QCOMPARE(window.Dialogs.Messages[0].Text, QStringLiteral("Stamp the changes to 2.mp3?"));
  QCOMPARE(window->CurrentRow(), rowAfter);
  QCOMPARE(SelectedRows(*window.Window), QList<int>{rowAfter});
  QCOMPARE(window.Artist(), artistAfter);
  QCOMPARE(TagsOf(window.Songs[1]).Artist, tagAfter);
}

// Another folder and closing the window ask too; Cancel stays on the song with what was typed.
void TTrustTest::LeavingTheFolderOrClosingAsksFirst() {
  TTypedWindow window;
  TSongFolder other;
  other.AddSong("Other - Song.mp3");
  window.Dialogs.Answers = {TMsgDlgButton::Cancel, TMsgDlgButton::Cancel};
  QVERIFY(window->SelectFolder(other.QPath()));
  QCOMPARE(window->SelectedFolder(), window.Folder.Path());
  QCOMPARE(window.Artist(), QStringLiteral("Typed"));
  QVERIFY(!window->close());
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(2));
  QCOMPARE(window.Artist(), QStringLiteral("Typed"));
}

// Leaving the folder, a stamp answered that does not hold (the read-only song stops it) stays in the
// folder, on the song, with what was typed.
void TTrustTest::AFolderLeftWithAFailedStampStaysShown() {
  TTypedWindow window;
  TSongFolder other;
  other.AddSong("Other - Song.mp3");
  QCOMPARE(chmod(window.Songs[1].c_str(), 0444), 0);
  window.Dialogs.Answers = {TMsgDlgButton::Yes, TMsgDlgButton::No};  // Stamp; then stop at the read-only song
  QVERIFY(window->SelectFolder(other.QPath()));
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(2));
  QCOMPARE(window->SelectedFolder(), window.Folder.Path());
  QCOMPARE(RowTexts(*window.Window).size(), 3);
  QCOMPARE(SelectedFiles(window), QStringList{QStringLiteral("2.mp3")});
  QCOMPARE(window.Artist(), QStringLiteral("Typed"));
  QCOMPARE(TagsOf(window.Songs[1]).Artist, std::string("Moby"));
}

// A stamp that does not happen keeps what was typed, whatever the answer about the read-only file.
void TTrustTest::ARefusedStampKeepsWhatWasTyped_data() {
  QTest::addColumn<int>("answer");
  QTest::newRow("skip it") << int(TMsgDlgButton::Yes);
  QTest::newRow("stop") << int(TMsgDlgButton::No);
}

void TTrustTest::ARefusedStampKeepsWhatWasTyped() {
  QFETCH(int, answer);
  TTypedWindow window;
  QCOMPARE(chmod(window.Songs[1].c_str(), 0444), 0);
  const std::string before = ReadWholeFile(window.Songs[1]);
  window.Dialogs.Answers.push_back(TMsgDlgButton(answer));
  QTest::keyClick(window.Window.get(), Qt::Key_F6);
  QCOMPARE(ReadWholeFile(window.Songs[1]), before);
  QCOMPARE(window.Artist(), QStringLiteral("Typed"));
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details (changed) "));
}

void TTrustTest::F5OnAnUnrecognisedSongUsesTheTypedValues() {
  TWindowOnSongs window({"a+b.mp3"});
  window.Click(0);
  window.Type(TDetailsField::Artist, QStringLiteral("Abba"));
  window.Type(TDetailsField::Title, QStringLiteral("Waterloo"));
  QTest::keyClick(window.Window.get(), Qt::Key_F5);
  QVERIFY(FileExists(window.Folder / "Abba - Waterloo.mp3"));
  QCOMPARE(SelectedFiles(window), QStringList{QStringLiteral("Abba - Waterloo.mp3")});
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("Abba"));
}

// Of several songs, one whose recognition failed keeps its name: the panel's shared artist would
// leave nothing of it.
void TTrustTest::F5OnSeveralSongsKeepsTheNameOfAnUnrecognisedOne() {
  TWindowOnSongs window({"@@@.mp3", "moby - why.mp3"});
  window.Click(0);
  window.Click(1, Qt::ControlModifier);
  window.Type(TDetailsField::Artist, QStringLiteral("Zed"));
  window.Press(Qt::Key_F5);
  QVERIFY(FileExists(window.Folder / "@@@.mp3"));
  QVERIFY(FileExists(window.Folder / "Zed - why.mp3"));
  QVERIFY2(StatusText(window).startsWith(QStringLiteral("Rename File(s): 1 renamed, 1 left alone")),
           qPrintable(StatusText(window)));
}

void TTrustTest::ThePanelShowsWhatIsSelected() {
  TWindowOnSongs window({{"1.mp3", Tags("Abba", "Waterloo")}});
  TSongFolder empty;
  window.Click(0);
  window.Run("refreshEntry");  // a reload keeps the song and the panel
  QCOMPARE(SelectedRows(*window.Window), QList<int>{0});
  QCOMPARE(window.Child<QLineEdit>("artistField")->text(), QStringLiteral("Abba"));
  QVERIFY(window->SelectFolder(empty.QPath()));  // another folder: nothing selected, nothing shown
  QCOMPARE(window->RowCount(), 0);
  QCOMPARE(window.Child<QLineEdit>("artistField")->text(), QString());
  QVERIFY(!window.Child<QLineEdit>("artistField")->isEnabled());
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details "));
}

void TTrustTest::CommandsOverNothingSaySo_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("button");
  QTest::newRow("F5") << int(Qt::Key_F5) << QString();
  QTest::newRow("F6") << int(Qt::Key_F6) << QString();
  QTest::newRow("F7") << int(Qt::Key_F7) << QString();
  QTest::newRow("AutoRename") << 0 << QStringLiteral("autoRenameButton");
  QTest::newRow("Details Cleanup") << 0 << QStringLiteral("detailsCleanupButton");
  QTest::newRow("Filename as Title") << 0 << QStringLiteral("fileNameAsTitleButton");
}

void TTrustTest::CommandsOverNothingSaySo() {
  QFETCH(int, key);
  QFETCH(QString, button);
  TWindowOnSongs window({"01 - moby - why.mp3"});
  const std::map<std::string, std::string> before = FolderBytes(window.Folder.Path());
  if (key != 0) {
    QTest::keyClick(window.Window.get(), Qt::Key(key));
  } else {
    window.Child<QPushButton>(qPrintable(button))->click();
  }
  QCOMPARE(StatusText(window), QStringLiteral("Select the songs first (Ctrl+A selects all)"));
  QCOMPARE(FolderBytes(window.Folder.Path()), before);
}

// After a command the same songs are selected, followed through their new names, and the current
// row is the same song.
void TTrustTest::TheSelectionSurvivesEachCommand_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<QString>("button");
  QTest::newRow("F6 on several") << int(Qt::Key_F6) << QString();
  QTest::newRow("F7") << int(Qt::Key_F7) << QString();
  QTest::newRow("AutoRename") << 0 << QStringLiteral("autoRenameButton");
  QTest::newRow("Details Cleanup") << 0 << QStringLiteral("detailsCleanupButton");
}

void TTrustTest::TheSelectionSurvivesEachCommand() {
  QFETCH(int, key);
  QFETCH(QString, button);
  TWindowOnSongs window({
      {"a.mp3", Tags("Zed", "One")},
      "moby - why.mp3",  // F7 and AutoRename give it a new name
      {"sting - fields.mp3", Tags("Sting", "Fields")},
      {"z.mp3", Tags("Abba", "Two")},
  });
  ClickRow(*window.Window, 2);
  ClickRow(*window.Window, 1, Qt::ControlModifier);  // two songs, the current one second
  const std::string moby = window->SongAtRow(1)->FileName();
  if (key != 0) {
    QTest::keyClick(window.Window.get(), Qt::Key(key));
  } else {
    window.Child<QPushButton>(qPrintable(button))->click();
  }
  WaitForSongs(*window.Window);  // the pass runs on a worker
  QStringList expected;
  for (const std::string& name : {std::string("Moby - Why.mp3"), std::string("moby - why.mp3"),
                                  std::string("sting - fields.mp3"), std::string("Sting - Fields.mp3")}) {
    if (FileExists(window.Folder / name)) expected << QString::fromStdString(name);
  }
  QCOMPARE(SelectedFiles(window), expected);
  const QString current = FileOfRow(window, window->CurrentRow());
  QVERIFY2(current.compare(QStringLiteral("moby - why.mp3"), Qt::CaseInsensitive) == 0, qPrintable(current));
  (void)moby;
}

// With "Preview Before Changing Several Songs" on, every batch shows its preview; Close changes no
// byte, Apply gives the same folder as the command run with the option off.
void TTrustTest::BatchesArePreviewedAndApplyEqualsTheCommand_data() {
  QTest::addColumn<QString>("button");
  QTest::newRow("Details Cleanup") << QStringLiteral("detailsCleanupButton");
  QTest::newRow("Filename as Title") << QStringLiteral("fileNameAsTitleButton");
  QTest::newRow("AutoRename Files") << QStringLiteral("autoRenameButton");
  QTest::newRow("Hands-Free!") << QStringLiteral("handsFreeButton");
  QTest::newRow("Stamp of several") << QStringLiteral("stampButton");
}

void TTrustTest::BatchesArePreviewedAndApplyEqualsTheCommand() {
  QFETCH(QString, button);
  std::map<std::string, std::string> results[3];  // after Close, after Apply, the command unpreviewed
  for (int run = 0; run < 3; ++run) {
    TWindowOnSongs window(
        {{"abba - waterloo.mp3", Tags("abba", "waterloo")}, "01 - moby - why.mp3", {"x.mp3", Tags("Sting", "Fields")}});
    const TSongFolder& folder = window.Folder;
    const std::map<std::string, std::string> before = FolderBytes(folder.Path());
    if (run < 2) window->UsePreviewBeforeChanging(true);
    window.Dialogs.PreviewAnswers.push_back(run == 1);
    window.Run("selectAllEntry");
    window.Run(qPrintable(button));  // the pass runs on a worker
    QCOMPARE(window.Dialogs.Previews.size(), std::size_t(run < 2 ? 1 : 0));
    if (run < 2) QCOMPARE(window.Dialogs.Previews[0].Results.size(), std::size_t(3));
    results[run] = FolderBytes(folder.Path());
    if (run == 0) QCOMPARE(results[0], before);
  }
  QCOMPARE(results[1], results[2]);
  QVERIFY(results[1] != results[0]);
}

// The option is on at first, remembered, and ticked in the song list's menu.
void TTrustTest::PreviewOptionIsOnAtFirstAndRemembered() {
  {
    TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
    window->UsePreviewBeforeChanging(false);
  }
  TWindowOnSongs kept(TWindowOptions{.Settings = TSettings::Keep, .OpenAtOnce = false});
  QVERIFY(!window_settings::PreviewBeforeChanging());
  QVERIFY(!kept.Child<QAction>("previewBeforeChangingEntry")->isChecked());
  kept.Child<QAction>("previewBeforeChangingEntry")->trigger();
  QVERIFY(kept.Child<QAction>("previewBeforeChangingEntry")->isChecked());
  QVERIFY(window_settings::PreviewBeforeChanging());
  QSettings(SettingsOrganization(), SettingsApplication()).clear();
  QVERIFY(window_settings::PreviewBeforeChanging());
}

// One column per field that changes, old -> new, and the songs left alone with their reasons apart.
void TTrustTest::PreviewTablesShowOldAndNewPerField() {
  TSongResult tagged;
  tagged.FileName = "/m/abba - waterloo.mp3";
  tagged.Outcome = TChangeOutcome::TaggedAndRenamed;
  tagged.NewFileName = "/m/Abba - Waterloo.mp3";
  tagged.TagsWritten = true;
  tagged.Tags = Tags("Abba", "Waterloo");
  TSongResult skipped;
  skipped.FileName = "/m/x.mp3";
  skipped.OwnReason = "not recognised";
  const TPreviewTables tables = PreviewTablesOf({tagged, skipped}, {Tags("abba", "Waterloo"), TID3Info()});
  QCOMPARE(tables.ChangeColumns, QStringList({"File", "File name", "Artist"}));
  QCOMPARE(tables.Changes.size(), std::size_t(1));
  QCOMPARE(tables.Changes[0],
           QStringList({"abba - waterloo.mp3", "abba - waterloo.mp3 \u2192 Abba - Waterloo.mp3", "abba \u2192 Abba"}));
  QCOMPARE(tables.LeftAlone.size(), std::size_t(1));
  QCOMPARE(tables.LeftAlone[0], QStringList({"x.mp3", "skipped", "not recognised"}));
}

}  // namespace tagwright::testing

namespace tagwright::testing {

void TTrustTest::FoldersOpenByDialogRecentAndDrop() {
  TWindowOnSongs window({"Abba - Waterloo.mp3"}, {.OpenAtOnce = false});
  const TSongFolder& first = window.Folder;
  TSongFolder empty;
  window.Dialogs.FolderAnswers.push_back(first.QPath());
  QTest::keyClick(window.Window.get(), Qt::Key_O, Qt::ControlModifier);
  QCOMPARE(window->SelectedFolder(), first.Path());
  QCOMPARE(window->RowCount(), 1);
  QCOMPARE(QApplication::focusWidget(), window.Child<TSongListBox>("songList"));
  // A folder dropped onto the window opens; one without songs says so in the list.
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(empty.AddFile("not a folder.txt"))),
                QUrl::fromLocalFile(empty.QPath())});
  QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.Window.get(), &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window.Window.get(), &drop);
  QVERIFY(drop.isAccepted());
  QCOMPARE(window->SelectedFolder(), empty.Path());
  QCOMPARE(window.Child<TSongListBox>("songList")->EmptyText(), QStringLiteral("No songs in this folder"));
  QCOMPARE(window_settings::RecentFolders().mid(0, 2), QStringList({empty.QPath(), first.QPath()}));
}

// Every pane grows with the window; the minimum size is a first run's, whatever the last session left.
void TTrustTest::PanesGrowAndTheMinimumIsNotRemembered() {
  QSize firstMinimum;
  QList<int> small;
  QList<int> large;
  {
    TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
    firstMinimum = window->minimumSize();
    const auto widths = [&window] {
      return QList<int>{window.Child<QWidget>("folderPane")->width(), window.Child<QWidget>("middlePane")->width(),
                        window.Child<QWidget>("artistField")->width(), window.Child<QWidget>("bannerImage")->width()};
    };
    window->resize(firstMinimum);
    QApplication::processEvents();
    small = widths();
    window->resize(2560, 1440);
    QApplication::processEvents();
    large = widths();
    window->resize(1600, 1000);
  }
  for (int i = 0; i < small.size(); ++i) QVERIFY2(large[i] > small[i], qPrintable(QString::number(i)));
  TWindowOnSongs again(TWindowOptions{.Settings = TSettings::Keep, .OpenAtOnce = false});
  QCOMPARE(again->minimumSize(), firstMinimum);
}

// Beside its text, a row shows its state by a shape in the state's colour (the text itself is in the
// readable variant of the colour), and a song without any write bit shows a lock, also to root.
void TTrustTest::RowsShowTheStateByShapeAndAReadOnlySongByALock() {
  TWindowOnSongs window({{"Abba - Waterloo.mp3", Tags("Abba", "Waterloo")}, "Moby.mp3"}, {.OpenAtOnce = false});
  QCOMPARE(chmod(window.Songs[0].c_str(), 0444), 0);
  window.Open();
  auto* list = window.Child<TSongListBox>("songList");
  const QImage image = list->viewport()->grab().toImage();
  const auto rowHas = [&](int row, const QColor& color) {
    const QRect rect = list->visualRect(list->model()->index(row, 0));
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      for (int x = rect.left(); x <= rect.right(); ++x) {
        if (image.pixelColor(x, y) == color) return true;
      }
    }
    return false;
  };
  const int lockedRow = RowEndingWith(*window.Window, QStringLiteral("Waterloo.mp3"));
  const int other = 1 - lockedRow;
  QVERIFY(rowHas(lockedRow, kLockColor));
  QVERIFY(!rowHas(other, kLockColor));
  QVERIFY(rowHas(other, QColor(255, 0, 0)));                                        // the triangle
  QVERIFY(rowHas(other, ReadableTextColor(QColor(255, 0, 0), QColor(Qt::white))));  // the text
  QVERIFY(window->SongAtRow(other)->WritableWhenListed());
}

}  // namespace tagwright::testing

// Start-up state, the status bar's resize rule, folder selection and the About box.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/about_box.h"
#include "ui/folder_tree.h"
#include "ui/song_list_box.h"
#include "ui/status_panels.h"

namespace tagwright::testing {

void TStartUpTest::StartsEmptyWithCaptionAndFirstChoices() {
  TWindowUnderTest window;
  QCOMPARE(window->windowTitle(), QString::fromUtf8(kProgramNameAndVersion));
  QCOMPARE(window->RowCount(), 0);
  QCOMPARE(window->StatusText(), QString());
  QCOMPARE(window->CountText(), QString());
  QVERIFY(window.Child<QRadioButton>("unfilteredFilter")->isChecked());
  QCOMPARE(EnabledFilters(*window.Window), QStringLiteral("10000000"));
  QCOMPARE(window->ViewMode(), TViewMode::PathFileName);
  QVERIFY(window.Child<QRadioButton>("pathFileNameView")->isChecked());
  QVERIFY(!window.Child<QAction>("includeSubfoldersEntry")->isChecked());
  QCOMPARE(window->SongDetailsCaption(), QStringLiteral(" Song Details "));
  QCOMPARE(window.Child<QLineEdit>("fileNameField")->text(), QString());
  QCOMPARE(window.Child<QLineEdit>("artistField")->text(), QString());
  QCOMPARE(window.Child<QLabel>("readOnlyLabel")->text(), QString());
  QCOMPARE(window->SelectedFolder(), std::string());
  // The tree opens on the home folder without selecting anything.
  QVERIFY(window.Child<TFolderTree>("folderTree")->isExpanded(window.Child<TFolderTree>("folderTree")->NodeOfPath(QDir::homePath())));
}

void TStartUpTest::LayoutCarriesCaptionsHintsAndLegend() {
  TWindowUnderTest window;
  QCOMPARE(window.Child<QGroupBox>("filterBox")->title(), QStringLiteral(" Filter By "));
  QCOMPARE(window.Child<QGroupBox>("saveRecognizedBox")->title(), QStringLiteral(" Save Recognized Info "));
  QCOMPARE(window.Child<QGroupBox>("viewModeBox")->title(), QStringLiteral(" Sort and View By "));
  QCOMPARE(window.Child<QPushButton>("handsFreeButton")->text(), QStringLiteral("Hands-Free! (F7)"));
  QVERIFY(window.Child<QPushButton>("handsFreeButton")->font().bold());
  QCOMPARE(window.Child<QPushButton>("stampButton")->text(), QStringLiteral("Stamp &ID3 Tag(s) (F6)"));
  QCOMPARE(window.Child<QPushButton>("autoRenameButton")->toolTip(),
           QStringLiteral("Rename selected files using \"Track - Artist - Group\" format. Note\nthat other "
                          "information in the filename will not be retained!\nEg. Avoid renaming songs with "
                          "truncated titles."));
  QCOMPARE(window.Child<QToolButton>("nextButton")->toolTip(), QStringLiteral("Next File (F12)"));
  QCOMPARE(window.Child<QLineEdit>("trackField")->toolTip(), QStringLiteral("Track Number of Song"));
  QCOMPARE(window.Child<QAction>("stampEntry")->toolTip(),
           QStringLiteral("Update internal ID3 song information for selected songs\nusing Recognized Values."));
  QCOMPARE(window.Child<QAction>("playEntry")->shortcut(), QKeySequence(Qt::Key_F9));
  auto captionColor = [](QWidget* w) { return w->palette().color(QPalette::Active, QPalette::WindowText); };
  QCOMPARE(captionColor(window.Child<QRadioButton>("unsavedId3Filter")), QColor(128, 128, 0));
  QCOMPARE(captionColor(window.Child<QRadioButton>("unrenamedFileFilter")), QColor(170, 21, 21));
  QCOMPARE(captionColor(window.Child<QRadioButton>("incompleteFilter")), QColor(255, 0, 0));
  QCOMPARE(captionColor(window.Child<QRadioButton>("patternMatchingFilter")), QColor(2, 117, 112));
  QStringList entries;
  for (QAction* action : window.Child<QMenu>("songListMenu")->actions()) {
    if (!action->isSeparator()) entries << action->text();
  }
  QCOMPARE(entries, QStringList({"Play", "Stamp ID3 Tags", "ID3 Clear", "Rename This File", "Delete This File",
                                 "Select Artist", "Select All", "Include Subdirectories", "Refresh",
                                 "Undo Last Command (Ctrl+Z)"}));
}

void TStartUpTest::GenreBoxOffersSortedNames() {
  TWindowUnderTest window;
  QComboBox* genres = window.Child<QComboBox>("genreBox");
  QCOMPARE(genres->count(), 149);
  QVERIFY(genres->findText(QStringLiteral("Unknown")) >= 0);
  // Hyphens and letter case do not count: "Hip-Hop" sorts as "hiphop", after "Hard Rock".
  QVERIFY(genres->findText(QStringLiteral("Hip-Hop")) > genres->findText(QStringLiteral("Hard Rock")));
  QVERIFY(genres->findText(QStringLiteral("Eurodance")) < genres->findText(QStringLiteral("Euro-House")));
  QVERIFY(genres->findText(QStringLiteral("Euro-House")) < genres->findText(QStringLiteral("Euro-Techno")));
  QCOMPARE(genres->lineEdit()->maxLength(), 100);
  QCOMPARE(window.Child<QLineEdit>("yearField")->maxLength(), 4);
  QCOMPARE(window.Child<QLineEdit>("trackField")->maxLength(), 3);
}

void TStartUpTest::MessagePanelFollowsWindowWidth_data() {
  QTest::addColumn<int>("outerWidth");
  QTest::addColumn<int>("panelWidth");
  QTest::newRow("narrow") << 700 << 400;
  QTest::newRow("763") << 763 << 400;
  QTest::newRow("764") << 764 << 401;
  QTest::newRow("1000") << 1000 << 637;
}

void TStartUpTest::MessagePanelFollowsWindowWidth() {
  QFETCH(int, outerWidth);
  QFETCH(int, panelWidth);
  TWindowUnderTest window;
  const int frame = window->frameGeometry().width() - window->width();
  window->resize(outerWidth - frame, window->height());
  QCOMPARE(window->frameGeometry().width(), outerWidth);
  QCOMPARE(window.Child<TStatusPanels>("statusBar")->PanelWidth(TStatusPanel::Message), panelWidth);
  QCOMPARE(window.Child<TStatusPanels>("statusBar")->PanelWidth(TStatusPanel::Count), 70);
  QCOMPARE(window.Child<TStatusPanels>("statusBar")->PanelWidth(TStatusPanel::Spare), 50);
}

void TStartUpTest::SelectingAnotherFolderUnticksSubdirectories() {
  TSongFolder first, second;
  first.AddSong("Abba - Waterloo.mp3");
  first.AddSong("sub/Moby - Porcelain.mp3");
  second.AddSong("Moby - Honey.mp3");
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(first.QPath()));
  QCOMPARE(window->SelectedFolder(), first.Path());
  QCOMPARE(window->RowCount(), 1);
  window.Child<QAction>("includeSubfoldersEntry")->setChecked(true);
  window->LoadSongFolder(window->SelectedFolder());
  QCOMPARE(window->RowCount(), 2);
  QVERIFY(window->SelectFolder(second.QPath()));
  QVERIFY(!window.Child<QAction>("includeSubfoldersEntry")->isChecked());
  QCOMPARE(RowTexts(*window.Window), QStringList({QString::fromStdString(second / "Moby - Honey.mp3")}));
}

void TStartUpTest::SelectingAFileIsRefused() {
  TSongFolder folder;
  const std::string song = folder.AddSong("Abba - Waterloo.mp3");
  TWindowUnderTest window;
  QVERIFY(!window->SelectFolder(QString::fromStdString(song)));
  QVERIFY(!window->SelectFolder(folder.QPath() + QStringLiteral("/missing")));
  QCOMPARE(window->RowCount(), 0);
}

void TStartUpTest::AboutBoxShowsVersion() {
  TAboutBox box;
  QCOMPARE(box.windowTitle(), QStringLiteral("About"));
  QCOMPARE(ChildOf<QLabel>(box, "version")->text(), QStringLiteral("Version %1").arg(QLatin1String(kProgramVersion)));
  QCOMPARE(ChildOf<QLabel>(box, "productName")->text(), QStringLiteral("Tagwright"));
  QCOMPARE(box.size(), QSize(298, 213));
  QCOMPARE(box.minimumSize(), box.maximumSize());
  QVERIFY(ChildOf<QPushButton>(box, "okButton")->isDefault());
  QCOMPARE(ChildOf<QPushButton>(box, "okButton")->text(), QStringLiteral("OK"));
}

void TStartUpTest::RefreshKeepsOpenFoldersWithoutReloading() {
  TSongFolder folder;
  folder.AddSong("Abba - Waterloo.mp3");
  folder.MakeFolder("inner/deeper");
  TWindowUnderTest window;
  TFolderTree* tree = window.Child<TFolderTree>("folderTree");
  QVERIFY(window->SelectFolder(folder.QPath()));
  tree->expand(tree->NodeOfPath(folder.QPath() + QStringLiteral("/inner")));
  folder.AddSong("Moby - Porcelain.mp3");
  folder.MakeFolder("new");
  window.Child<QToolButton>("refreshButton")->click();
  QVERIFY(tree->isExpanded(tree->NodeOfPath(folder.QPath() + QStringLiteral("/inner"))));
  QVERIFY(tree->isExpanded(tree->NodeOfPath(QDir::homePath())));
  QCOMPARE(window->SelectedFolder(), folder.Path());
  QVERIFY(tree->NodeOfPath(folder.QPath() + QStringLiteral("/new")).isValid());
  QCOMPARE(window->RowCount(), 1);  // the song list is not reloaded by the refresh
}

void TStartUpTest::ClosingTheWindowEndsTheProgram() {
  // As the program starts: the window and a hidden About box; closing the window ends the event
  // loop with status 0.
  TWindowUnderTest window;
  TAboutBox hiddenAboutBox;
  QTimer::singleShot(0, window.Window.get(), [&] { window->close(); });
  QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
  QCOMPARE(QApplication::exec(), 0);
}

}  // namespace tagwright::testing

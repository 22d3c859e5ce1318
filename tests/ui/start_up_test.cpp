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

void TStartUpTest::startsEmptyWithCaptionAndFirstChoices() {
  TWindowUnderTest window;
  QCOMPARE(window->windowTitle(), QString::fromUtf8(kProgramNameAndVersion));
  QCOMPARE(window->RowCount(), 0);
  QCOMPARE(window->StatusText(), QString());
  QCOMPARE(window->CountText(), QString());
  QVERIFY(window->radfbUnfiltered->isChecked());
  QCOMPARE(EnabledFilters(*window.Window), QStringLiteral("10000000"));
  QCOMPARE(window->ViewMode(), 0);
  QVERIFY(window->viewButtons->button(0)->isChecked());
  QVERIFY(!window->popchkIncludeSubdirectories->isChecked());
  QCOMPARE(window->SongDetailsCaption(), QStringLiteral(" Song Details "));
  QCOMPARE(window->lblFilenameDisplay->text(), QString());
  QCOMPARE(window->txtArtistDisplay->text(), QString());
  QCOMPARE(window->lblReadOnlyCaption->text(), QString());
  QCOMPARE(window->SelectedFolder(), std::string());
  // The tree opens on the home folder without selecting anything.
  QVERIFY(window->ShellTreeView1->isExpanded(window->ShellTreeView1->NodeOfPath(QDir::homePath())));
}

void TStartUpTest::layoutCarriesCaptionsHintsAndLegend() {
  TWindowUnderTest window;
  QCOMPARE(window->radRecogTypeFilter->title(), QStringLiteral(" Filter By "));
  QCOMPARE(window->pnlWriteRecogInfo->title(), QStringLiteral(" Save Recognized Info "));
  QCOMPARE(window->radViewBy->title(), QStringLiteral(" Sort and View By "));
  QCOMPARE(window->cmdHandsFreeUpdate->text(), QStringLiteral("Hands-Free! (F7)"));
  QVERIFY(window->cmdHandsFreeUpdate->font().bold());
  QCOMPARE(window->cmdUpdateID3Tags->text(), QStringLiteral("Stamp &ID3 Tag(s) (F6)"));
  QCOMPARE(window->cmdRenameSelectedFiles->toolTip(),
           QStringLiteral("Rename selected files using \"Track - Artist - Group\" format. Note\nthat other "
                          "information in the filename will not be retained!\nEg. Avoid renaming songs with "
                          "truncated titles."));
  QCOMPARE(window->btnNextFile->toolTip(), QStringLiteral("Next File (F12)"));
  QCOMPARE(window->txtTrackDisplay->toolTip(), QStringLiteral("Track Number of Song"));
  QCOMPARE(window->popStampID3Tags->toolTip(),
           QStringLiteral("Update internal ID3 song information for selected songs\nusing Recognized Values."));
  QCOMPARE(window->popPlaySongs->shortcut(), QKeySequence(Qt::Key_F9));
  auto captionColor = [](QWidget* w) { return w->palette().color(QPalette::Active, QPalette::WindowText); };
  QCOMPARE(captionColor(window->radfbUnsavedID3), QColor(128, 128, 0));
  QCOMPARE(captionColor(window->radfbUnrenamedFile), QColor(170, 21, 21));
  QCOMPARE(captionColor(window->radfbIncomplete), QColor(255, 0, 0));
  QCOMPARE(captionColor(window->radfbPatternMatching), QColor(2, 117, 112));
  QStringList entries;
  for (QAction* action : window->popFilesList->actions()) {
    if (!action->isSeparator()) entries << action->text();
  }
  QCOMPARE(entries, QStringList({"Play", "Stamp ID3 Tags", "ID3 Clear", "Rename This File", "Delete This File",
                                 "Select Artist", "Select All", "Include Subdirectories", "Refresh"}));
}

void TStartUpTest::genreBoxOffersSortedNames() {
  TWindowUnderTest window;
  QComboBox* genres = window->cboGenreDisplay;
  QCOMPARE(genres->count(), 149);
  QVERIFY(genres->findText(QStringLiteral("Unknown")) >= 0);
  // Hyphens and letter case do not count: "Hip-Hop" sorts as "hiphop", after "Hard Rock".
  QVERIFY(genres->findText(QStringLiteral("Hip-Hop")) > genres->findText(QStringLiteral("Hard Rock")));
  QVERIFY(genres->findText(QStringLiteral("Eurodance")) < genres->findText(QStringLiteral("Euro-House")));
  QVERIFY(genres->findText(QStringLiteral("Euro-House")) < genres->findText(QStringLiteral("Euro-Techno")));
  QCOMPARE(genres->lineEdit()->maxLength(), 100);
  QCOMPARE(window->txtYearDisplay->maxLength(), 4);
  QCOMPARE(window->txtTrackDisplay->maxLength(), 3);
}

void TStartUpTest::messagePanelFollowsWindowWidth_data() {
  QTest::addColumn<int>("outerWidth");
  QTest::addColumn<int>("panelWidth");
  QTest::newRow("narrow") << 700 << 400;
  QTest::newRow("763") << 763 << 400;
  QTest::newRow("764") << 764 << 401;
  QTest::newRow("1000") << 1000 << 637;
}

void TStartUpTest::messagePanelFollowsWindowWidth() {
  QFETCH(int, outerWidth);
  QFETCH(int, panelWidth);
  TWindowUnderTest window;
  const int frame = window->frameGeometry().width() - window->width();
  window->resize(outerWidth - frame, window->height());
  QCOMPARE(window->frameGeometry().width(), outerWidth);
  QCOMPARE(window->StatusBar1->PanelWidth(0), panelWidth);
  QCOMPARE(window->StatusBar1->PanelWidth(1), 70);
  QCOMPARE(window->StatusBar1->PanelWidth(2), 50);
}

void TStartUpTest::selectingAnotherFolderUnticksSubdirectories() {
  TSongFolder first, second;
  first.AddSong("Abba - Waterloo.mp3");
  first.AddSong("sub/Moby - Porcelain.mp3");
  second.AddSong("Moby - Honey.mp3");
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(first.QPath()));
  QCOMPARE(window->SelectedFolder(), first.Path());
  QCOMPARE(window->RowCount(), 1);
  window->popchkIncludeSubdirectories->setChecked(true);
  window->LoadSongFolder(window->SelectedFolder());
  QCOMPARE(window->RowCount(), 2);
  QVERIFY(window->SelectFolder(second.QPath()));
  QVERIFY(!window->popchkIncludeSubdirectories->isChecked());
  QCOMPARE(RowTexts(*window.Window), QStringList({QString::fromStdString(second / "Moby - Honey.mp3")}));
}

void TStartUpTest::selectingAFileIsRefused() {
  TSongFolder folder;
  const std::string song = folder.AddSong("Abba - Waterloo.mp3");
  TWindowUnderTest window;
  QVERIFY(!window->SelectFolder(QString::fromStdString(song)));
  QVERIFY(!window->SelectFolder(folder.QPath() + QStringLiteral("/missing")));
  QCOMPARE(window->RowCount(), 0);
}

void TStartUpTest::aboutBoxShowsVersion() {
  TAboutBox box;
  QCOMPARE(box.windowTitle(), QStringLiteral("About"));
  QCOMPARE(box.Version->text(), QStringLiteral("Version %1").arg(QLatin1String(kProgramVersion)));
  QCOMPARE(box.ProductName->text(), QStringLiteral("Tagwright"));
  QCOMPARE(box.size(), QSize(298, 213));
  QCOMPARE(box.minimumSize(), box.maximumSize());
  QVERIFY(box.OKButton->isDefault());
  QCOMPARE(box.OKButton->text(), QStringLiteral("OK"));
}

void TStartUpTest::refreshKeepsOpenFoldersWithoutReloading() {
  TSongFolder folder;
  folder.AddSong("Abba - Waterloo.mp3");
  folder.MakeFolder("inner/deeper");
  TWindowUnderTest window;
  TFolderTree* tree = window->ShellTreeView1;
  QVERIFY(window->SelectFolder(folder.QPath()));
  tree->expand(tree->NodeOfPath(folder.QPath() + QStringLiteral("/inner")));
  folder.AddSong("Moby - Porcelain.mp3");
  folder.MakeFolder("new");
  window->Image2Click();
  QVERIFY(tree->isExpanded(tree->NodeOfPath(folder.QPath() + QStringLiteral("/inner"))));
  QVERIFY(tree->isExpanded(tree->NodeOfPath(QDir::homePath())));
  QCOMPARE(window->SelectedFolder(), folder.Path());
  QVERIFY(tree->NodeOfPath(folder.QPath() + QStringLiteral("/new")).isValid());
  QCOMPARE(window->RowCount(), 1);  // the song list is not reloaded by the refresh
}

void TStartUpTest::closingTheWindowEndsTheProgram() {
  // As the program starts: the window and a hidden About box; closing the window ends the event
  // loop with status 0.
  TWindowUnderTest window;
  TAboutBox hiddenAboutBox;
  QTimer::singleShot(0, window.Window.get(), [&] { window->close(); });
  QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
  QCOMPARE(QApplication::exec(), 0);
}

}  // namespace tagwright::testing

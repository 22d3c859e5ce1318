// Start-up state, the status bar's resize rule, folder selection and the About box.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/folders/folder_tree.h"
#include "ui/settings.h"
#include "ui/song_list/song_list_box.h"
#include "ui/window/about_box.h"
#include "ui/window/status_panels.h"
#include "ui/window/window_layout.h"

namespace tagwright::testing {

void TStartUpTest::StartsEmptyWithCaptionAndFirstChoices() {
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  QCOMPARE(window->windowTitle(), QString::fromUtf8(kProgramNameAndVersion));
  QCOMPARE(window->RowCount(), 0);
  QCOMPARE(StatusText(window), QString());
  QCOMPARE(CountText(window), QString());
  QVERIFY(window.Child<QRadioButton>("unfilteredFilter")->isChecked());
  QCOMPARE(EnabledFilters(*window.Window), QStringLiteral("10000000"));
  QCOMPARE(ViewModeOf(window), TViewMode::PathFileName);
  QVERIFY(window.Child<QRadioButton>("pathFileNameView")->isChecked());
  QVERIFY(!window.Child<QAction>("includeSubfoldersEntry")->isChecked());
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details "));
  QCOMPARE(window.Child<QLineEdit>("fileNameField")->text(), QString());
  QCOMPARE(window.Child<QLineEdit>("artistField")->text(), QString());
  QCOMPARE(window.Child<QLabel>("readOnlyLabel")->text(), QString());
  QCOMPARE(window->SelectedFolder(), std::string());
  // The tree opens on the home folder without selecting anything.
  QVERIFY(window.Child<TFolderTree>("folderTree")
              ->isExpanded(window.Child<TFolderTree>("folderTree")->NodeOfPath(QDir::homePath())));
}

void TStartUpTest::LayoutCarriesCaptionsHintsAndLegend() {
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
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
  QCOMPARE(entries, QStringList({"Play",
                                 "Stamp ID3 Tags",
                                 "ID3 Clear",
                                 "Rename This File",
                                 "Delete This File",
                                 "Tags from File Names...",
                                 "Rename with Pattern...",
                                 "Number Tracks...",
                                 "Select Artist",
                                 "Select All",
                                 "Include Subdirectories",
                                 "Accented Letters in Names",
                                 "Preferences...",
                                 "Refresh",
                                 "Preview Hands-Free...",
                                 "Preview AutoRename...",
                                 "Preview Before Changing Several Songs",
                                 "Undo Last Command (Ctrl+Z)",
                                 "Redo Last Undo (Ctrl+Shift+Z)",
                                 "History..."}));
}

void TStartUpTest::GenreBoxOffersSortedNames() {
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  QComboBox* genres = window.Child<QComboBox>("genreBox");
  QCOMPARE(genres->count(), 149);
  QVERIFY(genres->findText(QStringLiteral("Unknown")) >= 0);
  // Hyphens and letter case do not count: "Hip-Hop" sorts as "hiphop", after "Hard Rock".
  QVERIFY(genres->findText(QStringLiteral("Hip-Hop")) > genres->findText(QStringLiteral("Hard Rock")));
  QVERIFY(genres->findText(QStringLiteral("Eurodance")) < genres->findText(QStringLiteral("Euro-House")));
  QVERIFY(genres->findText(QStringLiteral("Euro-House")) < genres->findText(QStringLiteral("Euro-Techno")));
  // What the user may type: 100 characters of genre, 4 of year, 3 of track.
  QTest::keyClicks(genres->lineEdit(), QString(101, QLatin1Char('g')));
  QCOMPARE(genres->currentText().size(), 100);
  QTest::keyClicks(window.Child<QLineEdit>("yearField"), QStringLiteral("19745"));
  QCOMPARE(window.Child<QLineEdit>("yearField")->text(), QStringLiteral("1974"));
  QTest::keyClicks(window.Child<QLineEdit>("trackField"), QStringLiteral("1234"));
  QCOMPARE(window.Child<QLineEdit>("trackField")->text(), QStringLiteral("123"));
}

void TStartUpTest::MessagePanelFollowsWindowWidth_data() {
  QTest::addColumn<int>("outerWidth");
  QTest::addColumn<int>("panelWidth");
  QTest::newRow("narrow") << 710 << 400;
  QTest::newRow("763") << 763 << 400;
  QTest::newRow("764") << 764 << 401;
  QTest::newRow("1000") << 1000 << 637;
}

void TStartUpTest::MessagePanelFollowsWindowWidth() {
  QFETCH(int, outerWidth);
  QFETCH(int, panelWidth);
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  const int frame = window->frameGeometry().width() - window->width();
  window->resize(outerWidth - frame, window->height());
  QCOMPARE(window->frameGeometry().width(), outerWidth);
  QCOMPARE(window.Child<TStatusPanels>("statusBar")->PanelWidth(TStatusPanel::Message), panelWidth);
  QCOMPARE(window.Child<TStatusPanels>("statusBar")->PanelWidth(TStatusPanel::Count), 70);
  QCOMPARE(window.Child<TStatusPanels>("statusBar")->PanelWidth(TStatusPanel::Spare), 50);
}

namespace {

// What is wrong with the layout of a widget's visible children, recursively: two siblings that
// overlap, a label whose text does not fit, a button narrower than its caption needs.
void CollectLayoutFaults(const QWidget& parent, QStringList& faults) {
  QList<const QWidget*> shown;
  for (const QObject* child : parent.children()) {
    const auto* widget = qobject_cast<const QWidget*>(child);
    if (widget == nullptr || widget->isWindow() || !widget->isVisible() || widget->geometry().isEmpty()) continue;
    shown << widget;
  }
  const auto name = [](const QWidget* widget) {
    return widget->objectName().isEmpty() ? QString::fromLatin1(widget->metaObject()->className())
                                          : widget->objectName();
  };
  for (qsizetype i = 0; i < shown.size(); ++i) {
    for (qsizetype j = i + 1; j < shown.size(); ++j) {
      // The banner's picture is the ground of the About button.
      if (shown[i]->objectName() == QStringLiteral("bannerImage") ||
          shown[j]->objectName() == QStringLiteral("bannerImage"))
        continue;
      if (shown[i]->geometry().intersects(shown[j]->geometry())) {
        faults << QStringLiteral("%1 overlaps %2 in %3").arg(name(shown[i]), name(shown[j]), name(&parent));
      }
    }
  }
  for (const QWidget* widget : shown) {
    if (const auto* label = qobject_cast<const QLabel*>(widget); label != nullptr && !label->text().isEmpty()) {
      // A label that wraps its lines is cut when it is not tall enough for them.
      const bool cut = label->wordWrap()
                           ? label->heightForWidth(label->width()) > label->height()
                           : label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width();
      if (cut) {
        faults << QStringLiteral("label %1 \"%2\" is cut").arg(name(label), label->text());
      }
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget);
        button != nullptr && !button->text().isEmpty()) {
      if (button->sizeHint().width() > button->width()) {
        faults << QStringLiteral("button %1 \"%2\" is cut").arg(name(button), button->text());
      }
    }
    CollectLayoutFaults(*widget, faults);
  }
}

}  // namespace

void TStartUpTest::NothingOverlapsOrIsCut_data() {
  QTest::addColumn<QSize>("size");  // empty: the window's minimum size
  QTest::newRow("minimum") << QSize();
  QTest::newRow("default") << QSize(747, 601);
  QTest::newRow("large") << QSize(1600, 1000);
}

void TStartUpTest::NothingOverlapsOrIsCut() {
  QFETCH(QSize, size);
  TWindowOnSongs window({"Abba - Waterloo.mp3"});
  window.Click(0);
  window->resize(size.isEmpty() ? window->minimumSize() : size);
  // The layouts follow the new size: their requests are posted events, which may post more.
  for (int round = 0; round < 3; ++round) QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  if (size.isEmpty()) QCOMPARE(window->size(), window->minimumSize());
  QCOMPARE(window->minimumHeight(), 400);  // the sort and filter panel scrolls below its height
  QStringList faults;
  CollectLayoutFaults(*window.Window, faults);
  QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

// The window's size and the panes' widths come back as the user left them, from a settings folder
// of the test run's own.
void TStartUpTest::SizeAndPanesAreRemembered() {
  QList<int> folderSizes;
  {
    TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
    window->resize(1000, 700);
    auto* splitter = window.Child<QSplitter>("mainSplitter");
    splitter->setSizes({300, splitter->width() - 300 - splitter->handleWidth()});
    auto* folderSplitter = window.Child<QSplitter>("folderSplitter");
    folderSplitter->setSizes({100, folderSplitter->height() - 100 - folderSplitter->handleWidth()});
    folderSizes = folderSplitter->sizes();
    QTest::keyClick(window.Window.get(), Qt::Key_5, Qt::ControlModifier);  // the Columns view
  }
  QSettings settings(SettingsOrganization(), SettingsApplication());
  QVERIFY2(settings.fileName().startsWith(QFile::decodeName(qgetenv("XDG_CONFIG_HOME"))),
           qPrintable(settings.fileName()));
  TWindowOnSongs window(TWindowOptions{.Settings = TSettings::Keep, .OpenAtOnce = false});
  QCOMPARE(window->size(), QSize(1000, 700));
  QCOMPARE(window.Child<QSplitter>("mainSplitter")->sizes().at(0), 300);
  QCOMPARE(window.Child<QSplitter>("folderSplitter")->sizes(), folderSizes);
  QVERIFY(ViewModeOf(window) == TViewMode::Columns);
  TWindowOnSongs fresh(TWindowOptions{.OpenAtOnce = false});
  QCOMPARE(fresh->size(), QSize(747, 601));
  QVERIFY(ViewModeOf(fresh) == TViewMode::PathFileName);
}

void TStartUpTest::SelectingAnotherFolderUnticksSubdirectories() {
  TWindowOnSongs window({"Abba - Waterloo.mp3", "sub/Moby - Porcelain.mp3"});
  TSongFolder second;
  second.AddSong("Moby - Honey.mp3");
  QCOMPARE(window->SelectedFolder(), window.Folder.Path());
  QCOMPARE(window->RowCount(), 1);
  window.Child<QAction>("includeSubfoldersEntry")->setChecked(true);
  window->LoadSongFolder(window->SelectedFolder());
  QCOMPARE(window->RowCount(), 2);
  QVERIFY(window->SelectFolder(second.QPath()));
  QVERIFY(!window.Child<QAction>("includeSubfoldersEntry")->isChecked());
  QCOMPARE(RowTexts(*window.Window), QStringList({QString::fromStdString(second / "Moby - Honey.mp3")}));
}

void TStartUpTest::SelectingAFileIsRefused() {
  TWindowOnSongs window({"Abba - Waterloo.mp3"}, {.OpenAtOnce = false});
  QVERIFY(!window->SelectFolder(QString::fromStdString(window.Songs[0])));
  QVERIFY(!window->SelectFolder(window.Folder.QPath() + QStringLiteral("/missing")));
  QCOMPARE(window->RowCount(), 0);
}

// A folder name that is not UTF-8 (made on another system, say) still lists its songs, and the
// reload after a command finds them again.
void TStartUpTest::StartFolderNamedInOtherBytesLoads() {
  TWindowOnSongs window({"caf\xe9 \xff/Abba - Waterloo.mp3"}, {.OpenAtOnce = false});
  const std::string& song = window.Songs[0];
  const std::string odd = window.Folder / "caf\xe9 \xff";
  QVERIFY(window->OpenStartFolder(odd));
  QCOMPARE(window->RowCount(), 1);
  QCOMPARE(window->SelectedFolder(), odd);
  window.Click(0);
  window.Run("stampEntry");
  QCOMPARE(window->RowCount(), 1);
  QCOMPARE(window->SongAtRow(0)->FileName(), song);
  TID3Info tags;
  QVERIFY(ReadID3Tags(song, tags).Ok());
  QCOMPARE(tags.Artist, std::string("Abba"));
  QVERIFY(!window->OpenStartFolder(song));
  QVERIFY(window->OpenStartFolder(window.Folder.Path()));  // a name the tree can spell is selected there
  QCOMPARE(window->SelectedFolder(), window.Folder.Path());
}

void TStartUpTest::AboutBoxShowsVersion() {
  TAboutBox box;
  QCOMPARE(box.windowTitle(), QStringLiteral("About"));
  QCOMPARE(ChildOf<QLabel>(box, "version")->text(), QStringLiteral("Version %1").arg(QLatin1String(kProgramVersion)));
  QCOMPARE(ChildOf<QLabel>(box, "productName")->text(), QStringLiteral("Tagwright"));
  QVERIFY(ChildOf<QLabel>(box, "comments")->text().contains(QStringLiteral("GPL-3.0-or-later")));
  // The licence line fits the panel it is written on.
  QVERIFY(QRect(QPoint(), kAboutPanelGeometry.size()).contains(ChildOf<QLabel>(box, "comments")->geometry()));
  QCOMPARE(box.size(), QSize(298, 213));
  QCOMPARE(box.minimumSize(), box.maximumSize());
  QVERIFY(ChildOf<QPushButton>(box, "okButton")->isDefault());
  QCOMPARE(ChildOf<QPushButton>(box, "okButton")->text(), QStringLiteral("OK"));
}

void TStartUpTest::RefreshKeepsOpenFoldersWithoutReloading() {
  TWindowOnSongs window({"Abba - Waterloo.mp3"}, {.OpenAtOnce = false});
  const TSongFolder& folder = window.Folder;
  folder.MakeFolder("inner/deeper");
  TFolderTree* tree = window.Child<TFolderTree>("folderTree");
  window.Open();  // the folder is listed before the song it must not show is added
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

void TStartUpTest::RefreshingThousandsOfFoldersKeepsThePlace() {
  // Thousands of folders side by side, several open and one selected, refreshed again and again by
  // the button and by the song list's refresh, often before the folders were read again: the tree
  // keeps its selected folder, its open folders and its scroll position.
  constexpr int kFolders = 5000;
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  const TSongFolder& folder = window.Folder;
  const auto name = [](int i) { return QStringLiteral("folder %1").arg(i, 4, 10, QLatin1Char('0')); };
  for (int i = 0; i < kFolders; ++i) folder.MakeFolder(name(i).toStdString());
  QStringList open = {folder.QPath()};
  for (const int i : {100, 2499, 4900}) {
    open << folder.QPath() + QLatin1Char('/') + name(i);
    folder.MakeFolder(name(i).toStdString() + "/inner");
    folder.MakeFolder(name(i).toStdString() + "/other");
  }
  const QString selected = folder.QPath() + QLatin1Char('/') + name(2500);
  TFolderTree* tree = window.Child<TFolderTree>("folderTree");
  // The names of a folder's subfolders as the tree has them, without asking the model to read more.
  const auto shown = [&](const QString& path) {
    QStringList names;
    const QFileSystemModel* model = tree->FileSystemModel();
    const QModelIndex node = tree->NodeOfPath(path);
    for (int row = 0; row < model->rowCount(node); ++row) names << model->index(row, 0, node).data().toString();
    names.sort();
    return names;
  };
  QVERIFY(window->SelectFolder(selected));
  for (const QString& path : open) tree->expand(tree->NodeOfPath(path));
  QTRY_COMPARE_WITH_TIMEOUT(tree->FileSystemModel()->rowCount(tree->NodeOfPath(folder.QPath())), kFolders, 60000);
  QTRY_COMPARE_WITH_TIMEOUT(shown(open.last()), (QStringList{"inner", "other"}), 60000);
  // The selected folder is scrolled into view once its neighbours are read.
  QTRY_VERIFY_WITH_TIMEOUT(!tree->IsRevealing(), 60000);
  tree->scrollTo(tree->NodeOfPath(folder.QPath() + QLatin1Char('/') + name(2400)), QAbstractItemView::PositionAtTop);
  const int scroll = tree->verticalScrollBar()->value();
  QVERIFY(scroll > 0);

  QSignalSpy read(tree->FileSystemModel(), &QFileSystemModel::directoryLoaded);
  for (int round = 0; round < 50; ++round) {
    read.clear();
    if (round % 2 == 0) {
      window.Child<QToolButton>("refreshButton")->click();
    } else {
      Choose(*window.Window, "refreshEntry");
    }
    // Sometimes the background reader answers before the next look.
    if (round % 4 == 3) QTRY_VERIFY_WITH_TIMEOUT(!read.isEmpty(), 30000);
    QCOMPARE(window->SelectedFolder(), selected.toStdString());
    for (const QString& path : open) QVERIFY2(tree->isExpanded(tree->NodeOfPath(path)), qPrintable(path));
    QCOMPARE(tree->verticalScrollBar()->value(), scroll);
  }

  // A refresh reads the open folders again, also where the file system tells of no change.
  tree->FileSystemModel()->setOption(QFileSystemModel::DontWatchForChanges);
  folder.MakeFolder(name(100).toStdString() + "/made meanwhile");
  QVERIFY(QDir(open.last() + QStringLiteral("/other")).removeRecursively());
  window.Child<QToolButton>("refreshButton")->click();
  QTRY_COMPARE_WITH_TIMEOUT(shown(open[1]), (QStringList{"inner", "made meanwhile", "other"}), 20000);
  QTRY_COMPARE_WITH_TIMEOUT(shown(open.last()), QStringList{"inner"}, 20000);
  QCOMPARE(window->SelectedFolder(), selected.toStdString());
  QCOMPARE(tree->verticalScrollBar()->value(), scroll);
}

void TStartUpTest::ClosingTheWindowEndsTheProgram() {
  // As the program starts: the window and a hidden About box; closing the window ends the event
  // loop with status 0.
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  TAboutBox hiddenAboutBox;
  QTimer::singleShot(0, window.Window.get(), [&] { window->close(); });
  QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
  QCOMPARE(QApplication::exec(), 0);
}

}  // namespace tagwright::testing

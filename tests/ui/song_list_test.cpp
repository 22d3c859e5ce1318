// The song list: loading, filters, view modes, colours, opening songs and the selection helpers.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

#include <climits>

#include "tags/id3_info.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/dialogs/preferences_dialog.h"
#include "ui/song_list/song_list_box.h"
#include "ui/song_list/song_status_color.h"

namespace tagwright::testing {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

void ChooseFilter(QRadioButton* button) { button->click(); }

}  // namespace

void TSongListTest::LoadsSongFilesOfFolderOnly() {
  TWindowOnSongs window([](const TSongFolder& folder) {
    for (const char* name : {"Abba - Waterloo.mp3", "Moby - Porcelain.MP3", "no extension at all", "song.mp3.txt",
                             "ends in a dot.", ".hidden - song.mp3", "sub/Nested - Song.mp3"}) {
      folder.AddSong(name);
    }
    folder.MakeFolder("folder.mp3");
  });
  const TSongFolder& folder = window.Folder;
  QCOMPARE(RowTexts(*window.Window), QStringList({Q(folder / "Abba - Waterloo.mp3"), Q(folder / "Moby - Porcelain.MP3"),
                                                  Q(folder / "no extension at all")}));
  QCOMPARE(CountText(window), QStringLiteral("3 files"));
  QCOMPARE(StatusText(window), QString());
}

void TSongListTest::EmptyFolderListsNothing() {
  TWindowOnSongs window;
  QCOMPARE(window->RowCount(), 0);
  QCOMPARE(CountText(window), QStringLiteral("0 files"));
  QCOMPARE(EnabledFilters(*window.Window), QStringLiteral("10000000"));
}

void TSongListTest::NoFolderScansNothing() {
  // With no folder selected a reload (as "Include Subdirectories" does) lists nothing: the empty path
  // must not turn into a scan of the whole file system from "/".
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  window.Child<QAction>("includeSubfoldersEntry")->setChecked(true);
  window->LoadSongFolder(window->SelectedFolder());
  QCOMPARE(window->RowCount(), 0);
  QCOMPARE(CountText(window), QStringLiteral("0 files"));
  QVERIFY(window.Dialogs.Messages.empty());
}

void TSongListTest::UnreadableSongDoesNotHideOthers() {
  // A song listed that cannot be opened by the time it is read (here it became a link to itself;
  // for other users also a file without read permission), while the folder's other songs are read.
  TWindowOnSongs window({"Abba - Waterloo.mp3", "Moby - Porcelain.mp3"}, {.OpenAtOnce = false});
  const std::string& good = window.Songs[0];
  const std::string& loop = window.Songs[1];
  std::once_flag madeUnreadable;
  window->Seams().BeforeEachSongRead = [&] {
    std::call_once(madeUnreadable, [&] {
      std::filesystem::remove(loop);
      std::filesystem::create_symlink(loop, loop);
    });
  };
  window.Open();
  QCOMPARE(RowTexts(*window.Window), QStringList({Q(good)}));
  QCOMPARE(CountText(window), QStringLiteral("1 files"));
  QCOMPARE(window->UnreadableSongs().size(), std::size_t{1});
  QVERIFY(QString::fromStdString(window->UnreadableSongs()[0]).contains(Q(loop)));
}

// Folders nested so deep below parent that the path of the deepest is longer than the system takes:
// that one cannot be read by anyone, root included. Removed with everything below it.
class TFoldersTooDeep {
 public:
  explicit TFoldersTooDeep(const std::string& parent) : parent_(parent) {
    int fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; fd >= 0 && level < kLevels; ++level) {
      const int next = ::mkdirat(fd, kName.c_str(), 0755) == 0
                           ? ::openat(fd, kName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                           : -1;
      ::close(fd);
      fd = next;
    }
    if (fd >= 0) ::close(fd);
  }
  ~TFoldersTooDeep() {
    const int fd = ::open(parent_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) Remove(fd, 0);
    if (fd >= 0) ::close(fd);
  }
  // The first folder whose path is too long.
  std::string FirstTooLong() const {
    std::string path = parent_;
    while (path.size() < PATH_MAX) path += "/" + kName;
    return path;
  }

 private:
  static void Remove(int parentFd, int level) {
    if (level >= kLevels) return;
    const int fd = ::openat(parentFd, kName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    Remove(fd, level + 1);
    ::close(fd);
    ::unlinkat(parentFd, kName.c_str(), AT_REMOVEDIR);
  }
  static constexpr int kLevels = 24;
  inline static const std::string kName = std::string(200, 'd');
  std::string parent_;
};

// A folder that cannot be read hides its songs, so it is named with the songs that cannot be read.
void TSongListTest::UnreadableFolderIsNamed() {
  TWindowOnSongs window({"Abba - Waterloo.mp3"});
  const std::string& song = window.Songs[0];
  const TFoldersTooDeep deep(window.Folder.Path());
  window.Child<QAction>("includeSubfoldersEntry")->trigger();  // ticks and reloads with subfolders
  QCOMPARE(RowTexts(*window.Window), QStringList({Q(song)}));
  QCOMPARE(window->UnreadableSongs().size(), std::size_t{1});
  QCOMPARE(QString::fromStdString(window->UnreadableSongs()[0]),
           QStringLiteral("Cannot read folder ") + Q(deep.FirstTooLong()) + QStringLiteral(" (File name too long)"));
}

void TSongListTest::FiltersEnableByWhatTheyWouldShow() {
  // Tagged, complete, named after its details, with a genre: passes no filter but "Unfiltered".
  TWindowOnSongs window({{"Abba - Waterloo.mp3", Tags("Abba", "Waterloo", "", 0, "Pop")}});
  const TSongFolder& folder = window.Folder;
  QCOMPARE(EnabledFilters(*window.Window), QStringLiteral("10100000"));  // also "ID3 Tag Used"

  folder.AddSong("Moby - Porcelain.mp3");  // from its name: pattern, unsaved, no genre
  folder.AddSong("-");                     // nothing recognised: failed, incomplete, no genre
  folder.AddTaggedSong("old name.mp3", Tags("Abba", "SOS", "", 0, "Pop"));  // not named after its details
  window->LoadSongFolder(folder.Path());
  QCOMPARE(EnabledFilters(*window.Window), QStringLiteral("11111111"));

  ChooseFilter(window.Child<QRadioButton>("patternMatchingFilter"));
  QCOMPARE(RowTexts(*window.Window), QStringList({Q(folder / "Moby - Porcelain.mp3")}));
  QCOMPARE(CountText(window), QStringLiteral("1 files"));
  ChooseFilter(window.Child<QRadioButton>("noGenreFilter"));
  QCOMPARE(window->RowCount(), 2);
  ChooseFilter(window.Child<QRadioButton>("failedRecognitionFilter"));
  QCOMPARE(RowTexts(*window.Window), QStringList({Q(folder / "-")}));
  ChooseFilter(window.Child<QRadioButton>("unrenamedFileFilter"));
  QCOMPARE(RowTexts(*window.Window), QStringList({Q(folder / "old name.mp3")}));
  ChooseFilter(window.Child<QRadioButton>("unfilteredFilter"));
  QCOMPARE(window->RowCount(), 4);
}

void TSongListTest::ChosenFilterStaysChosenWhenDisabled() {
  TWindowOnSongs window({
      "Moby.mp3",  // a title only: incomplete
  });
  QVERIFY(window.Child<QRadioButton>("incompleteFilter")->isEnabled());
  ChooseFilter(window.Child<QRadioButton>("incompleteFilter"));
  QCOMPARE(window->RowCount(), 1);
  // The song is completed on disk; the reload finds nothing incomplete any more.
  QVERIFY(WriteID3Tags(window.Folder / "Moby.mp3", Tags("Moby", "Moby")).Ok());
  window->LoadSongFolder(window.Folder.Path());
  QVERIFY(!window.Child<QRadioButton>("incompleteFilter")->isEnabled());
  QVERIFY(window.Child<QRadioButton>("incompleteFilter")->isChecked());
  QCOMPARE(window->RowCount(), 0);
  QCOMPARE(CountText(window), QStringLiteral("0 files"));
}

void TSongListTest::ViewModesSortAndLabelRows() {
  TWindowOnSongs window(
      {{"b/1.mp3", Tags("Zed", "Alpha")}, {"a/2.mp3", Tags("Abba", "Waterloo")}, {"c/0.mp3", Tags("Moby", "Beta")}});
  window.Child<QAction>("includeSubfoldersEntry")->setChecked(true);
  window->LoadSongFolder(window.Folder.Path());
  QCOMPARE(RowTexts(*window.Window),
           QStringList({Q(window.Folder / "a/2.mp3"), Q(window.Folder / "b/1.mp3"), Q(window.Folder / "c/0.mp3")}));
  window.Child<QRadioButton>("fileNameView")->click();  // "Filename": still in the order of the full paths
  QCOMPARE(RowTexts(*window.Window), QStringList({"2.mp3", "1.mp3", "0.mp3"}));
  window.Child<QRadioButton>("artistTitleView")->click();
  QCOMPARE(RowTexts(*window.Window),
           QStringList({"Artist: Abba,  Title: Waterloo", "Artist: Moby,  Title: Beta", "Artist: Zed,  Title: Alpha"}));
  window.Child<QRadioButton>("titleArtistView")->click();
  QCOMPARE(RowTexts(*window.Window),
           QStringList({"Title: Alpha,  Artist: Zed", "Title: Beta,  Artist: Moby", "Title: Waterloo,  Artist: Abba"}));
  QCOMPARE(ViewModeOf(window), TViewMode::TitleArtist);
}

void TSongListTest::ViewModeAndFilterDoNotRereadFiles() {
  TWindowOnSongs window({{"x.mp3", Tags("Abba", "Waterloo")}});
  const std::string& song = window.Songs[0];
  WaitForSongs(*window.Window);  // the load has read the file before it goes
  std::filesystem::remove(song);
  window.Child<QRadioButton>("artistTitleView")->click();
  window.Child<QRadioButton>("id3TagUsedFilter")->click();
  QCOMPARE(RowTexts(*window.Window), QStringList({"Artist: Abba,  Title: Waterloo"}));
  QVERIFY(window.Dialogs.Messages.empty());
}

void TSongListTest::RebuiltRowsKeepTheSelectionAndPanel() {
  TWindowOnSongs window(
      {{"Abba - Waterloo.mp3", Tags("Abba", "Waterloo")}, {"Moby - Porcelain.mp3", Tags("Moby", "Porcelain")}});
  window.Click(1);
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("Moby"));
  // Only a change of the choice refreshes: the view mode or filter already chosen keeps the selection.
  for (const char* chosen : {"pathFileNameView", "unfilteredFilter"}) {
    QTest::mouseClick(window.Child<QRadioButton>(chosen), Qt::LeftButton);
    QCOMPARE(window->SelectedSongCount(), 1);
  }
  window.Child<QRadioButton>("fileNameView")->click();  // another order: the same song stays selected
  QCOMPARE(window->SelectedSongCount(), 1);
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("Moby"));
}

void TSongListTest::RebuiltRowsAndReturningFocusLeaveThePanel_data() {
  QTest::addColumn<QString>("how");
  QTest::newRow("Refresh") << QStringLiteral("refresh");
  QTest::newRow("view chosen, then Tab back") << QStringLiteral("view");
  QTest::newRow("filter chosen, then Tab back") << QStringLiteral("filter");
  QTest::newRow("view chosen, then the menu closed with Escape") << QStringLiteral("menu");
}

// Only the user's choice of rows changes the panel: rows rebuilt keep the selection, and they and the
// keyboard coming back to the list leave the panel, and what was typed into it, as they were.
void TSongListTest::RebuiltRowsAndReturningFocusLeaveThePanel() {
  QFETCH(QString, how);
  TWindowOnSongs window(
      {{"Abba - Waterloo.mp3", Tags("Abba", "Waterloo")}, {"Moby - Porcelain.mp3", Tags("Moby", "Porcelain")}});
  auto* list = window.Child<TSongListBox>("songList");
  window.Click(1);
  list->setFocus();
  window.Type(TDetailsField::Artist, QStringLiteral("Typed"));
  if (how == QStringLiteral("refresh")) {
    window.Child<QAction>("refreshEntry")->trigger();
  } else if (how == QStringLiteral("menu")) {
    window.Child<QRadioButton>("fileNameView")->click();
    // Escape only once the menu has the keyboard: a menu closed before its own activation arrives
    // would be activated after it closed and take the keyboard from the window for good.
    QTimer::singleShot(0, [] {
      const bool menuHasTheKeyboard = QTest::qWaitFor([] {
        const QWidget* menu = QApplication::activePopupWidget();
        return menu != nullptr && QGuiApplication::focusWindow() == menu->windowHandle();
      });
      if (!menuHasTheKeyboard) qWarning("the menu did not get the keyboard");
      if (QWidget* menu = QApplication::activePopupWidget()) QTest::keyClick(menu, Qt::Key_Escape);
    });
    Q_EMIT list->customContextMenuRequested(QPoint(2, 2));
  } else {
    const char* button = how == QStringLiteral("view") ? "fileNameView" : "id3TagUsedFilter";
    QTest::mouseClick(window.Child<QRadioButton>(button), Qt::LeftButton);
    list->setFocus(Qt::TabFocusReason);
  }
  WaitForSongs(*window.Window);
  QCOMPARE(QApplication::focusWidget(), list);
  QCOMPARE(window->SelectedSongCount(), 1);
  QCOMPARE(window->SongAtRow(window->CurrentRow())->Artist(), std::string("Moby"));
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details (changed) "));
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("Typed"));
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("Porcelain"));
  QVERIFY(window.Field(TDetailsField::Title)->isEnabled());
}

void TSongListTest::StatusColorsFollowFiveRules() {
  TWindowOnSongs window({"Abba - Waterloo.mp3"});
  TSongFile song;
  QVERIFY(song.SetFileName(window.Songs[0], false).Ok());
  QCOMPARE(song.Recognition(), TRecognition::Pattern);
  song.SetUnsavedID3(false);
  QCOMPARE(SongStatusColor(song), QColor(2, 117, 112));  // 4: details from the name pattern
  song.SetRecognition(TRecognition::ID3Tag);
  QCOMPARE(SongStatusColor(song), QColor(0, 128, 0));  // 5: all in order
  song.SetTitle("Waterloo Sunset");
  QCOMPARE(SongStatusColor(song), QColor(170, 21, 21));  // 3: not named after the details
  song.SetUnsavedID3(true);
  QCOMPARE(SongStatusColor(song), QColor(128, 128, 0));  // 2: unsaved wins over unrenamed
  song.SetArtist("");
  QCOMPARE(SongStatusColor(song), QColor(255, 0, 0));  // 1: incomplete wins over everything
  // The filters' captions take the colour of their state.
  QCOMPARE(SongStatusColor(TSongStatus::Incomplete), QColor(255, 0, 0));
  QCOMPARE(SongStatusColor(TSongStatus::Unsaved), QColor(128, 128, 0));
  QCOMPARE(SongStatusColor(TSongStatus::Unrenamed), QColor(170, 21, 21));
  QCOMPARE(SongStatusColor(TSongStatus::Pattern), QColor(2, 117, 112));
  QCOMPARE(SongStatusColor(TSongStatus::Good), QColor(0, 128, 0));
}

void TSongListTest::RowsAreDrawnInStatusColors() {
  TWindowOnSongs window({
      {"Abba - Waterloo.mp3", Tags("Abba", "Waterloo")},  // green
      "Moby.mp3",                                         // red
  });
  ClickRow(*window.Window, 0);
  const QImage image = window.Child<TSongListBox>("songList")->viewport()->grab().toImage();
  auto rowHas = [&](int row, const QColor& color) {
    const QRect rect = window.Child<TSongListBox>("songList")
                           ->visualRect(window.Child<TSongListBox>("songList")->model()->index(row, 0));
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      for (int x = rect.left(); x <= rect.right(); ++x) {
        if (image.pixelColor(x, y) == color) return true;
      }
    }
    return false;
  };
  QCOMPARE(window.Child<TSongListBox>("songList")
               ->visualRect(window.Child<TSongListBox>("songList")->model()->index(0, 0))
               .height(),
           16);
  QVERIFY(rowHas(0, QColor(0, 128, 0)));
  QVERIFY(rowHas(0, QColor(166, 202, 240)));  // the selection box
  QVERIFY(rowHas(1, QColor(255, 0, 0)));
  QVERIFY(!rowHas(1, QColor(166, 202, 240)));
}

void TSongListTest::DoubleClickOpensCurrentSong() {
  TWindowOnSongs window({"Abba - Waterloo.mp3"}, {.OpenAtOnce = false});
  const std::string& song = window.Songs[0];
  const QPoint inside(5, 5);
  QTest::mouseDClick(window.Child<TSongListBox>("songList")->viewport(), Qt::LeftButton, Qt::NoModifier, inside);
  QVERIFY(window.Dialogs.Opened.empty());  // an empty list opens nothing
  window.Open();
  const QRect rect =
      window.Child<TSongListBox>("songList")->visualRect(window.Child<TSongListBox>("songList")->model()->index(0, 0));
  QTest::mouseClick(window.Child<TSongListBox>("songList")->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  QTest::mouseDClick(window.Child<TSongListBox>("songList")->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
  QCOMPARE(window.Dialogs.Opened, std::vector<std::string>({song}));
  // Below the last row the current row's file is opened too.
  const QPoint below(rect.center().x(), rect.bottom() + 3 * rect.height());
  QTest::mouseDClick(window.Child<TSongListBox>("songList")->viewport(), Qt::LeftButton, Qt::NoModifier, below);
  QCOMPARE(window.Dialogs.Opened, std::vector<std::string>({song, song}));
}

// Edits not yet written are dropped when the user clicks the row again or presses Enter in the list.
void TSongListTest::ClickOnTheSelectedRowOrEnterShowsTheSongAfresh() {
  TWindowOnSongs window({"Abba - Waterloo.mp3", "Moby - Porcelain.mp3"});
  window.Click(0);
  auto* artist = window.Field(TDetailsField::Artist);
  QCOMPARE(artist->text(), QStringLiteral("Abba"));
  artist->setText(QStringLiteral("edited"));
  window.Click(0);
  QCOMPARE(artist->text(), QStringLiteral("Abba"));
  artist->setText(QStringLiteral("edited"));
  auto* list = window.Child<TSongListBox>("songList");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Return);
  QCOMPARE(artist->text(), QStringLiteral("Abba"));
  QCOMPARE(window->CurrentRow(), 0);
}

// Each row's hint names its state in words, and so does the colour mark of the details panel.
void TSongListTest::RowHintsNameTheState() {
  TWindowOnSongs window({{"a.mp3", Tags("Moby", "Porcelain")},
                         {"b?.mp3", Tags("Moby", "")},
                         {"Abba - Waterloo.mp3", Tags("Abba", "Waterloo")}});
  const QAbstractItemModel* rows = window.Child<TSongListBox>("songList")->model();
  const auto hint = [&](const char* end) {
    return rows->index(RowEndingWith(*window.Window, QString::fromLatin1(end)), 0).data(Qt::ToolTipRole).toString();
  };
  QCOMPARE(hint("/a.mp3"), QStringLiteral("Unrenamed File: the name is not 'Moby - Porcelain.mp3'"));
  QCOMPARE(hint("/b?.mp3"), QStringLiteral("Incomplete: no title"));
  QCOMPARE(hint("/Abba - Waterloo.mp3"),
           QStringLiteral("ID3 Tag Used: the details come from the tag, and the file is named after them"));
  window.Click(RowEndingWith(*window.Window, QStringLiteral("/b?.mp3")));
  QCOMPARE(window.Child<QLabel>("statusMark")->toolTip(), QStringLiteral("Red (Incomplete: no title)"));
  UnselectAll(window);
  QCOMPARE(window.Child<QLabel>("statusMark")->toolTip(), QStringLiteral("The colour of the state of the song shown"));
}

// "Accented Letters in Names": the songs are recognised afresh, and the choice is remembered.
void TSongListTest::AccentedLettersEntryRecognisesAccentedNames() {
  {
    TWindowOnSongs window({"Bj\xc3\xb6rk - J\xc3\xb3ga.mp3"});
    QCOMPARE(window->SongAtRow(0)->Recognition(), TRecognition::Failed);
    QVERIFY(!window.Child<QAction>("accentedLettersEntry")->isChecked());
    window.Child<QAction>("accentedLettersEntry")->trigger();
    QVERIFY(window.Child<QAction>("accentedLettersEntry")->isChecked());
    QCOMPARE(window->RowCount(), 1);
    QCOMPARE(window->SongAtRow(0)->Artist(), std::string("Bj\xc3\xb6rk"));
    QCOMPARE(window->SongAtRow(0)->Title(), std::string("J\xc3\xb3ga"));
  }
  {
    TWindowOnSongs window({"Bj\xc3\xb6rk - J\xc3\xb3ga.mp3"}, {.Settings = TSettings::Keep, .OpenAtOnce = false});
    QVERIFY(window.Child<QAction>("accentedLettersEntry")->isChecked());
    window.Open();
    QCOMPARE(window->SongAtRow(0)->Artist(), std::string("Bj\xc3\xb6rk"));
    window.Child<QAction>("accentedLettersEntry")->trigger();
    QCOMPARE(window->SongAtRow(0)->Recognition(), TRecognition::Failed);
  }
  TWindowOnSongs fresh(TWindowOptions{.OpenAtOnce = false});  // a first run: off
  QVERIFY(!fresh.Child<QAction>("accentedLettersEntry")->isChecked());
}

// Preferences (Ctrl+, or the pop-up menu): the folder says once which option would recognise more,
// the choices reach listing and clean-up, and they are remembered.
void TSongListTest::PreferencesReadAndCleanNamesAndAreRemembered() {
  {
    TWindowOnSongs window({"05. Coldplay - Yellow.mp3", "Bj\xc3\xb6rk - J\xc3\xb3ga.mp3", "abba - dancing queen.mp3",
                           "moby - face to face.mp3"});
    const std::string& abba = window.Songs[2];
    const std::string& moby = window.Songs[3];
    QCOMPARE(StatusText(window),
             QStringLiteral("1 name recognised with Accented Letters in Names \u2014 Preferences (Ctrl+,); "
                            "1 name recognised with More Name Styles \u2014 Preferences (Ctrl+,)"));
    window->SetStatusText(QString());
    window.Run("refreshEntry");
    QCOMPARE(StatusText(window), QString());  // once per folder

    // Capitals the list would keep: the preview says so.
    window.Run("selectAllEntry");
    window.Run("previewHandsFreeEntry");  // the dry run goes on a worker
    QVERIFY(window.Dialogs.lastPreviewNote.contains(QStringLiteral("Keep Known Spellings")));

    TPreferences chosen;
    chosen.KeepSpellings = true;
    chosen.MoreNameStyles = true;
    chosen.SmallWordsInLowerCase = true;
    chosen.TitleWithMix = true;
    window.Dialogs.PreferencesAnswers.push_back(chosen);
    window.Press(Qt::Key_Comma, Qt::ControlModifier);
    QCOMPARE(window.Dialogs.PreferencesShown.size(), std::size_t{1});
    QVERIFY(!window.Dialogs.PreferencesShown[0].MoreNameStyles);
    const int coldplay = RowEndingWith(*window.Window, QStringLiteral("/05. Coldplay - Yellow.mp3"));
    const TSongFile* song = window->SongAtRow(coldplay);
    QCOMPARE(song->Artist(), std::string("Coldplay"));
    QCOMPARE(song->Track(), std::string("05"));
    const QAbstractItemModel* rows = window.Child<TSongListBox>("songList")->model();
    QVERIFY(rows->index(coldplay, 0)
                .data(Qt::ToolTipRole)
                .toString()
                .endsWith(QStringLiteral("(recognised after tidying the name)")));

    window->SelectSingleRow(RowEndingWith(*window.Window, QStringLiteral("/abba - dancing queen.mp3")));
    window.Run("detailsCleanupButton");
    TID3Info tags;
    QVERIFY(ReadID3Tags(abba, tags).Ok());
    QCOMPARE(tags.Artist, std::string("ABBA"));
    QCOMPARE(tags.Title, std::string("Dancing Queen"));
    window->SelectSingleRow(RowEndingWith(*window.Window, QStringLiteral("/moby - face to face.mp3")));
    window.Run("detailsCleanupButton");
    QVERIFY(ReadID3Tags(moby, tags).Ok());
    QCOMPARE(tags.Title, std::string("Face to Face"));

    window.Child<QAction>("preferencesEntry")->trigger();  // cancelled
    QCOMPARE(window.Dialogs.PreferencesShown.size(), std::size_t{2});
    QVERIFY(window.Dialogs.PreferencesShown[1].KeepSpellings);
  }
  TWindowOnSongs kept(TWindowOptions{.Settings = TSettings::Keep, .OpenAtOnce = false});
  QVERIFY(kept->Preferences().KeepSpellings && kept->Preferences().MoreNameStyles);
  QVERIFY(kept->Preferences().SmallWordsInLowerCase && kept->Preferences().TitleWithMix);
  QVERIFY(kept->KnownSpellings() != nullptr);
  TWindowOnSongs fresh(TWindowOptions{.OpenAtOnce = false});  // a first run: all off
  QVERIFY(fresh->Preferences() == TPreferences());
  QVERIFY(fresh->KnownSpellings() == nullptr);
}

void TSongListTest::PreferencesDialogGivesItsChoices() {
  TPreferences given;
  given.AccentedLetters = true;
  given.OwnSpellings = {QStringLiteral("deadmau5")};
  TPreferencesDialog dialog(given);
  QVERIFY(ChildOf<QCheckBox>(dialog, "accentedLettersBox")->isChecked());
  QVERIFY(!ChildOf<QPlainTextEdit>(dialog, "ownSpellingsField")->isEnabled());
  ChildOf<QCheckBox>(dialog, "keepSpellingsBox")->click();
  ChildOf<QCheckBox>(dialog, "moreNameStylesBox")->click();
  ChildOf<QCheckBox>(dialog, "smallWordsBox")->click();
  ChildOf<QCheckBox>(dialog, "titleWithMixBox")->click();
  ChildOf<QCheckBox>(dialog, "reopenLastFolderBox")->click();
  QVERIFY(ChildOf<QPlainTextEdit>(dialog, "ownSpellingsField")->isEnabled());
  ChildOf<QPlainTextEdit>(dialog, "ownSpellingsField")->setPlainText(QStringLiteral(" KISS \n\nwill.i.am\n"));
  const TPreferences chosen = dialog.Preferences();
  QVERIFY(chosen.AccentedLetters && chosen.KeepSpellings && chosen.MoreNameStyles);
  QVERIFY(chosen.SmallWordsInLowerCase && chosen.TitleWithMix && chosen.ReopenLastFolder);
  QCOMPARE(chosen.OwnSpellings, QStringList({QStringLiteral("KISS"), QStringLiteral("will.i.am")}));
}

void TSongListTest::PopupMenuEnablesBySelection() {
  TWindowOnSongs window({"Abba - Waterloo.mp3", "Moby - Porcelain.mp3"}, {.OpenAtOnce = false});
  PrepareSongListMenu(window);
  QVERIFY(!window.Child<QAction>("selectAllEntry")->isEnabled());
  window.Open();
  PrepareSongListMenu(window);
  for (QAction* entry : {window.Child<QAction>("playEntry"), window.Child<QAction>("stampEntry"),
                         window.Child<QAction>("deleteEntry"), window.Child<QAction>("renameEntry"),
                         window.Child<QAction>("selectArtistEntry"), window.Child<QAction>("tagsFromNameEntry"),
                         window.Child<QAction>("renameWithPatternEntry"), window.Child<QAction>("numberTracksEntry")}) {
    QVERIFY2(!entry->isEnabled(), qPrintable(entry->text()));
  }
  QVERIFY(window.Child<QAction>("selectAllEntry")->isEnabled());
  QVERIFY(window.Child<QMenu>("clearMenu")->menuAction()->isEnabled());
  QVERIFY(window.Child<QAction>("refreshEntry")->isEnabled());
  ClickRow(*window.Window, 0);
  PrepareSongListMenu(window);
  QVERIFY(window.Child<QAction>("deleteEntry")->isEnabled());
  QVERIFY(window.Child<QAction>("playEntry")->isEnabled());
  ClickRow(*window.Window, 1, Qt::ControlModifier);
  PrepareSongListMenu(window);
  QVERIFY(!window.Child<QAction>("deleteEntry")->isEnabled());
  QVERIFY(!window.Child<QAction>("renameEntry")->isEnabled());
  QVERIFY(!window.Child<QAction>("selectArtistEntry")->isEnabled());
  QVERIFY(window.Child<QAction>("playEntry")->isEnabled());
  QVERIFY(window.Child<QAction>("stampEntry")->isEnabled());
  for (const char* name : {"tagsFromNameEntry", "renameWithPatternEntry", "numberTracksEntry"})
    QVERIFY2(window.Child<QAction>(name)->isEnabled(), name);
}

void TSongListTest::SelectSingleRowIgnoresRowsOutside() {
  TWindowOnSongs window(
      {{"Abba - Waterloo.mp3", Tags("Abba", "Waterloo")}, {"Moby - Porcelain.mp3", Tags("Moby", "Porcelain")}});
  window->SelectSingleRow(1);
  QCOMPARE(window->CurrentRow(), 1);
  QCOMPARE(window->SelectedSongCount(), 1);
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("Porcelain"));
  window->SelectSingleRow(2);
  window->SelectSingleRow(-1);
  QCOMPARE(window->CurrentRow(), 1);
  QCOMPARE(window->SongAtRow(1)->Artist(), std::string("Moby"));
  QCOMPARE(window->SongAtRow(2), nullptr);
  UnselectAll(window);
  QCOMPARE(window->SelectedSongCount(), 0);
}

}  // namespace tagwright::testing

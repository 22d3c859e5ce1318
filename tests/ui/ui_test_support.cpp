#include "tests/ui/ui_test_support.h"

#include <QtGlobal>

#include <fcntl.h>
#include <sys/stat.h>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QStackedWidget>

#include <filesystem>

#include "files/paths.h"
#include "ui/details/song_details_panel.h"
#include "ui/settings.h"
#include "ui/song_list/song_list_box.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/window/sort_filter_panel.h"
#include "ui/window/status_panels.h"

namespace tagwright::testing {

namespace {

std::string SilentAudio() { return SongAudio(std::size_t{8} * 417); }

}  // namespace

std::string TSongFolder::AddSong(std::string_view name) const { return folder_.WriteFile(name, SilentAudio()); }

std::string TSongFolder::AddTaggedSong(std::string_view name, const TID3Info& tags) const {
  std::string path = AddSong(name);
  if (!WriteID3Tags(path, tags).Ok()) qFatal("cannot write the tags of %s", path.c_str());
  return path;
}

TFilesOnDisk FilesOnDisk(const std::string& folder) {
  TFilesOnDisk files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    struct stat info {};
    if (::stat(entry.path().c_str(), &info) != 0) qFatal("cannot look at %s", entry.path().c_str());
    files[entry.path().filename().string()] = {
        ReadWholeFile(entry.path().string()), std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec};
  }
  return files;
}

std::map<std::string, std::string> FolderContents(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = std::filesystem::relative(entry.path(), folder).string();
    contents[name] = entry.is_directory() ? "(folder)" : ReadWholeFile(entry.path().string());
  }
  return contents;
}

void AgeFiles(const std::string& folder) {
  const struct timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (::utimensat(AT_FDCWD, entry.path().c_str(), times, 0) != 0) qFatal("cannot age %s", entry.path().c_str());
  }
}

int FilesChanged(const TFilesOnDisk& before, const TFilesOnDisk& after) {
  int changed = 0;
  for (const auto& [name, file] : before) {
    const auto found = after.find(name);
    if (found == after.end() || found->second != file) ++changed;
  }
  return changed;
}

TID3Info Tags(const std::string& artist, const std::string& title, const std::string& album, std::uint8_t track,
              const std::string& genre, const std::string& year) {
  TID3Info info;
  info.Artist = artist;
  info.Title = title;
  info.Album = album;
  info.Track = track;
  info.Genre = genre;
  info.Year = year;
  return info;
}

namespace {

std::unique_ptr<TMainWindow> MakeWindow(TDialogs& dialogs, TSettings settings) {
  if (settings == TSettings::Forget) {
    QSettings settings(SettingsOrganization(), SettingsApplication());
    settings.clear();
    // The commands run as the Parts say; the tests of the previews before a batch turn them on.
    settings.setValue(PreviewBeforeChangingKey(), false);
  }
  return std::make_unique<TMainWindow>(dialogs);
}

}  // namespace

TWindowOnSongs::TWindowOnSongs(const std::vector<TSongSpec>& songs, TWindowOptions options)
    : TWindowOnSongs(options, [this, &songs] {
        for (const TSongSpec& song : songs) {
          Songs.push_back(song.Tags ? Folder.AddTaggedSong(song.Name, *song.Tags) : Folder.AddSong(song.Name));
        }
      }) {}

TWindowOnSongs::TWindowOnSongs(TFill fill, TWindowOptions options)
    : TWindowOnSongs(options, [this, fill] { fill(Folder); }) {}

TWindowOnSongs::TWindowOnSongs(TWindowOptions options, const std::function<void()>& fill) {
  fill();
  Window = MakeWindow(Dialogs, options.Settings);
  Window->show();
  if (!QTest::qWaitForWindowExposed(Window.get())) qWarning("the window was not exposed");
  // A window activated only once a pop-up menu is open never gets the keyboard back when the menu
  // closes: on a busy machine the activation can come that late, so wait for it here.
  if (!QTest::qWaitForWindowActive(Window.get())) qWarning("the window was not activated");
  Window->Seams().ReloadPause = [this](int milliseconds, std::function<void()> reload) {
    PausedFor = milliseconds;
    if (HoldPause) {
      EndPause = std::move(reload);
    } else {
      QTimer::singleShot(0, Window.get(), std::move(reload));
    }
  };
  if (options.History) {
    TResultOf<std::unique_ptr<THistory>> opened = THistory::Open(State / "history.sqlite3");
    if (!opened) qFatal("cannot open the test history");
    History = std::move(opened.Value());
    Window->UseHistory(History.get());
  }
  if (options.OpenAtOnce) Open();
}

void TWindowOnSongs::Open() const {
  if (!Window->SelectFolder(Folder.QPath())) qFatal("cannot open the folder %s", Folder.Path().c_str());
  WaitForSongs(*Window);
}

QLineEdit* TWindowOnSongs::Field(TDetailsField field) const {
  static const char* const kNames[] = {"artistField", "titleField",   "albumField",
                                       "yearField",   "commentField", "trackField"};
  return Child<QLineEdit>(kNames[static_cast<std::size_t>(field)]);
}

void TWindowOnSongs::Type(TDetailsField field, const QString& text) const { Field(field)->setText(text); }

void TWindowOnSongs::Click(int row, Qt::KeyboardModifiers modifiers) const {
  ClickRow(*Window, row, modifiers);
  WaitForSongs(*Window);
}

void TWindowOnSongs::Press(Qt::Key key, Qt::KeyboardModifiers modifiers) const {
  QTest::keyClick(Window.get(), key, modifiers);
  WaitForSongs(*Window);
}

void TWindowOnSongs::Run(const char* command) const {
  Choose(*Window, command);
  WaitForSongs(*Window);
}

bool WaitUntilLoaded(const TMainWindow& window) {
  return QTest::qWaitFor([&] { return !window.IsLoading() && !window.IsRunningCommand(); }, 30000);
}

void WaitForSongs(const TMainWindow& window) {
  if (TWhileBusy::Watching() || (!window.IsLoading() && !window.IsRunningCommand())) return;
  if (!WaitUntilLoaded(window)) qWarning("the folder did not load in 30 s");
}

QStringList RowTexts(const TMainWindow& window) {
  WaitForSongs(window);
  QStringList texts;
  const QAbstractItemModel* model = ChildOf<TSongListBox>(window, "songList")->model();
  for (int row = 0; row < model->rowCount(); ++row) texts << model->index(row, 0).data().toString();
  return texts;
}

namespace {

const TStatusPanels& StatusBar(const TMainWindow& window) { return *ChildOf<TStatusPanels>(window, "statusBar"); }

}  // namespace

QString StatusText(const TMainWindow& window) { return StatusBar(window).PanelText(TStatusPanel::Message); }
QString CountText(const TMainWindow& window) { return StatusBar(window).PanelText(TStatusPanel::Count); }
QString ProgressText(const TMainWindow& window) { return StatusBar(window).ProgressText(); }
QString SongDetailsCaption(const TMainWindow& window) {
  return ChildOf<TSongDetailsPanel>(window, "songDetailsPanel")->Caption();
}
QString StatusText(const TWindowOnSongs& window) { return StatusText(*window.operator->()); }
QString CountText(const TWindowOnSongs& window) { return CountText(*window.operator->()); }
QString ProgressText(const TWindowOnSongs& window) { return ProgressText(*window.operator->()); }
QString SongDetailsCaption(const TWindowOnSongs& window) { return SongDetailsCaption(*window.operator->()); }

TViewMode ViewModeOf(const TMainWindow& window) {
  return ChildOf<TSortFilterPanel>(window, "sortFilterPanel")->ViewMode();
}
TViewMode ViewModeOf(const TWindowOnSongs& window) { return ViewModeOf(*window.operator->()); }
void UnselectAll(const TMainWindow& window) { ChildOf<TSongListPane>(window, "songListPane")->UnselectAllRows(); }
void UnselectAll(const TWindowOnSongs& window) { UnselectAll(*window.operator->()); }

void Choose(const TMainWindow& window, const char* name) {
  WaitForSongs(window);
  if (auto* entry = window.findChild<QAction*>(QString::fromLatin1(name))) {
    entry->trigger();
  } else {
    ChildOf<QAbstractButton>(window, name)->click();
  }
}

void ClickRow(TMainWindow& window, int row, Qt::KeyboardModifiers modifiers) {
  WaitForSongs(window);
  // The view shown: the one-line list, or the table of the "Columns" view.
  auto* views = ChildOf<QStackedWidget>(window, "songViews");
  auto* view = qobject_cast<QAbstractItemView*>(views->currentWidget());
  const QRect rect = view->visualRect(view->model()->index(row, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, rect.center());
}

int RowEndingWith(const TMainWindow& window, const QString& end) {
  const QStringList texts = RowTexts(window);
  for (int row = 0; row < texts.size(); ++row) {
    if (texts[row].endsWith(end)) return row;
  }
  return -1;
}

const char* const kFilterButtonNames[8] = {
    "unfilteredFilter", "failedRecognitionFilter", "id3TagUsedFilter",    "patternMatchingFilter",
    "incompleteFilter", "unsavedId3Filter",        "unrenamedFileFilter", "noGenreFilter"};

QString EnabledFilters(const TMainWindow& window) {
  WaitForSongs(window);
  QString enabled;
  for (const char* name : kFilterButtonNames)
    enabled += ChildOf<QAbstractButton>(window, name)->isEnabled() ? '1' : '0';
  return enabled;
}

QList<int> SelectedRows(const TMainWindow& window) {
  WaitForSongs(window);
  QList<int> rows;
  const TSongListPane* pane = ChildOf<TSongListPane>(window, "songListPane");
  for (int row = 0; row < window.RowCount(); ++row) {
    if (pane->IsRowSelected(row)) rows << row;
  }
  return rows;
}

void SelectAllRows(TMainWindow& window) {
  WaitForSongs(window);
  for (int row = 0; row < window.RowCount(); ++row)
    ClickRow(window, row, row == 0 ? Qt::NoModifier : Qt::ControlModifier);
}

QString FileOfRow(const TWindowOnSongs& window, int row) {
  const TSongFile* song = window->SongAtRow(row);
  return song == nullptr ? QString() : QString::fromStdString(std::string(FileNamePart(song->FileName())));
}

QStringList SelectedFiles(const TWindowOnSongs& window) {
  QStringList files;
  for (int row : SelectedRows(*window.Window)) files << FileOfRow(window, row);
  return files;
}

TSongDetailsPanel* DetailsPanel(const TWindowOnSongs& window) {
  return window.Child<TSongDetailsPanel>("songDetailsPanel");
}

void PrepareSongListMenu(const TWindowOnSongs& window) { window.Child<TSongListPane>("songListPane")->PrepareMenu(); }

void PrepareTextMenu(const TWindowOnSongs& window) { DetailsPanel(window)->PrepareTextMenu(); }

}  // namespace tagwright::testing

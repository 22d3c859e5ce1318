// What the window tests share: folders of real song files, a window on them, and ways to read and
// drive its song list.
#pragma once

#include <QLineEdit>
#include <QStringList>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "history/history.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"
#include "tests/ui/recording_dialogs.h"
#include "ui/details/song_details_panel.h"
#include "ui/window/main_window.h"

namespace tagwright::testing {

// A temporary folder of songs: silent MPEG audio, with or without tags.
class TSongFolder {
 public:
  const std::string& Path() const { return folder_.Path(); }
  QString QPath() const { return QString::fromStdString(folder_.Path()); }
  std::string operator/(std::string_view name) const { return folder_ / name; }
  // A song without tags.
  std::string AddSong(std::string_view name) const;
  // A song with ID3 tags.
  std::string AddTaggedSong(std::string_view name, const TID3Info& tags) const;
  std::string AddFile(std::string_view name, std::string_view bytes = {}) const {
    return folder_.WriteFile(name, bytes);
  }
  std::string MakeFolder(std::string_view name) const { return folder_.MakeFolder(name); }

 private:
  TTempFolder folder_;
};

// Each file of a folder by name, with its bytes and modification time.
using TFilesOnDisk = std::map<std::string, std::pair<std::string, std::int64_t>>;
TFilesOnDisk FilesOnDisk(const std::string& folder);
// Sets the modification time of every file of the folder far back, so that any write shows.
void AgeFiles(const std::string& folder);
// Every file and folder below a folder by its path there: a file with its bytes, a folder as "(folder)".
std::map<std::string, std::string> FolderContents(const std::string& folder);
// How many files of before are gone or hold other bytes or another modification time in after.
int FilesChanged(const TFilesOnDisk& before, const TFilesOnDisk& after);

TID3Info Tags(const std::string& artist, const std::string& title, const std::string& album = {},
              std::uint8_t track = 0, const std::string& genre = {}, const std::string& year = {});

// The child of parent with the given object name and type. A missing one ends the test program: the
// test itself would be wrong.
template <typename T>
T* ChildOf(const QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) qFatal("no child named %s of the type asked for", name);
  return child;
}

// Waits until the window has listed the folder it loads, if it loads one, and until a command over
// several songs (which runs on a worker) has ended and listed the folder again; not while a
// TWhileBusy watches the window at work.
void WaitForSongs(const TMainWindow& window);
// Waits until no load and no command runs, also while a TWhileBusy watches; false after 30 s.
bool WaitUntilLoaded(const TMainWindow& window);

// A song for TWindowOnSongs: its file name (a path below the folder), with these tags or none.
struct TSongSpec {
  TSongSpec(const char* name) : Name(name) {}  // NOLINT(google-explicit-constructor): a song without tags
  TSongSpec(std::string name, TID3Info tags) : Name(std::move(name)), Tags(std::move(tags)) {}
  std::string Name;
  std::optional<TID3Info> Tags;
};

// A window starts as on a first run, with nothing remembered, unless the test keeps what an earlier
// window left.
enum class TSettings : bool { Forget, Keep };

// Settings comes first: were it a bool, {"a.mp3"} could be taken for options as well as for a song.
struct TWindowOptions {
  TSettings Settings = TSettings::Forget;
  bool History = false;  // a history of its own, so that commands can be undone
  // The window opens the folder at once and waits until it is listed. Without, it shows no folder
  // until the test calls Open(), once it has made ready what the window should meet (a read-only
  // song, a seam, a variable of the environment), or never (the window as it starts).
  bool OpenAtOnce = true;
};

// The fixture of the window tests: a temporary folder of the given songs and the window opened on
// it, shown on the offscreen screen with recording dialogs. A folder loads on a worker: a test that
// reaches the window through -> or the helpers below sees it after the load has ended. The folder
// and the history outlive the window.
struct TWindowOnSongs {
  explicit TWindowOnSongs(const std::vector<TSongSpec>& songs = {}, TWindowOptions options = {});
  // No songs: an empty folder, or with {.OpenAtOnce = false} none at all.
  explicit TWindowOnSongs(TWindowOptions options) : TWindowOnSongs(std::vector<TSongSpec>{}, options) {}
  // A folder filled by a test's own function.
  using TFill = void (*)(const TSongFolder& folder);
  explicit TWindowOnSongs(TFill fill, TWindowOptions options = {});

  // Selects the folder in the folder tree and waits until it is listed.
  void Open() const;

  TSongFolder Folder;
  std::vector<std::string> Songs;  // the songs' paths, in the order given
  TTempFolder State;
  std::unique_ptr<THistory> History;
  TRecordingDialogs Dialogs;
  std::unique_ptr<TMainWindow> Window;
  // The pause that keeps a pass's message readable before the reload ends at once, from the event
  // loop, unless the test holds it (HoldPause): then EndPause is set while it lasts and reloads.
  // PausedFor is the length the window asked for, in milliseconds.
  bool HoldPause = false;
  int PausedFor = 0;
  std::function<void()> EndPause;

  TMainWindow* operator->() const {
    WaitForSongs(*Window);
    return Window.get();
  }
  // A part of the window by its object name.
  template <typename T>
  T* Child(const char* name) const {
    WaitForSongs(*Window);
    return ChildOf<T>(*Window, name);
  }
  // A field of the details panel by its role, and typing into it.
  QLineEdit* Field(TDetailsField field) const;
  void Type(TDetailsField field, const QString& text) const;
  // A click on a row, a key pressed on the window, a command chosen by its control (see Choose);
  // each waits until what it started has ended.
  void Click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const;
  void Run(const char* command) const;

 private:
  TWindowOnSongs(TWindowOptions options, const std::function<void()>& fill);
};

// What the window shows: the message panel, the count panel, the progress beside them, and the
// details panel's caption; read at once from a window, or once it has loaded from the window under
// test.
QString StatusText(const TMainWindow& window);
QString CountText(const TMainWindow& window);
QString ProgressText(const TMainWindow& window);
QString SongDetailsCaption(const TMainWindow& window);
QString StatusText(const TWindowOnSongs& window);
QString CountText(const TWindowOnSongs& window);
QString ProgressText(const TWindowOnSongs& window);
QString SongDetailsCaption(const TWindowOnSongs& window);

// The view shown, as its button in the sort and filter panel says; and no row selected, as a click
// beside the rows leaves the list.
TViewMode ViewModeOf(const TMainWindow& window);
TViewMode ViewModeOf(const TWindowOnSongs& window);
void UnselectAll(const TMainWindow& window);
void UnselectAll(const TWindowOnSongs& window);

// Chooses a command as the user does, by the object name of its control: a menu entry of the song
// list (triggered), a button (clicked) or a radio button of the views and filters (chosen).
void Choose(const TMainWindow& window, const char* name);

QStringList RowTexts(const TMainWindow& window);
// Clicks a row of the song list, with modifiers such as Qt::ControlModifier.
void ClickRow(TMainWindow& window, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The row whose text ends with the given text, or -1.
int RowEndingWith(const TMainWindow& window, const QString& end);
// The enabled state of the eight filter buttons, as a string of 0 and 1 in their order.
QString EnabledFilters(const TMainWindow& window);
// The object names of the filter buttons, in their order.
extern const char* const kFilterButtonNames[8];

// Calls check every few milliseconds while the window works, from its own event loop.
class TWhileBusy {
 public:
  explicit TWhileBusy(std::function<void()> check) : check_(std::move(check)) {
    ++watching_;
    QObject::connect(&timer_, &QTimer::timeout, [this] { check_(); });
    timer_.start(2);
  }
  ~TWhileBusy() { --watching_; }
  TWhileBusy(const TWhileBusy&) = delete;
  TWhileBusy& operator=(const TWhileBusy&) = delete;
  // Whether one watches now: the test then looks at the window mid-load, without waiting.
  static bool Watching() { return watching_ > 0; }

 private:
  static inline int watching_ = 0;
  std::function<void()> check_;
  QTimer timer_;
};

// The rows selected, in list order; and every row selected by clicks, as the user does.
QList<int> SelectedRows(const TMainWindow& window);
void SelectAllRows(TMainWindow& window);
// The file name of a row's song, without its folder (empty for no row); and those of the rows
// selected, in list order.
QString FileOfRow(const TWindowOnSongs& window, int row);
QStringList SelectedFiles(const TWindowOnSongs& window);

TSongDetailsPanel* DetailsPanel(const TWindowOnSongs& window);
// Enables the entries of the song list's menu or of the details fields' text menu, as when it opens.
void PrepareSongListMenu(const TWindowOnSongs& window);
void PrepareTextMenu(const TWindowOnSongs& window);

}  // namespace tagwright::testing

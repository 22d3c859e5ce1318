// The main window as a frame: its parts and their wiring, start-up and shut-down, the key map, the
// status bar, and loading the songs of a folder.
#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <thread>

#include "files/folder_scan.h"
#include "files/paths.h"
#include "songs/recognition.h"
#include "songs/song_listing.h"
#include "text/letters.h"
#include "ui/about_box.h"
#include "ui/artwork.h"
#include "ui/dialogs.h"
#include "ui/folder_pane.h"
#include "ui/hint_relay.h"
#include "ui/hints.h"
#include "ui/settings.h"
#include "ui/song_details_panel.h"
#include "ui/song_list_pane.h"
#include "ui/sort_filter_panel.h"
#include "ui/status_panels.h"
#include "ui/text_conversion.h"
#include "ui/window_layout.h"

namespace tagwright {

namespace {

constexpr std::size_t kUnreadableNamesShown = 10;
constexpr int kLoadProgressMs = 20;  // how often a load shows its progress and answers the user

}  // namespace

TMainWindow::TMainWindow(TDialogs& dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(dialogs), guard_(dialogs) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QStringLiteral("Tagwright"));
  setWindowIcon(ProgramIcon());

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("centralArea"));
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addWidget(CreateBanner());

  auto* body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(0);
  // The folder pane and the middle pane, side by side with a handle between them.
  mainSplitter_ = new QSplitter(Qt::Horizontal, central);
  mainSplitter_->setObjectName(QStringLiteral("mainSplitter"));
  mainSplitter_->setHandleWidth(kMainSplitterHandleWidth);
  mainSplitter_->setChildrenCollapsible(false);
  folderPane_ = new TFolderPane(dialogs_, mainSplitter_);
  mainSplitter_->addWidget(folderPane_);
  mainSplitter_->addWidget(CreateMiddlePane());
  mainSplitter_->setStretchFactor(0, 0);
  mainSplitter_->setStretchFactor(1, 1);
  mainSplitter_->setSizes({kFolderPaneWidth, kMiddlePaneStartWidth});
  body->addWidget(mainSplitter_, 1);
  sortFilterPanel_ = new TSortFilterPanel(central);
  body->addWidget(sortFilterPanel_);
  outer->addLayout(body, 1);

  statusBar_ = new TStatusPanels(central);
  statusBar_->setObjectName(QStringLiteral("statusBar"));
  outer->addWidget(statusBar_);
  setCentralWidget(central);

  hintRelay_ = new THintRelay(this);
  hintRelay_->setObjectName(QStringLiteral("hintRelay"));
  ConnectParts();

  resize(kWindowSize);
  FitMinimumSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  RestoreWindowState();

  // Keys pressed anywhere in the window reach the key map.
  qApp->installEventFilter(this);
  // The folder tree opens on the user's home folder; no folder is selected yet.
  folderPane_->OpenFolder(QDir::homePath());
  setWindowTitle(QStringLiteral("Tagwright %1").arg(QLatin1String(kProgramVersion)));
  FitStatusBar();
}

TMainWindow::~TMainWindow() {
  qApp->removeEventFilter(this);
  SaveWindowState();
  // The parts outlive this destructor (Qt deletes them with the window's base): nothing they report
  // while going may reach the window any more.
  delete hintRelay_;
  hintRelay_ = nullptr;
  for (QObject* part : {static_cast<QObject*>(folderPane_), static_cast<QObject*>(songListPane_),
                        static_cast<QObject*>(detailsPanel_), static_cast<QObject*>(sortFilterPanel_)}) {
    part->disconnect(this);
  }
  detailsPanel_->SetSelectedSongSource({});
  songListPane_->ClearRows();
  songs_.Clear();
}

QWidget* TMainWindow::CreateBanner() {
  auto* banner = new QFrame(this);
  banner->setObjectName(QStringLiteral("banner"));
  banner->setFixedHeight(kBannerHeight);
  banner->setAutoFillBackground(true);
  QPalette palette = banner->palette();
  palette.setColor(QPalette::Window, kSkyBlue);
  banner->setPalette(palette);

  auto* image = new QLabel(banner);
  image->setObjectName(QStringLiteral("bannerImage"));
  image->setGeometry(kBannerImageGeometry);
  image->setScaledContents(true);
  image->setPixmap(BannerPixmap(kBannerImageGeometry.width(), kBannerImageGeometry.height()));

  auto* aboutButton = new QToolButton(banner);
  aboutButton->setObjectName(QStringLiteral("aboutButton"));
  aboutButton->setGeometry(kAboutButtonGeometry);
  aboutButton->setAutoRaise(true);
  aboutButton->setIcon(AboutIcon());
  SetHint(aboutButton, QStringLiteral("About"));
  connect(aboutButton, &QToolButton::clicked, this, &TMainWindow::ShowAboutBox);
  return banner;
}

QWidget* TMainWindow::CreateMiddlePane() {
  auto* middle = new QWidget(this);
  middle->setObjectName(QStringLiteral("middlePane"));
  auto* layout = new QVBoxLayout(middle);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  songListPane_ = new TSongListPane(songs_, middle);
  detailsPanel_ = new TSongDetailsPanel(guard_, middle);
  layout->addWidget(songListPane_, 1);
  layout->addWidget(detailsPanel_);
  return middle;
}

void TMainWindow::ConnectParts() {
  connect(hintRelay_, &THintRelay::HintChanged, this, &TMainWindow::ShowHintInStatus);
  connect(folderPane_, &TFolderPane::FolderSelected, this, &TMainWindow::LoadSelectedFolder);

  connect(sortFilterPanel_, &TSortFilterPanel::ViewModeChosen, this,
          [this] { RunGuarded([this] { RefreshSongList(); }); });
  connect(sortFilterPanel_, &TSortFilterPanel::FilterChosen, this,
          [this] { RunGuarded([this] { RefreshSongList(); }); });
  connect(sortFilterPanel_, &TSortFilterPanel::HandsFreeClicked, this, &TMainWindow::HandsFreeUpdate);
  connect(sortFilterPanel_, &TSortFilterPanel::AutoRenameClicked, this, &TMainWindow::AutoRename);
  connect(sortFilterPanel_, &TSortFilterPanel::DetailsCleanupClicked, this, &TMainWindow::CleanUpDetails);
  connect(sortFilterPanel_, &TSortFilterPanel::FileNameAsTitleClicked, this, &TMainWindow::UseFileNameAsTitle);

  connect(songListPane_, &TSongListPane::SelectionChanged, this, &TMainWindow::FollowSelection);
  connect(songListPane_, &TSongListPane::OpenRequested, this, &TMainWindow::OpenCurrentSong);
  connect(songListPane_, &TSongListPane::PlayRequested, this, &TMainWindow::PlaySelectedSongs);
  connect(songListPane_, &TSongListPane::StampRequested, this, &TMainWindow::StampRecognized);
  connect(songListPane_, &TSongListPane::ClearRequested, this, &TMainWindow::ClearTagField);
  connect(songListPane_, &TSongListPane::RenameRequested, this, &TMainWindow::RenameThisFile);
  connect(songListPane_, &TSongListPane::DeleteRequested, this, &TMainWindow::DeleteThisFile);
  connect(songListPane_, &TSongListPane::SelectArtistRequested, this, &TMainWindow::SelectArtist);
  connect(songListPane_, &TSongListPane::SelectAllRequested, this, &TMainWindow::SelectAll);
  connect(songListPane_, &TSongListPane::IncludeSubfoldersToggled, this, &TMainWindow::ReloadForSubfolderTick);
  connect(songListPane_, &TSongListPane::RefreshRequested, this, &TMainWindow::RefreshSongFolder);
  connect(songListPane_, &TSongListPane::AccentedLettersToggled, this, &TMainWindow::UseAccentedLetters);
  connect(songListPane_, &TSongListPane::PreferencesRequested, this, &TMainWindow::ShowPreferences);
  auto* preferencesAction = new QAction(QStringLiteral("Preferences..."), this);
  preferencesAction->setObjectName(QStringLiteral("preferencesAction"));
  preferencesAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
  preferencesAction->setShortcutContext(Qt::WindowShortcut);
  addAction(preferencesAction);
  connect(preferencesAction, &QAction::triggered, this, &TMainWindow::ShowPreferences);
  connect(songListPane_, &TSongListPane::PreviewHandsFreeRequested, this, &TMainWindow::PreviewHandsFree);
  connect(songListPane_, &TSongListPane::PreviewAutoRenameRequested, this, &TMainWindow::PreviewAutoRename);
  connect(songListPane_, &TSongListPane::UndoRequested, this, &TMainWindow::UndoLastCommand);
  songListPane_->SetUndoAvailable([this] { return CanUndo(); });

  detailsPanel_->SetSelectedSongSource(
      [this]() -> TSongFile* { return SelectedSongCount() == 1 ? SongAtRow(CurrentRow()) : nullptr; });
  connect(detailsPanel_, &TSongDetailsPanel::RenameClicked, this, &TMainWindow::RenameWithDetails);
  connect(detailsPanel_, &TSongDetailsPanel::StampClicked, this, &TMainWindow::StampWithDetails);
  connect(detailsPanel_, &TSongDetailsPanel::PreviousClicked, this, &TMainWindow::PreviousSong);
  connect(detailsPanel_, &TSongDetailsPanel::NextClicked, this, &TMainWindow::NextSong);
}

// --- Status bar ---

void TMainWindow::SetStatusText(const QString& text) {
  statusBar_->SetPanelText(TStatusPanel::Message, text);
  statusBar_->RepaintPanel(TStatusPanel::Message);
}

QString TMainWindow::StatusText() const { return statusBar_->PanelText(TStatusPanel::Message); }

QString TMainWindow::CountText() const { return statusBar_->PanelText(TStatusPanel::Count); }

QString TMainWindow::ProgressText() const { return statusBar_->ProgressText(); }

void TMainWindow::ShowHintInStatus(const QString& line) { statusBar_->SetPanelText(TStatusPanel::Message, line); }

void TMainWindow::FitStatusBar() {
  const int outerWidth = frameGeometry().width();
  statusBar_->SetPanelWidth(TStatusPanel::Message,
                            std::max(kMessagePanelWidth, outerWidth - kStatusBarWidthBesideMessage));
}

// --- Keys and size ---

bool TMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  if (widget->window() != this) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  // A key that no control took travels up to the window: only its first stop counts.
  const bool passedOn =
      key == keyEvent_ && keyReceiver_ != nullptr && static_cast<QWidget*>(keyReceiver_)->parentWidget() == widget;
  keyEvent_ = key;
  keyReceiver_ = widget;
  if (!passedOn) HandleFunctionKey(key, widget);
  return false;
}

void TMainWindow::HandleFunctionKey(QKeyEvent* event, QWidget* receiver) {
  if (songListPane_->IsPlayKeyInList(receiver, event)) return;
  // Modifiers are not looked at, and the key goes on to the focused control.
  switch (event->key()) {
    case Qt::Key_F5: detailsPanel_->ClickRename(); break;
    case Qt::Key_F6: detailsPanel_->ClickStamp(); break;
    case Qt::Key_F7: sortFilterPanel_->ClickHandsFree(); break;
    case Qt::Key_F9: OpenCurrentSong(); break;
    case Qt::Key_F11: detailsPanel_->ClickPrevious(); break;
    case Qt::Key_F12: detailsPanel_->ClickNext(); break;
    default: break;
  }
}

void TMainWindow::RestoreWindowState() {
  QSettings settings(SettingsOrganization(), SettingsApplication());
  preferences_ = LoadPreferences();
  songListPane_->SetAccentedLetters(preferences_.AccentedLetters);
  spellings_ = preferences_.Spellings();
  detailsPanel_->SetNameOptions(spellings_.get(), preferences_.Recognition());
  const QByteArray geometry = settings.value(WindowGeometryKey()).toByteArray();
  if (!geometry.isEmpty()) restoreGeometry(geometry);
  auto* folderSplitter = folderPane_->findChild<QSplitter*>(QStringLiteral("folderSplitter"));
  const QByteArray main = settings.value(MainSplitterKey()).toByteArray();
  const QByteArray folders = settings.value(FolderSplitterKey()).toByteArray();
  splittersRestored_ = !main.isEmpty() && mainSplitter_->restoreState(main);
  if (folderSplitter != nullptr && !folders.isEmpty()) folderSplitter->restoreState(folders);
}

void TMainWindow::SaveWindowState() const {
  QSettings settings(SettingsOrganization(), SettingsApplication());
  settings.setValue(WindowGeometryKey(), saveGeometry());
  settings.setValue(MainSplitterKey(), mainSplitter_->saveState());
  if (auto* folderSplitter = folderPane_->findChild<QSplitter*>(QStringLiteral("folderSplitter"))) {
    settings.setValue(FolderSplitterKey(), folderSplitter->saveState());
  }
}

void TMainWindow::UseAccentedLetters(bool on) {
  preferences_.AccentedLetters = on;
  detailsPanel_->SetNameOptions(spellings_.get(), preferences_.Recognition());
  QSettings(SettingsOrganization(), SettingsApplication()).setValue(AccentedLettersKey(), on);
  RunGuarded([this] { LoadSongFolder(SelectedFolder()); });
}

void TMainWindow::ShowPreferences() {
  TPreferences chosen = preferences_;
  if (dialogs_.EditPreferences(chosen)) UsePreferences(chosen);
}

void TMainWindow::UsePreferences(const TPreferences& preferences) {
  const bool reread = preferences.AccentedLetters != preferences_.AccentedLetters ||
                      preferences.MoreNameStyles != preferences_.MoreNameStyles;
  preferences_ = preferences;
  SavePreferences(preferences_);
  songListPane_->SetAccentedLetters(preferences_.AccentedLetters);
  spellings_ = preferences_.Spellings();
  detailsPanel_->SetNameOptions(spellings_.get(), preferences_.Recognition());
  if (reread) RunGuarded([this] { LoadSongFolder(SelectedFolder()); });
}

// The window never gets so small that a label or button is cut or two of them meet.
void TMainWindow::FitMinimumSize() {
  centralWidget()->layout()->activate();
  setMinimumSize(minimumSizeHint().expandedTo(QSize(0, kWindowMinimumHeight)));
}

void TMainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FitStatusBar();
}

void TMainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  FitMinimumSize();  // now with the desktop's style and fonts
  if (splittersRestored_) return;
  // The folder pane starts at its width; the middle pane takes the rest.
  centralWidget()->layout()->activate();
  const int total = mainSplitter_->width() - mainSplitter_->handleWidth();
  mainSplitter_->setSizes({kFolderPaneWidth, std::max(0, total - kFolderPaneWidth)});
}

// --- Parts' notifications ---

void TMainWindow::ShowAboutBox() {
  TAboutBox box(this);
  box.exec();
}

void TMainWindow::LoadSelectedFolder(const QString& path) {
  unspelledFolder_.clear();
  songListPane_->SetIncludeSubfolders(false);
  RunGuarded([&] { LoadSongFolder(QStringToPath(path)); });
}

void TMainWindow::FollowSelection() {
  RunGuarded([this] { ShowSongDetails(); });
}

void TMainWindow::OpenCurrentSong() {
  const TSongFile* song = SongAtRow(CurrentRow());
  if (song != nullptr) OpenOrTell(dialogs_, song->FileName());
}

std::string TMainWindow::SelectedFolder() const {
  if (!unspelledFolder_.empty()) return unspelledFolder_;
  return QStringToPath(folderPane_->SelectedPath());
}

bool TMainWindow::SelectFolder(const QString& path) { return folderPane_->SelectFolder(path); }

bool TMainWindow::OpenStartFolder(const std::string& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return false;
  const QString spelled = PathToQString(folder);
  if (QStringToPath(spelled) == folder) return SelectFolder(spelled);
  // Qt's paths are Unicode: bytes that are no UTF-8 would come back as other bytes, and the scan would
  // miss the folder. The tree shows the nearest folder above that it can spell.
  std::string above = folder;
  do {
    const std::size_t slash = above.find_last_of('/');
    above = slash == 0 || slash == std::string::npos ? std::string("/") : above.substr(0, slash);
  } while (above != "/" && QStringToPath(PathToQString(above)) != above);
  folderPane_->OpenFolder(PathToQString(above));
  songListPane_->SetIncludeSubfolders(false);
  unspelledFolder_ = folder;
  RunGuarded([&] { LoadSongFolder(unspelledFolder_); });
  return true;
}

// --- Songs ---

TViewMode TMainWindow::ViewMode() const { return sortFilterPanel_->ViewMode(); }

TRecognitionFilter TMainWindow::RecognitionFilter() const { return sortFilterPanel_->RecognitionFilter(); }

void TMainWindow::SetViewMode(TViewMode viewMode) { sortFilterPanel_->SetViewMode(viewMode); }

void TMainWindow::SetRecognitionFilter(TRecognitionFilter filter) { sortFilterPanel_->SetRecognitionFilter(filter); }

void TMainWindow::LoadSongFolder(const std::string& folder) {
  const std::uint64_t generation = ++loadGeneration_;
  if (loadCancel_) loadCancel_->store(true);  // a load still running is abandoned
  auto cancel = std::make_shared<std::atomic<bool>>(false);
  loadCancel_ = cancel;

  ++busy_;
  SetCommandsEnabled(false);
  songListPane_->ClearRows();
  const bool includeSubfolders = songListPane_->IncludeSubfolders();
  SetStatusText(QStringLiteral("Updating file list..."));

  // The folder is scanned and its songs read on other threads; this one keeps the window painting
  // and answering, and shows the progress.
  struct TLoad {
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
    std::atomic<bool> finished{false};
    TListing listing;
    std::vector<TUnreadableFolder> unreadableFolders;
    std::exception_ptr error;
  };
  auto load = std::make_shared<TLoad>();
  const TRecognitionOptions recognition = preferences_.Recognition();
  std::thread worker([load, cancel, folder, includeSubfolders, recognition, hook = beforeEachSongRead_] {
    try {
      std::vector<std::string> files;
      // No folder selected means no songs: an empty path would otherwise stand for "/".
      if (!folder.empty()) {
        ScanFolder("*.*", folder, files, includeSubfolders, SongFileExtensions(), &load->unreadableFolders);
      }
      TListingOptions options;
      options.Recognition = recognition;
      options.Cancel = cancel.get();
      options.BeforeEachSong = hook;
      options.OnProgress = [&load](std::size_t done, std::size_t total) {
        load->total.store(total);
        load->done.store(done);
      };
      load->listing = ListSongs(files, options);
    } catch (...) {
      load->error = std::current_exception();
    }
    load->finished.store(true);
  });
  QEventLoop waiting;
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout, &waiting, [&] {
    if (load->finished.load()) {
      waiting.quit();
      return;
    }
    // The progress has a place of its own: the message panel keeps "Updating file list...".
    if (generation == loadGeneration_ && load->total.load() > 0) {
      statusBar_->ShowProgress(QStringLiteral("Reading songs"), load->done.load(), load->total.load());
    }
  });
  ticks.start(kLoadProgressMs);
  if (!load->finished.load()) waiting.exec();
  ticks.stop();
  worker.join();
  if (generation == loadGeneration_) statusBar_->HideProgress();
  if (--busy_ == 0) SetCommandsEnabled(true);

  if (generation != loadGeneration_) return;  // another folder was chosen meanwhile
  loadCancel_.reset();
  if (load->error) {
    SetStatusText(QString());
    std::rethrow_exception(load->error);
  }
  TakeListing(std::move(load->listing));
  // A folder that cannot be read hides its songs: it is said with the songs that cannot be read.
  for (const TUnreadableFolder& unreadable : load->unreadableFolders) {
    unreadableSongs_.push_back(unreadable.Failure().DescribeWithError());
  }
  RefreshSongList();
  SetStatusText(QString());
  PointToNameOptions(folder);
  ReportUnreadableSongs();
}

void TMainWindow::LoadSongs(const std::vector<std::string>& files) {
  songListPane_->ClearRows();
  TListingOptions options;
  options.Recognition = preferences_.Recognition();
  TakeListing(ListSongs(files, options));
}

void TMainWindow::TakeListing(TListing listing) {
  songs_ = std::move(listing.Songs);
  unreadableSongs_.clear();
  // One file that cannot be read does not hide the folder's other songs.
  for (const TResult& failure : listing.Failures) unreadableSongs_.push_back(failure.Describe());
}

void TMainWindow::SetCommandsEnabled(bool enabled) {
  if (enabled == commandsEnabled_) return;
  commandsEnabled_ = enabled;
  if (!enabled) focusBefore_ = focusWidget();
  songListPane_->setEnabled(enabled);
  detailsPanel_->setEnabled(enabled);
  sortFilterPanel_->setEnabled(enabled);
  if (!enabled) {
    // Qt has moved the keyboard away from a control it disabled; it comes back to it afterwards.
    focusDisplacedTo_ = focusWidget();
    return;
  }
  const bool userMovedFocus = focusWidget() != focusDisplacedTo_.data();
  if (focusBefore_ && !userMovedFocus && focusBefore_->isEnabled() && focusBefore_->isVisible()) {
    focusBefore_->setFocus(Qt::OtherFocusReason);
  }
  focusBefore_.clear();
  focusDisplacedTo_.clear();
}

void TMainWindow::WaitPainting(int ms) {
  QEventLoop waiting;
  // A precise timer: a coarse one may end the wait up to 5 % early.
  QTimer::singleShot(ms, Qt::PreciseTimer, &waiting, &QEventLoop::quit);
  waiting.exec();
}

namespace {

QString NameCount(std::size_t count) {
  return count == 1 ? QStringLiteral("1 name") : QStringLiteral("%1 names").arg(count);
}

}  // namespace

void TMainWindow::PointToNameOptions(const std::string& folder) {
  if (folder.empty() || std::find(foldersPointedToOptions_.begin(), foldersPointedToOptions_.end(), folder) !=
                            foldersPointedToOptions_.end()) {
    return;
  }
  std::size_t accented = 0;
  std::size_t styled = 0;
  for (std::size_t i = 0; i < songs_.Count(); ++i) {
    const TSongFile& song = *songs_[i];
    if (song.Recognition() != TRecognition::Failed && song.Recognition() != TRecognition::LoosePattern) continue;
    TTokenList tokens;
    if (!preferences_.MoreNameStyles) {
      TSongDetails trial;
      RecognizeFileName(song.FileName(), tokens, trial, {.MoreNameStyles = true});
      if (trial.TidiedName()) ++styled;
    }
    const std::string_view name = FileNamePart(song.FileName());
    const bool beyondAscii =
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (!preferences_.AccentedLetters && song.Recognition() == TRecognition::Failed && beyondAscii) {
      TSongDetails trial;
      TRecognitionOptions withAccents = preferences_.Recognition();
      withAccents.Letters = TLetters::Accented;
      RecognizeFileName(song.FileName(), tokens, trial, withAccents);
      if (trial.Recognition() != TRecognition::Failed) ++accented;
    }
  }
  QStringList messages;
  if (accented > 0) {
    messages << QStringLiteral("%1 recognised with Accented Letters in Names \u2014 %2")
                    .arg(NameCount(accented), PreferencesPointer());
  }
  if (styled > 0) {
    messages
        << QStringLiteral("%1 recognised with More Name Styles \u2014 %2").arg(NameCount(styled), PreferencesPointer());
  }
  if (messages.isEmpty()) return;
  foldersPointedToOptions_.push_back(folder);
  SetStatusText(messages.join(QStringLiteral("; ")));
}

void TMainWindow::ReportUnreadableSongs() {
  if (unreadableSongs_.empty()) return;
  QStringList lines;
  for (std::size_t i = 0; i < unreadableSongs_.size() && i < kUnreadableNamesShown; ++i) {
    lines << ToQString(unreadableSongs_[i]);
  }
  if (unreadableSongs_.size() > kUnreadableNamesShown) {
    lines << QStringLiteral("... and %1 more").arg(unreadableSongs_.size() - kUnreadableNamesShown);
  }
  dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Tagwright"), lines.join(QLatin1Char('\n')),
                      TMsgDlgButton::OK);
}

void TMainWindow::RefreshSongList() {
  const TViewMode viewMode = ViewMode();
  const TRecognitionFilter filter = RecognitionFilter();
  songs_.SortBy(ViewModeSortOrder(viewMode));
  songListPane_->ClearRows();
  TFilterMask present = FilterBit(TRecognitionFilter::Unfiltered);
  std::vector<std::size_t> rows;
  rows.reserve(songs_.Count());
  for (std::size_t i = 0; i < songs_.Count(); ++i) {
    const TFilterMask mask = SongFilterMask(*songs_[i]);
    present = static_cast<TFilterMask>(present | mask);
    if (MaskHasFilter(mask, filter)) rows.push_back(i);
  }
  songListPane_->ShowRows(std::move(rows), viewMode);
  // A chosen filter that lists nothing any more is disabled but stays chosen.
  sortFilterPanel_->EnableFilters(present);
  statusBar_->SetPanelText(TStatusPanel::Count, QStringLiteral("%1 files").arg(songListPane_->RowCount()));
}

// --- Rows and selection ---

int TMainWindow::RowCount() const { return songListPane_->RowCount(); }

int TMainWindow::CurrentRow() const { return songListPane_->CurrentRow(); }

int TMainWindow::SelectedSongCount() const { return songListPane_->SelectedRowCount(); }

TSongFile* TMainWindow::SongAtRow(int row) const { return songListPane_->SongAtRow(row); }

void TMainWindow::SelectSingleRow(int row) {
  if (songListPane_->SelectSingleRow(row)) ShowSongDetails();
}

void TMainWindow::UnselectAllRows() { songListPane_->UnselectAllRows(); }

void TMainWindow::SelectRows(const std::vector<int>& rows) { songListPane_->SelectRows(rows); }

// --- Song details panel ---

QString TMainWindow::SongDetailsCaption() const { return detailsPanel_->Caption(); }

void TMainWindow::ShowSongDetails() {
  const TSongFile* song = SongAtRow(CurrentRow());
  if (song == nullptr) {
    detailsPanel_->ShowNoSong();
    return;
  }
  if (SelectedSongCount() == 1) {
    detailsPanel_->ShowSong(*song);
    return;
  }
  // No row or several rows selected: the values all selected songs share.
  std::vector<const TSongFile*> selected;
  for (int row = 0; row < RowCount(); ++row) {
    if (songListPane_->IsRowSelected(row)) selected.push_back(SongAtRow(row));
  }
  detailsPanel_->ShowCommonValues(selected);
}

void TMainWindow::PreviousSong() {
  const int current = CurrentRow();
  if (current > 0) SelectSingleRow(current - 1);
}

void TMainWindow::NextSong() {
  const int current = CurrentRow();
  if (current < RowCount() - 1) SelectSingleRow(current + 1);
}

}  // namespace tagwright

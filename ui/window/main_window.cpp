// The main window as a frame: its parts and their wiring, start-up and shut-down, the key map, the
// status bar and the sizes.
#include "ui/window/main_window.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include "files/paths.h"
#include "songs/recognition.h"
#include "text/letters.h"
#include "ui/artwork.h"
#include "ui/details/song_details_panel.h"
#include "ui/details/song_media_panel.h"
#include "ui/dialogs/dialogs.h"
#include "ui/folders/folder_pane.h"
#include "ui/hints.h"
#include "ui/menu_entries.h"
#include "ui/settings.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/song_list/song_table_model.h"
#include "ui/text_conversion.h"
#include "ui/window/about_box.h"
#include "ui/window/hint_relay.h"
#include "ui/window/sort_filter_panel.h"
#include "ui/window/sort_filter_scroll.h"
#include "ui/window/status_panels.h"
#include "ui/window/window_layout.h"
#include "ui/workers/song_folder_loader.h"

namespace tagwright {

TMainWindow::TMainWindow(TDialogs& dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(dialogs), guard_(dialogs) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(QStringLiteral("Tagwright"));
  setWindowIcon(ProgramIcon());

  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("centralArea"));
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  QWidget* banner = CreateBanner();
  outer->addWidget(banner);

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
  // Both panes grow with the window, the middle one most.
  mainSplitter_->setStretchFactor(0, 1);
  mainSplitter_->setStretchFactor(1, 4);
  mainSplitter_->setSizes({kFolderPaneWidth, kMiddlePaneStartWidth});
  body->addWidget(mainSplitter_, 1);
  sortFilterPanel_ = new TSortFilterPanel;
  body->addWidget(new TSortFilterScroll(sortFilterPanel_, central));
  outer->addLayout(body, 1);

  statusBar_ = new TStatusPanels(central);
  statusBar_->setObjectName(QStringLiteral("statusBar"));
  outer->addWidget(statusBar_);
  setCentralWidget(central);
  runner_ = std::make_unique<TCommandRunner>(dialogs_, *statusBar_);
  loader_ = new TSongFolderLoader(this);
  loader_->SetBeforeEachSongRead(&seams_.BeforeEachSongRead);
  runner_->SetBeforeEachSong(&seams_.BeforeEachPassSong);

  CreateFolderActions(banner);
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
  // A pass still running stops after the song it writes: the songs it goes over are the window's.
  runner_->CancelAndWait();
  // The parts outlive this destructor (Qt deletes them with the window's base): nothing they report
  // while going may reach the window any more.
  delete hintRelay_;
  hintRelay_ = nullptr;
  delete loader_;  // a load still running is abandoned, and its worker waited for
  loader_ = nullptr;
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
  mediaPanel_ = new TSongMediaPanel(middle);
  layout->addWidget(songListPane_, 1);
  auto* details = new QHBoxLayout;
  details->setSpacing(0);
  details->addWidget(detailsPanel_, 1);
  details->addWidget(mediaPanel_);
  layout->addLayout(details);
  return middle;
}

void TMainWindow::ConnectParts() {
  connect(loader_, &TSongFolderLoader::Progress, this, &TMainWindow::ShowLoadProgress);
  connect(loader_, &TSongFolderLoader::Loaded, this,
          [this](const std::shared_ptr<TFolderListing>& loaded) { RunGuarded([&] { TakeLoadedFolder(*loaded); }); });
  connect(statusBar_, &TStatusPanels::CancelClicked, this, &TMainWindow::CancelCommand);
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
  connect(songListPane_, &TSongListPane::TagsFromNameRequested, this, &TMainWindow::TagsFromFileNames);
  connect(songListPane_, &TSongListPane::RenameWithPatternRequested, this, &TMainWindow::RenameWithPattern);
  connect(songListPane_, &TSongListPane::NumberTracksRequested, this, &TMainWindow::NumberTracks);
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
  connect(songListPane_, &TSongListPane::PreviewBeforeChangingToggled, this, &TMainWindow::UsePreviewBeforeChanging);
  connect(songListPane_, &TSongListPane::SongsEdited, this, &TMainWindow::FollowSelection);
  connect(mediaPanel_->CoverView(), &TCoverArtView::CoverChangeRequested, this, &TMainWindow::ChangeCover);
  connect(mediaPanel_->CoverView(), &TCoverArtView::PictureDropped, this, &TMainWindow::TakeDroppedPicture);
  connect(mediaPanel_->Reader(), &TSongFactsReader::AudioRead, songListPane_->TableRows(), &TSongTableModel::TakeAudio);
  // A history that cannot be read leaves the entry on: choosing it says why.
  songListPane_->SetUndoAvailable([this] {
    const TResultOf<bool> available = CanUndo();
    return !available || available.Value();
  });
  connect(songListPane_, &TSongListPane::RedoRequested, this, &TMainWindow::RedoLastUndo);
  songListPane_->SetRedoAvailable([this] {
    const TResultOf<bool> available = CanRedo();
    return !available || available.Value();
  });
  connect(songListPane_, &TSongListPane::HistoryRequested, this, &TMainWindow::ShowHistory);

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

QString TMainWindow::ProgressText() const { return statusBar_->ProgressText(); }

// While a command runs (and during the pause that keeps its message readable) the message panel is
// the command's: a control the mouse passes shows no hint there.
void TMainWindow::ShowHintInStatus(const QString& line) {
  if (!passRunning_) statusBar_->SetPanelText(TStatusPanel::Message, line);
}

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
  // Modifiers are not looked at, and the key goes on to the focused control. A command's key, as
  // the catalogue gives it, clicks the command's button.
  const std::pair<TCommandId, std::function<void()>> buttons[] = {
      {TCommandId::RenameWithDetails, [this] { detailsPanel_->ClickRename(); }},
      {TCommandId::StampPanel, [this] { detailsPanel_->ClickStamp(); }},
      {TCommandId::HandsFree, [this] { sortFilterPanel_->ClickHandsFree(); }}};
  for (const auto& [command, click] : buttons) {
    if (CommandKeys(CatalogueCommand(command)).contains(QKeySequence(event->key()))) {
      click();
      return;
    }
  }
  switch (event->key()) {
    case Qt::Key_F9: OpenCurrentSong(); break;
    case Qt::Key_F11: detailsPanel_->ClickPrevious(); break;
    case Qt::Key_F12: detailsPanel_->ClickNext(); break;
    default: break;
  }
}

QSplitter* TMainWindow::FolderSplitter() const {
  return folderPane_->findChild<QSplitter*>(QStringLiteral("folderSplitter"));
}

void TMainWindow::RestoreWindowState() {
  preferences_ = LoadPreferences();
  songListPane_->SetAccentedLetters(preferences_.AccentedLetters);
  spellings_ = preferences_.Spellings();
  detailsPanel_->SetNameOptions(spellings_.get(), preferences_.Recognition());
  splittersRestored_ = window_settings::RestoreWindow(*this, *mainSplitter_, FolderSplitter());
  // The view the window had when it closed.
  const int view = QSettings(SettingsOrganization(), SettingsApplication()).value(ViewModeKey(), 0).toInt();
  if (view > 0 && view < kViewModeCount) sortFilterPanel_->SetViewMode(static_cast<TViewMode>(view));
  previewBeforeChanging_ = window_settings::PreviewBeforeChanging();
  songListPane_->SetPreviewBeforeChanging(previewBeforeChanging_);
}

void TMainWindow::SaveWindowState() const {
  window_settings::SaveWindow(*this, *mainSplitter_, FolderSplitter());
  QSettings(SettingsOrganization(), SettingsApplication()).setValue(ViewModeKey(), static_cast<int>(ViewMode()));
}

void TMainWindow::UseAccentedLetters(bool on) {
  preferences_.AccentedLetters = on;
  detailsPanel_->SetNameOptions(spellings_.get(), preferences_.Recognition());
  QSettings(SettingsOrganization(), SettingsApplication()).setValue(AccentedLettersKey(), on);
  RunGuarded([this] { LoadSongFolder(SelectedFolder()); });
}

void TMainWindow::UsePreviewBeforeChanging(bool on) {
  previewBeforeChanging_ = on;
  songListPane_->SetPreviewBeforeChanging(on);
  window_settings::SetPreviewBeforeChanging(on);
}

void TMainWindow::ShowPreferences() {
  if (busy_ > 0) return;  // the songs are read afresh with other preferences
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

// The window never gets so small that a label or button is cut or two of them meet. The message
// panel counts at its own width, not at the width it has in a wider window (as restored from the last
// session), so that the window can always be made as small as on a first run.
void TMainWindow::FitMinimumSize() {
  statusBar_->SetPanelWidth(TStatusPanel::Message, kMessagePanelWidth);
  centralWidget()->layout()->activate();
  // As short as the panes allow; the sort and filter panel then scrolls, with room for its bar.
  const int scrollBar = findChild<TSortFilterScroll*>()->ScrollBarWidth();
  setMinimumSize(minimumSizeHint().expandedTo(QSize(0, kWindowMinimumHeight)) + QSize(scrollBar, 0));
  FitStatusBar();
}

void TMainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FitStatusBar();
  // Open Folder sits at the banner's right end.
  if (auto* open = findChild<QToolButton*>(QStringLiteral("openFolderButton"))) {
    open->move(centralWidget()->width() - open->width() - kAboutButtonGeometry.left(), kAboutButtonGeometry.top());
  }
  // The banner's picture spans the window.
  if (auto* image = findChild<QLabel*>(QStringLiteral("bannerImage"))) {
    const int width = std::max(kBannerImageGeometry.width(), centralWidget()->width() - 2 * kBannerImageGeometry.x());
    if (image->width() != width) {
      image->setGeometry(kBannerImageGeometry.x(), kBannerImageGeometry.y(), width, kBannerImageGeometry.height());
      image->setPixmap(BannerPixmap(width, kBannerImageGeometry.height()));
    }
  }
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

}  // namespace tagwright

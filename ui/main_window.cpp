// The main window as a frame: its parts, start-up and shut-down, hints, keys, the status bar and the
// folder tree's notifications.
#include "ui/main_window.h"

#include <QApplication>
#include <algorithm>
#include <QButtonGroup>
#include <QDir>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/about_box.h"
#include "ui/artwork.h"
#include "ui/dialogs.h"
#include "ui/folder_tree.h"
#include "ui/shell_file_list.h"
#include "ui/song_filter.h"
#include "ui/song_list_box.h"
#include "ui/song_row_model.h"
#include "ui/song_status.h"
#include "ui/song_view_mode.h"
#include "ui/status_panels.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

const QColor kSkyBlue(166, 202, 240);
constexpr int kMessagePanel = 0;
constexpr int kCountPanel = 1;
constexpr int kHintMilliseconds = 5000;

QColor ToColor(TRgb rgb) { return QColor(rgb.Red, rgb.Green, rgb.Blue); }

void SetHint(QWidget* widget, const QString& hint) {
  widget->setToolTip(hint);
  widget->setToolTipDuration(kHintMilliseconds);
}

void SetHint(QAction* action, const QString& hint) {
  action->setToolTip(hint);
  action->setStatusTip(hint);
}

// Captions in the legend colours stay coloured while enabled; disabled ones are greyed as usual.
void SetCaptionColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, color);
    palette.setColor(group, QPalette::ButtonText, color);
  }
  widget->setPalette(palette);
}

QPushButton* MakeButton(const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setMinimumSize(121, 25);
  button->setAutoDefault(false);
  return button;
}

}  // namespace

TfrmRo3VavMain::TfrmRo3VavMain(TDialogs& dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(dialogs) {
  setObjectName(QStringLiteral("frmRo3VavMain"));
  setWindowTitle(QStringLiteral("Tagwright"));
  setWindowIcon(ProgramIcon());

  auto* central = new QWidget(this);
  auto* outer = new QVBoxLayout(central);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  outer->addWidget(CreateTopPanel());

  auto* body = new QHBoxLayout;
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(0);
  // pnlExploreMiddle: the folder pane and the middle pane, split by Splitter1.
  Splitter1 = new QSplitter(Qt::Horizontal, central);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->setHandleWidth(7);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->addWidget(CreateExplorePanel());
  Splitter1->addWidget(CreateMiddlePanel());
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({185, 400});
  body->addWidget(Splitter1, 1);
  body->addWidget(CreateSortAndFilterPanel());
  outer->addLayout(body, 1);

  StatusBar1 = new TStatusPanels(central);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  outer->addWidget(StatusBar1);
  setCentralWidget(central);

  CreateFilesListMenu();
  CreateSongDetailsMenu();
  ConnectEvents();

  resize(747, 583);
  setMinimumHeight(400);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  FormCreate();
}

TfrmRo3VavMain::~TfrmRo3VavMain() { FormDestroy(); }

QWidget* TfrmRo3VavMain::CreateTopPanel() {
  pnlTop = new QFrame(this);
  pnlTop->setObjectName(QStringLiteral("pnlTop"));
  pnlTop->setFixedHeight(40);
  pnlTop->setAutoFillBackground(true);
  QPalette palette = pnlTop->palette();
  palette.setColor(QPalette::Window, kSkyBlue);
  pnlTop->setPalette(palette);

  Image1 = new QLabel(pnlTop);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(1, 1, 750, 32);
  Image1->setScaledContents(true);
  Image1->setPixmap(BannerPixmap(750, 32));

  btnAbout = new QToolButton(pnlTop);
  btnAbout->setObjectName(QStringLiteral("btnAbout"));
  btnAbout->setGeometry(4, 6, 23, 22);
  btnAbout->setAutoRaise(true);
  btnAbout->setIcon(AboutIcon());
  SetHint(btnAbout, QStringLiteral("About"));
  return pnlTop;
}

QWidget* TfrmRo3VavMain::CreateSortAndFilterPanel() {
  pnlSortAndFilter = new QWidget(this);
  pnlSortAndFilter->setObjectName(QStringLiteral("pnlSortAndFilter"));
  // At least 154 pixels wide, wider when the desktop's font needs it.
  pnlSortAndFilter->setMinimumWidth(154);
  pnlSortAndFilter->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  auto* layout = new QVBoxLayout(pnlSortAndFilter);
  layout->setContentsMargins(8, 8, 9, 8);
  layout->setSpacing(7);

  radRecogTypeFilter = new QGroupBox(QStringLiteral(" Filter By "), pnlSortAndFilter);
  radRecogTypeFilter->setObjectName(QStringLiteral("radRecogTypeFilter"));
  filterButtons = new QButtonGroup(this);
  auto* filterLayout = new QVBoxLayout(radRecogTypeFilter);
  filterLayout->setSpacing(1);
  filterLayout->setContentsMargins(8, 4, 4, 6);
  const std::pair<QRadioButton**, const char*> filters[kRecognitionFilterCount] = {
      {&radfbUnfiltered, "Unfiltered"},         {&radfbFailedRecognition, "Failed Recognition"},
      {&radfbID3TagUsed, "ID3 Tag Used"},       {&radfbPatternMatching, "Pattern Matching"},
      {&radfbIncomplete, "Incomplete"},         {&radfbUnsavedID3, "Unsaved ID3"},
      {&radfbUnrenamedFile, "Unrenamed File"}, {&radfbNoGenre, "No Genre"},
  };
  const char* filterNames[kRecognitionFilterCount] = {
      "radfbUnfiltered", "radfbFailedRecognition", "radfbID3TagUsed", "radfbPatternMatching",
      "radfbIncomplete", "radfbUnsavedID3",        "radfbUnrenamedFile", "radfbNoGenre"};
  for (int filter = 0; filter < kRecognitionFilterCount; ++filter) {
    auto* button = new QRadioButton(QString::fromLatin1(filters[filter].second), radRecogTypeFilter);
    button->setObjectName(QString::fromLatin1(filterNames[filter]));
    *filters[filter].first = button;
    filterButtons->addButton(button, filter);
    filterLayout->addWidget(button);
  }
  layout->addWidget(radRecogTypeFilter);

  pnlWriteRecogInfo = new QGroupBox(QStringLiteral(" Save Recognized Info "), pnlSortAndFilter);
  pnlWriteRecogInfo->setObjectName(QStringLiteral("pnlWriteRecogInfo"));
  auto* writeLayout = new QVBoxLayout(pnlWriteRecogInfo);
  writeLayout->setContentsMargins(8, 8, 8, 8);
  writeLayout->setSpacing(6);
  cmdHandsFreeUpdate = MakeButton(QStringLiteral("Hands-Free! (F7)"), pnlWriteRecogInfo);
  cmdHandsFreeUpdate->setObjectName(QStringLiteral("cmdHandsFreeUpdate"));
  QFont bold = cmdHandsFreeUpdate->font();
  bold.setBold(true);
  cmdHandsFreeUpdate->setFont(bold);
  writeLayout->addWidget(cmdHandsFreeUpdate);
  auto* bevel = new QFrame(pnlWriteRecogInfo);
  bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  writeLayout->addSpacing(4);
  writeLayout->addWidget(bevel);
  writeLayout->addSpacing(4);
  cmdRenameSelectedFiles = MakeButton(QStringLiteral("AutoRename Files"), pnlWriteRecogInfo);
  cmdRenameSelectedFiles->setObjectName(QStringLiteral("cmdRenameSelectedFiles"));
  cmdTitleArtistCleanupToID3 = MakeButton(QStringLiteral("Details Cleanup"), pnlWriteRecogInfo);
  cmdTitleArtistCleanupToID3->setObjectName(QStringLiteral("cmdTitleArtistCleanupToID3"));
  cmdUseFilenameAsTitle = MakeButton(QStringLiteral("Filename as Title"), pnlWriteRecogInfo);
  cmdUseFilenameAsTitle->setObjectName(QStringLiteral("cmdUseFilenameAsTitle"));
  writeLayout->addWidget(cmdRenameSelectedFiles);
  writeLayout->addWidget(cmdTitleArtistCleanupToID3);
  writeLayout->addWidget(cmdUseFilenameAsTitle);
  layout->addWidget(pnlWriteRecogInfo);

  radViewBy = new QGroupBox(QStringLiteral(" Sort and View By "), pnlSortAndFilter);
  radViewBy->setObjectName(QStringLiteral("radViewBy"));
  viewButtons = new QButtonGroup(this);
  auto* viewLayout = new QVBoxLayout(radViewBy);
  viewLayout->setSpacing(1);
  viewLayout->setContentsMargins(8, 4, 4, 6);
  const char* viewCaptions[kViewModeCount] = {"Path + Filename", "Filename", "Artist, Title", "Title, Artist"};
  for (int mode = 0; mode < kViewModeCount; ++mode) {
    auto* button = new QRadioButton(QString::fromLatin1(viewCaptions[mode]), radViewBy);
    button->setObjectName(QStringLiteral("radViewBy%1").arg(mode));
    viewButtons->addButton(button, mode);
    viewLayout->addWidget(button);
  }
  layout->addWidget(radViewBy);
  layout->addStretch(1);
  return pnlSortAndFilter;
}

QWidget* TfrmRo3VavMain::CreateExplorePanel() {
  pnlExplore = new QWidget(this);
  pnlExplore->setObjectName(QStringLiteral("pnlExplore"));
  pnlExplore->setMinimumWidth(100);
  auto* layout = new QVBoxLayout(pnlExplore);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* header = new QFrame(pnlExplore);  // Panel1
  header->setObjectName(QStringLiteral("Panel1"));
  header->setFixedHeight(20);
  auto* headerLayout = new QHBoxLayout(header);
  headerLayout->setContentsMargins(2, 0, 2, 0);
  Image2 = new QToolButton(header);
  Image2->setObjectName(QStringLiteral("Image2"));
  Image2->setAutoRaise(true);
  Image2->setIcon(RefreshIcon());
  Image2->setFixedSize(20, 18);
  SetHint(Image2, QStringLiteral("Refresh folder window"));
  headerLayout->addWidget(Image2);
  headerLayout->addStretch(1);
  layout->addWidget(header);

  splitExploreFiles = new QSplitter(Qt::Vertical, pnlExplore);
  splitExploreFiles->setObjectName(QStringLiteral("splitExploreFiles"));
  splitExploreFiles->setHandleWidth(6);
  splitExploreFiles->setChildrenCollapsible(false);
  ShellTreeView1 = new TFolderTree(dialogs_, splitExploreFiles);
  ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
  SetHint(ShellTreeView1, QStringLiteral("Folder navigation to get to mp3 locations"));
  ShellListView1 = new TShellFileList(dialogs_, splitExploreFiles);
  ShellListView1->setObjectName(QStringLiteral("ShellListView1"));
  SetHint(ShellListView1, QStringLiteral("Files list in currently selected folder"));
  splitExploreFiles->addWidget(ShellTreeView1);
  splitExploreFiles->addWidget(ShellListView1);
  splitExploreFiles->setStretchFactor(0, 1);
  splitExploreFiles->setStretchFactor(1, 0);
  splitExploreFiles->setSizes({240, 240});
  layout->addWidget(splitExploreFiles, 1);
  return pnlExplore;
}

QWidget* TfrmRo3VavMain::CreateMiddlePanel() {
  auto* pnlMiddle = new QWidget(this);
  pnlMiddle->setObjectName(QStringLiteral("pnlMiddle"));
  auto* layout = new QVBoxLayout(pnlMiddle);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  lstFiles = new TSongListBox(pnlMiddle);
  lstFiles->setObjectName(QStringLiteral("lstFiles"));
  rows_ = new TSongRowModel(songs_, this);
  lstFiles->setModel(rows_);
  lstFiles->SetDrawItem([this](QPainter* painter, const QStyleOptionViewItem& option, int row) {
    lstFilesDrawItem(painter, option, row);
  });
  SetHint(lstFiles, QStringLiteral("Song display window"));
  layout->addWidget(lstFiles, 1);
  layout->addWidget(CreateSongDetailsPanel());
  return pnlMiddle;
}

void TfrmRo3VavMain::ConnectEvents() {
  connect(btnAbout, &QToolButton::clicked, this, &TfrmRo3VavMain::btnAboutClick);
  connect(Image2, &QToolButton::clicked, this, &TfrmRo3VavMain::Image2Click);
  connect(ShellTreeView1, &TFolderTree::FolderSelected, this, &TfrmRo3VavMain::ShellTreeView1FolderSelected);
  connect(ShellTreeView1, &TFolderTree::FolderSelected, ShellListView1, &TShellFileList::ShowFolder);
  connect(ShellListView1, &TShellFileList::FolderOpened, this,
          [this](const QString& path) { ShellTreeView1->SelectPath(path); });
  connect(viewButtons, &QButtonGroup::idClicked, this, &TfrmRo3VavMain::radViewByClick);
  connect(filterButtons, &QButtonGroup::idClicked, this, &TfrmRo3VavMain::radRecogTypeFilterClick);
  connect(lstFiles->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TfrmRo3VavMain::lstFilesClick);
  connect(lstFiles->selectionModel(), &QItemSelectionModel::currentChanged, this, &TfrmRo3VavMain::lstFilesClick);
  connect(lstFiles, &TSongListBox::KeyPressed, this, &TfrmRo3VavMain::lstFilesKeyPress);
  connect(lstFiles, &QAbstractItemView::doubleClicked, this, &TfrmRo3VavMain::lstFilesDblClick);
  connect(btnPrevFile, &QToolButton::clicked, this, &TfrmRo3VavMain::btnPrevFileClick);
  connect(btnNextFile, &QToolButton::clicked, this, &TfrmRo3VavMain::btnNextFileClick);

  connect(cmdUpdateID3Tags, &QPushButton::clicked, this, &TfrmRo3VavMain::cmdUpdateID3TagsClick);
  connect(cmdRenameSelectedFiles, &QPushButton::clicked, this, &TfrmRo3VavMain::cmdRenameFilesClick);
  connect(cmdRenameFilesWithDetails, &QPushButton::clicked, this, &TfrmRo3VavMain::cmdRenameFilesWithDetailsClick);
  connect(cmdUseFilenameAsTitle, &QPushButton::clicked, this, &TfrmRo3VavMain::cmdUseFilenameAsTitleClick);
  connect(cmdTitleArtistCleanupToID3, &QPushButton::clicked, this,
          &TfrmRo3VavMain::cmdTitleArtistCleanupToID3Click);
  connect(cmdHandsFreeUpdate, &QPushButton::clicked, this, &TfrmRo3VavMain::cmdHandsFreeUpdateClick);
}

void TfrmRo3VavMain::FormCreate() {
  // 1. The song list is a member and starts empty. 2. No file name is shown.
  lblFilenameDisplay->clear();
  // 3. Hints: tooltips that stay up for five seconds, copied into the message panel.
  qApp->installEventFilter(this);
  // 4. The message and count panels start empty.
  StatusBar1->SetPanelText(kMessagePanel, QString());
  StatusBar1->SetPanelText(kCountPanel, QString());
  // 5. Hints.
  SetHint(radRecogTypeFilter, QStringLiteral("Filters which affect the song display window."));
  SetHint(radViewBy, QStringLiteral("Viewing style for the song display window."));
  SetHint(cmdRenameSelectedFiles,
          QStringLiteral("Rename selected files using \"Track - Artist - Group\" format. Note\n"
                         "that other information in the filename will not be retained!\n"
                         "Eg. Avoid renaming songs with truncated titles."));
  SetHint(popStampID3Tags,
          QStringLiteral("Update internal ID3 song information for selected songs\nusing Recognized Values."));
  SetHint(cmdTitleArtistCleanupToID3, QStringLiteral("Proper case the Title and Author text, convert\n"
                                                     "underscores to spaces, remove Author from Song Title."));
  SetHint(cmdUseFilenameAsTitle,
          QStringLiteral("Set ID3 Song Title to the Filename\nwhen there is no Song Title available."));
  SetHint(cmdRenameFilesWithDetails, QStringLiteral("Rename selected file(s) using Song Details. (F5)"));
  SetHint(cmdUpdateID3Tags, QStringLiteral("Update ID3 tags of selected file(s)\nusing Song Details. (F6)"));
  SetHint(cmdHandsFreeUpdate,
          QStringLiteral("Update selected songs letting the computer\nmake the decisions when appropriate."));
  // 6. The legend: four filters in the colours of the rows they list.
  SetCaptionColor(radfbUnsavedID3, ToColor(SongStatusRgb(TSongStatus::Unsaved)));
  SetCaptionColor(radfbUnrenamedFile, ToColor(SongStatusRgb(TSongStatus::Unrenamed)));
  SetCaptionColor(radfbIncomplete, ToColor(SongStatusRgb(TSongStatus::Incomplete)));
  SetCaptionColor(radfbPatternMatching, ToColor(SongStatusRgb(TSongStatus::Pattern)));
  // The first filter and view mode are chosen; the other filters wait for songs.
  radfbUnfiltered->setChecked(true);
  for (QAbstractButton* button : filterButtons->buttons()) button->setEnabled(button == radfbUnfiltered);
  viewButtons->button(vmPathFilename)->setChecked(true);
  // 7. An empty details panel.
  ClearSongDetails();
  // The folder tree opens on the user's home folder; no folder is selected yet.
  ShellTreeView1->RevealPath(QDir::homePath());
  ShellTreeView1->expand(ShellTreeView1->NodeOfPath(QDir::homePath()));
  // 8. The caption.
  setWindowTitle(QStringLiteral("Tagwright %1").arg(QLatin1String(kProgramVersion)));
  FormResize();
}

void TfrmRo3VavMain::FormDestroy() {
  qApp->removeEventFilter(this);
  rows_->Clear();
  songs_.Clear();
}

// --- Status bar and hints ---

void TfrmRo3VavMain::SetStatusText(const QString& text) {
  StatusBar1->SetPanelText(kMessagePanel, text);
  StatusBar1->Panel(kMessagePanel)->repaint();
}

QString TfrmRo3VavMain::StatusText() const { return StatusBar1->PanelText(kMessagePanel); }

QString TfrmRo3VavMain::CountText() const { return StatusBar1->PanelText(kCountPanel); }

void TfrmRo3VavMain::ShowHintInStatus(const QString& hint) {
  QString line = hint;
  line.replace(QLatin1String("\r\n"), QLatin1String(" "));
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  StatusBar1->SetPanelText(kMessagePanel, line);
}

// A control without a hint of its own shows the hint of the control it sits in.
QString TfrmRo3VavMain::HintOf(QWidget* widget) const {
  for (QWidget* w = widget; w != nullptr && w != this; w = w->parentWidget()) {
    if (!w->toolTip().isEmpty()) return w->toolTip();
  }
  return QString();
}

bool TfrmRo3VavMain::event(QEvent* event) {
  // Menu entries report their hints as status tips.
  if (event->type() == QEvent::StatusTip) {
    ShowHintInStatus(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
  }
  return QMainWindow::event(event);
}

bool TfrmRo3VavMain::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::KeyPress:
      if (widget->window() == this) {
        auto* key = static_cast<QKeyEvent*>(event);
        // A key that no control took travels up to the window: only its first stop counts.
        const bool passedOn = key == keyEvent_ && keyReceiver_ != nullptr &&
                              static_cast<QWidget*>(keyReceiver_)->parentWidget() == widget;
        keyEvent_ = key;
        keyReceiver_ = widget;
        if (!passedOn) FormKeyDown(key, widget);
      }
      break;
    case QEvent::Enter:
      if (widget->window() == this) ShowHintInStatus(HintOf(widget));
      break;
    case QEvent::Leave:
      if (widget->window() == this) ShowHintInStatus(HintOf(widget->parentWidget()));
      break;
    default:
      break;
  }
  return false;
}

// --- Keys and size ---

void TfrmRo3VavMain::FormKeyDown(QKeyEvent* event, QWidget* receiver) {
  // F9 in the song list belongs to the pop-up menu's "Play" entry, also while that is disabled.
  if (receiver == lstFiles && QKeySequence(event->keyCombination()) == popPlaySongs->shortcut()) return;
  // Modifiers are not looked at, and the key goes on to the focused control.
  switch (event->key()) {
    case Qt::Key_F5: cmdRenameFilesWithDetails->click(); break;
    case Qt::Key_F6: cmdUpdateID3Tags->click(); break;
    case Qt::Key_F7: cmdHandsFreeUpdate->click(); break;
    case Qt::Key_F9: OpenCurrentSong(); break;
    case Qt::Key_F11: btnPrevFile->click(); break;
    case Qt::Key_F12: btnNextFile->click(); break;
    default: break;
  }
}

void TfrmRo3VavMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TfrmRo3VavMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shownOnce_) return;
  shownOnce_ = true;
  // The folder pane starts 185 pixels wide; the middle pane takes the rest.
  centralWidget()->layout()->activate();
  const int total = Splitter1->width() - Splitter1->handleWidth();
  Splitter1->setSizes({185, std::max(0, total - 185)});
}

void TfrmRo3VavMain::FormResize() {
  const int outerWidth = frameGeometry().width();
  StatusBar1->SetPanelWidth(kMessagePanel, outerWidth <= 763 ? 400 : outerWidth - 363);
}

// --- Error report ---

void TfrmRo3VavMain::ShowError(const std::exception& error) {
  ShowErrorText(error.what());
}

void TfrmRo3VavMain::ShowErrorText(const std::string& text) {
  dialogs_.MessageDlg(TMsgDlgType::mtError, QStringLiteral("Tagwright"), ToQString(text), mbOK);
}

void TfrmRo3VavMain::RunGuarded(const std::function<void()>& work) {
  try {
    work();
  } catch (const std::exception& error) {
    ShowError(error);
  } catch (...) {
    ShowError(std::runtime_error("Unexpected error"));
  }
}

// --- Window events ---

void TfrmRo3VavMain::btnAboutClick() {
  TAboutBox box(this);
  box.exec();
}

void TfrmRo3VavMain::Image2Click() { ShellTreeView1->RefreshNode(ShellTreeView1->TopVisibleNode()); }

void TfrmRo3VavMain::ShellTreeView1FolderSelected(const QString& path) {
  popchkIncludeSubdirectories->setChecked(false);
  RunGuarded([&] { LoadSongFolder(QStringToPath(path)); });
}

std::string TfrmRo3VavMain::SelectedFolder() const { return QStringToPath(ShellTreeView1->SelectedPath()); }

bool TfrmRo3VavMain::SelectFolder(const QString& path) { return ShellTreeView1->SelectPath(path); }

}  // namespace tagwright

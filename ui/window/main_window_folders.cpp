// The main window's ways to a folder besides the folder tree: Open Folder... (Ctrl+O), Open Recent
// (the last folders opened, newest first) and a folder dropped onto the window.
#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

#include "ui/dialogs/dialogs.h"
#include "ui/hints.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/text_conversion.h"
#include "ui/window/main_window.h"
#include "ui/window/window_layout.h"

namespace tagwright {

namespace {

// The first local folder among dropped things; empty when there is none.
QString DroppedFolder(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isDir()) return url.toLocalFile();
  }
  return {};
}

}  // namespace

void TMainWindow::CreateFolderActions(QWidget* banner) {
  auto* openAction = new QAction(QStringLiteral("Open Folder..."), this);
  openAction->setObjectName(QStringLiteral("openFolderAction"));
  openAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  openAction->setShortcutContext(Qt::WindowShortcut);
  addAction(openAction);
  connect(openAction, &QAction::triggered, this, &TMainWindow::OpenFolderDialog);

  auto* menu = new QMenu(this);
  menu->setObjectName(QStringLiteral("folderMenu"));
  menu->addAction(openAction);
  recentMenu_ = menu->addMenu(QStringLiteral("Open Recent"));
  recentMenu_->setObjectName(QStringLiteral("recentMenu"));
  connect(recentMenu_, &QMenu::aboutToShow, this, &TMainWindow::FillRecentMenu);

  auto* button = new QToolButton(banner);
  button->setObjectName(QStringLiteral("openFolderButton"));
  button->setText(QStringLiteral("Open Folder"));
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  button->setPopupMode(QToolButton::MenuButtonPopup);
  button->setDefaultAction(openAction);
  button->setMenu(menu);
  button->setAutoRaise(true);
  button->move(kAboutButtonGeometry.right() + kAboutButtonGeometry.left(), kAboutButtonGeometry.top());
  button->adjustSize();
  SetHint(button, QStringLiteral("Open a folder of songs (Ctrl+O); the arrow offers the folders opened last"));
  setAcceptDrops(true);
  songListPane_->SetEmptyText(
      QStringLiteral("Choose a folder on the left, open one (Ctrl+O) or drop one here to list its songs"));
}

void TMainWindow::FillRecentMenu() {
  recentMenu_->clear();
  const QStringList folders = window_settings::RecentFolders();
  for (const QString& folder : folders) {
    QAction* entry = recentMenu_->addAction(folder);
    connect(entry, &QAction::triggered, this, [this, folder] { OpenFolder(folder); });
  }
  recentMenu_->setEnabled(!folders.isEmpty());
}

// NOLINTNEXTLINE(readability-convert-member-functions-to-static): what the window offers under Open Recent
void TMainWindow::OpenFolderDialog() {
  QString folder = shownFolder_.empty() ? QDir::homePath() : PathToQString(shownFolder_);
  if (dialogs_.ChooseFolder(folder)) OpenFolder(folder);
}

bool TMainWindow::OpenFolder(const QString& path) {
  if (passRunning_ || !QFileInfo(path).isDir()) return false;
  // The song list has the keyboard once the songs are listed.
  songListPane_->FocusRows();
  return SelectFolder(QDir::cleanPath(path));
}

void TMainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedFolder(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

bool TMainWindow::OpenDroppedFolder(const QMimeData* data) {
  const QString folder = DroppedFolder(data);
  return !folder.isEmpty() && OpenFolder(folder);
}

void TMainWindow::dropEvent(QDropEvent* event) {
  if (OpenDroppedFolder(event->mimeData())) event->acceptProposedAction();
}

}  // namespace tagwright

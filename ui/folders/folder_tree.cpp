#include "ui/folders/folder_tree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMenu>
#include <QTimer>
#include <utility>

#include "ui/dialogs/dialogs.h"
#include "ui/flag_scope.h"
#include "ui/text_conversion.h"
#include "ui/window/window_layout.h"

namespace tagwright {

namespace {

const QString kTopFolder = QStringLiteral("/");

}  // namespace

TFolderTree::TFolderTree(TDialogs& dialogs, QWidget* parent) : QTreeView(parent), dialogs_(dialogs) {
  setHeaderHidden(true);
  setIndentation(kFolderTreeIndentation);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setAutoExpandDelay(2000);
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this, &TFolderTree::ShowContextMenu);
  SetUpModel();
}

void TFolderTree::SetUpModel() {
  model_ = new QFileSystemModel(this);
  // Folders only, hidden ones left out as the desktop's file manager does.
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setReadOnly(false);
  model_->setRootPath(kTopFolder);
  KeepSelectionWhileRelisted();
  setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) hideColumn(column);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &TFolderTree::CurrentChanged);
  // Folders are read in the background: the folder to reveal is scrolled to again once its
  // neighbours are there and sorted.
  connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
    if (pendingReveal_.isEmpty()) return;
    const bool last = QFileInfo(pendingReveal_).absolutePath() == loaded || pendingReveal_ == loaded;
    QTimer::singleShot(50, this, [this, last] {
      if (pendingReveal_.isEmpty()) return;
      scrollTo(NodeOfPath(pendingReveal_), QAbstractItemView::PositionAtCenter);
      if (last) pendingReveal_.clear();
    });
  });
  expand(model_->index(kTopFolder));
}

QString TFolderTree::SelectedPath() const {
  const QModelIndex node = SelectedNode();
  return node.isValid() ? model_->filePath(node) : QString();
}

QModelIndex TFolderTree::SelectedNode() const { return selectionModel()->currentIndex(); }

QModelIndex TFolderTree::NodeOfPath(const QString& path) const {
  return path.isEmpty() ? QModelIndex() : model_->index(QDir::cleanPath(path));
}

bool TFolderTree::SelectPath(const QString& path) {
  const QFileInfo info(path);
  if (!info.isDir()) return false;
  if (!NodeOfPath(info.absoluteFilePath()).isValid()) return false;
  RevealPath(info.absoluteFilePath());
  // Asked for again: opening the folders above may have listed them anew, and moved its row.
  setCurrentIndex(NodeOfPath(info.absoluteFilePath()));
  return true;
}

void TFolderTree::RevealPath(const QString& path) {
  const QModelIndex node = NodeOfPath(path);
  if (!node.isValid()) return;
  for (QModelIndex up = node; up.isValid(); up = up.parent()) expand(up);
  pendingReveal_ = QDir::cleanPath(path);
  scrollTo(node, QAbstractItemView::PositionAtCenter);
}

QModelIndex TFolderTree::TopVisibleNode() const { return indexAt(QPoint(1, 1)); }

void TFolderTree::CollectExpanded(const QModelIndex& parent, QStringList& paths) const {
  for (int row = 0; row < model_->rowCount(parent); ++row) {
    const QModelIndex child = model_->index(row, 0, parent);
    if (isExpanded(child)) {
      paths << model_->filePath(child);
      CollectExpanded(child, paths);
    }
  }
}

void TFolderTree::RefreshNode(const QModelIndex& /*node*/) {
  // The folders are read again in place: the model, and with it the view's open folders, selection
  // and scroll position, stays; folders made or removed meanwhile come and go as the background
  // reader answers. (A model made anew would leave the view, its selection and that reader holding
  // indexes of a deleted one.) The model lists a folder only once, and again only after it stopped
  // being the root path; so every open folder is the root path for a moment, and is then asked for
  // again. The top folder is listed again when it becomes the root path once more (with nothing
  // open beneath it, it stays the root path and its watch tells of changes).
  QStringList expanded;
  CollectExpanded(QModelIndex(), expanded);
  expanded.removeAll(kTopFolder);
  for (const QString& path : expanded) {
    if (QFileInfo(path).isDir()) model_->setRootPath(path);
  }
  model_->setRootPath(kTopFolder);
  for (const QString& path : expanded) {
    const QModelIndex folder = NodeOfPath(path);
    if (folder.isValid() && model_->canFetchMore(folder)) model_->fetchMore(folder);
  }
}

// A folder listed again can leave the model for a moment, when a listing of its parent read before
// the folder was made arrives after it was selected. The view would move the selection to a
// neighbour and report it, and the window would load the neighbour's songs. The folder stays
// selected instead and nothing is reported; only a folder that is gone leaves the neighbour.
// (Connected before the view's selection model is made, so that this hears of it first.)
void TFolderTree::KeepSelectionWhileRelisted() {
  connect(model_, &QAbstractItemModel::rowsAboutToBeRemoved, this,
          [this](const QModelIndex& parent, int first, int last) {
            // The neighbour the view moves to may go next: the folder selected is the one kept.
            const QModelIndex current = currentIndex();
            if (relisted_.isEmpty() && current.isValid() && current.parent() == parent && current.row() >= first &&
                current.row() <= last)
              relisted_ = model_->filePath(current);
          });
  connect(model_, &QAbstractItemModel::rowsRemoved, this, [this] {
    if (relisted_.isEmpty()) return;
    // Once the model has ended the removal: it is not to be asked for nodes in the middle of it.
    QTimer::singleShot(0, this, [this] {
      const QString path = std::exchange(relisted_, QString());
      if (path.isEmpty()) return;  // put back already, after another removal
      if (!QFileInfo(path).isDir()) {
        CurrentChanged(currentIndex());
        return;
      }
      const TFlagScope quiet(quiet_);
      setCurrentIndex(NodeOfPath(path));
    });
  });
}

void TFolderTree::CurrentChanged(const QModelIndex& current) {
  if (!current.isValid() || quiet_ || !relisted_.isEmpty()) return;
  // The folder put back after it was listed again may come once more: it was reported already.
  if (model_->filePath(current) == reported_) return;
  reported_ = model_->filePath(current);
  Q_EMIT FolderSelected(reported_);
}

void TFolderTree::ShowContextMenu(const QPoint& position) {
  const QModelIndex node = indexAt(position);
  QMenu menu(this);
  QAction* open = menu.addAction(QStringLiteral("Open in File Manager"));
  QAction* rename = menu.addAction(QStringLiteral("Rename"));
  menu.addSeparator();
  QAction* refresh = menu.addAction(QStringLiteral("Refresh"));
  open->setEnabled(node.isValid());
  rename->setEnabled(node.isValid() && model_->flags(node).testFlag(Qt::ItemIsEditable));
  QAction* chosen = menu.exec(viewport()->mapToGlobal(position));
  if (chosen == open) {
    OpenOrTell(dialogs_, QStringToPath(model_->filePath(node)));
  } else if (chosen == rename) {
    edit(node);
  } else if (chosen == refresh) {
    RefreshNode(node.isValid() ? node.parent() : QModelIndex());
  }
}

}  // namespace tagwright

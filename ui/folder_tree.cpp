#include "ui/folder_tree.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>

#include "ui/dialogs.h"
#include "ui/text_conversion.h"
#include "ui/window_layout.h"

namespace tagwright {

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
  QFileSystemModel* old = model_;
  QItemSelectionModel* oldSelection = selectionModel();
  model_ = new QFileSystemModel(this);
  // Folders only, hidden ones left out as the desktop's file manager does.
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setReadOnly(false);
  model_->setRootPath(QStringLiteral("/"));
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
  expand(model_->index(QStringLiteral("/")));
  delete oldSelection;
  delete old;
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
  const QModelIndex node = NodeOfPath(info.absoluteFilePath());
  if (!node.isValid()) return false;
  RevealPath(info.absoluteFilePath());
  setCurrentIndex(node);
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
  // The model cannot re-read one folder on demand, so it is made anew: every folder is read again,
  // and the open folders, the selection and the scroll position are put back without reporting the
  // selection again.
  QStringList expanded;
  CollectExpanded(QModelIndex(), expanded);
  const QString selected = SelectedPath();
  const int scroll = verticalScrollBar()->value();
  setUpdatesEnabled(false);
  quiet_ = true;
  pendingReveal_.clear();
  SetUpModel();
  for (const QString& path : expanded) {
    if (QFileInfo(path).isDir()) expand(NodeOfPath(path));
  }
  if (!selected.isEmpty() && QFileInfo(selected).isDir()) setCurrentIndex(NodeOfPath(selected));
  quiet_ = false;
  setUpdatesEnabled(true);
  verticalScrollBar()->setValue(scroll);
}

void TFolderTree::CurrentChanged(const QModelIndex& current) {
  if (quiet_ || !current.isValid()) return;
  Q_EMIT FolderSelected(model_->filePath(current));
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

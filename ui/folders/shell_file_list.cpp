#include "ui/folders/shell_file_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QMenu>

#include "ui/dialogs/dialogs.h"
#include "ui/text_conversion.h"
#include "ui/window/window_layout.h"

namespace tagwright {

TShellFileList::TShellFileList(TDialogs& dialogs, QWidget* parent) : QTreeView(parent), dialogs_(dialogs) {
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::AllDirs);
  model_->setReadOnly(false);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setSortingEnabled(true);
  sortByColumn(0, Qt::AscendingOrder);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setContextMenuPolicy(Qt::CustomContextMenu);
  // The model is attached when the first folder is shown: until then the list is empty.
  setEnabled(false);
  connect(this, &QAbstractItemView::activated, this, &TShellFileList::OpenItem);
  connect(this, &QWidget::customContextMenuRequested, this, &TShellFileList::ShowContextMenu);
}

void TShellFileList::ShowFolder(const QString& path) {
  folder_ = path;
  if (path.isEmpty()) {
    setEnabled(false);
    return;
  }
  setEnabled(true);
  if (model() == nullptr) {
    setModel(model_);
    header()->setStretchLastSection(false);
    setColumnWidth(0, kFileListNameColumnWidth);
  }
  setRootIndex(model_->setRootPath(path));
  clearSelection();
}

void TShellFileList::OpenItem(const QModelIndex& index) {
  if (!index.isValid()) return;
  const QString path = model_->filePath(index);
  if (model_->isDir(index)) {
    Q_EMIT FolderOpened(path);
  } else {
    OpenOrTell(dialogs_, QStringToPath(path));
  }
}

QStringList TShellFileList::SelectedPaths() const {
  QStringList paths;
  for (const QModelIndex& index : selectionModel()->selectedRows(0)) paths << model_->filePath(index);
  return paths;
}

void TShellFileList::MoveSelectionToTrash() {
  QStringList failed;
  for (const QString& path : SelectedPaths()) {
    if (!QFile::moveToTrash(path)) failed << QFileInfo(path).fileName();
  }
  if (!failed.isEmpty()) {
    dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"),
                        QStringLiteral("Cannot move to the trash:\n%1").arg(failed.join(QLatin1Char('\n'))),
                        TMsgDlgButton::OK);
  }
}

void TShellFileList::ShowContextMenu(const QPoint& position) {
  if (model() == nullptr) return;
  const QModelIndex index = indexAt(position);
  QMenu menu(this);
  QAction* open = menu.addAction(QStringLiteral("Open"));
  QAction* rename = menu.addAction(QStringLiteral("Rename"));
  menu.addSeparator();
  QAction* trash = menu.addAction(QStringLiteral("Move to Trash"));
  open->setEnabled(index.isValid());
  rename->setEnabled(index.isValid());
  trash->setEnabled(!selectionModel()->selectedRows(0).isEmpty());
  QAction* chosen = menu.exec(viewport()->mapToGlobal(position));
  if (chosen == open) {
    OpenItem(index);
  } else if (chosen == rename) {
    edit(index.siblingAtColumn(0));
  } else if (chosen == trash) {
    MoveSelectionToTrash();
  }
}

}  // namespace tagwright

// The file list of the left pane: the contents of the folder selected in the folder tree, with
// columns, several items selectable, renaming in place, dragging and dropping, and a context menu to
// open, rename or move items to the trash.
#pragma once

#include <QTreeView>

class QFileSystemModel;

namespace tagwright {

class TDialogs;

class TShellFileList : public QTreeView {
  Q_OBJECT
 public:
  TShellFileList(TDialogs& dialogs, QWidget* parent = nullptr);

  // Shows the contents of a folder; an empty path shows nothing.
  void ShowFolder(const QString& path);
  QString FolderPath() const { return folder_; }
  QFileSystemModel* FileSystemModel() const { return model_; }
  // Opens an item as a double click does: a folder in the tree, a file with its application.
  void OpenItem(const QModelIndex& index);

 Q_SIGNALS:
  // A folder of the list was opened: the folder tree follows.
  void FolderOpened(const QString& path);

 private Q_SLOTS:
  void ShowContextMenu(const QPoint& position);

 private:
  QStringList SelectedPaths() const;
  void MoveSelectionToTrash();

  TDialogs& dialogs_;
  QFileSystemModel* model_ = nullptr;
  QString folder_;
};

}  // namespace tagwright

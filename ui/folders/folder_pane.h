// The pane on the left: a header with the refresh button, the folder tree above and the file list of
// the selected folder below.
#pragma once

#include <QString>
#include <QWidget>

namespace tagwright {

class TDialogs;
class TFolderTree;
class TShellFileList;

class TFolderPane : public QWidget {
  Q_OBJECT
 public:
  TFolderPane(TDialogs& dialogs, QWidget* parent = nullptr);

  // The selected folder's path, empty when none is.
  QString SelectedPath() const;
  // Selects a folder in the tree, which reports it; false when the path is no folder.
  bool SelectFolder(const QString& path);
  // Opens the tree down to a folder and a level below it, without selecting it.
  void OpenFolder(const QString& path);
  // Re-reads the folders from the top one shown, keeping open folders open ("Refresh folder window").
  void RefreshTree();
  // Re-reads the folders around the selected one: its parent's, or its own when it is the top node.
  // False when the top node was re-read (its subfolders are then not to be scanned).
  bool RefreshAroundSelection();

 Q_SIGNALS:
  void FolderSelected(const QString& path);

 private:
  TFolderTree* folderTree_ = nullptr;
  TShellFileList* fileList_ = nullptr;
};

}  // namespace tagwright

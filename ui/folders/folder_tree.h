// The folder tree of the left pane: the file system's folders from "/", hidden folders left out, with
// in-place renaming, dragging and dropping, a context menu and a refresh that keeps open folders open.
#pragma once

#include <QString>
#include <QTreeView>

class QFileSystemModel;

namespace tagwright {

class TDialogs;

class TFolderTree : public QTreeView {
  Q_OBJECT
 public:
  TFolderTree(TDialogs& dialogs, QWidget* parent = nullptr);

  QFileSystemModel* FileSystemModel() const { return model_; }

  // The selected folder's path, empty when no folder is selected.
  QString SelectedPath() const;
  QModelIndex SelectedNode() const;
  // Selects a folder (opening the folders above it), which reports it as selected; false when the
  // path is no folder.
  bool SelectPath(const QString& path);
  // Opens the folders down to path and scrolls it into view, without selecting it.
  void RevealPath(const QString& path);
  // Whether a folder revealed is still scrolled to again as its neighbours are read.
  bool IsRevealing() const { return !pendingReveal_.isEmpty(); }
  QModelIndex TopVisibleNode() const;
  QModelIndex NodeOfPath(const QString& path) const;

  // Re-reads every open folder (node is not needed: all of them are read again) in place: open
  // folders stay open, and the selection and the scroll position stay and are not reported again.
  void RefreshNode(const QModelIndex& node);

 Q_SIGNALS:
  // A folder became the selected one.
  void FolderSelected(const QString& path);

 private Q_SLOTS:
  void CurrentChanged(const QModelIndex& current);
  void ShowContextMenu(const QPoint& position);

 private:
  void SetUpModel();
  void KeepSelectionWhileRelisted();
  void CollectExpanded(const QModelIndex& parent, QStringList& paths) const;

  TDialogs& dialogs_;
  QFileSystemModel* model_ = nullptr;
  QString pendingReveal_;
  QString relisted_;    // the selected folder, while the model lists it again
  bool quiet_ = false;  // the selection is put back, not chosen
  QString reported_;    // the folder reported selected last
};

}  // namespace tagwright

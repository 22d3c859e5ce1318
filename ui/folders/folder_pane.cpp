#include "ui/folders/folder_pane.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/artwork.h"
#include "ui/folders/folder_tree.h"
#include "ui/folders/shell_file_list.h"
#include "ui/hints.h"
#include "ui/window/window_layout.h"

namespace tagwright {

TFolderPane::TFolderPane(TDialogs& dialogs, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("folderPane"));
  setMinimumWidth(kFolderPaneMinimumWidth);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* header = new QFrame(this);
  header->setObjectName(QStringLiteral("folderPaneHeader"));
  header->setFixedHeight(kFolderPaneHeaderHeight);
  auto* headerLayout = new QHBoxLayout(header);
  headerLayout->setContentsMargins(kFolderPaneHeaderMargins);
  auto* refreshButton = new QToolButton(header);
  refreshButton->setObjectName(QStringLiteral("refreshButton"));
  refreshButton->setAutoRaise(true);
  refreshButton->setIcon(RefreshIcon());
  refreshButton->setFixedSize(kRefreshButtonSize);
  SetHint(refreshButton, QStringLiteral("Refresh folder window"));
  headerLayout->addWidget(refreshButton);
  headerLayout->addStretch(1);
  layout->addWidget(header);

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->setObjectName(QStringLiteral("folderSplitter"));
  splitter->setHandleWidth(kFolderSplitterHandleWidth);
  splitter->setChildrenCollapsible(false);
  folderTree_ = new TFolderTree(dialogs, splitter);
  folderTree_->setObjectName(QStringLiteral("folderTree"));
  SetHint(folderTree_, QStringLiteral("Folder navigation to get to mp3 locations"));
  fileList_ = new TShellFileList(dialogs, splitter);
  fileList_->setObjectName(QStringLiteral("fileList"));
  SetHint(fileList_, QStringLiteral("Files list in currently selected folder"));
  splitter->addWidget(folderTree_);
  splitter->addWidget(fileList_);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 0);
  splitter->setSizes({kFolderSplitterStartHeight, kFolderSplitterStartHeight});
  layout->addWidget(splitter, 1);

  connect(refreshButton, &QToolButton::clicked, this, &TFolderPane::RefreshTree);
  connect(folderTree_, &TFolderTree::FolderSelected, this, &TFolderPane::FolderSelected);
  connect(folderTree_, &TFolderTree::FolderSelected, fileList_, &TShellFileList::ShowFolder);
  connect(fileList_, &TShellFileList::FolderOpened, this,
          [this](const QString& path) { folderTree_->SelectPath(path); });
}

QString TFolderPane::SelectedPath() const { return folderTree_->SelectedPath(); }

bool TFolderPane::SelectFolder(const QString& path) { return folderTree_->SelectPath(path); }

void TFolderPane::OpenFolder(const QString& path) {
  folderTree_->RevealPath(path);
  folderTree_->expand(folderTree_->NodeOfPath(path));
}

void TFolderPane::RefreshTree() { folderTree_->RefreshNode(folderTree_->TopVisibleNode()); }

bool TFolderPane::RefreshAroundSelection() {
  const QModelIndex selected = folderTree_->SelectedNode();
  if (!selected.isValid()) return true;
  const QModelIndex parent = selected.parent();
  if (parent.isValid() && parent != folderTree_->rootIndex()) {
    folderTree_->RefreshNode(parent);
    return true;
  }
  folderTree_->RefreshNode(selected);
  return false;
}

}  // namespace tagwright

#include "ui/dialogs/history_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

#include "ui/text_conversion.h"

namespace tagwright {

THistoryDialog::THistoryDialog(THistoryActions& actions, QWidget* parent) : QDialog(parent), actions_(actions) {
  setObjectName(QStringLiteral("historyDialog"));
  setWindowTitle(QStringLiteral("History"));
  entryList_ = new QTreeWidget(this);
  entryList_->setObjectName(QStringLiteral("historyEntryList"));
  entryList_->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Program"), QStringLiteral("Command"),
                               QStringLiteral("Files"), QStringLiteral("State")});
  entryList_->setRootIsDecorated(false);
  entryList_->setSelectionMode(QAbstractItemView::SingleSelection);
  entryList_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  fileList_ = new QListWidget(this);
  fileList_->setObjectName(QStringLiteral("historyFileList"));
  fileList_->hide();

  undoButton_ = new QPushButton(QStringLiteral("Undo"), this);
  undoButton_->setObjectName(QStringLiteral("historyUndoButton"));
  redoButton_ = new QPushButton(QStringLiteral("Redo"), this);
  redoButton_->setObjectName(QStringLiteral("historyRedoButton"));
  filesButton_ = new QPushButton(QStringLiteral("Show Files"), this);
  filesButton_->setObjectName(QStringLiteral("historyFilesButton"));
  letGoButton_ = new QPushButton(QStringLiteral("Let Go"), this);
  letGoButton_->setObjectName(QStringLiteral("historyLetGoButton"));
  progressLabel_ = new QLabel(this);
  progressLabel_->setObjectName(QStringLiteral("historyProgress"));
  progressLabel_->hide();
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton_->setObjectName(QStringLiteral("historyCancelButton"));
  cancelButton_->hide();
  auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(undoButton_);
  buttons->addWidget(redoButton_);
  buttons->addWidget(filesButton_);
  buttons->addWidget(letGoButton_);
  buttons->addStretch();
  buttons->addWidget(progressLabel_);
  buttons->addWidget(cancelButton_);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(entryList_, 3);
  layout->addWidget(fileList_, 1);
  layout->addLayout(buttons);
  // Half the screen, so that the entries and their files show without scrolling at first.
  QSize size(720, 420);
  if (const QScreen* screen = this->screen()) size = size.expandedTo(screen->availableGeometry().size() / 2);
  resize(size);

  connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(entryList_, &QTreeWidget::itemSelectionChanged, this, &THistoryDialog::FollowSelection);
  connect(undoButton_, &QPushButton::clicked, this, [this] {
    actions_.Undo(SelectedEntry(), *this);
    Refresh();
  });
  connect(redoButton_, &QPushButton::clicked, this, [this] {
    actions_.Redo(SelectedEntry(), *this);
    Refresh();
  });
  connect(letGoButton_, &QPushButton::clicked, this, [this] {
    actions_.LetGo(SelectedEntry());
    Refresh();
  });
  connect(cancelButton_, &QPushButton::clicked, this, [this] {
    cancelButton_->setEnabled(false);
    if (cancel_) std::exchange(cancel_, {})();
  });
  connect(filesButton_, &QPushButton::clicked, this, [this] {
    fileList_->clear();
    for (const std::string& file : actions_.Files(SelectedEntry())) fileList_->addItem(PathToQString(file));
    fileList_->show();
  });
  Refresh();
}

void THistoryDialog::Show(const QString& text, std::function<void()> cancel) {
  progressLabel_->setText(text);
  if (!progressLabel_->isHidden()) return;  // already shown, with its Cancel
  cancel_ = std::move(cancel);
  for (QWidget* waiting : {static_cast<QWidget*>(entryList_), static_cast<QWidget*>(undoButton_),
                           static_cast<QWidget*>(redoButton_), static_cast<QWidget*>(letGoButton_)}) {
    waiting->setEnabled(false);
  }
  progressLabel_->show();
  cancelButton_->setEnabled(true);
  cancelButton_->show();
}

void THistoryDialog::Hide() {
  progressLabel_->hide();
  cancelButton_->hide();
  cancel_ = {};
  entryList_->setEnabled(true);
  FollowSelection();  // Undo and Redo as the entry selected allows
}

void THistoryDialog::Refresh() {
  const std::int64_t selected = SelectedEntry();
  rows_ = actions_.Rows();
  entryList_->clear();
  for (const THistoryRow& row : rows_) {
    auto* item =
        new QTreeWidgetItem(entryList_, {row.Time, row.Program, row.Command, QString::number(row.Files), row.State});
    item->setData(0, Qt::UserRole, QVariant::fromValue<qint64>(row.Id));
    if (row.Id == selected) entryList_->setCurrentItem(item);
  }
  if (entryList_->currentItem() == nullptr && entryList_->topLevelItemCount() > 0) {
    entryList_->setCurrentItem(entryList_->topLevelItem(0));
  }
  FollowSelection();
}

std::int64_t THistoryDialog::SelectedEntry() const {
  const QTreeWidgetItem* item = entryList_ != nullptr ? entryList_->currentItem() : nullptr;
  return item != nullptr ? item->data(0, Qt::UserRole).value<qint64>() : 0;
}

void THistoryDialog::FollowSelection() {
  const std::int64_t selected = SelectedEntry();
  const THistoryRow* row = nullptr;
  for (const THistoryRow& candidate : rows_) {
    if (candidate.Id == selected) row = &candidate;
  }
  undoButton_->setEnabled(row != nullptr && row->CanUndo);
  redoButton_->setEnabled(row != nullptr && row->CanRedo);
  filesButton_->setEnabled(row != nullptr);
  letGoButton_->setEnabled(row != nullptr && row->Pending);
  fileList_->clear();
  fileList_->hide();
}

}  // namespace tagwright

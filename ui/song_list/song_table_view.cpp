#include "ui/song_list/song_table_view.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "ui/flag_scope.h"
#include "ui/song_list/song_rows_selection.h"
#include "ui/window/window_layout.h"

namespace tagwright {

namespace {

constexpr int kRowPadding = 4;  // pixels above and below the text of a row

}  // namespace

TSongTableView::TSongTableView(QWidget* parent) : QTableView(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  setSortingEnabled(true);
  setWordWrap(false);
  setShowGrid(false);
  setAlternatingRowColors(true);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  // Rows of one height: the table never measures its rows' contents, so that thousands stay fast.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(std::max(kSongRowHeight, fontMetrics().height() + kRowPadding));
  QHeaderView* header = horizontalHeader();
  header->setSectionsMovable(true);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setHighlightSections(false);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  header->setContextMenuPolicy(Qt::CustomContextMenu);
  columnMenu_ = new QMenu(this);
  columnMenu_->setObjectName(QStringLiteral("columnMenu"));
  connect(header, &QWidget::customContextMenuRequested, this,
          [this, header](const QPoint& position) { columnMenu_->exec(header->mapToGlobal(position)); });
  connect(header, &QHeaderView::sectionMoved, this, &TSongTableView::LayoutChangedByUser);
  connect(header, &QHeaderView::sectionResized, this, &TSongTableView::LayoutChangedByUser);
  connect(header, &QHeaderView::sortIndicatorChanged, this, &TSongTableView::LayoutChangedByUser);
}

void TSongTableView::CreateColumnMenu() {
  columnMenu_->clear();
  QHeaderView* header = horizontalHeader();
  for (int column = 0; column < model()->columnCount(); ++column) {
    QAction* entry = columnMenu_->addAction(model()->headerData(column, Qt::Horizontal).toString());
    entry->setObjectName(QStringLiteral("column%1Entry").arg(column));
    entry->setCheckable(true);
    connect(entry, &QAction::triggered, this, [this, header, column](bool shown) {
      // The last column shown stays: a table without columns could not be given them back.
      if (!shown && header->count() - header->hiddenSectionCount() <= 1) {
        TickShownColumns();
        return;
      }
      header->setSectionHidden(column, !shown);
      Q_EMIT LayoutChangedByUser();
    });
  }
  TickShownColumns();
}

void TSongTableView::TickShownColumns() {
  const QList<QAction*> entries = columnMenu_->actions();
  for (int column = 0; column < entries.size(); ++column) {
    entries[column]->setChecked(!horizontalHeader()->isSectionHidden(column));
  }
}

int TSongTableView::RowCount() const { return model() == nullptr ? 0 : model()->rowCount(); }

int TSongTableView::CurrentRow() const { return CurrentRowOf(selectionModel()); }

bool TSongTableView::IsRowSelected(int row) const { return IsRowSelectedIn(selectionModel(), row); }

int TSongTableView::SelectedRowCount() const { return SelectedRowCountOf(selectionModel()); }

// The view keeps no current row until the user picks one (KeepNoCurrentRowMadeByFocus).
void TSongTableView::focusInEvent(QFocusEvent* event) {
  TFlagScope byItself(movingCurrentByItself_);
  const bool hadCurrent = CurrentRow() >= 0;
  QTableView::focusInEvent(event);
  KeepNoCurrentRowMadeByFocus(selectionModel(), hadCurrent);
}

void TSongTableView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && state() != QAbstractItemView::EditingState) {
    Q_EMIT RevertRequested();
    event->accept();
    return;
  }
  {
    TFlagScope input(handlingInput_);
    QTableView::keyPressEvent(event);
  }
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  Q_EMIT InputHandled(enter || (!event->text().isEmpty() && event->text().at(0).isPrint()));
}

void TSongTableView::mousePressEvent(QMouseEvent* event) {
  {
    TFlagScope input(handlingInput_);
    QTableView::mousePressEvent(event);
  }
  Q_EMIT InputHandled(false);
}

void TSongTableView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  QTableView::mouseDoubleClickEvent(event);
  if (event->button() != Qt::LeftButton) return;
  if (!index.isValid() || !index.flags().testFlag(Qt::ItemIsEditable)) Q_EMIT OpenDoubleClicked();
}

}  // namespace tagwright

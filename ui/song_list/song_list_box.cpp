#include "ui/song_list/song_list_box.h"

#include <QPainter>

#include <QKeyEvent>
#include <QMouseEvent>

#include "ui/flag_scope.h"
#include "ui/song_list/song_rows_selection.h"
#include "ui/window/window_layout.h"

namespace tagwright {

TSongListBox::TSongListBox(QWidget* parent) : QListView(parent) {
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setUniformItemSizes(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTextElideMode(Qt::ElideNone);
  setItemDelegate(new TSongRowDelegate(this));
}

void TSongListBox::DrawItem(QPainter* painter, const QStyleOptionViewItem& option, int row) const {
  if (drawItem_) drawItem_(painter, option, row);
}

int TSongListBox::RowCount() const { return model() == nullptr ? 0 : model()->rowCount(); }

int TSongListBox::CurrentRow() const { return CurrentRowOf(selectionModel()); }

bool TSongListBox::IsRowSelected(int row) const { return IsRowSelectedIn(selectionModel(), row); }

int TSongListBox::SelectedRowCount() const { return SelectedRowCountOf(selectionModel()); }

// The view keeps no current row until the user picks one (KeepNoCurrentRowMadeByFocus).
void TSongListBox::focusInEvent(QFocusEvent* event) {
  TFlagScope byItself(movingCurrentByItself_);
  const bool hadCurrent = CurrentRow() >= 0;
  QListView::focusInEvent(event);
  KeepNoCurrentRowMadeByFocus(selectionModel(), hadCurrent);
}

void TSongListBox::keyPressEvent(QKeyEvent* event) {
  {
    TFlagScope input(handlingInput_);
    QListView::keyPressEvent(event);
  }
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  Q_EMIT InputHandled(enter || (!event->text().isEmpty() && event->text().at(0).isPrint()));
}

void TSongListBox::mousePressEvent(QMouseEvent* event) {
  {
    TFlagScope input(handlingInput_);
    QListView::mousePressEvent(event);
  }
  Q_EMIT InputHandled(false);
}

void TSongListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QListView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && !indexAt(event->position().toPoint()).isValid()) {
    Q_EMIT BlankDoubleClicked();
  }
}

TSongRowDelegate::TSongRowDelegate(TSongListBox* listBox) : QStyledItemDelegate(listBox), listBox_(listBox) {}

void TSongRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  listBox_->DrawItem(painter, option, index.row());
}

QSize TSongRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  size.setHeight(kSongRowHeight);
  return size;
}

void TSongListBox::SetEmptyText(const QString& text) {
  emptyText_ = text;
  viewport()->update();
}

void TSongListBox::paintEvent(QPaintEvent* event) {
  QListView::paintEvent(event);
  if (emptyText_.isEmpty() || (model() != nullptr && model()->rowCount() > 0)) return;
  QPainter painter(viewport());
  painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
  painter.drawText(viewport()->rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, emptyText_);
}

}  // namespace tagwright

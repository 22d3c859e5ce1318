// The song list box: several rows selectable, a current row that need not be selected, rows of
// kSongRowHeight pixels drawn by the list's owner.
#pragma once

#include <QListView>
#include <QStyledItemDelegate>
#include <functional>

namespace tagwright {

class TSongListBox : public QListView {
  Q_OBJECT
 public:
  explicit TSongListBox(QWidget* parent = nullptr);

  // Draws one row: the painter, the row's rectangle and drawing state, the row's position.
  using TDrawItem = std::function<void(QPainter*, const QStyleOptionViewItem&, int)>;
  void SetDrawItem(TDrawItem drawItem) { drawItem_ = std::move(drawItem); }
  void DrawItem(QPainter* painter, const QStyleOptionViewItem& option, int row) const;

  int RowCount() const;
  // The row holding the keyboard caret, or -1.
  int CurrentRow() const;
  bool IsRowSelected(int row) const;
  int SelectedRowCount() const;
  // True while the list itself moves the current row, not the user, or while it handles a
  // key or a mouse press, whose moves of the selection and the current row are reported as one
  // once it is handled (InputHandled).
  bool MovingCurrentByItself() const { return movingCurrentByItself_ || handlingInput_; }
  // What an empty list says in its middle ("No songs in this folder"); nothing when empty.
  void SetEmptyText(const QString& text);
  const QString& EmptyText() const { return emptyText_; }

 Q_SIGNALS:
  // A key or a mouse press was handled by the list; showAfresh for a key that types a
  // character, or Enter, after which the current song is shown afresh.
  void InputHandled(bool showAfresh);
  // A double click below the last row (or in an empty list).
  void BlankDoubleClicked();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  TDrawItem drawItem_;
  QString emptyText_;
  bool movingCurrentByItself_ = false;
  bool handlingInput_ = false;
};

// Hands the drawing of each row to the list box's owner.
class TSongRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  explicit TSongRowDelegate(TSongListBox* listBox);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 private:
  TSongListBox* listBox_;
};

}  // namespace tagwright

// The song table of the "Columns" view: several rows selectable, a current row that need not be
// selected (as in the song list box), a header that sorts by the clicked column (again: the other
// way round) and whose columns can be hidden (its pop-up menu), moved and resized, and cells that are
// edited with a double click or F2.
#pragma once

#include <QTableView>

class QMenu;

namespace tagwright {

class TSongTableView : public QTableView {
  Q_OBJECT
 public:
  explicit TSongTableView(QWidget* parent = nullptr);

  int RowCount() const;
  // The row holding the keyboard caret, or -1.
  int CurrentRow() const;
  bool IsRowSelected(int row) const;
  int SelectedRowCount() const;
  // True while the table itself moves the current row, not the user, or while it handles a
  // key or a mouse press, whose moves of the selection and the current row are reported as one
  // once it is handled (InputHandled).
  bool MovingCurrentByItself() const { return movingCurrentByItself_ || handlingInput_; }
  // The header's pop-up menu, one ticked entry per column.
  QMenu* ColumnMenu() const { return columnMenu_; }
  // Builds the column menu's entries from the model's captions; to be called once a model is set.
  void CreateColumnMenu();
  // Ticks the column menu's entries of the columns shown.
  void TickShownColumns();

 Q_SIGNALS:
  // A key or a mouse press was handled by the table; showAfresh for a key that types a
  // character, or Enter (not taken by an editor), after which the current song is shown afresh.
  void InputHandled(bool showAfresh);
  // A double click below the last row, or on a cell that cannot be edited.
  void OpenDoubleClicked();
  // Escape outside an editor: the edit of the current cell is to be taken back.
  void RevertRequested();
  // The columns were moved, resized, hidden or shown, or the sort changed.
  void LayoutChangedByUser();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QMenu* columnMenu_ = nullptr;
  bool movingCurrentByItself_ = false;
  bool handlingInput_ = false;
};

}  // namespace tagwright

// Holds the sort and filter panel so that a window shorter than the panel can still be made: the
// panel then scrolls, and the holder grows by the scroll bar's width so that nothing is cut.
#pragma once

#include <QScrollArea>

namespace tagwright {

class TSortFilterPanel;

class TSortFilterScroll : public QScrollArea {
  Q_OBJECT
 public:
  // Takes the panel as its own.
  explicit TSortFilterScroll(TSortFilterPanel* panel, QWidget* parent = nullptr);

  QSize minimumSizeHint() const override;
  // How much wider it is while the panel scrolls.
  int ScrollBarWidth() const;
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool NeedsScrolling(int height) const;

  TSortFilterPanel* panel_;
  bool scrolling_ = false;
};

}  // namespace tagwright

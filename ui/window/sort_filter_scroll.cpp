#include "ui/window/sort_filter_scroll.h"

#include <QResizeEvent>
#include <QStyle>

#include "ui/window/sort_filter_panel.h"

namespace tagwright {

TSortFilterScroll::TSortFilterScroll(TSortFilterPanel* panel, QWidget* parent) : QScrollArea(parent), panel_(panel) {
  setObjectName(QStringLiteral("sortFilterScroll"));
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setWidgetResizable(true);
  setWidget(panel);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

bool TSortFilterScroll::NeedsScrolling(int height) const { return height < panel_->minimumSizeHint().height(); }

int TSortFilterScroll::ScrollBarWidth() const { return style()->pixelMetric(QStyle::PM_ScrollBarExtent); }

QSize TSortFilterScroll::minimumSizeHint() const {
  return {panel_->minimumSizeHint().width() + (scrolling_ ? ScrollBarWidth() : 0), 0};
}

QSize TSortFilterScroll::sizeHint() const { return {minimumSizeHint().width(), panel_->sizeHint().height()}; }

void TSortFilterScroll::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  if (NeedsScrolling(event->size().height()) == scrolling_) return;
  scrolling_ = !scrolling_;
  updateGeometry();
}

}  // namespace tagwright

// A control's hint: a tooltip that stays up for a while and, through the hint relay, a line in the
// status bar. A menu entry's hint is its status tip.
#pragma once

#include <QAction>
#include <QWidget>

#include "ui/window/window_layout.h"

namespace tagwright {

inline void SetHint(QWidget* widget, const QString& hint) {
  widget->setToolTip(hint);
  widget->setToolTipDuration(kHintMilliseconds);
}

inline void SetHint(QAction* action, const QString& hint) {
  action->setToolTip(hint);
  action->setStatusTip(hint);
}

}  // namespace tagwright

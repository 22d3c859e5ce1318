#include "ui/window/hint_relay.h"

#include <QApplication>
#include <QStatusTipEvent>
#include <QWidget>

namespace tagwright {

THintRelay::THintRelay(QWidget* window) : QObject(window), window_(window) { qApp->installEventFilter(this); }

THintRelay::~THintRelay() { qApp->removeEventFilter(this); }

QString THintRelay::OneLine(const QString& hint) {
  QString line = hint;
  line.replace(QLatin1String("\r\n"), QLatin1String(" "));
  line.replace(QLatin1Char('\n'), QLatin1Char(' '));
  return line;
}

QString THintRelay::HintOf(const QWidget* widget) const {
  for (const QWidget* w = widget; w != nullptr && w != window_; w = w->parentWidget()) {
    if (!w->toolTip().isEmpty()) return w->toolTip();
  }
  return QString();
}

bool THintRelay::eventFilter(QObject* watched, QEvent* event) {
  if (!watched->isWidgetType()) return false;
  auto* widget = static_cast<QWidget*>(watched);
  switch (event->type()) {
    case QEvent::Enter:
      if (widget->window() == window_) Q_EMIT HintChanged(OneLine(HintOf(widget)));
      break;
    case QEvent::Leave:
      if (widget->window() == window_) Q_EMIT HintChanged(OneLine(HintOf(widget->parentWidget())));
      break;
    case QEvent::StatusTip:
      // Menu entries report their hints as status tips; the window takes them at its own level.
      if (widget == window_) {
        Q_EMIT HintChanged(OneLine(static_cast<QStatusTipEvent*>(event)->tip()));
        return true;
      }
      break;
    default: break;
  }
  return false;
}

}  // namespace tagwright

#include "ui/song_list/song_state_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

#include "ui/song_list/song_status_color.h"

namespace tagwright {

namespace {

// The gap between the state's shape and the lock.
constexpr int kLockGap = 2;

QPolygonF Triangle(const QRectF& box) {
  return QPolygonF({QPointF(box.center().x(), box.top()), box.bottomRight(), box.bottomLeft()});
}

QPolygonF Diamond(const QRectF& box) {
  const QPointF middle = box.center();
  return QPolygonF({QPointF(middle.x(), box.top()), QPointF(box.right(), middle.y()), QPointF(middle.x(), box.bottom()),
                    QPointF(box.left(), middle.y())});
}

QPainterPath Cross(const QRectF& box) {
  const qreal arm = box.width() / 3;
  QPainterPath cross;
  cross.addRect(QRectF(box.left() + arm, box.top(), arm, box.height()));
  cross.addRect(QRectF(box.left(), box.top() + arm, box.width(), arm));
  return cross.simplified();
}

}  // namespace

void DrawStateShape(QPainter& painter, const QRectF& box, TSongStatus status) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(SongStatusColor(status));
  const QRectF inner = box.adjusted(1, 1, -1, -1);
  switch (status) {
    case TSongStatus::Incomplete: painter.drawPolygon(Triangle(inner)); break;
    case TSongStatus::Unsaved: painter.drawPolygon(Diamond(inner)); break;
    case TSongStatus::Unrenamed: painter.drawRect(inner.adjusted(1, 1, -1, -1)); break;
    case TSongStatus::Pattern: painter.drawPath(Cross(inner)); break;
    case TSongStatus::Good: painter.drawEllipse(inner); break;
  }
  painter.restore();
}

void DrawLock(QPainter& painter, const QRectF& box) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal width = box.width();
  // The shackle above, the body below.
  const QRectF shackle(box.left() + width * 0.25, box.top() + 1, width * 0.5, box.height() * 0.6);
  painter.setPen(QPen(kLockColor, 1.5));
  painter.setBrush(Qt::NoBrush);
  painter.drawArc(shackle, 0, 180 * 16);
  painter.drawLine(QPointF(shackle.left(), shackle.center().y()),
                   QPointF(shackle.left(), box.top() + box.height() / 2));
  painter.drawLine(QPointF(shackle.right(), shackle.center().y()),
                   QPointF(shackle.right(), box.top() + box.height() / 2));
  painter.setPen(Qt::NoPen);
  painter.setBrush(kLockColor);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.drawRect(QRectF(box.left() + 1, box.top() + box.height() / 2, width - 2, box.height() / 2 - 1));
  painter.restore();
}

QIcon SongStateIcon(TSongStatus status, bool readOnly) {
  const int width = readOnly ? 2 * kStateShapeSize + kLockGap : kStateShapeSize;
  QPixmap icon(width, kStateShapeSize);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  DrawStateShape(painter, QRectF(0, 0, kStateShapeSize, kStateShapeSize), status);
  if (readOnly) DrawLock(painter, QRectF(kStateShapeSize + kLockGap, 0, kStateShapeSize, kStateShapeSize));
  return QIcon(icon);
}

}  // namespace tagwright

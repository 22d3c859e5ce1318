#include "ui/artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "ui/window/window_layout.h"

namespace tagwright {

namespace {

const QColor kInk(20, 50, 90);

QPixmap Transparent(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

}  // namespace

QPixmap ProgramPixmap(int side) {
  QPixmap pixmap = Transparent(side, side);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(side / 64.0, side / 64.0);
  // The tag: a rounded card with a punched hole, tilted.
  p.save();
  p.translate(32, 32);
  p.rotate(-12);
  QPainterPath tag;
  tag.moveTo(-26, -14);
  tag.lineTo(14, -14);
  tag.lineTo(28, 0);
  tag.lineTo(14, 14);
  tag.lineTo(-26, 14);
  tag.closeSubpath();
  QLinearGradient fill(-26, -14, 28, 14);
  fill.setColorAt(0, QColor(250, 214, 120));
  fill.setColorAt(1, QColor(232, 160, 48));
  p.setPen(QPen(QColor(120, 70, 10), 2));
  p.setBrush(fill);
  p.drawPath(tag);
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(16, 0), 3.5, 3.5);
  // A note on the tag.
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  p.drawEllipse(QPointF(-14, 6), 5, 3.8);
  p.drawEllipse(QPointF(2, 3), 5, 3.8);
  p.drawRect(QRectF(-10.5, -9, 2, 15));
  p.drawRect(QRectF(5.5, -12, 2, 15));
  p.drawPolygon(QPolygonF({QPointF(-10.5, -9), QPointF(7.5, -12), QPointF(7.5, -8), QPointF(-10.5, -5)}));
  p.restore();
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int side : {16, 24, 32, 48, 64, 128}) icon.addPixmap(ProgramPixmap(side));
  return icon;
}

QPixmap BannerPixmap(int width, int height) {
  QPixmap pixmap(width, height);
  QPainter p(&pixmap);
  QLinearGradient fill(0, 0, width, 0);
  fill.setColorAt(0, kSkyBlue);
  fill.setColorAt(1, QColor(214, 232, 250));
  p.fillRect(pixmap.rect(), fill);
  p.setRenderHint(QPainter::Antialiasing);
  p.drawPixmap(34, (height - 28) / 2, ProgramPixmap(28));
  QFont font = p.font();
  font.setBold(true);
  font.setPixelSize(height * 9 / 16);
  p.setFont(font);
  p.setPen(kInk);
  const QRect text(68, 0, width - 68, height);
  p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Tagwright"));
  const int nameWidth = QFontMetrics(font).horizontalAdvance(QStringLiteral("Tagwright"));
  font.setBold(false);
  font.setPixelSize(height * 7 / 16);
  p.setFont(font);
  p.setPen(QColor(60, 90, 130));
  p.drawText(text.adjusted(nameWidth + 14, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
             QStringLiteral("tags and names for your MP3 songs"));
  return pixmap;
}

QIcon AboutIcon() {
  QPixmap pixmap = Transparent(16, 16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  p.drawEllipse(QPointF(8, 4.8), 1.2, 1.2);
  p.drawRect(QRectF(7, 7, 2, 5.5));
  return QIcon(pixmap);
}

QIcon RefreshIcon() {
  QPixmap pixmap = Transparent(16, 16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(20, 110, 40), 2, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 290 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(20, 110, 40));
  p.drawPolygon(QPolygonF({QPointF(9, 0.5), QPointF(14, 3.5), QPointF(9, 6.5)}));
  return QIcon(pixmap);
}

QIcon ArrowIcon(bool up) {
  QPixmap pixmap = Transparent(16, 16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(kInk);
  if (up) {
    p.drawPolygon(QPolygonF({QPointF(8, 3), QPointF(14, 11), QPointF(2, 11)}));
  } else {
    p.drawPolygon(QPolygonF({QPointF(2, 5), QPointF(14, 5), QPointF(8, 13)}));
  }
  return QIcon(pixmap);
}

}  // namespace tagwright

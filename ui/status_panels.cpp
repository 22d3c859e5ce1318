#include "ui/status_panels.h"

#include <QHBoxLayout>
#include <QLabel>

#include "ui/window_layout.h"

namespace tagwright {

TStatusPanels::TStatusPanels(QWidget* parent) : QFrame(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(kStatusBarMargins);
  layout->setSpacing(kStatusPanelSpacing);
  const int widths[kPanelCount] = {kMessagePanelWidth, kCountPanelWidth, kSparePanelWidth};
  const char* names[kPanelCount] = {"messagePanel", "countPanel", "sparePanel"};
  for (int i = 0; i < kPanelCount; ++i) {
    panels_[i] = new QLabel(this);
    panels_[i]->setObjectName(QString::fromLatin1(names[i]));
    panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panels_[i]->setFixedWidth(widths[i]);
    panels_[i]->setTextFormat(Qt::PlainText);
    panels_[i]->setIndent(kStatusPanelIndent);
    layout->addWidget(panels_[i]);
  }
  layout->addStretch(1);
  setFixedHeight(kStatusBarHeight);
}

QString TStatusPanels::PanelText(TStatusPanel panel) const { return Label(panel)->text(); }

int TStatusPanels::PanelWidth(TStatusPanel panel) const { return Label(panel)->width(); }

void TStatusPanels::SetPanelWidth(TStatusPanel panel, int width) { Label(panel)->setFixedWidth(width); }

void TStatusPanels::SetPanelText(TStatusPanel panel, const QString& text) { Label(panel)->setText(text); }

void TStatusPanels::RepaintPanel(TStatusPanel panel) { Label(panel)->repaint(); }

}  // namespace tagwright

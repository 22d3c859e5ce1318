#include "ui/status_panels.h"

#include <QHBoxLayout>
#include <QLabel>

namespace tagwright {

TStatusPanels::TStatusPanels(QWidget* parent) : QFrame(parent) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 1, 0, 0);
  layout->setSpacing(2);
  const int widths[kPanelCount] = {400, 70, 50};
  for (int i = 0; i < kPanelCount; ++i) {
    panels_[i] = new QLabel(this);
    panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panels_[i]->setFixedWidth(widths[i]);
    panels_[i]->setTextFormat(Qt::PlainText);
    panels_[i]->setIndent(2);
    layout->addWidget(panels_[i]);
  }
  layout->addStretch(1);
  setFixedHeight(20);
}

QString TStatusPanels::PanelText(int index) const { return panels_[index]->text(); }

int TStatusPanels::PanelWidth(int index) const { return panels_[index]->width(); }

void TStatusPanels::SetPanelWidth(int index, int width) { panels_[index]->setFixedWidth(width); }

void TStatusPanels::SetPanelText(int index, const QString& text) { panels_[index]->setText(text); }

}  // namespace tagwright

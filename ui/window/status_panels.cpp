#include "ui/window/status_panels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>
#include <limits>

#include "ui/hints.h"
#include "ui/window/window_layout.h"

namespace tagwright {

namespace {

int ProgressValue(std::size_t count) {
  return static_cast<int>(std::min<std::size_t>(count, std::numeric_limits<int>::max()));
}

}  // namespace

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
  // The progress bar takes what room the panels leave, up to its widest, and none while it is hidden.
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("progressBar"));
  progress_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  progress_->setMaximumWidth(kProgressBarMaximumWidth);
  progress_->setTextVisible(true);
  progress_->hide();
  layout->addWidget(progress_, 1);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("cancelCommandButton"));
  SetHint(cancel_, QStringLiteral("Stop the command after the song it is writing; the songs done stay done"));
  cancel_->hide();
  connect(cancel_, &QPushButton::clicked, this, &TStatusPanels::CancelClicked);
  layout->addWidget(cancel_);
  selection_ = new QLabel(this);
  selection_->setObjectName(QStringLiteral("selectionCount"));
  selection_->setTextFormat(Qt::PlainText);
  selection_->setIndent(kStatusPanelIndent);
  layout->addWidget(selection_);
  layout->addStretch(0);
  setFixedHeight(kStatusBarHeight);
}

QString TStatusPanels::PanelText(TStatusPanel panel) const { return texts_[static_cast<int>(panel)]; }

int TStatusPanels::PanelWidth(TStatusPanel panel) const { return Label(panel)->width(); }

void TStatusPanels::SetPanelWidth(TStatusPanel panel, int width) {
  Label(panel)->setFixedWidth(width);
  FitText(panel);
}

void TStatusPanels::SetPanelText(TStatusPanel panel, const QString& text) {
  texts_[static_cast<int>(panel)] = text;
  FitText(panel);
}

void TStatusPanels::FitText(TStatusPanel panel) {
  QLabel* label = Label(panel);
  const QString& text = texts_[static_cast<int>(panel)];
  const int room = label->minimumWidth() - 2 * label->frameWidth() - 2 * label->indent();
  const QString shown = label->fontMetrics().elidedText(text, Qt::ElideRight, std::max(0, room));
  label->setText(shown);
  SetHint(label, shown == text ? QString() : text);
}

void TStatusPanels::SetSelectionText(const QString& text) { selection_->setText(text); }

QString TStatusPanels::SelectionText() const { return selection_->text(); }

void TStatusPanels::RepaintPanel(TStatusPanel panel) { Label(panel)->repaint(); }

void TStatusPanels::ShowProgress(const QString& caption, std::size_t done, std::size_t total) {
  progress_->setRange(0, ProgressValue(total));
  progress_->setValue(ProgressValue(done));
  progress_->setFormat(QStringLiteral("%1: %2 / %3").arg(caption, CountText(done), CountText(total)));
  progress_->show();
  progress_->repaint();
}

void TStatusPanels::HideProgress() {
  progress_->hide();
  cancel_->hide();
}

void TStatusPanels::ShowCancel(bool shown) { cancel_->setVisible(shown); }

QString CountText(std::size_t count) {
  return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qulonglong>(count));
}

QString TStatusPanels::ProgressText() const { return progress_->isHidden() ? QString() : progress_->text(); }

}  // namespace tagwright

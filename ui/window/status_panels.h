// The window's status bar: the message panel, the count panel and an always empty spare panel, and
// beside them the progress of a load or a command, which never takes the message panel's place,
// and how many songs are selected.
#pragma once

#include <QFrame>
#include <QString>
#include <cstddef>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tagwright {

enum class TStatusPanel : std::uint8_t { Message, Count, Spare };

class TStatusPanels : public QFrame {
  Q_OBJECT
 public:
  explicit TStatusPanels(QWidget* parent = nullptr);

  static constexpr int kPanelCount = 3;
  // The whole text, also when the panel shows it cut short.
  QString PanelText(TStatusPanel panel) const;
  int PanelWidth(TStatusPanel panel) const;
  void SetPanelWidth(TStatusPanel panel, int width);
  // A text wider than its panel ends in "..." there; its hint then holds all of it.
  void SetPanelText(TStatusPanel panel, const QString& text);
  // "3 of 120 songs selected", at the bar's right; empty for none.
  void SetSelectionText(const QString& text);
  QString SelectionText() const;
  // Paints a panel at once, also while the window is busy.
  void RepaintPanel(TStatusPanel panel);

  // Shows "CAPTION: done / total" in the progress bar (with thousands separators, "120 / 2,000")
  // and paints it at once.
  void ShowProgress(const QString& caption, std::size_t done, std::size_t total);
  // Hides the progress bar and the Cancel button.
  void HideProgress();
  // What the progress bar shows; empty while it is hidden.
  QString ProgressText() const;
  // The Cancel button beside the progress bar, for a command that can be stopped; CancelClicked
  // follows a click.
  void ShowCancel(bool shown);

 Q_SIGNALS:
  void CancelClicked();

 private:
  QLabel* Label(TStatusPanel panel) const { return panels_[static_cast<int>(panel)]; }
  // Shows as much of the panel's text as its width holds.
  void FitText(TStatusPanel panel);

  QLabel* panels_[kPanelCount] = {};
  QString texts_[kPanelCount];
  QProgressBar* progress_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QLabel* selection_ = nullptr;
};

// A count with thousands separators: "2,000".
QString CountText(std::size_t count);

}  // namespace tagwright

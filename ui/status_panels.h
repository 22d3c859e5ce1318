// The window's status bar: the message panel, the count panel and an always empty spare panel.
#pragma once

#include <QFrame>
#include <cstdint>

class QLabel;

namespace tagwright {

enum class TStatusPanel : std::uint8_t { Message, Count, Spare };

class TStatusPanels : public QFrame {
  Q_OBJECT
 public:
  explicit TStatusPanels(QWidget* parent = nullptr);

  static constexpr int kPanelCount = 3;
  QString PanelText(TStatusPanel panel) const;
  int PanelWidth(TStatusPanel panel) const;
  void SetPanelWidth(TStatusPanel panel, int width);
  void SetPanelText(TStatusPanel panel, const QString& text);
  // Paints a panel at once, also while the window is busy.
  void RepaintPanel(TStatusPanel panel);

 private:
  QLabel* Label(TStatusPanel panel) const { return panels_[static_cast<int>(panel)]; }

  QLabel* panels_[kPanelCount] = {};
};

}  // namespace tagwright

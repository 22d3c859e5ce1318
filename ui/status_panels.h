// The window's status bar: the message panel, the count panel and an always empty third panel.
#pragma once

#include <QFrame>

class QLabel;

namespace tagwright {

class TStatusPanels : public QFrame {
  Q_OBJECT
 public:
  explicit TStatusPanels(QWidget* parent = nullptr);

  static constexpr int kPanelCount = 3;
  QLabel* Panel(int index) const { return panels_[index]; }
  QString PanelText(int index) const;
  int PanelWidth(int index) const;
  void SetPanelWidth(int index, int width);
  void SetPanelText(int index, const QString& text);

 private:
  QLabel* panels_[kPanelCount] = {};
};

}  // namespace tagwright

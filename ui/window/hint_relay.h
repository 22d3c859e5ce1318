// Carries the hints of a window's controls to its status bar: the hint of the control the mouse
// enters (or of the nearest control around it that has one), the surrounding control's when it
// leaves, and the status tips of menu entries, each as one line.
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace tagwright {

class THintRelay : public QObject {
  Q_OBJECT
 public:
  // Watches every widget of window's, from the application's event filter, while the relay lives.
  explicit THintRelay(QWidget* window);
  ~THintRelay() override;

  // The hint a control shows: its own, else that of the nearest control it sits in (below the window).
  QString HintOf(const QWidget* widget) const;
  // A hint on one line: line breaks become spaces.
  static QString OneLine(const QString& hint);

 Q_SIGNALS:
  void HintChanged(const QString& line);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
};

}  // namespace tagwright

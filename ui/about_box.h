// The About box: the program's name, icon and version, closed with OK.
#pragma once

#include <QDialog>

#include "tagwright/version.h"

class QFrame;
class QLabel;
class QPushButton;

namespace tagwright {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QFrame* Panel1 = nullptr;
  QLabel* ProgramIcon = nullptr;
  QLabel* ProductName = nullptr;
  QLabel* Version = nullptr;
  QLabel* Credits = nullptr;
  QLabel* Comments = nullptr;
  QPushButton* OKButton = nullptr;

 private:
  void FormCreate();
};

}  // namespace tagwright

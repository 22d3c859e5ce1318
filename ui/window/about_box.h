// The About box: the program's name, icon and version, closed with OK.
#pragma once

#include <QDialog>

#include "tagwright/version.h"

namespace tagwright {

class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace tagwright

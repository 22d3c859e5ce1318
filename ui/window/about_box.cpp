#include "ui/window/about_box.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "ui/artwork.h"
#include "ui/window/window_layout.h"

namespace tagwright {

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("aboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setFixedSize(kAboutBoxSize);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("aboutPanel"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setGeometry(kAboutPanelGeometry);

  auto* icon = new QLabel(panel);
  icon->setObjectName(QStringLiteral("programIcon"));
  icon->setGeometry(kAboutIconGeometry);
  icon->setScaledContents(true);
  icon->setPixmap(ProgramPixmap(kAboutIconPixmapSide)
                      .copy(kAboutIconPixmapLeft, 0, kAboutIconGeometry.width(), kAboutIconGeometry.height()));

  auto* productName = new QLabel(QStringLiteral("Tagwright"), panel);
  productName->setObjectName(QStringLiteral("productName"));
  QFont nameFont(QStringLiteral("Arial Black"));
  nameFont.setPointSize(kAboutNamePointSize);
  nameFont.setWeight(QFont::Black);
  productName->setFont(nameFont);
  productName->move(kAboutNamePosition);
  productName->adjustSize();

  auto* version = new QLabel(QStringLiteral("Version %1").arg(QLatin1String(kProgramVersion)), panel);
  version->setObjectName(QStringLiteral("version"));
  version->move(kAboutVersionPosition);
  version->adjustSize();

  auto* credits = new QLabel(QStringLiteral("Tidies the tags and names of MP3 songs."), panel);
  credits->setObjectName(QStringLiteral("credits"));
  credits->setGeometry(kAboutCreditsGeometry);

  auto* comments =
      new QLabel(QStringLiteral("Made by the Tagwright developers. Free software, licence GPL-3.0-or-later."), panel);
  comments->setObjectName(QStringLiteral("comments"));
  comments->setGeometry(kAboutCommentsGeometry);
  comments->setWordWrap(true);
  comments->adjustSize();

  auto* okButton = new QPushButton(QStringLiteral("OK"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setGeometry(kAboutOkButtonGeometry);
  okButton->setDefault(true);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tagwright

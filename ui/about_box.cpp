#include "ui/about_box.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "ui/artwork.h"

namespace tagwright {

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("aboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setFixedSize(298, 213);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("aboutPanel"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setGeometry(8, 8, 281, 161);

  auto* icon = new QLabel(panel);
  icon->setObjectName(QStringLiteral("programIcon"));
  icon->setGeometry(8, 8, 99, 86);
  icon->setScaledContents(true);
  icon->setPixmap(ProgramPixmap(86).copy(-6, 0, 99, 86));

  auto* productName = new QLabel(QStringLiteral("Tagwright"), panel);
  productName->setObjectName(QStringLiteral("productName"));
  QFont nameFont(QStringLiteral("Arial Black"));
  nameFont.setPointSize(14);
  nameFont.setWeight(QFont::Black);
  productName->setFont(nameFont);
  productName->move(120, 16);
  productName->adjustSize();

  auto* version = new QLabel(QStringLiteral("Version %1").arg(QLatin1String(kProgramVersion)), panel);
  version->setObjectName(QStringLiteral("version"));
  version->move(120, 48);
  version->adjustSize();

  auto* credits = new QLabel(QStringLiteral("Tidies the tags and names of MP3 songs."), panel);
  credits->setObjectName(QStringLiteral("credits"));
  credits->setGeometry(8, 96, 265, 20);

  auto* comments = new QLabel(QStringLiteral("Made by the Tagwright developers. Free software."), panel);
  comments->setObjectName(QStringLiteral("comments"));
  comments->setGeometry(8, 120, 156, 26);
  comments->setWordWrap(true);
  comments->adjustSize();

  auto* okButton = new QPushButton(QStringLiteral("OK"), this);
  okButton->setObjectName(QStringLiteral("okButton"));
  okButton->setGeometry(111, 180, 75, 25);
  okButton->setDefault(true);
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace tagwright

#include "ui/about_box.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "ui/artwork.h"

namespace tagwright {

TAboutBox::TAboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setFixedSize(298, 213);

  Panel1 = new QFrame(this);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setGeometry(8, 8, 281, 161);

  ProgramIcon = new QLabel(Panel1);
  ProgramIcon->setGeometry(8, 8, 99, 86);
  ProgramIcon->setScaledContents(true);
  ProgramIcon->setPixmap(ProgramPixmap(86).copy(-6, 0, 99, 86));

  ProductName = new QLabel(QStringLiteral("Tagwright"), Panel1);
  QFont nameFont(QStringLiteral("Arial Black"));
  nameFont.setPointSize(14);
  nameFont.setWeight(QFont::Black);
  ProductName->setFont(nameFont);
  ProductName->move(120, 16);
  ProductName->adjustSize();

  Version = new QLabel(QStringLiteral("Version 99.9"), Panel1);
  Version->move(120, 48);

  Credits = new QLabel(QStringLiteral("Tidies the tags and names of MP3 songs."), Panel1);
  Credits->setGeometry(8, 96, 265, 20);

  Comments = new QLabel(QStringLiteral("Made by the Tagwright developers. Free software."), Panel1);
  Comments->setGeometry(8, 120, 156, 26);
  Comments->setWordWrap(true);
  Comments->adjustSize();

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setGeometry(111, 180, 75, 25);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  FormCreate();
}

void TAboutBox::FormCreate() {
  Version->setText(QStringLiteral("Version %1").arg(QLatin1String(kProgramVersion)));
  Version->adjustSize();
}

}  // namespace tagwright

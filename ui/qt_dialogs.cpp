#include "ui/qt_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

#include "ui/text_conversion.h"

namespace tagwright {

namespace {

QMessageBox::Icon IconOf(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtError: return QMessageBox::Critical;
    case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
    case TMsgDlgType::mtWarning: return QMessageBox::Warning;
    case TMsgDlgType::mtInformation: break;
  }
  return QMessageBox::Information;
}

}  // namespace

TMsgDlgButton TQtDialogs::MessageDlg(TMsgDlgType type, const QString& caption, const QString& text,
                                     TMsgDlgButtons buttons) {
  QMessageBox box(IconOf(type), caption, text, QMessageBox::NoButton, QApplication::activeWindow());
  QMessageBox::StandardButtons standard;
  if (buttons & mbYes) standard |= QMessageBox::Yes;
  if (buttons & mbNo) standard |= QMessageBox::No;
  if (buttons & mbOK) standard |= QMessageBox::Ok;
  if (buttons & mbCancel) standard |= QMessageBox::Cancel;
  if (standard == QMessageBox::NoButton) standard = QMessageBox::Ok;
  box.setStandardButtons(standard);
  switch (box.exec()) {
    case QMessageBox::Yes: return mbYes;
    case QMessageBox::No: return mbNo;
    case QMessageBox::Ok: return mbOK;
    case QMessageBox::Cancel: return mbCancel;
    default: break;
  }
  if (buttons & mbNo) return mbNo;
  if (buttons & mbCancel) return mbCancel;
  return mbOK;
}

bool TQtDialogs::InputQuery(const QString& caption, const QString& prompt, QString& value) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(QApplication::activeWindow(), caption, prompt, QLineEdit::Normal, value, &ok);
  if (ok) value = text;
  return ok;
}

void TQtDialogs::OpenWithAssociatedApplication(const std::string& path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(PathToQString(path)));
}

}  // namespace tagwright

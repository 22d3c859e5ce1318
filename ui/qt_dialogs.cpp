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
    case TMsgDlgType::Error: return QMessageBox::Critical;
    case TMsgDlgType::Confirmation: return QMessageBox::Question;
    case TMsgDlgType::Warning: return QMessageBox::Warning;
    case TMsgDlgType::Information: break;
  }
  return QMessageBox::Information;
}

}  // namespace

TMsgDlgButton TQtDialogs::MessageDlg(TMsgDlgType type, const QString& caption, const QString& text,
                                     TMsgDlgButtons buttons) {
  QMessageBox box(IconOf(type), caption, text, QMessageBox::NoButton, QApplication::activeWindow());
  QMessageBox::StandardButtons standard;
  if (buttons.testFlag(TMsgDlgButton::Yes)) standard |= QMessageBox::Yes;
  if (buttons.testFlag(TMsgDlgButton::No)) standard |= QMessageBox::No;
  if (buttons.testFlag(TMsgDlgButton::OK)) standard |= QMessageBox::Ok;
  if (buttons.testFlag(TMsgDlgButton::Cancel)) standard |= QMessageBox::Cancel;
  if (standard == QMessageBox::NoButton) standard = QMessageBox::Ok;
  box.setStandardButtons(standard);
  switch (box.exec()) {
    case QMessageBox::Yes: return TMsgDlgButton::Yes;
    case QMessageBox::No: return TMsgDlgButton::No;
    case QMessageBox::Ok: return TMsgDlgButton::OK;
    case QMessageBox::Cancel: return TMsgDlgButton::Cancel;
    default: break;
  }
  if (buttons.testFlag(TMsgDlgButton::No)) return TMsgDlgButton::No;
  if (buttons.testFlag(TMsgDlgButton::Cancel)) return TMsgDlgButton::Cancel;
  return TMsgDlgButton::OK;
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

#include "ui/qt_dialogs.h"

#include "ui/preferences_dialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/pass_preview.h"
#include "ui/text_conversion.h"
#include "ui/window_layout.h"

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
                                     TMsgDlgButtons buttons, TMsgDlgButtons defaultButton) {
  QMessageBox box(IconOf(type), caption, text, QMessageBox::NoButton, QApplication::activeWindow());
  QMessageBox::StandardButtons standard;
  if (buttons.testFlag(TMsgDlgButton::Yes)) standard |= QMessageBox::Yes;
  if (buttons.testFlag(TMsgDlgButton::No)) standard |= QMessageBox::No;
  if (buttons.testFlag(TMsgDlgButton::OK)) standard |= QMessageBox::Ok;
  if (buttons.testFlag(TMsgDlgButton::Cancel)) standard |= QMessageBox::Cancel;
  if (standard == QMessageBox::NoButton) standard = QMessageBox::Ok;
  box.setStandardButtons(standard);
  if (defaultButton == TMsgDlgButton::Yes) box.setDefaultButton(QMessageBox::Yes);
  if (defaultButton == TMsgDlgButton::No) box.setDefaultButton(QMessageBox::No);
  if (defaultButton == TMsgDlgButton::OK) box.setDefaultButton(QMessageBox::Ok);
  if (defaultButton == TMsgDlgButton::Cancel) box.setDefaultButton(QMessageBox::Cancel);
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

bool TQtDialogs::PreviewPass(const QString& caption, const std::vector<TSongResult>& results) {
  return PreviewPass(caption, results, QString());
}

bool TQtDialogs::PreviewPass(const QString& caption, const std::vector<TSongResult>& results, const QString& note) {
  lastPreviewNote = note;
  QDialog dialog(QApplication::activeWindow());
  dialog.setObjectName(QStringLiteral("previewDialog"));
  dialog.setWindowTitle(caption);
  auto* layout = new QVBoxLayout(&dialog);
  auto* table = new QTableWidget(static_cast<int>(results.size()), static_cast<int>(kPreviewColumns.size()), &dialog);
  table->setObjectName(QStringLiteral("previewTable"));
  table->setHorizontalHeaderLabels(kPreviewColumns);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  for (int row = 0; row < table->rowCount(); ++row) {
    const QStringList cells = PreviewCells(results[static_cast<std::size_t>(row)]);
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setToolTip(cells[column]);
      table->setItem(row, column, item);
    }
  }
  table->resizeColumnsToContents();
  table->horizontalHeader()->setStretchLastSection(true);
  layout->addWidget(table);
  if (!note.isEmpty()) {
    auto* noteLabel = new QLabel(note, &dialog);
    noteLabel->setObjectName(QStringLiteral("previewNote"));
    noteLabel->setWordWrap(true);
    layout->addWidget(noteLabel);
  }
  auto* buttons = new QDialogButtonBox(&dialog);
  QPushButton* apply = buttons->addButton(QStringLiteral("Apply"), QDialogButtonBox::AcceptRole);
  apply->setObjectName(QStringLiteral("applyButton"));
  QPushButton* close = buttons->addButton(QStringLiteral("Close"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("closeButton"));
  close->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  dialog.resize(kPreviewDialogSize);
  return dialog.exec() == QDialog::Accepted;
}

bool TQtDialogs::EditPreferences(TPreferences& preferences) {
  TPreferencesDialog dialog(preferences, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return false;
  preferences = dialog.Preferences();
  return true;
}

bool TQtDialogs::InputQuery(const QString& caption, const QString& prompt, QString& value, int selectedLength) {
  QDialog dialog(QApplication::activeWindow());
  dialog.setObjectName(QStringLiteral("inputDialog"));
  dialog.setWindowTitle(caption);
  dialog.setMinimumWidth(kInputDialogMinimumWidth);
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel(prompt, &dialog);
  auto* field = new QLineEdit(value, &dialog);
  field->setObjectName(QStringLiteral("inputField"));
  label->setBuddy(field);
  layout->addWidget(label);
  layout->addWidget(field);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  field->setFocus();
  if (selectedLength < 0 || selectedLength > value.size()) {
    field->selectAll();
  } else {
    // The cursor ends the selection, as when the user drags over the name from its start.
    field->setSelection(0, selectedLength);
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  value = field->text();
  return true;
}

bool TQtDialogs::OpenWithAssociatedApplication(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(PathToQString(path)));
}

}  // namespace tagwright

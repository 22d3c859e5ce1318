#include "ui/dialogs/qt_dialogs.h"

#include "ui/dialogs/preferences_dialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/dialogs/history_dialog.h"
#include "ui/dialogs/pass_preview.h"
#include "ui/dialogs/pattern_dialog.h"
#include "ui/dialogs/preview_tables.h"
#include "ui/text_conversion.h"
#include "ui/window/window_layout.h"

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

TTypedChanges TQtDialogs::AskToStampChanges(const QString& name) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"),
                  QStringLiteral("Stamp the changes to %1?").arg(name), QMessageBox::NoButton,
                  QApplication::activeWindow());
  QPushButton* stamp = box.addButton(QStringLiteral("Stamp"), QMessageBox::AcceptRole);
  QPushButton* discard = box.addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
  box.addButton(QMessageBox::Cancel);
  box.setDefaultButton(stamp);
  box.exec();
  if (box.clickedButton() == stamp) return TTypedChanges::Stamp;
  if (box.clickedButton() == discard) return TTypedChanges::Discard;
  return TTypedChanges::Cancel;
}

bool TQtDialogs::PreviewPass(const QString& caption, const std::vector<TSongResult>& results) {
  return PreviewPass(caption, results, QString());
}

namespace {

QTableWidget* PreviewTable(const char* name, const QStringList& columns, const std::vector<QStringList>& rows,
                           QWidget* parent) {
  auto* table = new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(columns.size()), parent);
  table->setObjectName(QString::fromLatin1(name));
  table->setHorizontalHeaderLabels(columns);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->verticalHeader()->hide();
  for (int row = 0; row < table->rowCount(); ++row) {
    const QStringList& cells = rows[static_cast<std::size_t>(row)];
    for (int column = 0; column < cells.size(); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setToolTip(cells[column]);
      table->setItem(row, column, item);
    }
  }
  table->resizeColumnsToContents();
  // Each column can be widened or narrowed by the user; the last takes what is left.
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

// As wide as the columns need and as tall as the rows need (the note and the buttons besides), but
// never beyond the screen.
QSize FittedPreviewSize(const QTableWidget& table, const QWidget& dialog) {
  int width = table.verticalHeader()->width() + 4 * table.frameWidth() + 48;
  for (int column = 0; column < table.columnCount(); ++column) width += table.columnWidth(column);
  constexpr int kBesideTheRows = 140;
  const int height = table.horizontalHeader()->sizeHint().height() +
                     table.rowCount() * table.verticalHeader()->defaultSectionSize() + kBesideTheRows;
  QSize size(std::max(width, kPreviewDialogSize.width()), std::max(height, kPreviewDialogSize.height()));
  if (const QScreen* screen = dialog.screen()) {
    const QRect available = screen->availableGeometry();
    size = size.boundedTo(QSize(available.width() * 9 / 10, available.height() * 9 / 10));
  }
  return size;
}

}  // namespace

bool TQtDialogs::PreviewPass(const QString& caption, const std::vector<TSongResult>& results, const QString& note) {
  lastPreviewNote = note;
  QDialog dialog(QApplication::activeWindow());
  dialog.setObjectName(QStringLiteral("previewDialog"));
  dialog.setWindowTitle(caption);
  dialog.setSizeGripEnabled(true);
  auto* layout = new QVBoxLayout(&dialog);
  const TPreviewTables tables = PreviewTablesOf(results, CurrentTags(results), UnseenChanges(results));
  auto* tabs = new QTabWidget(&dialog);
  tabs->setObjectName(QStringLiteral("previewTabs"));
  QTableWidget* changes = PreviewTable("previewTable", tables.ChangeColumns, tables.Changes, tabs);
  tabs->addTab(changes, QStringLiteral("Changed (%1)").arg(tables.Changes.size()));
  tabs->addTab(PreviewTable("leftAloneTable", tables.LeftAloneColumns, tables.LeftAlone, tabs),
               QStringLiteral("Left alone (%1)").arg(tables.LeftAlone.size()));
  layout->addWidget(tabs);
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
  dialog.resize(FittedPreviewSize(*changes, dialog));
  return dialog.exec() == QDialog::Accepted;
}

bool TQtDialogs::ChooseFolder(QString& folder) {
  const QString chosen =
      QFileDialog::getExistingDirectory(QApplication::activeWindow(), QStringLiteral("Open Folder"), folder);
  if (chosen.isEmpty()) return false;
  folder = chosen;
  return true;
}

bool TQtDialogs::ChoosePictureFile(const QString& folder, QString& path) {
  const QString chosen =
      QFileDialog::getOpenFileName(QApplication::activeWindow(), QStringLiteral("Front Cover"), folder,
                                   QStringLiteral("Pictures (*.jpg *.jpeg *.png);;All files (*)"));
  if (chosen.isEmpty()) return false;
  path = chosen;
  return true;
}

bool TQtDialogs::EditPreferences(TPreferences& preferences) {
  TPreferencesDialog dialog(preferences, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return false;
  preferences = dialog.Preferences();
  return true;
}

void TQtDialogs::ShowHistory(THistoryActions& actions) {
  THistoryDialog dialog(actions, QApplication::activeWindow());
  dialog.exec();
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

bool TQtDialogs::AskForPattern(TPatternQuestion& question) {
  TPatternDialog dialog(question, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return false;
  question.Pattern = dialog.Pattern();
  question.CleanupValues = dialog.CleanupValues();
  return true;
}

bool TQtDialogs::AskForNumbering(TNumberingQuestion& question) {
  TNumberingDialog dialog(question, QApplication::activeWindow());
  if (dialog.exec() != QDialog::Accepted) return false;
  question = dialog.Answer();
  return true;
}

bool TQtDialogs::OpenWithAssociatedApplication(const std::string& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(PathToQString(path)));
}

}  // namespace tagwright

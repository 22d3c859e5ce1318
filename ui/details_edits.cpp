#include "ui/details_edits.h"

#include <QLineEdit>

#include "ui/field_marks.h"

namespace tagwright {

TDetailsEdits::TDetailsEdits(std::vector<QLineEdit*> fields, QObject* parent)
    : QObject(parent), fields_(std::move(fields)) {
  for (QLineEdit* field : fields_) connect(field, &QLineEdit::textChanged, this, &TDetailsEdits::Mark);
}

void TDetailsEdits::TakeShownTexts() {
  shown_ = Texts();
  Mark();
}

void TDetailsEdits::Forget() {
  shown_.clear();
  Mark();
}

bool TDetailsEdits::HasChanges() const { return changed_; }

QStringList TDetailsEdits::Texts() const {
  QStringList texts;
  for (const QLineEdit* field : fields_) texts << field->text();
  return texts;
}

void TDetailsEdits::RestoreTexts(const QStringList& texts) {
  for (std::size_t i = 0; i < fields_.size() && static_cast<qsizetype>(i) < texts.size(); ++i) {
    fields_[i]->setText(texts[static_cast<qsizetype>(i)]);
  }
}

void TDetailsEdits::Mark() {
  bool changed = false;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const bool differs =
        static_cast<qsizetype>(i) < shown_.size() && fields_[i]->text() != shown_[static_cast<qsizetype>(i)];
    QFont font = fields_[i]->font();
    font.setBold(differs);
    font.setItalic(differs);
    fields_[i]->setFont(font);
    if (differs) MarkFromFileName(fields_[i], false);  // typed: the user's value, not the name's
    changed = changed || differs;
  }
  if (changed == changed_) return;
  changed_ = changed;
  Q_EMIT ChangesChanged(changed_);
}

}  // namespace tagwright

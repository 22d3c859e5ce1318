#include "ui/details/details_edits.h"

#include <QLineEdit>

#include "ui/details/field_marks.h"

namespace tagwright {

TDetailsEdits::TDetailsEdits(std::vector<QLineEdit*> fields, QObject* parent)
    : QObject(parent), fields_(std::move(fields)) {
  for (QLineEdit* field : fields_) connect(field, &QLineEdit::textChanged, this, &TDetailsEdits::Mark);
}

void TDetailsEdits::TakeShownTexts() {
  shown_ = Texts();
  common_.clear();
  Mark();
}

void TDetailsEdits::Forget() {
  shown_.clear();
  common_.clear();
  Mark();
}

void TDetailsEdits::TakeCommonTexts() { common_ = Texts(); }

TDetailsEdits::TTypedFields TDetailsEdits::TypedFields() const {
  const QStringList& shown = shown_.isEmpty() ? common_ : shown_;
  TTypedFields typed;
  for (std::size_t i = 0; i < fields_.size() && static_cast<qsizetype>(i) < shown.size(); ++i) {
    if (fields_[i]->text() != shown[static_cast<qsizetype>(i)]) typed.emplace_back(i, fields_[i]->text());
  }
  return typed;
}

void TDetailsEdits::RestoreTypedFields(const TTypedFields& typed) {
  for (const auto& [field, text] : typed) {
    if (field < fields_.size()) fields_[field]->setText(text);
  }
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

#include "ui/details/typing_limit.h"

#include <QLineEdit>
#include <algorithm>

namespace tagwright {

TTypingLimit::TTypingLimit(QLineEdit* field, int characters)
    : QObject(field), field_(field), characters_(characters), current_(field->text()) {
  // An edit is reported (textEdited) before every change (textChanged), the program's included; a
  // change taken back is still reported afterwards with the edited text, so the field is asked.
  connect(field, &QLineEdit::textEdited, this, &TTypingLimit::TakeBackIfTooLong);
  connect(field, &QLineEdit::textChanged, this, [this] { current_ = field_->text(); });
}

void TTypingLimit::TakeBackIfTooLong(const QString& edited) {
  if (edited.size() <= characters_ || edited.size() <= current_.size()) return;
  const auto added = static_cast<int>(edited.size() - current_.size());
  const int cursor = std::max(0, field_->cursorPosition() - added);
  field_->setText(current_);
  field_->setCursorPosition(cursor);
}

}  // namespace tagwright

#include "ui/details/field_marks.h"

#include <QPalette>
#include <QVariant>

#include "songs/value_origin.h"
#include "ui/hints.h"
#include "ui/window/window_layout.h"

namespace tagwright {

namespace {

constexpr int kLongestID3v1Text = 30;
constexpr char kOwnHint[] = "tagwrightOwnHint";
const QColor kFromFileNameText(30, 80, 160);

}  // namespace

void MarkLongerThanTrailer(QLineEdit* field) {
  QPalette palette = field->palette();
  const qsizetype characters = field->text().toUcs4().size();
  // A disabled field keeps the ground of a disabled field, so that it does not look editable.
  const QPalette usual;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Base,
                     characters > kLongestID3v1Text ? kLightOrange : usual.color(group, QPalette::Base));
  }
  palette.setColor(QPalette::Disabled, QPalette::Base, usual.color(QPalette::Disabled, QPalette::Base));
  field->setPalette(palette);
}

void MarkFromFileName(QLineEdit* field, bool fromFileName) {
  if (!field->property(kOwnHint).isValid()) field->setProperty(kOwnHint, field->toolTip());
  const QString own = field->property(kOwnHint).toString();
  SetHint(field, !fromFileName ? own : own.isEmpty() ? kFromFileNameHint : own + '\n' + kFromFileNameHint);
  QPalette palette = field->palette();
  const QPalette usual;
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Text, fromFileName ? kFromFileNameText : usual.color(group, QPalette::Text));
  }
  field->setPalette(palette);
}

void MarkFromFileName(const TSongFile& song, std::initializer_list<std::pair<QLineEdit*, TSongField>> fields) {
  for (const auto& [field, shown] : fields) MarkFromFileName(field, ShownFromFileNameOnly(song, shown));
}

QStringList EmptiedFields(const std::vector<std::pair<QString, QLineEdit*>>& shown) {
  QStringList emptied;
  for (const auto& [caption, field] : shown) {
    if (field->text().trimmed().isEmpty()) emptied << caption;
  }
  return emptied;
}

}  // namespace tagwright

// A length limit on what the user types into a field. QLineEdit::setMaxLength would also cut a
// value the program shows, so that a year "1999/2000" would be shown, and written back, as "1999".
// Here a value put in by the program is shown whole; an edit by the user that makes the text longer
// than the limit, and longer than it was, is taken back. Shortening is always possible.
#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

namespace tagwright {

class TTypingLimit : public QObject {
  Q_OBJECT
 public:
  // Limits field, which becomes the limit's parent.
  TTypingLimit(QLineEdit* field, int characters);

 private:
  void TakeBackIfTooLong(const QString& edited);

  QLineEdit* field_;
  int characters_;
  QString current_;  // the field's text before the edit being reported
};

}  // namespace tagwright

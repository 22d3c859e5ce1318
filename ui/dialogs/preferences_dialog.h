// The Preferences dialog (Ctrl+,): the three ways of reading and cleaning names, and the user's own
// known spellings, one a line.
#pragma once

#include <QDialog>

#include "ui/window/preferences.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;

namespace tagwright {

class TPreferencesDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TPreferencesDialog(const TPreferences& preferences, QWidget* parent = nullptr);

  // The choices as the dialog shows them now.
  TPreferences Preferences() const;

 private:
  QCheckBox* accentedLettersBox_ = nullptr;
  QCheckBox* keepSpellingsBox_ = nullptr;
  QCheckBox* moreNameStylesBox_ = nullptr;
  QPlainTextEdit* ownSpellingsField_ = nullptr;
  QCheckBox* smallWordsBox_ = nullptr;
  QCheckBox* titleWithMixBox_ = nullptr;
  QCheckBox* reopenLastFolderBox_ = nullptr;
};

}  // namespace tagwright

#include "ui/dialogs/preferences_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tagwright {

TPreferencesDialog::TPreferencesDialog(const TPreferences& preferences, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("preferencesDialog"));
  setWindowTitle(QStringLiteral("Preferences"));
  auto* layout = new QVBoxLayout(this);
  const auto addBox = [&](const QString& text, const QString& name, const QString& hint, bool checked) {
    auto* box = new QCheckBox(text, this);
    box->setObjectName(name);
    box->setChecked(checked);
    box->setToolTip(hint);
    layout->addWidget(box);
    auto* note = new QLabel(hint, this);
    note->setWordWrap(true);
    note->setContentsMargins(24, 0, 0, 6);
    layout->addWidget(note);
    return box;
  };
  accentedLettersBox_ = addBox(QStringLiteral("Accented Letters in Names"), QStringLiteral("accentedLettersBox"),
                               QStringLiteral("Count letters such as \u00e9 or \u00f6 as letters of a name's words."),
                               preferences.AccentedLetters);
  keepSpellingsBox_ =
      addBox(QStringLiteral("Keep Known Spellings"), QStringLiteral("keepSpellingsBox"),
             QStringLiteral("Clean-up keeps spellings such as AC/\u2060DC, R.E.M., DJ or feat., and words "
                            "that already mix capitals, such as McCartney or O'Connor."),
             preferences.KeepSpellings);
  auto* ownLabel = new QLabel(QStringLiteral("Your own spellings, one a line:"), this);
  layout->addWidget(ownLabel);
  ownSpellingsField_ = new QPlainTextEdit(preferences.OwnSpellings.join(QLatin1Char('\n')), this);
  ownSpellingsField_->setObjectName(QStringLiteral("ownSpellingsField"));
  ownSpellingsField_->setToolTip(QStringLiteral("Words clean-up keeps as written here, added to the known spellings"));
  ownLabel->setBuddy(ownSpellingsField_);
  layout->addWidget(ownSpellingsField_);
  moreNameStylesBox_ =
      addBox(QStringLiteral("More Name Styles"), QStringLiteral("moreNameStylesBox"),
             QStringLiteral("A name no pattern fits is tidied and tried again: a leading track \"05. \", a year "
                            "\"[2019] \", copy marks \" (1)\", video ids, \"(Official Video)\", web addresses, "
                            "stray spaces and long dashes."),
             preferences.MoreNameStyles);
  smallWordsBox_ = addBox(QStringLiteral("Small Words in Lower Case"), QStringLiteral("smallWordsBox"),
                          QStringLiteral("Clean-up keeps English title case: a, an, and, at, by, for, in, of, on, "
                                         "or, the, to and other small words stay in lower case except as the first "
                                         "or last word, \"Face to Face\"."),
                          preferences.SmallWordsInLowerCase);
  titleWithMixBox_ = addBox(QStringLiteral("Keep the Mix in the Title Tag"), QStringLiteral("titleWithMixBox"),
                            QStringLiteral("Hands-Free writes the title tag with its mix, \"Levels (Skrillex Remix)\", "
                                           "so that a player tells the remix from the original."),
                            preferences.TitleWithMix);
  reopenLastFolderBox_ =
      addBox(QStringLiteral("Reopen the Last Folder at Start"), QStringLiteral("reopenLastFolderBox"),
             QStringLiteral("Tagwright starts on the folder it showed when it was closed, unless it is given one."),
             preferences.ReopenLastFolder);
  const auto enableOwn = [this] { ownSpellingsField_->setEnabled(keepSpellingsBox_->isChecked()); };
  connect(keepSpellingsBox_, &QCheckBox::toggled, this, enableOwn);
  enableOwn();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("okButton"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

TPreferences TPreferencesDialog::Preferences() const {
  TPreferences preferences;
  preferences.AccentedLetters = accentedLettersBox_->isChecked();
  preferences.KeepSpellings = keepSpellingsBox_->isChecked();
  preferences.MoreNameStyles = moreNameStylesBox_->isChecked();
  preferences.SmallWordsInLowerCase = smallWordsBox_->isChecked();
  preferences.TitleWithMix = titleWithMixBox_->isChecked();
  preferences.ReopenLastFolder = reopenLastFolderBox_->isChecked();
  for (const QString& line : ownSpellingsField_->toPlainText().split(QLatin1Char('\n'))) {
    const QString word = line.trimmed();
    if (!word.isEmpty()) preferences.OwnSpellings << word;
  }
  return preferences;
}

}  // namespace tagwright

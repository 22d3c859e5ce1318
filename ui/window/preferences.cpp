#include "ui/window/preferences.h"

#include <QSettings>

#include "ui/settings.h"
#include "ui/text_conversion.h"

namespace tagwright {

std::shared_ptr<const TKnownSpellings> TPreferences::Spellings() const {
  if (!KeepSpellings) return nullptr;
  auto list = std::make_shared<TKnownSpellings>(TKnownSpellings::Shipped());
  for (const QString& word : OwnSpellings) list->Add(word.toStdString());
  return list;
}

TPreferences LoadPreferences() {
  const QSettings settings(SettingsOrganization(), SettingsApplication());
  TPreferences preferences;
  preferences.AccentedLetters = settings.value(AccentedLettersKey(), false).toBool();
  preferences.KeepSpellings = settings.value(KeepSpellingsKey(), false).toBool();
  preferences.MoreNameStyles = settings.value(MoreNameStylesKey(), false).toBool();
  preferences.SmallWordsInLowerCase = settings.value(SmallWordsInLowerCaseKey(), false).toBool();
  preferences.TitleWithMix = settings.value(TitleWithMixKey(), false).toBool();
  preferences.OwnSpellings = settings.value(OwnSpellingsKey()).toStringList();
  preferences.ReopenLastFolder = settings.value(ReopenLastFolderKey(), false).toBool();
  return preferences;
}

void SavePreferences(const TPreferences& preferences) {
  QSettings settings(SettingsOrganization(), SettingsApplication());
  settings.setValue(AccentedLettersKey(), preferences.AccentedLetters);
  settings.setValue(KeepSpellingsKey(), preferences.KeepSpellings);
  settings.setValue(MoreNameStylesKey(), preferences.MoreNameStyles);
  settings.setValue(SmallWordsInLowerCaseKey(), preferences.SmallWordsInLowerCase);
  settings.setValue(TitleWithMixKey(), preferences.TitleWithMix);
  settings.setValue(OwnSpellingsKey(), preferences.OwnSpellings);
  settings.setValue(ReopenLastFolderKey(), preferences.ReopenLastFolder);
}

}  // namespace tagwright

// The Preferences: how names are read and cleaned, and what the window opens at start. Each choice is off until the
// user turns it on, and all are remembered in the settings.
#pragma once

#include <QStringList>
#include <memory>

#include "songs/known_spellings.h"
#include "songs/recognition.h"

namespace tagwright {

struct TPreferences {
  bool AccentedLetters = false;        // "Accented Letters in Names"
  bool KeepSpellings = false;          // "Keep Known Spellings"
  bool MoreNameStyles = false;         // "More Name Styles"
  bool SmallWordsInLowerCase = false;  // "Small Words in Lower Case"
  bool TitleWithMix = false;           // "Keep the Mix in the Title Tag"
  QStringList OwnSpellings;            // the user's words, added to the shipped list
  bool ReopenLastFolder = false;       // "Reopen the Last Folder at Start"

  TRecognitionOptions Recognition() const {
    return {.MoreNameStyles = MoreNameStyles, .Letters = LettersOf(AccentedLetters)};
  }
  // The list clean-up keeps: null unless KeepSpellings is on.
  std::shared_ptr<const TKnownSpellings> Spellings() const;
  bool operator==(const TPreferences&) const = default;
};

TPreferences LoadPreferences();
void SavePreferences(const TPreferences& preferences);

// The way to the dialog, for the messages that point there.
inline QString PreferencesPointer() { return QStringLiteral("Preferences (Ctrl+,)"); }

}  // namespace tagwright

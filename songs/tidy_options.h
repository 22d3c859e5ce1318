// How the commands that tidy songs clean texts and compose the title tag: the choices of the
// Preferences and the command line's options, each off until the user turns it on.
#pragma once

#include "songs/known_spellings.h"
#include "text/letters.h"

namespace tagwright {

struct TTidyOptions {
  // The known spellings clean-up keeps (Keep Known Spellings); null for none.
  const TKnownSpellings* Spellings = nullptr;
  // Whether case changes touch the letters beyond ASCII too (Accented Letters in Names).
  TLetters Letters = TLetters::Ascii;
  // Small words such as "to", "of" or "the" stay in lower case inside a title (Small Words in
  // Lower Case): "Face to Face".
  bool SmallWordsInLowerCase = false;
  // The title tag holds the title with its mix, "Levels (Skrillex Remix)" (Keep the Mix in the Title Tag).
  bool TitleWithMix = false;
};

}  // namespace tagwright

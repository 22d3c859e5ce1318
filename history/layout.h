// The history's tables and how a database gets them: laid out anew, brought up from an older
// layout, or only read as it is.
#pragma once

#include "files/result.h"
#include "history/database.h"

namespace tagwright {

// How an old tag is kept in changes.old_head.
enum THeadForm : int { kHeadBytes = 0, kHeadRecipe = 1 };

// Opens the history to write: the database's settings, and its tables made or brought up to date.
// Another program laying out the same history at once is waited for.
TResult OpenLaidOut(THistoryDatabase& db);

// Opens the history only to read it, making nothing beside it: the value says whether it was ever
// laid out (has its tables).
TResultOf<bool> OpenToRead(THistoryDatabase& db);

}  // namespace tagwright

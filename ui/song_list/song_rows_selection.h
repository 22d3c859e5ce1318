// What the song list and the song table share about their rows: which row is current and which are
// selected, read from the view's selection model (none before a model is set).
#pragma once

class QItemSelectionModel;

namespace tagwright {

// The current row, or -1.
int CurrentRowOf(const QItemSelectionModel* selection);
bool IsRowSelectedIn(const QItemSelectionModel* selection, int row);
int SelectedRowCountOf(const QItemSelectionModel* selection);

// Qt makes the first row current when a view without a current row gets the keyboard; the song views
// keep none until the user picks a row, so that F12 still starts at the first row and the details
// panel is left as it was. Called after the view's own focus-in, with whether it had a current row.
void KeepNoCurrentRowMadeByFocus(QItemSelectionModel* selection, bool hadCurrent);

}  // namespace tagwright

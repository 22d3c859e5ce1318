// The one line the message panel shows after a command over the selected songs: what was done, what
// was left alone and what failed, with the reasons in the same words as the command line's.
#pragma once

#include <QString>

#include "commands/command_catalogue.h"
#include "commands/song_pass.h"
#include "history/history_undo.h"

namespace tagwright {

// "Hands-Free!: 29 songs updated, 56 left alone (40 file name holds more than the details, 16 not
// recognised)", "AutoRename Files: 12 renamed, 1 failed (Error renaming file. Is it a duplicate or
// read-only?)", "Stamp ID3 Tag(s): 4 songs tagged". A cancelled pass says how far it came, out of
// how many songs: "Hands-Free!: cancelled after 120 of 2,000 songs; 29 songs updated, ...".
QString PassSummaryLine(const QString& command, TPassCount count, const TPassSummary& summary, std::size_t done = 0,
                        std::size_t songs = 0);

// The line after an undo or a redo (verb "Undo" or "Redo") of the command: "Undo "Hands-Free!":
// 1,400 files restored, 2 left alone (the file has changed since)". One cancelled says how far it
// came: "Undo "Hands-Free!": cancelled after 600 of 1,400 files; 600 files restored".
QString UndoSummaryLine(const QString& verb, const QString& command, const TUndoReport& report);

// Whether a stamp holds: some song now holds what was stamped, written by it or found so already.
bool StampHolds(const TPassSummary& summary);

}  // namespace tagwright

// The rows of a command's preview: for each song what a dry run of the command foresees, in the words
// of the command line's --dry-run.
#pragma once

#include <QStringList>

#include "commands/song_pass.h"

namespace tagwright {

// "File", "Action", "New name", "Tags", "Reason".
extern const QStringList kPreviewColumns;

// One row: the file's name, the action ("tagged+renamed", "skipped", ...), the new name, the tag values
// to be written ("Title: Why; Artist: Moby; ..."), and why the song is left alone or fails (with the
// system's words for a file operation's cause, as the command line gives them).
QStringList PreviewCells(const TSongResult& result);

// The reason as the command line gives it.
QString PreviewReason(const TSongResult& result);

// The new name a preview shows: with the folders a pattern moves the song into below its own, else
// the name alone (a song going to the trash, say). Empty when the song keeps its name.
QString NewNameShown(const TSongResult& result);

}  // namespace tagwright

// What a field of the song details shows about its value besides the value: a text too long for the
// ID3v1 trailer, and a value that the file name gives but the tag does not hold yet.
#pragma once

#include <QColor>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <utility>
#include <vector>

#include "songs/song_file.h"

namespace tagwright {

// The hint of a value shown from the file name alone, and the shade of its cell in the Columns view.
inline const QString kFromFileNameHint = QStringLiteral("from the file name; not in the tag yet");
inline const QColor kFromFileNameShade(222, 234, 250);  // light blue

// Grounds the field in light orange while its text is longer than the trailer holds.
void MarkLongerThanTrailer(QLineEdit* field);

// Shows the field's value as one from the file name (in blue, with the hint besides the field's
// own), or as an ordinary value. A value typed or changed is in bold italics (TDetailsEdits).
void MarkFromFileName(QLineEdit* field, bool fromFileName);
// The same for each field showing a value of the song.
void MarkFromFileName(const TSongFile& song, std::initializer_list<std::pair<QLineEdit*, TSongField>> fields);

// The captions of the fields whose shown text was emptied.
QStringList EmptiedFields(const std::vector<std::pair<QString, QLineEdit*>>& shown);

}  // namespace tagwright

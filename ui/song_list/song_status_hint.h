// A song's state in words, for the hints of its row and of the details panel's colour mark.
#pragma once

#include <QString>

#include "songs/song_file.h"

namespace tagwright {

// "Incomplete: no title", "Unrenamed File: the name is not 'Moby - Porcelain (Remix).mp3'", ...
QString SongStatusHint(const TSongFile& song);

// What the colour of the mark says: "Red (Incomplete: no title)".
QString StatusMarkHint(const TSongFile& song);

// The mark when no single song is shown.
QString NoSongMarkHint();

}  // namespace tagwright

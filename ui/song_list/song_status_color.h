// A song's state as the colour its row, its details mark and its filter's caption are painted in.
#pragma once

#include <QColor>

#include "songs/song_status.h"

namespace tagwright {

QColor SongStatusColor(TSongStatus status);

inline QColor SongStatusColor(const TSongFile& song) { return SongStatusColor(SongStatusOf(song)); }

}  // namespace tagwright

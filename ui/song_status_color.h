// A song's status as the colour its row and its details mark are painted in.
#pragma once

#include <QColor>

#include "songs/song_status.h"

namespace tagwright {

inline QColor ToQColor(TRgb rgb) { return QColor(rgb.Red, rgb.Green, rgb.Blue); }

inline QColor SongStatusColor(const TSongFile& song) { return ToQColor(SongStatusRgb(SongStatusOf(song))); }

}  // namespace tagwright

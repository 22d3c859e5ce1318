// The shape that tells a song's state beside its colour (for those who cannot tell the colours
// apart), and the lock of a song that cannot be written. Drawn with QPainter: no image files.
#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>
#include <cstddef>

#include "songs/song_status.h"

class QPainter;

namespace tagwright {

// The states of TSongStatus.
inline constexpr std::size_t kSongStatusCount = 5;

// The side of a state's shape and of the lock, in pixels.
inline constexpr int kStateShapeSize = 12;
// The lock's body; no state colour is this grey.
inline const QColor kLockColor(72, 72, 72);

// Incomplete: a triangle, as a warning sign; Unsaved: a diamond; Unrenamed: a square; Pattern: a
// cross; Good: a disc. Each filled with the state's colour.
void DrawStateShape(QPainter& painter, const QRectF& box, TSongStatus status);
void DrawLock(QPainter& painter, const QRectF& box);

// The state's shape, followed by the lock for a song that cannot be written.
QIcon SongStateIcon(TSongStatus status, bool readOnly);

}  // namespace tagwright

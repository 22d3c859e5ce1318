#include "ui/song_list/song_status_color.h"

namespace tagwright {

QColor SongStatusColor(TSongStatus status) {
  switch (status) {
    case TSongStatus::Incomplete: return {255, 0, 0};   // red
    case TSongStatus::Unsaved: return {128, 128, 0};    // olive
    case TSongStatus::Unrenamed: return {170, 21, 21};  // brick red
    case TSongStatus::Pattern: return {2, 117, 112};    // teal
    case TSongStatus::Good: break;
  }
  return {0, 128, 0};  // green
}

}  // namespace tagwright

#include "commands/song_change.h"

namespace tagwright {

const char* OutcomeName(TChangeOutcome outcome) {
  switch (outcome) {
    case TChangeOutcome::Tagged: return "tagged";
    case TChangeOutcome::Renamed: return "renamed";
    case TChangeOutcome::TaggedAndRenamed: return "tagged+renamed";
    case TChangeOutcome::Skipped: return "skipped";
    case TChangeOutcome::Failed: return "failed";
  }
  return "failed";
}

}  // namespace tagwright

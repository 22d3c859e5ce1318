#include "commands/song_change.h"

namespace tagwright {

std::string NotMp3Reason(TContentKind content) {
  return std::string(kNotMp3Reason) + " (its content is " + ContentDescription(content) + ")";
}

bool IsNotMp3Reason(const std::string& reason) { return reason.starts_with(kNotMp3Reason); }

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

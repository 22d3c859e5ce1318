#include "commands/pass_results.h"

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <system_error>
#include <utility>
#include <vector>

#include "tags/byte_source.h"
#include "tags/mp3_content.h"

namespace tagwright {

namespace {

void CountReason(const std::string& reason, std::vector<TReasonCount>& counts) {
  auto found =
      std::find_if(counts.begin(), counts.end(), [&](const TReasonCount& count) { return count.Reason == reason; });
  if (found == counts.end()) {
    counts.push_back({reason, 1});
    return;
  }
  ++found->Songs;
  // Keep the most frequent first; a stable move past the less frequent keeps ties in order of arrival.
  while (found != counts.begin() && std::prev(found)->Songs < found->Songs) {
    std::iter_swap(found, std::prev(found));
    --found;
  }
}

}  // namespace

TChangeOutcome OutcomeOf(bool tagged, bool renamed) {
  if (tagged && renamed) return TChangeOutcome::TaggedAndRenamed;
  if (renamed) return TChangeOutcome::Renamed;
  if (tagged) return TChangeOutcome::Tagged;
  return TChangeOutcome::Skipped;
}

TSongResult Failed(const std::string& fileName, std::string reason, TResult failure) {
  TSongResult result;
  result.FileName = fileName;
  result.Outcome = TChangeOutcome::Failed;
  result.OwnReason = std::move(reason);
  result.Failure = std::move(failure);
  return result;
}

TSongResult Failed(const std::string& fileName, TResult failure) { return Failed(fileName, {}, std::move(failure)); }

TSongResult Skipped(const std::string& fileName, std::string reason, TResult failure) {
  TSongResult result = Failed(fileName, std::move(reason), std::move(failure));
  result.Outcome = TChangeOutcome::Skipped;
  return result;
}

TSongResult PlannedResult(const std::string& fileName, const TSongChange& change) {
  TSongResult result;
  result.FileName = fileName;
  // A file taken away counts as renamed: it is no longer under its name.
  result.Outcome = OutcomeOf(change.WriteTags, !change.NewFileName.empty() || change.Removal != TRemoval::None);
  result.NewFileName = change.NewFileName;
  return result;
}

std::optional<TSongResult> RefusedAsNoSong(const std::string& fileName, const std::optional<TFileIdentity>& listed,
                                           std::optional<TFileIdentity>* seen) {
  TFileSource source;
  if (!source.Open(fileName)) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    // Open refuses what is no regular file with EINVAL or EISDIR, as the lock of a song does.
    return Failed(fileName, TResult::FromErrno(TFailureKind::Open, fileName));
  }
  if (seen) *seen = IdentityOf(source.Info());
  return RefusedAsNoSong(fileName, source.Descriptor(), source.Info(), listed);
}

std::optional<TSongResult> RefusedAsNoSong(const std::string& fileName, int fd, const struct stat& info,
                                           const std::optional<TFileIdentity>& listed, TByteSource* bytes) {
  if (!S_ISREG(info.st_mode)) {
    return Failed(fileName,
                  TResult::Failure(TFailureKind::Open, fileName, std::make_error_code(std::errc::invalid_argument)));
  }
  if (listed && *listed != IdentityOf(info)) {
    return Failed(fileName, kChangedSinceReadReason, TResult::Failure(TFailureKind::Changed, fileName));
  }
  TDescriptorSource file(fd, info.st_size);
  TResultOf<TContentKind> content = SniffContent(bytes != nullptr ? *bytes : file, fileName);
  if (!content) return Failed(fileName, content.Failure());
  if (content.Value() != TContentKind::Mp3) return Skipped(fileName, NotMp3Reason(content.Value()));
  return std::nullopt;
}

std::optional<TSongResult> Refused(const std::string& fileName, const TSongChange& change) {
  if (!change.Refusal.empty()) return Failed(fileName, change.Refusal);
  if (change.DoesNothing()) return Skipped(fileName, change.Skip.empty() ? kNothingToChangeReason : change.Skip);
  return std::nullopt;
}

void Count(const TSongResult& result, TPassSummary& summary) {
  if (result.Outcome != TChangeOutcome::Skipped && result.Outcome != TChangeOutcome::Failed) ++summary.Changed;
  switch (result.Outcome) {
    case TChangeOutcome::Tagged: ++summary.Tagged; break;
    case TChangeOutcome::Renamed: ++summary.Renamed; break;
    case TChangeOutcome::TaggedAndRenamed:
      ++summary.Tagged;
      ++summary.Renamed;
      break;
    case TChangeOutcome::Skipped:
      ++summary.Skipped;
      CountReason(result.Reason(), summary.SkippedBy);
      break;
    case TChangeOutcome::Failed:
      ++summary.Failed;
      CountReason(result.Reason(), summary.FailedBy);
      break;
  }
}

}  // namespace tagwright

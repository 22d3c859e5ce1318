#include "ui/pass_summary.h"

#include <QStringList>
#include <algorithm>

#include "ui/status_panels.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

QString Songs(std::size_t count) {
  return count == 1 ? QStringLiteral("1 song") : QStringLiteral("%1 songs").arg(count);
}

// "(reason)" when all songs share one reason, else "(40 reason, 16 other reason)".
QString Reasons(const std::vector<TReasonCount>& reasons) {
  if (reasons.size() == 1) return QStringLiteral(" (%1)").arg(ToQString(reasons.front().Reason));
  QStringList parts;
  for (const TReasonCount& reason : reasons)
    parts << QStringLiteral("%1 %2").arg(reason.Songs).arg(ToQString(reason.Reason));
  return QStringLiteral(" (%1)").arg(parts.join(QStringLiteral(", ")));
}

}  // namespace

QString PassSummaryLine(const QString& command, TPassCount count, const TPassSummary& summary, std::size_t done,
                        std::size_t songs) {
  QString line = command + QStringLiteral(": ");
  if (summary.Cancelled) {
    line += QStringLiteral("cancelled after %1 of %2 songs; ").arg(CountText(done), CountText(songs));
  }
  switch (count) {
    case TPassCount::SongsTagged: line += Songs(summary.Tagged) + QStringLiteral(" tagged"); break;
    case TPassCount::Renamed: line += QStringLiteral("%1 renamed").arg(summary.Renamed); break;
    // A song updated may have kept tags that were right and only been renamed.
    case TPassCount::SongsUpdated: line += Songs(summary.Changed) + QStringLiteral(" updated"); break;
  }
  if (summary.Skipped > 0) line += QStringLiteral(", %1 left alone").arg(summary.Skipped) + Reasons(summary.SkippedBy);
  if (summary.Failed > 0) line += QStringLiteral(", %1 failed").arg(summary.Failed) + Reasons(summary.FailedBy);
  if (summary.Stopped && !summary.Cancelled) line += QStringLiteral("; stopped before the last song");
  return line;
}

bool StampHolds(const TPassSummary& summary) {
  if (summary.Tagged > 0) return true;
  return std::any_of(summary.SkippedBy.begin(), summary.SkippedBy.end(),
                     [](const TReasonCount& count) { return count.Reason == kNothingToChangeReason; });
}

}  // namespace tagwright

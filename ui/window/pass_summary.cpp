#include "ui/window/pass_summary.h"

#include <QStringList>
#include <algorithm>

#include "ui/text_conversion.h"
#include "ui/window/status_panels.h"

namespace tagwright {

namespace {

constexpr std::size_t kReasonsInALine = 3;

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
    // Deleting and restoring are summed up by their own lines (UndoSummaryLine); a pass counts them
    // as the files it changed.
    case TPassCount::FilesDeleted: line += Songs(summary.Changed) + QStringLiteral(" deleted"); break;
    case TPassCount::FilesRestored: line += Songs(summary.Changed) + QStringLiteral(" restored"); break;
  }
  if (summary.Skipped > 0) line += QStringLiteral(", %1 left alone").arg(summary.Skipped) + Reasons(summary.SkippedBy);
  if (summary.Failed > 0) line += QStringLiteral(", %1 failed").arg(summary.Failed) + Reasons(summary.FailedBy);
  if (summary.Stopped && !summary.Cancelled) line += QStringLiteral("; stopped before the last song");
  return line;
}

QString UndoSummaryLine(const QString& verb, const QString& command, const TUndoReport& report) {
  QString line = QStringLiteral("%1 \"%2\": ").arg(verb, command);
  if (report.Cancelled) {
    line += QStringLiteral("cancelled after %1 of %2 files; ")
                .arg(CountText(report.RecordsGone), CountText(report.Records));
  }
  const std::size_t skipped = report.Skipped();
  const std::size_t restored = report.Files.size() - skipped;
  line += (restored == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(CountText(restored))) +
          QStringLiteral(" restored");
  if (skipped > 0) {
    std::vector<TReasonCount> reasons;
    for (const TUndoFile& file : report.Files) {
      if (file.Action != TUndoAction::Skipped) continue;
      const auto same = std::find_if(reasons.begin(), reasons.end(),
                                     [&file](const TReasonCount& reason) { return reason.Reason == file.Reason; });
      if (same == reasons.end()) {
        reasons.push_back({file.Reason, 1});
      } else {
        ++same->Songs;
      }
    }
    line += QStringLiteral(", %1 left alone").arg(CountText(skipped));
    // Reasons that name each file are for the list of them, not for one line.
    if (reasons.size() <= kReasonsInALine) line += Reasons(reasons);
  }
  if (report.Reach == TUndoReach::CutShort && !report.Cancelled)
    line += QStringLiteral("; stopped before the last file");
  return line;
}

bool StampHolds(const TPassSummary& summary) {
  if (summary.Tagged > 0) return true;
  return std::any_of(summary.SkippedBy.begin(), summary.SkippedBy.end(),
                     [](const TReasonCount& count) { return count.Reason == kNothingToChangeReason; });
}

}  // namespace tagwright

#include "ui/dialogs/preview_tables.h"

#include <array>
#include <string>

#include "files/paths.h"
#include "tags/id3v2.h"
#include "ui/dialogs/pass_preview.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

struct TFieldColumn {
  const char* Caption;
  QString (*Value)(const TID3Info& tags);
};

const std::array<TFieldColumn, 7> kFieldColumns = {{
    {"Title", [](const TID3Info& tags) { return ToQString(tags.Title); }},
    {"Artist", [](const TID3Info& tags) { return ToQString(tags.Artist); }},
    {"Album", [](const TID3Info& tags) { return ToQString(tags.Album); }},
    {"Year", [](const TID3Info& tags) { return ToQString(tags.Year); }},
    {"Track", [](const TID3Info& tags) { return tags.Track == 0 ? QString() : QString::number(tags.Track); }},
    {"Genre", [](const TID3Info& tags) { return ToQString(tags.Genre); }},
    {"Comment", [](const TID3Info& tags) { return ToQString(tags.Comment); }},
}};

QString Arrow(const QString& before, const QString& after) { return QStringLiteral("%1 \u2192 %2").arg(before, after); }

QString NamePart(const std::string& path) { return PathToQString(std::string(FileNamePart(path))); }

bool Changes(const TSongResult& result) {
  return result.Outcome != TChangeOutcome::Skipped && result.Outcome != TChangeOutcome::Failed;
}

}  // namespace

std::vector<TID3Info> CurrentTags(const std::vector<TSongResult>& results) {
  std::vector<TID3Info> tags(results.size());
  for (std::size_t i = 0; i < results.size(); ++i) {
    // A file that cannot be read shows its new values against empty ones.
    if (results[i].TagsWritten) (void)ReadID3Tags(results[i].FileName, tags[i]);
  }
  return tags;
}

std::vector<QString> UnseenChanges(const std::vector<TSongResult>& results) {
  std::vector<QString> unseen(results.size());
  for (std::size_t i = 0; i < results.size(); ++i) {
    if (!results[i].TagsWritten) continue;
    TID3v1Buffer trailer{};
    TID3v2 tag;
    const TResultOf<bool> hasTrailer = ReadID3v1Trailer(results[i].FileName, trailer);
    if (hasTrailer && !hasTrailer.Value()) {
      unseen[i] = QStringLiteral("ID3v1 tag added");
    } else if (tag.Load(results[i].FileName) && !tag.HasTag) {
      unseen[i] = QStringLiteral("ID3v2 tag added");
    } else {
      unseen[i] = QStringLiteral("ID3v1 and ID3v2 tags made to agree");
    }
  }
  return unseen;
}

TPreviewTables PreviewTablesOf(const std::vector<TSongResult>& results, const std::vector<TID3Info>& oldTags,
                               const std::vector<QString>& unseen) {
  TPreviewTables tables;
  tables.LeftAloneColumns = {QStringLiteral("File"), QStringLiteral("Action"), QStringLiteral("Reason")};
  std::array<bool, kFieldColumns.size()> used{};
  // Whether a song's change shows in a column: its name, or a field of its tags.
  std::vector<bool> seen(results.size());
  for (std::size_t i = 0; i < results.size() && i < oldTags.size(); ++i) {
    seen[i] = !results[i].NewFileName.empty();
    if (!Changes(results[i]) || !results[i].TagsWritten) continue;
    for (std::size_t f = 0; f < kFieldColumns.size(); ++f) {
      const bool differs = kFieldColumns[f].Value(oldTags[i]) != kFieldColumns[f].Value(results[i].Tags);
      used[f] = used[f] || differs;
      seen[i] = seen[i] || differs;
    }
  }
  const auto unseenOf = [&](std::size_t i) {
    return i < unseen.size() && i < seen.size() && !seen[i] && Changes(results[i]) ? unseen[i] : QString();
  };
  bool anyUnseen = false;
  for (std::size_t i = 0; i < results.size(); ++i) anyUnseen = anyUnseen || !unseenOf(i).isEmpty();
  tables.ChangeColumns = {QStringLiteral("File"), QStringLiteral("File name")};
  for (std::size_t f = 0; f < kFieldColumns.size(); ++f) {
    if (used[f]) tables.ChangeColumns << QString::fromLatin1(kFieldColumns[f].Caption);
  }
  if (anyUnseen) tables.ChangeColumns << QStringLiteral("ID3 tags");
  for (std::size_t i = 0; i < results.size(); ++i) {
    const TSongResult& result = results[i];
    if (!Changes(result)) {
      tables.LeftAlone.push_back(
          {NamePart(result.FileName), QString::fromLatin1(OutcomeName(result.Outcome)), PreviewReason(result)});
      continue;
    }
    QStringList row{NamePart(result.FileName),
                    result.NewFileName.empty() ? QString() : Arrow(NamePart(result.FileName), NewNameShown(result))};
    for (std::size_t f = 0; f < kFieldColumns.size(); ++f) {
      if (!used[f]) continue;
      const QString before = i < oldTags.size() ? kFieldColumns[f].Value(oldTags[i]) : QString();
      const QString after = kFieldColumns[f].Value(result.Tags);
      row << (result.TagsWritten && before != after ? Arrow(before, after) : QString());
    }
    if (anyUnseen) row << unseenOf(i);
    tables.Changes.push_back(row);
  }
  return tables;
}

}  // namespace tagwright

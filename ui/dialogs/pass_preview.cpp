#include "ui/dialogs/pass_preview.h"

#include "files/paths.h"
#include "ui/text_conversion.h"

namespace tagwright {

const QStringList kPreviewColumns = {QStringLiteral("File"), QStringLiteral("Action"), QStringLiteral("New name"),
                                     QStringLiteral("Tags"), QStringLiteral("Reason")};

namespace {

QString TagsText(const TID3Info& tags) {
  QStringList values;
  values << QStringLiteral("Title: ") + ToQString(tags.Title) << QStringLiteral("Artist: ") + ToQString(tags.Artist)
         << QStringLiteral("Album: ") + ToQString(tags.Album) << QStringLiteral("Year: ") + ToQString(tags.Year)
         << QStringLiteral("Comment: ") + ToQString(tags.Comment) << QStringLiteral("Genre: ") + ToQString(tags.Genre)
         << QStringLiteral("Track: %1").arg(tags.Track);
  return values.join(QStringLiteral("; "));
}

}  // namespace

QString PreviewReason(const TSongResult& result) {
  if (result.Outcome != TChangeOutcome::Skipped && result.Outcome != TChangeOutcome::Failed) return {};
  return ToQString(result.ReasonWithError());
}

QString NewNameShown(const TSongResult& result) {
  if (result.NewFileName.empty()) return {};
  const std::string_view folder = FolderPart(result.FileName);
  if (result.NewFileName.starts_with(folder)) return PathToQString(result.NewFileName.substr(folder.size()));
  return PathToQString(std::string(FileNamePart(result.NewFileName)));
}

QStringList PreviewCells(const TSongResult& result) {
  return {PathToQString(std::string(FileNamePart(result.FileName))), QString::fromLatin1(OutcomeName(result.Outcome)),
          NewNameShown(result), result.TagsWritten ? TagsText(result.Tags) : QString(), PreviewReason(result)};
}

}  // namespace tagwright

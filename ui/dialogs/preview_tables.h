// The two tables of a command's preview: the songs that change, with old -> new for the file name
// and for each tag field that changes in any of them (one column per field), and the songs left
// alone with their reasons.
#pragma once

#include <QStringList>
#include <vector>

#include "commands/song_pass.h"

namespace tagwright {

struct TPreviewTables {
  QStringList ChangeColumns;  // "File", "File name", then the fields that change: "Title", "Artist", ...
  std::vector<QStringList> Changes;
  QStringList LeftAloneColumns;  // "File", "Action", "Reason"
  std::vector<QStringList> LeftAlone;
};

// The tags each song holds now, read from its file (empty when it has none or cannot be read).
std::vector<TID3Info> CurrentTags(const std::vector<TSongResult>& results);

// For each result whose tags are written, what the write changes that no field column shows: "ID3v1
// tag added", "ID3v2 tag added", or the two tags made to agree; empty for the others.
std::vector<QString> UnseenChanges(const std::vector<TSongResult>& results);

// oldTags holds, for each result, the tags its file holds now (CurrentTags). A cell reads
// "old → new" where the value changes and stays empty where it does not. A song written without
// any field or name that changes shows its unseen change (UnseenChanges) in an "ID3 tags" column.
TPreviewTables PreviewTablesOf(const std::vector<TSongResult>& results, const std::vector<TID3Info>& oldTags,
                               const std::vector<QString>& unseen = {});

}  // namespace tagwright

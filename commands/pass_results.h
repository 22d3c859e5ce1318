// What became of a song in a pass, made up the same way by every step that can end the song's turn,
// and how a pass counts those results. For the files of the song pass only.
#pragma once

#include <sys/stat.h>

#include <optional>
#include <string>

#include "commands/song_change.h"
#include "commands/song_result.h"
#include "files/file_identity.h"
#include "files/result.h"
#include "songs/song_file.h"
#include "tags/byte_source.h"
#include "tags/id3_info.h"

namespace tagwright {

TChangeOutcome OutcomeOf(bool tagged, bool renamed);

// A song failed for a reason of the pass's own, with the file failure behind it when there is one.
TSongResult Failed(const std::string& fileName, std::string reason, TResult failure = {});
// A song failed for the file failure itself, which says why in its own words (naming the file).
TSongResult Failed(const std::string& fileName, TResult failure);
TSongResult Skipped(const std::string& fileName, std::string reason, TResult failure = {});

// What a change comes to before it is carried out.
TSongResult PlannedResult(const std::string& fileName, const TSongChange& change);

// Why a file is left alone before any change, or a failure to tell; none for a song. The file
// (links followed) must be a regular file, the one the listing read when that is known, and MP3
// by its content, whatever its name says. A file that is gone gets no verdict here. seen, when
// given, learns which file was looked at.
std::optional<TSongResult> RefusedAsNoSong(const std::string& fileName,
                                           const std::optional<TFileIdentity>& listed = std::nullopt,
                                           std::optional<TFileIdentity>* seen = nullptr);
// The same for the song open as fd, which fstat described as info; its content is looked at
// through bytes when given (its bytes read already), else through fd.
std::optional<TSongResult> RefusedAsNoSong(const std::string& fileName, int fd, const struct stat& info,
                                           const std::optional<TFileIdentity>& listed, TByteSource* bytes = nullptr);
// Why nothing is done to the song, when that is clear from its change alone.
std::optional<TSongResult> Refused(const std::string& fileName, const TSongChange& change);

// Counts the song's result in the pass's summary, with its reason when it was skipped or failed.
void Count(const TSongResult& result, TPassSummary& summary);

}  // namespace tagwright

// A song's details bound to its file.
#pragma once

#include <optional>
#include <string>

#include "files/file_identity.h"
#include "files/result.h"
#include "songs/recognition.h"
#include "songs/song_details.h"
#include "tags/id3_info.h"

namespace tagwright {

// A song's details bound to its file: given the path, it recognises itself.
class TSongFile : public TSongDetails {
 public:
  TSongFile() = default;

  void Clear() override;

  const std::string& FileName() const { return fileName_; }
  // Binds the record to a path and recognises it, unless it already holds that very path.
  // With useTags false, the file's tags are not consulted (and nothing can fail). On failure the
  // record holds the path and no details.
  TResult SetFileName(const std::string& name, bool useTags = true, const TRecognitionOptions& options = {});
  // Recognises FileName afresh; the details are taken only when recognition succeeded.
  TResult Recognize(bool useTags = true, const TRecognitionOptions& options = {});
  // Binds the record to a path whose tags were read already (null: none, or not wanted).
  void BindWithTags(const std::string& name, const TID3Info* tags, const TRecognitionOptions& options = {});

  // Whether the file could be written when it was bound or listed (see songs/song_listing.h).
  bool WritableWhenListed() const { return writableWhenListed_; }
  void SetWritableWhenListed(bool writable) { writableWhenListed_ = writable; }

  // The tag values the listing read from the file (empty ones when it had no tags); none when the
  // listing did not read them. A change planned from this record is made only while the file
  // still holds them, so that what another program wrote meanwhile is not overwritten.
  const std::optional<TID3Info>& ListedTags() const { return listedTags_; }
  void SetListedTags(std::optional<TID3Info> tags) { listedTags_ = std::move(tags); }

  // The file the listing read (links followed); none when it found no file. A change is made only
  // to that very file: another one put under the song's name meanwhile (a symbolic link to
  // elsewhere, say) is not written through.
  const std::optional<TFileIdentity>& ListedIdentity() const { return listedIdentity_; }
  void SetListedIdentity(std::optional<TFileIdentity> identity) { listedIdentity_ = identity; }

 private:
  std::string fileName_;
  bool writableWhenListed_ = false;
  std::optional<TID3Info> listedTags_;
  std::optional<TFileIdentity> listedIdentity_;
};

}  // namespace tagwright

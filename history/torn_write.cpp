#include "history/torn_write.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "history/file_judgement.h"
#include "tags/byte_source.h"
#include "tags/id3v2_frames.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

namespace {

constexpr std::size_t kCompareBlock = std::size_t{1} << 20;

std::int64_t BeforeHeadSize(const TFileChange& change) {
  const TTagSnapshot& before = change.Before;
  return before.Size - before.MiddleSize - static_cast<std::int64_t>(before.Tail.size());
}

// size bytes of file from offset on; false when it does not hold them.
bool ReadBytes(TFileSource& file, std::int64_t offset, std::int64_t size, std::string& bytes) {
  if (offset < 0 || size < 0) return false;
  bytes.resize(static_cast<std::size_t>(size));
  return file.ReadAt(offset, bytes.data(), bytes.size()) == size;
}

// Whether each byte of now is the byte of before or of after at its offset (either may be
// shorter: a trailer appended and cut short).
bool EachByteOneOf(std::string_view now, std::string_view before, std::string_view after) {
  for (std::size_t i = 0; i < now.size(); ++i) {
    const bool old = i < before.size() && now[i] == before[i];
    if (!old && !(i < after.size() && now[i] == after[i])) return false;
  }
  return true;
}

// Whether the bytes are the start of an ID3v1 trailer (appended, perhaps cut short).
bool TrailerStart(std::string_view bytes) {
  return bytes.size() <= 128 && std::string_view("TAG").starts_with(bytes.substr(0, 3));
}

// Whether the trailer found is one the write could have left: old, new, or between the two. A
// small song seen whole gets its trailer appended.
bool TrailerTorn(std::string_view now, const TFileChange& change) {
  if (change.Before.Whole) return TrailerStart(now);
  const std::string& before = change.Before.Tail;
  const std::string_view after = change.AfterForeseen ? std::string_view(change.After.Tail) : std::string_view(before);
  // Overwritten in place (the old size), cut off or put whole (the new size), or appended and cut
  // short (between the two).
  const bool sizeLeft = now.size() == before.size() || now.size() == after.size() ||
                        (before.size() < now.size() && now.size() < after.size());
  if (!sizeLeft) return false;
  return EachByteOneOf(now, before, after);
}

// The old tag with the stretches of a write in place over it: the tag that write leaves.
bool TagInPlace(const std::string& before, const std::vector<TNewBytes>& stretches, std::string& after) {
  after = before;
  for (const TNewBytes& stretch : stretches) {
    const std::size_t size = stretch.Size();
    if (stretch.Offset > after.size() || size > after.size() - stretch.Offset) return false;
    if (stretch.FromBefore < 0) {
      after.replace(stretch.Offset, size, stretch.Bytes);
    } else {
      const auto from = static_cast<std::size_t>(stretch.FromBefore);
      if (from > before.size() || size > before.size() - from) return false;
      after.replace(stretch.Offset, size, before, from, size);
    }
  }
  return true;
}

// The file's tag, of headSize bytes, and its trailer after the middle; false when the audio is
// not the one sampled or the file is too short.
bool ReadAroundAudio(const std::string& path, const TFileChange& change, std::int64_t audio, std::int64_t headSize,
                     std::string& head, std::string& trailer) {
  TFileSource file;
  if (!file.Open(path)) return false;
  const std::int64_t tailFrom = headSize + change.Before.MiddleSize;
  if (file.Size() < tailFrom || !ReadBytes(file, 0, headSize, head) ||
      !ReadBytes(file, tailFrom, file.Size() - tailFrom, trailer)) {
    return false;
  }
  const std::optional<std::uint64_t> sampled = AudioSampleHash(path, headSize, change.Before.MiddleSize);
  return sampled && static_cast<std::int64_t>(*sampled) == audio;
}

// Torn in place: the same file, each byte of its tag old or new.
bool TornInPlace(TFileChange& change, const TChangeProof& proof, const std::string& path, const struct stat& song) {
  if (static_cast<std::int64_t>(song.st_dev) != proof.Device || static_cast<std::int64_t>(song.st_ino) != proof.Inode) {
    return false;
  }
  std::string head;
  std::string trailer;
  if (!ReadAroundAudio(path, change, static_cast<std::int64_t>(proof.Audio), BeforeHeadSize(change), head, trailer) ||
      !TrailerTorn(trailer, change) || !ResolveBeforeHead(change, head)) {
    return false;
  }
  std::string after;
  return TagInPlace(change.Before.Head, proof.NewBytes, after) && EachByteOneOf(head, change.Before.Head, after);
}

// The new tag whole (a rewrite renamed over the song, or a write in place that ended), its
// trailer torn.
bool TornAfterItsTag(TFileChange& change, const TChangeProof& proof, const std::string& path) {
  if (!change.AfterForeseen) return false;
  std::string head;
  std::string trailer;
  return ReadAroundAudio(path, change, static_cast<std::int64_t>(proof.Audio), change.After.HeadSize, head, trailer) &&
         HashTagBytes(head, change.After.HashForm) == change.After.HeadHash && TrailerTorn(trailer, change) &&
         ResolveBeforeHead(change, head);
}

// Whether size bytes of a from offset at equal those of b from offset bAt.
bool SameStretch(TFileSource& a, std::int64_t aAt, TFileSource& b, std::int64_t bAt, std::int64_t size) {
  std::string one;
  std::string other;
  for (std::int64_t done = 0; done < size;) {
    const std::int64_t block = std::min<std::int64_t>(static_cast<std::int64_t>(kCompareBlock), size - done);
    if (!ReadBytes(a, aAt + done, block, one) || !ReadBytes(b, bAt + done, block, other) || one != other) return false;
    done += block;
  }
  return true;
}

// Whether the size bytes of a song cut short within its new tag of newHead bytes can be the start of
// that tag: nothing yet (emptied), or the start of the header the writer puts there. More than
// that the song cannot show; anything else (a byte another program wrote into the emptied song)
// is not this program's.
bool StartOfNewTag(TFileSource& now, std::int64_t size, std::int64_t newHead) {
  const std::string header = ID3v23Header(static_cast<std::uint32_t>(newHead - 10));
  std::string present;
  return ReadBytes(now, 0, std::min<std::int64_t>(size, 10), present) && header.starts_with(present);
}

// Rewritten in its own file from the copy beside it: the copy is the song as it was, and the song
// the start of the new tag, the audio and the trailer.
bool TornFromCopy(const TFileChange& change, const TChangeProof& proof, const std::string& path,
                  const struct stat& song) {
  if (!change.AfterForeseen || static_cast<std::int64_t>(song.st_dev) != proof.Device ||
      static_cast<std::int64_t>(song.st_ino) != proof.Inode || !StillAsBeforeRecord(change.TemporaryName, change)) {
    return false;
  }
  const std::int64_t oldHead = BeforeHeadSize(change);
  const std::optional<std::uint64_t> copied = AudioSampleHash(change.TemporaryName, oldHead, change.Before.MiddleSize);
  TFileSource now;
  TFileSource copy;
  if (!copied || *copied != proof.Audio || !now.Open(path) || !copy.Open(change.TemporaryName)) return false;
  const std::int64_t newHead = change.After.HeadSize;
  const std::int64_t size = now.Size();
  if (size < newHead) return newHead >= 10 && StartOfNewTag(now, size, newHead);
  std::string head;
  if (!ReadBytes(now, 0, newHead, head) || HashTagBytes(head, change.After.HashForm) != change.After.HeadHash) {
    return false;
  }
  const std::int64_t audio = std::min(size - newHead, change.Before.MiddleSize);
  if (!SameStretch(now, newHead, copy, oldHead, audio)) return false;
  std::string trailer;
  return ReadBytes(now, newHead + audio, size - newHead - audio, trailer) &&
         EachByteOneOf(trailer, change.Before.Tail, change.After.Tail);
}

// Where the ID3v2 tag at the start of bytes ends (0 without one); nothing when it cannot be told.
std::optional<std::int64_t> TagEnd(std::string_view bytes) {
  TID3v2Header header{};
  if (bytes.size() < header.size()) return std::int64_t{0};
  std::copy_n(bytes.begin(), header.size(), header.begin());
  if (!IsID3v2Header(header)) return std::int64_t{0};
  TMemorySource source(bytes);
  return ID3v2TagTotalWithFooter(header, source);
}

// A small song seen whole, rewritten: the new tag whole (the rewrite's rename), the bytes the old one
// had after its tag, and the start of a trailer appended. The new tag must be the one foreseen: a
// song without audio has nothing else to tell it from another program's tag.
bool TornWhole(const TFileChange& change, const std::string& path, const struct stat& song) {
  constexpr std::int64_t kMostOfASmallSong = std::int64_t{1} << 20;
  TFileSource file;
  std::string now;
  const std::optional<std::int64_t> oldEnd = TagEnd(change.Before.Head);
  if (!change.AfterForeseen || song.st_size > kMostOfASmallSong || !oldEnd || !file.Open(path) ||
      !ReadBytes(file, 0, file.Size(), now)) {
    return false;
  }
  const std::optional<std::int64_t> newEnd = TagEnd(now);
  const std::string_view old = std::string_view(change.Before.Head).substr(static_cast<std::size_t>(*oldEnd));
  if (!newEnd || *newEnd == 0 || *newEnd != change.After.HeadSize ||
      now.size() < static_cast<std::size_t>(*newEnd) + old.size() ||
      HashTagBytes(std::string_view(now).substr(0, static_cast<std::size_t>(*newEnd)), change.After.HashForm) !=
          change.After.HeadHash) {
    return false;
  }
  const std::string_view rest = std::string_view(now).substr(static_cast<std::size_t>(*newEnd));
  return rest.starts_with(old) && TrailerStart(rest.substr(old.size()));
}

}  // namespace

TTornWrite JudgeTorn(TFileChange& change, const TChangeProof& proof, const std::string& path, const struct stat& song,
                     bool temporary) {
  if (!S_ISREG(song.st_mode)) return {};
  if (temporary && !change.Before.Whole && TornFromCopy(change, proof, path, song)) return {TTornKind::FromCopy, 0};
  if (TornInPlace(change, proof, path, song)) return {TTornKind::Tags, BeforeHeadSize(change)};
  if (change.Before.Whole) {
    return TornWhole(change, path, song) ? TTornWrite{TTornKind::Tags, song.st_size} : TTornWrite{};
  }
  if (TornAfterItsTag(change, proof, path)) return {TTornKind::Tags, change.After.HeadSize};
  return {};
}

bool VerifiedAsBefore(const std::string& path, const TFileChange& change, const TChangeProof& proof) {
  if (!StillAsBeforeRecord(path, change)) return false;
  const std::optional<std::uint64_t> audio = AudioSampleHash(path, BeforeHeadSize(change), change.Before.MiddleSize);
  return audio && *audio == proof.Audio;
}

bool SameBytes(const std::string& path, const std::string& other) {
  TFileSource one;
  TFileSource two;
  return one.Open(path) && two.Open(other) && one.Size() == two.Size() && SameStretch(one, 0, two, 0, one.Size());
}

}  // namespace tagwright

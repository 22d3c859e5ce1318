#include "history/change_proof.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>

#include "tags/byte_source.h"
#include "tags/locked_song.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

namespace {

constexpr std::int64_t kSampleSize = 4096;
constexpr std::int64_t kSamples = 16;

void AppendNumber(std::string& blob, std::uint64_t value) {
  for (int shift = 0; shift < 64; shift += 8) blob += static_cast<char>((value >> shift) & 0xFF);
}

std::optional<std::uint64_t> ReadNumber(std::string_view blob, std::size_t& at) {
  if (blob.size() - at < 8) return std::nullopt;
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(blob[at + static_cast<std::size_t>(i)]);
  at += 8;
  return value;
}

}  // namespace

std::optional<std::uint64_t> AudioSampleHash(const std::string& path, std::int64_t from, std::int64_t size) {
  TFileSource file;
  if (from < 0 || size < 0 || !file.Open(path) || file.Size() < from + size) return std::nullopt;
  std::string samples;
  const std::int64_t count = size <= kSampleSize * kSamples ? 1 : kSamples;
  const std::int64_t each = count == 1 ? size : kSampleSize;
  samples.resize(static_cast<std::size_t>(each * count));
  for (std::int64_t i = 0; i < count; ++i) {
    const std::int64_t at = count == 1 ? from : from + i * (size - kSampleSize) / (kSamples - 1);
    char* into = samples.data() + i * each;
    if (file.ReadAt(at, into, static_cast<std::size_t>(each)) != each) return std::nullopt;
  }
  AppendNumber(samples, static_cast<std::uint64_t>(size));
  return HashTagBytes(samples, THashForm::Striped);
}

std::optional<TChangeProof> ProofBefore(const TFileChange& change) {
  const std::string path = SongPath(change.PathBefore);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  TChangeProof proof;
  proof.Device = static_cast<std::int64_t>(info.st_dev);
  proof.Inode = static_cast<std::int64_t>(info.st_ino);
  proof.NewBytes = change.NewBytes;
  if (change.TagWritten) {
    const TTagSnapshot& before = change.Before;
    const std::int64_t headSize = before.Size - before.MiddleSize - static_cast<std::int64_t>(before.Tail.size());
    const std::optional<std::uint64_t> audio = AudioSampleHash(path, headSize, before.MiddleSize);
    if (!audio) return std::nullopt;
    proof.Audio = *audio;
  }
  return proof;
}

namespace {

// A blob with stretches moved from the old tag starts with this stretch, which no tag can hold:
// a program that knows only stretches of their own bytes finds no proof in it, and leaves the
// file alone. Each stretch then has its offset, its size and where it comes from in the old tag
// (kOwnBytes: its bytes follow).
constexpr std::uint64_t kMovedStretches = ~std::uint64_t{0};
constexpr std::uint64_t kOwnBytes = ~std::uint64_t{0};

}  // namespace

std::string EncodeNewBytes(const std::vector<TNewBytes>& stretches) {
  const bool moves =
      std::any_of(stretches.begin(), stretches.end(), [](const TNewBytes& s) { return s.FromBefore >= 0; });
  std::string blob;
  if (moves) {
    AppendNumber(blob, kMovedStretches);
    AppendNumber(blob, 0);
  }
  for (const TNewBytes& stretch : stretches) {
    AppendNumber(blob, stretch.Offset);
    AppendNumber(blob, stretch.Size());
    if (moves) AppendNumber(blob, stretch.FromBefore < 0 ? kOwnBytes : static_cast<std::uint64_t>(stretch.FromBefore));
    blob += stretch.Bytes;
  }
  return blob;
}

std::optional<std::vector<TNewBytes>> DecodeNewBytes(std::string_view blob) {
  std::vector<TNewBytes> stretches;
  std::size_t at = 0;
  const bool moves = ReadNumber(blob, at) == kMovedStretches && ReadNumber(blob, at) == 0;
  if (!moves) at = 0;
  while (at < blob.size()) {
    const std::optional<std::uint64_t> offset = ReadNumber(blob, at);
    const std::optional<std::uint64_t> size = offset ? ReadNumber(blob, at) : std::nullopt;
    const std::optional<std::uint64_t> from = !size ? std::nullopt : moves ? ReadNumber(blob, at) : kOwnBytes;
    if (!from || (*from != kOwnBytes && *from > static_cast<std::uint64_t>(INT64_MAX))) return std::nullopt;
    TNewBytes stretch{static_cast<std::size_t>(*offset), {}};
    if (*from != kOwnBytes) {
      stretch.FromBefore = static_cast<std::int64_t>(*from);
      stretch.MovedSize = static_cast<std::size_t>(*size);
    } else {
      if (blob.size() - at < *size) return std::nullopt;
      stretch.Bytes = std::string(blob.substr(at, *size));
      at += *size;
    }
    stretches.push_back(std::move(stretch));
  }
  return stretches;
}

}  // namespace tagwright

// What a record keeps, beside the bytes a change replaces, so that after a crash a song is put back
// only on proof that it is the file this program was writing and left torn: which file it was,
// samples of its audio, and the bytes a write in place puts over its tag.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/change_journal.h"

namespace tagwright {

struct TChangeProof {
  std::int64_t Device = 0;
  std::int64_t Inode = 0;
  std::uint64_t Audio = 0;  // AudioSampleHash of the middle before the change
  std::vector<TNewBytes> NewBytes;
};

// The proof of a change about to be made, from its file as it is now; nothing when the file
// cannot be read (its change, torn, is then never put back).
std::optional<TChangeProof> ProofBefore(const TFileChange& change);

// A hash of samples of size bytes from offset from on of the file at path: the whole stretch when it
// is short, else blocks spread evenly over it. Nothing when the file does not hold them all.
std::optional<std::uint64_t> AudioSampleHash(const std::string& path, std::int64_t from, std::int64_t size);

// NewBytes kept as one blob in the record, and read back (nothing when damaged).
std::string EncodeNewBytes(const std::vector<TNewBytes>& stretches);
std::optional<std::vector<TNewBytes>> DecodeNewBytes(std::string_view blob);

}  // namespace tagwright

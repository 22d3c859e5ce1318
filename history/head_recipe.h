// How an old tag is kept in the history without storing the same picture over and over: the tag
// is cut into pieces (its own bytes, runs of zero padding, and large frames such as pictures); the
// large frames are kept once each, in a store shared by all records, and the record holds a recipe
// that names them. Putting the pieces back together gives the tag byte for byte.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tags/tag_snapshot.h"

namespace tagwright {

// Frames of at least this size are kept in the shared store: the frames that the framed hash of a
// tag hashes on their own, so that a piece's hash serves the hash of a new tag that keeps it.
inline constexpr std::size_t kMinSharedFrame = kLargeFrameSize;

struct THeadPiece {
  enum class TKind : std::uint8_t { Bytes, Zeros, Shared };
  TKind Kind = TKind::Bytes;
  std::size_t Offset = 0;  // in the tag
  std::size_t Size = 0;
  std::int64_t Shared = 0;  // the store's id of a shared piece, once known
};

// The pieces of a tag, in order and covering it whole: its large frames shared, the runs of zero
// bytes at the end of the stretches between them (the padding) as zeros, the rest as bytes.
std::vector<THeadPiece> CutHead(std::string_view head);

// The recipe of a tag cut into pieces whose shared ones have their ids.
std::string EncodeRecipe(std::string_view head, const std::vector<THeadPiece>& pieces);

// The ids of the shared pieces a recipe names, in order; nothing when it is damaged.
std::vector<std::int64_t> SharedPiecesOf(std::string_view recipe);

// The tag a recipe describes, with the shared pieces' bytes looked up by id (null for one that is
// missing); nothing when the recipe is damaged or names a missing piece.
using TSharedLookup = std::function<const std::string*(std::int64_t id)>;
std::optional<std::string> DecodeRecipe(std::string_view recipe, const TSharedLookup& lookup);

// A quick 64-bit digest of a piece's size and of its first and last kilobytes, to find the pieces
// that may equal it; only a comparison of all bytes tells.
std::uint64_t PieceFingerprint(std::string_view bytes);

}  // namespace tagwright

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

#include "tags/id3v2.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

// Frames of at least this size are kept in the shared store: the frames that the framed hash of a
// tag hashes on their own, so that a piece's hash serves the hash of a new tag that keeps it.
inline constexpr std::size_t kMinSharedFrame = kLargeFrameSize;

// A piece is kept as its bytes, as a run of zeros, in the shared store, or not at all: After, the
// bytes the file holds at To in its new tag once the change is made (the old tag's bytes that the
// change leaves in the file, guarded by the after state's hash).
struct THeadPiece {
  enum class TKind : std::uint8_t { Bytes, Zeros, Shared, After };
  TKind Kind = TKind::Bytes;
  std::size_t Offset = 0;  // in the tag
  std::size_t Size = 0;
  std::int64_t Shared = 0;  // the store's id of a shared piece, once known
  std::size_t To = 0;       // where an After piece lies in the new tag
  bool LargeFrame = false;  // the piece is a large frame (see LargeFrameSpans) of the tag
};

// The pieces of a tag, in order and covering it whole: its large frames shared, the runs of zero
// bytes at the end of the stretches between them (the padding) as zeros, the rest as bytes.
std::vector<THeadPiece> CutHead(std::string_view head);

// The same for a tag whose stretches kept (From in the tag, To in the new tag, sorted by From and
// apart) the change leaves in the file: a large frame inside one of them, and bytes of at least
// kMinAfterPiece inside one, become After pieces.
inline constexpr std::size_t kMinAfterPiece = 64;
std::vector<THeadPiece> CutHeadKeeping(std::string_view head, const std::vector<TCopiedFrame>& kept);

// The recipe of a tag cut into pieces whose shared ones have their ids.
std::string EncodeRecipe(std::string_view head, const std::vector<THeadPiece>& pieces);

// The ids of the shared pieces a recipe names, in order; nothing when it is damaged.
std::vector<std::int64_t> SharedPiecesOf(std::string_view recipe);

// The tag a recipe describes, with the shared pieces' bytes looked up by id (null for one that is
// missing); nothing when the recipe is damaged or names a missing piece.
using TSharedLookup = std::function<const std::string*(std::int64_t id)>;
std::optional<std::string> DecodeRecipe(std::string_view recipe, const TSharedLookup& lookup);

// Whether a recipe names bytes of the file after the change (After pieces).
bool RecipeNamesAfter(std::string_view recipe);

// The recipe with its shared pieces' bytes written into it, so that only its After pieces are left
// to look up; nothing when it is damaged or names a missing piece.
std::optional<std::string> InlineSharedPieces(std::string_view recipe, const TSharedLookup& lookup);

// The size of the tag a recipe describes; nothing when it is damaged or names shared pieces.
std::optional<std::size_t> RecipeSize(std::string_view recipe);

// The tag a recipe without shared pieces describes, its After pieces taken from afterHead (the new
// tag as the file holds it); nothing when it is damaged or an After piece lies beyond afterHead.
std::optional<std::string> DecodeRecipeAfter(std::string_view recipe, std::string_view afterHead);

// A quick 64-bit digest of a piece's size and of its first and last kilobytes, to find the pieces
// that may equal it; only a comparison of all bytes tells.
std::uint64_t PieceFingerprint(std::string_view bytes);

}  // namespace tagwright

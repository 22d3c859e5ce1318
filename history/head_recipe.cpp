#include "history/head_recipe.h"

#include <algorithm>

#include "tags/tag_snapshot.h"

namespace tagwright {

namespace {

// Zero runs shorter than this stay among the bytes: not worth a piece of their own.
constexpr std::size_t kMinZeroRun = 64;
constexpr std::size_t kFingerprintSpan = 1024;

constexpr char kBytesPiece = 'B', kZerosPiece = 'Z', kSharedPiece = 'S', kAfterPiece = 'A';

void PutNumber(std::string& out, std::uint64_t value) {
  while (value >= 0x80) {
    out += static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  out += static_cast<char>(value);
}

std::optional<std::uint64_t> TakeNumber(std::string_view& in) {
  std::uint64_t value = 0;
  for (int shift = 0; shift < 64 && !in.empty(); shift += 7) {
    const auto byte = static_cast<unsigned char>(in.front());
    in.remove_prefix(1);
    value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return value;
  }
  return std::nullopt;
}

// The stretch [from, to) of the tag as bytes and runs of zeros: the padding at its end, and the
// padding of a small file kept whole, which has the audio after it.
void AddStretch(std::string_view head, std::size_t from, std::size_t to, std::vector<THeadPiece>& pieces) {
  std::size_t bytesFrom = from;
  std::size_t at = from;
  while (at < to) {
    if (head[at] != '\0') {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < to && head[end] == '\0') ++end;
    if (end - at >= kMinZeroRun) {
      if (at > bytesFrom) pieces.push_back({THeadPiece::TKind::Bytes, bytesFrom, at - bytesFrom, 0, 0, false});
      pieces.push_back({THeadPiece::TKind::Zeros, at, end - at, 0, 0, false});
      bytesFrom = end;
    }
    at = end;
  }
  if (to > bytesFrom) pieces.push_back({THeadPiece::TKind::Bytes, bytesFrom, to - bytesFrom, 0, 0, false});
}

// One piece of a recipe as read: its kind, its number (a size, a shared piece's id, or where an
// After piece lies in the new tag), an After piece's size and a Bytes piece's bytes.
struct TRecipePiece {
  char Kind = kBytesPiece;
  std::uint64_t Number = 0;
  std::uint64_t Size = 0;
  std::string_view Bytes;
};

// Walks a recipe; each piece is handed to visit, which may stop the walk by returning false.
template <typename F>
bool WalkRecipe(std::string_view recipe, F visit) {
  while (!recipe.empty()) {
    TRecipePiece piece;
    piece.Kind = recipe.front();
    recipe.remove_prefix(1);
    const std::optional<std::uint64_t> number = TakeNumber(recipe);
    if (!number) return false;
    piece.Number = *number;
    if (piece.Kind == kBytesPiece) {
      if (*number > recipe.size()) return false;
      piece.Bytes = recipe.substr(0, *number);
      recipe.remove_prefix(*number);
    } else if (piece.Kind == kAfterPiece) {
      const std::optional<std::uint64_t> size = TakeNumber(recipe);
      if (!size) return false;
      piece.Size = *size;
    } else if (piece.Kind != kZerosPiece && piece.Kind != kSharedPiece) {
      return false;
    }
    if (!visit(piece)) return false;
  }
  return true;
}

// Appends the piece to a recipe.
void PutPiece(std::string& recipe, const TRecipePiece& piece) {
  recipe += piece.Kind;
  PutNumber(recipe, piece.Number);
  if (piece.Kind == kAfterPiece) PutNumber(recipe, piece.Size);
  recipe.append(piece.Bytes);
}

// Splits the piece of bytes at where into what lies inside the stretches kept and what not.
void SplitByKept(const THeadPiece& piece, const std::vector<TCopiedFrame>& kept, std::vector<THeadPiece>& pieces) {
  std::size_t at = piece.Offset;
  const std::size_t end = piece.Offset + piece.Size;
  for (const TCopiedFrame& stretch : kept) {
    const std::size_t from = std::max(at, stretch.From);
    const std::size_t to = std::min(end, stretch.From + stretch.Size);
    if (to <= from || to - from < kMinAfterPiece) continue;
    if (from > at) pieces.push_back({piece.Kind, at, from - at, 0, 0, false});
    pieces.push_back({THeadPiece::TKind::After, from, to - from, 0, stretch.To + (from - stretch.From), false});
    at = to;
  }
  if (end > at) pieces.push_back({piece.Kind, at, end - at, 0, 0, false});
}

}  // namespace

std::vector<THeadPiece> CutHead(std::string_view head) {
  std::vector<THeadPiece> pieces;
  std::size_t at = 0;
  for (const TByteSpan& frame : LargeFrameSpans(head, kMinSharedFrame)) {
    AddStretch(head, at, frame.Offset, pieces);
    pieces.push_back({THeadPiece::TKind::Shared, frame.Offset, frame.Size, 0, 0, true});
    at = frame.Offset + frame.Size;
  }
  AddStretch(head, at, head.size(), pieces);
  return pieces;
}

std::vector<THeadPiece> CutHeadKeeping(std::string_view head, const std::vector<TCopiedFrame>& kept) {
  std::vector<THeadPiece> cut = CutHead(head);
  if (kept.empty()) return cut;
  std::vector<THeadPiece> pieces;
  pieces.reserve(cut.size() + 2 * kept.size());
  for (const THeadPiece& piece : cut) {
    if (piece.Kind == THeadPiece::TKind::Bytes) {
      SplitByKept(piece, kept, pieces);
      continue;
    }
    pieces.push_back(piece);
    if (piece.Kind != THeadPiece::TKind::Shared) continue;  // zeros cost nothing to keep
    // A large frame left whole in the file is not kept; one changed in part is kept in the store.
    for (const TCopiedFrame& stretch : kept) {
      if (stretch.From <= piece.Offset && piece.Offset + piece.Size <= stretch.From + stretch.Size) {
        pieces.back().Kind = THeadPiece::TKind::After;
        pieces.back().To = stretch.To + (piece.Offset - stretch.From);
        break;
      }
    }
  }
  return pieces;
}

std::string EncodeRecipe(std::string_view head, const std::vector<THeadPiece>& pieces) {
  std::string recipe;
  for (const THeadPiece& piece : pieces) {
    switch (piece.Kind) {
      case THeadPiece::TKind::Bytes:
        recipe += kBytesPiece;
        PutNumber(recipe, piece.Size);
        recipe.append(head.substr(piece.Offset, piece.Size));
        break;
      case THeadPiece::TKind::Zeros:
        recipe += kZerosPiece;
        PutNumber(recipe, piece.Size);
        break;
      case THeadPiece::TKind::Shared:
        recipe += kSharedPiece;
        PutNumber(recipe, static_cast<std::uint64_t>(piece.Shared));
        break;
      case THeadPiece::TKind::After: PutPiece(recipe, {kAfterPiece, piece.To, piece.Size, {}}); break;
    }
  }
  return recipe;
}

std::vector<std::int64_t> SharedPiecesOf(std::string_view recipe) {
  std::vector<std::int64_t> ids;
  const bool whole = WalkRecipe(recipe, [&](const TRecipePiece& piece) {
    if (piece.Kind == kSharedPiece) ids.push_back(static_cast<std::int64_t>(piece.Number));
    return true;
  });
  if (!whole) ids.clear();
  return ids;
}

namespace {

constexpr std::uint64_t kLargestTag = std::uint64_t{1} << 32;  // no tag is larger

// The tag a recipe describes, its shared pieces from lookup and its After pieces from afterHead
// (or left as they are into the recipe returned, without one).
std::optional<std::string> Decode(std::string_view recipe, const TSharedLookup& lookup,
                                  const std::string_view* afterHead) {
  std::string out;
  const bool whole = WalkRecipe(recipe, [&](const TRecipePiece& piece) {
    if (piece.Kind == kBytesPiece) {
      if (!afterHead) PutPiece(out, piece);
      if (afterHead) out.append(piece.Bytes);
    } else if (piece.Kind == kZerosPiece) {
      if (piece.Number > kLargestTag) return false;
      if (!afterHead) PutPiece(out, piece);
      if (afterHead) out.append(static_cast<std::size_t>(piece.Number), '\0');
    } else if (piece.Kind == kSharedPiece) {
      const std::string* shared = lookup ? lookup(static_cast<std::int64_t>(piece.Number)) : nullptr;
      if (!shared) return false;
      if (!afterHead) PutPiece(out, {kBytesPiece, shared->size(), 0, *shared});
      if (afterHead) out.append(*shared);
    } else if (!afterHead) {
      PutPiece(out, piece);
    } else {
      if (piece.Number > afterHead->size() || piece.Size > afterHead->size() - piece.Number) return false;
      out.append(afterHead->substr(piece.Number, piece.Size));
    }
    return true;
  });
  if (!whole) return std::nullopt;
  return out;
}

}  // namespace

std::optional<std::string> DecodeRecipe(std::string_view recipe, const TSharedLookup& lookup) {
  const std::string_view noAfter;  // an After piece cannot be looked up here: the recipe fails
  return Decode(recipe, lookup, &noAfter);
}

bool RecipeNamesAfter(std::string_view recipe) {
  bool named = false;
  (void)WalkRecipe(recipe, [&](const TRecipePiece& piece) {  // a damaged one fails when decoded
    named = named || piece.Kind == kAfterPiece;
    return !named;
  });
  return named;
}

std::optional<std::string> InlineSharedPieces(std::string_view recipe, const TSharedLookup& lookup) {
  return Decode(recipe, lookup, nullptr);
}

std::optional<std::size_t> RecipeSize(std::string_view recipe) {
  std::uint64_t size = 0;
  const bool whole = WalkRecipe(recipe, [&](const TRecipePiece& piece) {
    if (piece.Kind == kSharedPiece) return false;
    size += piece.Kind == kBytesPiece ? piece.Bytes.size() : piece.Kind == kAfterPiece ? piece.Size : piece.Number;
    return size <= kLargestTag;
  });
  if (!whole) return std::nullopt;
  return static_cast<std::size_t>(size);
}

std::optional<std::string> DecodeRecipeAfter(std::string_view recipe, std::string_view afterHead) {
  return Decode(recipe, nullptr, &afterHead);
}

std::uint64_t PieceFingerprint(std::string_view bytes) {
  if (bytes.size() <= 2 * kFingerprintSpan) return HashTagBytes(bytes);
  const std::uint64_t first = HashTagBytes(bytes.substr(0, kFingerprintSpan));
  const std::uint64_t last = HashTagBytes(bytes.substr(bytes.size() - kFingerprintSpan));
  return first ^ (last * 0x9E3779B97F4A7C15ULL) ^ (static_cast<std::uint64_t>(bytes.size()) << 1);
}

}  // namespace tagwright

#include "history/head_recipe.h"

#include "tags/tag_snapshot.h"

namespace tagwright {

namespace {

// Zero runs shorter than this stay among the bytes: not worth a piece of their own.
constexpr std::size_t kMinZeroRun = 64;
constexpr std::size_t kFingerprintSpan = 1024;

enum : char { kBytesPiece = 'B', kZerosPiece = 'Z', kSharedPiece = 'S' };

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
      if (at > bytesFrom) pieces.push_back({THeadPiece::TKind::Bytes, bytesFrom, at - bytesFrom, 0});
      pieces.push_back({THeadPiece::TKind::Zeros, at, end - at, 0});
      bytesFrom = end;
    }
    at = end;
  }
  if (to > bytesFrom) pieces.push_back({THeadPiece::TKind::Bytes, bytesFrom, to - bytesFrom, 0});
}

// Walks a recipe; each piece is handed to visit, which may stop the walk by returning false.
template <typename F>
bool WalkRecipe(std::string_view recipe, F visit) {
  while (!recipe.empty()) {
    const char kind = recipe.front();
    recipe.remove_prefix(1);
    const std::optional<std::uint64_t> number = TakeNumber(recipe);
    if (!number) return false;
    std::string_view bytes;
    if (kind == kBytesPiece) {
      if (*number > recipe.size()) return false;
      bytes = recipe.substr(0, *number);
      recipe.remove_prefix(*number);
    } else if (kind != kZerosPiece && kind != kSharedPiece) {
      return false;
    }
    if (!visit(kind, *number, bytes)) return false;
  }
  return true;
}

}  // namespace

std::vector<THeadPiece> CutHead(std::string_view head) {
  std::vector<THeadPiece> pieces;
  std::size_t at = 0;
  for (const TByteSpan& frame : LargeFrameSpans(head, kMinSharedFrame)) {
    AddStretch(head, at, frame.Offset, pieces);
    pieces.push_back({THeadPiece::TKind::Shared, frame.Offset, frame.Size, 0});
    at = frame.Offset + frame.Size;
  }
  AddStretch(head, at, head.size(), pieces);
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
    }
  }
  return recipe;
}

std::vector<std::int64_t> SharedPiecesOf(std::string_view recipe) {
  std::vector<std::int64_t> ids;
  const bool whole = WalkRecipe(recipe, [&](char kind, std::uint64_t number, std::string_view) {
    if (kind == kSharedPiece) ids.push_back(static_cast<std::int64_t>(number));
    return true;
  });
  if (!whole) ids.clear();
  return ids;
}

std::optional<std::string> DecodeRecipe(std::string_view recipe, const TSharedLookup& lookup) {
  std::string head;
  const bool whole = WalkRecipe(recipe, [&](char kind, std::uint64_t number, std::string_view bytes) {
    if (kind == kBytesPiece) {
      head.append(bytes);
    } else if (kind == kZerosPiece) {
      if (number > (std::uint64_t{1} << 32)) return false;  // no tag is that large
      head.append(static_cast<std::size_t>(number), '\0');
    } else {
      const std::string* shared = lookup(static_cast<std::int64_t>(number));
      if (!shared) return false;
      head.append(*shared);
    }
    return true;
  });
  if (!whole) return std::nullopt;
  return head;
}

std::uint64_t PieceFingerprint(std::string_view bytes) {
  if (bytes.size() <= 2 * kFingerprintSpan) return HashTagBytes(bytes);
  const std::uint64_t first = HashTagBytes(bytes.substr(0, kFingerprintSpan));
  const std::uint64_t last = HashTagBytes(bytes.substr(bytes.size() - kFingerprintSpan));
  return first ^ (last * 0x9E3779B97F4A7C15ULL) ^ (static_cast<std::uint64_t>(bytes.size()) << 1);
}

}  // namespace tagwright

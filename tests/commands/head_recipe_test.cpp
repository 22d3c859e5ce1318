// Old tags kept as recipes: any tag, cut into its own bytes, zero padding and large shared frames,
// comes back byte for byte; a damaged recipe or a missing piece gives nothing, never wrong bytes.
#include "history/head_recipe.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "tags/tag_snapshot.h"

namespace tagwright {
namespace {

// A v2.3 tag of the given frames (id, body), then padding zero bytes.
std::string Tag(const std::vector<std::pair<std::string, std::string>>& frames, std::size_t padding) {
  std::string body;
  for (const auto& [id, content] : frames) {
    const auto size = static_cast<std::uint32_t>(content.size());
    body += id;
    for (int shift : {24, 16, 8, 0}) body += static_cast<char>((size >> shift) & 0xFF);
    body.append(2, '\0');
    body += content;
  }
  body.append(padding, '\0');
  std::string tag = "ID3";
  tag += '\x03';
  tag.append(2, '\0');
  const auto size = static_cast<std::uint32_t>(body.size());
  for (int shift : {21, 14, 7, 0}) tag += static_cast<char>((size >> shift) & 0x7F);
  return tag + body;
}

std::string Picture(std::uint32_t seed, std::size_t size) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

// Encodes with the shared pieces numbered as they come, and decodes again.
std::optional<std::string> RoundTrip(const std::string& head, std::map<std::int64_t, std::string>& store) {
  std::vector<THeadPiece> pieces = CutHead(head);
  std::size_t covered = 0;
  for (THeadPiece& piece : pieces) {
    EXPECT_EQ(piece.Offset, covered);
    covered += piece.Size;
    if (piece.Kind != THeadPiece::TKind::Shared) continue;
    piece.Shared = static_cast<std::int64_t>(store.size()) + 1;
    store[piece.Shared] = head.substr(piece.Offset, piece.Size);
  }
  EXPECT_EQ(covered, head.size());
  const std::string recipe = EncodeRecipe(head, pieces);
  return DecodeRecipe(recipe, [&](std::int64_t id) -> const std::string* {
    auto found = store.find(id);
    return found == store.end() ? nullptr : &found->second;
  });
}

TEST(HeadRecipe, EveryKindOfTagComesBackByteForByte) {
  const std::string picture = Picture(1, 100'000);
  const std::vector<std::pair<const char*, std::string>> heads{
      {"empty", ""},
      {"text only", Tag({{"TIT2", std::string("\0Title", 6)}, {"TPE1", std::string("\0Artist", 7)}}, 0)},
      {"padded", Tag({{"TIT2", std::string("\0Title", 6)}}, 2048)},
      {"picture", Tag({{"TIT2", std::string("\0Title", 6)}, {"APIC", picture}}, 1500)},
      {"two pictures", Tag({{"APIC", picture}, {"TALB", "\0A"}, {"APIC", Picture(2, 20'000)}}, 10)},
      {"frame running past the end", Tag({{"APIC", picture}}, 0).substr(0, 50'000)},
      {"no tag at all", Picture(3, 70'000)},
      {"zeros inside a frame", Tag({{"PRIV", std::string(30'000, '\0')}}, 100)},
  };
  for (const auto& [name, head] : heads) {
    std::map<std::int64_t, std::string> store;
    EXPECT_EQ(RoundTrip(head, store), std::optional<std::string>(head)) << name;
  }
}

TEST(HeadRecipe, LargeFramesAreSharedAndPaddingIsNotStored) {
  const std::string picture = Picture(4, 100'000);
  const std::string head = Tag({{"TIT2", std::string("\0Title", 6)}, {"APIC", picture}}, 4000);
  std::vector<THeadPiece> pieces = CutHead(head);
  ASSERT_EQ(pieces.size(), 3U);  // header and title, picture, the zero byte run
  EXPECT_EQ(pieces[1].Kind, THeadPiece::TKind::Shared);
  EXPECT_EQ(pieces[1].Size, picture.size() + 10);
  EXPECT_EQ(pieces[2].Kind, THeadPiece::TKind::Zeros);
  pieces[1].Shared = 7;
  const std::string recipe = EncodeRecipe(head, pieces);
  EXPECT_LT(recipe.size(), 100U);
  EXPECT_EQ(SharedPiecesOf(recipe), std::vector<std::int64_t>{7});
  // A small file is kept whole: its padding is followed by its audio.
  const std::string whole = Tag({{"TIT2", std::string("\0Title", 6)}}, 4000) + std::string(100, '\xFF');
  const std::vector<THeadPiece> wholePieces = CutHead(whole);
  const std::string wholeRecipe = EncodeRecipe(whole, wholePieces);
  EXPECT_LT(wholeRecipe.size(), 200U);
  EXPECT_EQ(DecodeRecipe(wholeRecipe, [](std::int64_t) -> const std::string* { return nullptr; }),
            std::optional<std::string>(whole));
}

TEST(HeadRecipe, ADamagedRecipeOrAMissingPieceGivesNothing) {
  const std::string head = Tag({{"APIC", Picture(5, 40'000)}, {"TIT2", "\0T"}}, 200);
  std::vector<THeadPiece> pieces = CutHead(head);
  for (THeadPiece& piece : pieces) piece.Shared = piece.Kind == THeadPiece::TKind::Shared ? 1 : 0;
  const std::string recipe = EncodeRecipe(head, pieces);
  const std::string shared = head.substr(pieces[1].Offset, pieces[1].Size);
  const TSharedLookup lookup = [&](std::int64_t id) { return id == 1 ? &shared : nullptr; };
  ASSERT_EQ(DecodeRecipe(recipe, lookup), std::optional<std::string>(head));
  EXPECT_EQ(DecodeRecipe(recipe, [](std::int64_t) -> const std::string* { return nullptr; }), std::nullopt);
  for (std::size_t cut = 1; cut < recipe.size(); cut += 7) {
    const std::optional<std::string> partial = DecodeRecipe(recipe.substr(0, cut), lookup);
    if (partial) {
      EXPECT_NE(*partial, head);
    }
  }
  EXPECT_EQ(DecodeRecipe("X\x01", lookup), std::nullopt);
  EXPECT_TRUE(SharedPiecesOf("B\x7F").empty());
}

// The stretches a change leaves in the file are kept as references to its new tag: a picture
// moved by a rewrite, and the bytes around a title changed in place. The old tag comes back from
// the new one byte for byte; the recipe keeps little more than what changed; a new tag that does
// not reach as far gives nothing.
TEST(HeadRecipe, StretchesLeftInTheFileAreKeptByReference) {
  const std::string picture = Picture(7, 40'000);
  const std::string old = Tag({{"TIT2", std::string("\0Old", 4)}, {"APIC", picture}, {"TALB", "\0Album"}}, 300);
  const std::string rewritten =
      Tag({{"TIT2", std::string("\0A longer title\0", 16)}, {"APIC", picture}, {"TALB", "\0Album"}}, 2048);
  const std::string inPlace = Tag({{"TIT2", std::string("\0New", 4)}, {"APIC", picture}, {"TALB", "\0Album"}}, 300);
  const std::size_t frameFrom = 10 + 14;  // the picture's frame after the header and the title
  const std::size_t frameSize = picture.size() + 10;
  struct TCase {
    const char* Name;
    const std::string& After;
    std::vector<TCopiedFrame> Kept;
  };
  const std::vector<TCase> cases{
      {"rewrite", rewritten, {{frameFrom, frameFrom + 12, frameSize}}},
      {"in place", inPlace, {{0, 0, 21}, {24, 24, old.size() - 24}}},
  };
  for (const TCase& c : cases) {
    const std::vector<THeadPiece> pieces = CutHeadKeeping(old, c.Kept);
    const std::string recipe = EncodeRecipe(old, pieces);
    EXPECT_TRUE(RecipeNamesAfter(recipe)) << c.Name;
    EXPECT_TRUE(SharedPiecesOf(recipe).empty()) << c.Name << ": the picture is not stored";
    EXPECT_LT(recipe.size(), 200U) << c.Name;
    EXPECT_EQ(RecipeSize(recipe), std::optional<std::size_t>(old.size())) << c.Name;
    EXPECT_TRUE(DecodeRecipeAfter(recipe, c.After) == std::optional<std::string>(old))
        << c.Name << ": the old tag does not come back byte for byte";
    EXPECT_EQ(DecodeRecipeAfter(recipe, std::string_view(c.After).substr(0, 20'000)), std::nullopt) << c.Name;
    EXPECT_EQ(DecodeRecipe(recipe, [](std::int64_t) -> const std::string* { return nullptr; }), std::nullopt)
        << c.Name << ": not without the new tag";
  }
}

TEST(HeadRecipe, FingerprintsTellPiecesOfOtherSizesOrEndsApart) {
  const std::string picture = Picture(6, 50'000);
  std::string otherEnd = picture;
  otherEnd.back() ^= 1;
  EXPECT_NE(PieceFingerprint(picture), PieceFingerprint(otherEnd));
  EXPECT_NE(PieceFingerprint(picture), PieceFingerprint(picture.substr(0, 49'999)));
}

// Records written before the striped hash keep their hashes: the serial form is what it was.
TEST(TagHash, TheSerialFormIsUnchangedAndTheStripedOneSeesEveryByte) {
  std::string tag = "ID3\x03";
  tag.append(1000, 'x');
  for (int i = 0; i < 1000; ++i) tag[4 + i] = static_cast<char>(i * 31 + 7);
  EXPECT_EQ(HashTagBytes("", THashForm::Serial), 16852473371444490038ULL);
  EXPECT_EQ(HashTagBytes("abc", THashForm::Serial), 9180284046736928392ULL);
  EXPECT_EQ(HashTagBytes(tag, THashForm::Serial), 17996342474870528629ULL);

  const std::string picture = Picture(7, 10'000);
  const std::uint64_t whole = HashTagBytes(picture);
  for (std::size_t at : {std::size_t{0}, std::size_t{15}, std::size_t{64}, std::size_t{5000}, picture.size() - 1}) {
    std::string changed = picture;
    changed[at] ^= 0x20;
    EXPECT_NE(HashTagBytes(changed), whole) << at;
  }
  EXPECT_NE(HashTagBytes(picture.substr(0, 9999)), whole);
  EXPECT_NE(HashTagBytes(std::string(128, '\0')), HashTagBytes(std::string(192, '\0')));
}

// The framed form: each picture hashed on its own, a hash given for it taken as it is, every byte
// seen when none is given.
TEST(TagHash, TheFramedFormTakesAPicturesKnownHashAndStillSeesEveryByte) {
  const std::string picture = Picture(8, 40'000);
  const std::string tag = Tag({{"TIT2", std::string(1, '\0') + "Title"}, {"APIC", picture}, {"TALB", "\0A"}}, 500);
  const std::vector<TByteSpan> frames = LargeFrameSpans(tag, kLargeFrameSize);
  ASSERT_EQ(frames.size(), 1U);
  const TByteSpan frame = frames.front();
  const std::uint64_t whole = FramedTagHash(tag);
  EXPECT_EQ(HashTagBytes(tag, THashForm::Framed), whole);
  // Pinned: records keep this form's hashes.
  EXPECT_EQ(whole, 9850181807043613392ULL);

  std::vector<std::pair<std::size_t, std::size_t>> asked;
  const std::uint64_t frameHash = HashTagBytes(std::string_view(tag).substr(frame.Offset, frame.Size));
  EXPECT_EQ(FramedTagHash(tag,
                          [&](std::size_t offset, std::size_t size) {
                            asked.emplace_back(offset, size);
                            return frameHash;
                          }),
            whole);
  EXPECT_EQ(asked, (std::vector<std::pair<std::size_t, std::size_t>>{{frame.Offset, frame.Size}}));
  EXPECT_NE(FramedTagHash(tag, [&](std::size_t, std::size_t) { return frameHash ^ 1; }), whole);
  EXPECT_EQ(FramedTagHash(tag, [](std::size_t, std::size_t) { return std::uint64_t{0}; }), whole);

  for (std::size_t at :
       {std::size_t{12}, frame.Offset + 4, frame.Offset + frame.Size / 2, tag.size() - 600, tag.size() - 1}) {
    std::string changed = tag;
    changed[at] ^= 0x01;
    EXPECT_NE(FramedTagHash(changed), whole) << at;
  }
  // One more byte of padding is another tag.
  EXPECT_NE(FramedTagHash(tag + std::string(1, '\0')), whole);
}

}  // namespace
}  // namespace tagwright

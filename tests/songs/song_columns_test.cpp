// The song table's sort (numbers as numbers, texts without regard to case or accents, ties by path,
// missing values first) and the details edited in it until they are stamped.
#include "songs/song_columns.h"

#include <gtest/gtest.h>

#include "songs/song_edits.h"
#include "songs/song_status.h"

namespace tagwright {
namespace {

struct TSortCase {
  const char* Name;
  TSongColumn Column;
  std::vector<std::string> Values;  // the column's value of each song; song i is "/m/i.mp3"
  bool Descending;
  std::vector<std::size_t> Expected;  // songs in sorted order
};

class SortRowsTest : public ::testing::TestWithParam<TSortCase> {};

TEST_P(SortRowsTest, SortsByTheColumnThenByPath) {
  const TSortCase& c = GetParam();
  std::vector<TSongFile> songs(c.Values.size());
  std::vector<TSortableRow> rows;
  for (std::size_t i = 0; i < songs.size(); ++i) {
    songs[i].BindWithTags("/m/" + std::to_string(i) + ".mp3", nullptr);
    songs[i].SetField(*EditableSongField(c.Column), c.Values[i]);
  }
  // Listed the wrong way round, so that the order of the list does not give the ties.
  for (std::size_t i = songs.size(); i-- > 0;) {
    rows.push_back({i, SongColumnSortKey(songs[i], c.Column), i});
  }
  SortRowsByKey(rows, c.Descending);
  std::vector<std::size_t> order;
  order.reserve(rows.size());
  for (const TSortableRow& row : rows) order.push_back(row.Song);
  EXPECT_EQ(order, c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, SortRowsTest,
    ::testing::Values(
        TSortCase{"TrackAsNumber", TSongColumn::Track, {"10", "9", "02", ""}, false, {3, 2, 1, 0}},
        TSortCase{"TrackDescendingTiesByPath", TSongColumn::Track, {"3", "10", "3/12", ""}, true, {1, 0, 2, 3}},
        TSortCase{"YearAsNumber", TSongColumn::Year, {"2001", "999", "1999-05-01"}, false, {1, 2, 0}},
        TSortCase{"ArtistIgnoresCase", TSongColumn::Artist, {"abba", "Zed", "ABBA", "moby"}, false, {0, 2, 3, 1}},
        TSortCase{"TitleIgnoresAccents",
                  TSongColumn::Title,
                  {"\xC3\x89mile", "emile", "Echo", "\xC3\xA9mile b"},
                  false,
                  {2, 0, 1, 3}},
        TSortCase{"AlbumDescendingEmptyLast", TSongColumn::Album, {"", "b", "A", "c"}, true, {3, 1, 2, 0}},
        TSortCase{"GenreTiesByPathBothWays", TSongColumn::Genre, {"Pop", "pop", "Rock"}, true, {2, 0, 1}}),
    [](const ::testing::TestParamInfo<TSortCase>& info) { return std::string(info.param.Name); });

TEST(SongColumns, StateSortsByRankAndNumbersMissingFirst) {
  TSongFile incomplete;
  TSongFile good;
  incomplete.BindWithTags("/m/a.mp3", nullptr);
  good.BindWithTags("/m/Abba - Waterloo.mp3", nullptr);
  good.SetRecognition(TRecognition::ID3Tag);
  EXPECT_LT(SongColumnSortKey(incomplete, TSongColumn::State).Number,
            SongColumnSortKey(good, TSongColumn::State).Number);
  EXPECT_EQ(SongStateWord(incomplete), "Incomplete");
  std::vector<TSortableRow> rows = {
      {0, NumberSortKey(128.0), 1}, {1, NumberSortKey(std::nullopt), 2}, {2, NumberSortKey(64.5), 0}};
  SortRowsByKey(rows, false);
  EXPECT_EQ(rows[0].Song, 1U);
  EXPECT_EQ(rows[1].Song, 2U);
  EXPECT_EQ(rows[2].Song, 0U);
}

TEST(SongEdits, EditMarksUnsavedAndRevertGivesBackWhatWasThere) {
  TSongFile song;
  song.BindWithTags("/m/x.mp3", nullptr);
  song.SetArtist("Abba");
  song.SetTitle("Waterloo");
  song.SetUnsavedID3(false);
  TSongEdits edits;
  edits.Edit(song, TSongField::Album, "  Gold ");
  edits.Edit(song, TSongField::Album, "Arrival");
  edits.Edit(song, TSongField::Year, "1976");
  EXPECT_EQ(song.Album(), "Arrival");
  EXPECT_TRUE(song.UnsavedID3());
  EXPECT_EQ(SongStatusOf(song), TSongStatus::Unsaved);
  ASSERT_NE(edits.For(song.FileName()), nullptr);
  EXPECT_EQ((*edits.For(song.FileName()))[static_cast<std::size_t>(TSongField::Album)], "Arrival");
  EXPECT_FALSE(edits.IsEdited(song.FileName(), TSongField::Title));

  // A record listed afresh gets the edits again.
  TSongFile listed;
  listed.BindWithTags(song.FileName(), nullptr);
  edits.LayOver(listed);
  EXPECT_EQ(listed.Album(), "Arrival");
  EXPECT_EQ(listed.Year(), "1976");
  EXPECT_TRUE(listed.UnsavedID3());

  EXPECT_TRUE(edits.Revert(song, TSongField::Album));
  EXPECT_EQ(song.Album(), "");
  EXPECT_TRUE(song.UnsavedID3());  // the year is still changed
  EXPECT_FALSE(edits.Revert(song, TSongField::Album));
  EXPECT_TRUE(edits.Revert(song, TSongField::Year));
  EXPECT_FALSE(song.UnsavedID3());
  EXPECT_TRUE(edits.Empty());
}

}  // namespace
}  // namespace tagwright

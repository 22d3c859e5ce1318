// The "Columns" view: the table of the same rows, sorting by each column, remembered columns, edits
// in the cells stamped field by field, "<different>" fields of several songs, the cover and the
// audio facts beside the details.
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>

#include "support/temp_folder.h"
#include "tags/id3_info.h"
#include "tests/tags/tag_bytes.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/details/field_marks.h"
#include "ui/details/song_media_panel.h"
#include "ui/song_list/song_table_model.h"
#include "ui/song_list/song_table_view.h"

namespace tagwright::testing {

namespace {

// A song of frames real players take, tagged; its length grows with frames.
std::string AddSongOf(const TSongFolder& folder, const std::string& name, const TID3Info& tags, std::size_t frames) {
  std::string path = folder.AddFile(name, MpegAudio(frames));
  if (!WriteID3Tags(path, tags).Ok()) qFatal("cannot tag %s", path.c_str());
  return path;
}

// The tags of a song whose comment counts too.
TID3Info WithComment(TID3Info tags, const std::string& comment) {
  tags.Comment = comment;
  return tags;
}

// Three songs whose columns sort differently as numbers, as texts and by case and accents.
void AddThreeSongs(const TSongFolder& folder) {
  AddSongOf(folder, "a.mp3", WithComment(Tags("\xC3\x89mile", "zebra", "Gold", 10, "Rock", "1999"), "b"), 30);
  AddSongOf(folder, "b.mp3", WithComment(Tags("abba", "Apple", "arrival", 9, "pop", "2001"), "C"), 10);
  AddSongOf(folder, "c.mp3",
            WithComment(Tags("Dido",
                             "\xC3\xA9"
                             "clair",
                             "Zoo", 2, "Jazz", "987"),
                        "a"),
            20);
}

// The fields of a tag in one line, so that a failure shows them.
QString TagsText(const TID3Info& tags) {
  return QString::fromStdString(tags.Artist + " | " + tags.Title + " | " + tags.Album + " | " + tags.Year + " | " +
                                tags.Comment + " | " + tags.Genre + " | " + std::to_string(tags.Track));
}

TSongTableView* Table(const TWindowOnSongs& window) { return window.Child<TSongTableView>("songTable"); }

void ShowColumns(const TWindowOnSongs& window) {
  WaitForSongs(*window.Window);  // the views cannot be chosen while a folder loads
  QTest::keyClick(window.Window.get(), Qt::Key_5, Qt::ControlModifier);
  if (ViewModeOf(window) != TViewMode::Columns) qFatal("Ctrl+5 did not show the columns");
}

// The file names of the table's rows, top down.
QStringList TableOrder(const TWindowOnSongs& window) {
  QStringList names;
  const QAbstractItemModel* model = Table(window)->model();
  for (int row = 0; row < model->rowCount(); ++row) {
    names << model->index(row, static_cast<int>(TSongColumn::FileName)).data().toString();
  }
  return names;
}

void ClickHeader(const TWindowOnSongs& window, TSongColumn column) {
  QHeaderView* header = Table(window)->horizontalHeader();
  const int logical = static_cast<int>(column);
  const QPoint at(header->sectionViewportPosition(logical) + header->sectionSize(logical) / 2, header->height() / 2);
  QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
}

// Waits until the facts of every listed song have reached the table.
bool WaitForAudio(const TWindowOnSongs& window) {
  auto* model = window.Child<TSongTableModel>("songTableRows");
  return QTest::qWaitFor([&] {
    for (int row = 0; row < model->RowCount(); ++row) {
      if (model->AudioOf(model->SongAtRow(row)->FileName()) == nullptr) return false;
    }
    return true;
  });
}

void EditCell(const TWindowOnSongs& window, int row, TSongColumn column, const QString& text) {
  TSongTableView* table = Table(window);
  const QModelIndex cell = table->model()->index(row, static_cast<int>(column));
  // The caret moves to the cell; the rows selected stay so.
  table->setFocus(Qt::OtherFocusReason);
  table->selectionModel()->setCurrentIndex(cell, QItemSelectionModel::NoUpdate);
  QTest::keyClick(table, Qt::Key_F2);
  auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  if (editor == nullptr || !table->isAncestorOf(editor)) qFatal("F2 opened no editor");
  editor->selectAll();
  QTest::keyClicks(editor, text);
  QTest::keyClick(editor, Qt::Key_Return);
}

}  // namespace

void TColumnViewTest::SortsEachColumnBothWays_data() {
  QTest::addColumn<int>("column");
  QTest::addColumn<QStringList>("ascending");  // descending is the other way round, unless ties
  QTest::addColumn<QStringList>("descending");
  const auto add = [](const char* name, TSongColumn column, const QStringList& up, const QStringList& down) {
    QTest::newRow(name) << static_cast<int>(column) << up << down;
  };
  const QString a = QStringLiteral("a.mp3");
  const QString b = QStringLiteral("b.mp3");
  const QString c = QStringLiteral("c.mp3");
  add("state", TSongColumn::State, {a, b, c}, {a, b, c});  // all alike: by file name both ways
  add("file name", TSongColumn::FileName, {a, b, c}, {c, b, a});
  add("artist", TSongColumn::Artist, {b, c, a}, {a, c, b});  // abba, Dido, Emile
  add("title", TSongColumn::Title, {b, c, a}, {a, c, b});    // Apple, eclair, zebra
  add("track", TSongColumn::Track, {c, b, a}, {a, b, c});    // 2, 9, 10
  add("album", TSongColumn::Album, {b, a, c}, {c, a, b});
  add("year", TSongColumn::Year, {c, a, b}, {b, a, c});  // 987, 1999, 2001
  add("genre", TSongColumn::Genre, {c, b, a}, {a, b, c});
  add("comment", TSongColumn::Comment, {c, a, b}, {b, a, c});
  add("duration", TSongColumn::Duration, {b, c, a}, {a, c, b});
  add("bitrate", TSongColumn::Bitrate, {a, b, c}, {a, b, c});  // all 128 kbps
  add("size", TSongColumn::Size, {b, c, a}, {a, c, b});
}

void TColumnViewTest::SortsEachColumnBothWays() {
  QFETCH(int, column);
  QFETCH(QStringList, ascending);
  QFETCH(QStringList, descending);
  TWindowOnSongs window(AddThreeSongs);
  ShowColumns(window);
  QVERIFY(WaitForAudio(window));
  ClickHeader(window, static_cast<TSongColumn>(column));
  QCOMPARE(TableOrder(window), ascending);
  ClickHeader(window, static_cast<TSongColumn>(column));
  QCOMPARE(TableOrder(window), descending);
  // The selection is the window's: the song selected stays selected when the rows are sorted again.
  window->SelectSingleRow(0);
  const std::string selected = window->SongAtRow(0)->FileName();
  ClickHeader(window, static_cast<TSongColumn>(column));
  QCOMPARE(window->SelectedSongCount(), 1);
  QCOMPARE(window->SongAtRow(window->CurrentRow())->FileName(), selected);
}

void TColumnViewTest::ViewsShareRowsFiltersAndKeys() {
  TWindowOnSongs window([](const TSongFolder& folder) {
    AddThreeSongs(folder);
    folder.AddSong("Moby - Porcelain.mp3");  // recognised from its name: Unsaved ID3
  });
  ShowColumns(window);
  QVERIFY(window.Child<QRadioButton>("columnsView")->isChecked());
  QCOMPARE(window->RowCount(), 4);
  QCOMPARE(CountText(window), QStringLiteral("4 files"));
  window.Child<QRadioButton>("unsavedId3Filter")->click();
  QCOMPARE(TableOrder(window), QStringList{QStringLiteral("Moby - Porcelain.mp3")});
  QCOMPARE(Table(window)->model()->index(0, 0).data().toString(), QStringLiteral("Unsaved"));
  window.Child<QRadioButton>("unfilteredFilter")->click();
  // Commands run on the table's selection.
  window->SelectSingleRow(1);
  QCOMPARE(window->SelectedSongCount(), 1);
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details "));
  for (int key = 1; key <= 4; ++key) {
    QTest::keyClick(window.Window.get(), static_cast<Qt::Key>(Qt::Key_0 + key), Qt::ControlModifier);
    QCOMPARE(static_cast<int>(ViewModeOf(window)), key - 1);
    QCOMPARE(window->RowCount(), 4);
    QVERIFY(!Table(window)->isVisible());
  }
}

void TColumnViewTest::ColumnsAreRemembered() {
  {
    TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
    ShowColumns(window);
    QHeaderView* header = Table(window)->horizontalHeader();
    auto* mix = window.Child<QMenu>("columnMenu")->findChild<QAction*>(QStringLiteral("column4Entry"));
    QVERIFY(mix != nullptr);
    QVERIFY(mix->isChecked());
    mix->trigger();  // unticks Mix
    QVERIFY(header->isSectionHidden(static_cast<int>(TSongColumn::Mix)));
    header->moveSection(header->visualIndex(static_cast<int>(TSongColumn::Year)), 1);
    header->resizeSection(static_cast<int>(TSongColumn::Title), 333);
    ClickHeader(window, TSongColumn::Year);
  }
  TWindowOnSongs window(TWindowOptions{.Settings = TSettings::Keep, .OpenAtOnce = false});
  QHeaderView* header = Table(window)->horizontalHeader();
  QVERIFY(header->isSectionHidden(static_cast<int>(TSongColumn::Mix)));
  QCOMPARE(header->visualIndex(static_cast<int>(TSongColumn::Year)), 1);
  QCOMPARE(header->sectionSize(static_cast<int>(TSongColumn::Title)), 333);
  QCOMPARE(header->sortIndicatorSection(), static_cast<int>(TSongColumn::Year));
  QVERIFY(!window.Child<QMenu>("columnMenu")->findChild<QAction*>(QStringLiteral("column4Entry"))->isChecked());
}

void TColumnViewTest::InlineEditsAreStampedFieldByField() {
  TWindowOnSongs window(AddThreeSongs);
  const TSongFolder& folder = window.Folder;
  const std::string untouched = folder / "c.mp3";
  const std::string before = ReadWholeFile(untouched);
  ShowColumns(window);
  // Two rows selected: the edit reaches both.
  window->SelectSingleRow(0);
  Table(window)->selectionModel()->select(Table(window)->model()->index(1, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
  EditCell(window, 0, TSongColumn::Album, QStringLiteral("New Album"));
  EditCell(window, 0, TSongColumn::Comment, QStringLiteral("taken back"));
  QTest::keyClick(Table(window), Qt::Key_Escape);  // the comment edit goes, on both rows
  const QAbstractItemModel* model = Table(window)->model();
  for (int row : {0, 1}) {
    QCOMPARE(model->index(row, static_cast<int>(TSongColumn::Album)).data().toString(), QStringLiteral("New Album"));
    QVERIFY(model->index(row, static_cast<int>(TSongColumn::Album)).data(Qt::BackgroundRole).isValid());
    QVERIFY(!model->index(row, static_cast<int>(TSongColumn::Comment)).data(Qt::BackgroundRole).isValid());
    QCOMPARE(model->index(row, 0).data().toString(), QStringLiteral("Unsaved"));
  }
  QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("Unrenamed"));
  window.Dialogs.PreviewAnswers.push_back(true);
  window.Press(Qt::Key_F6);  // the pass runs on a worker
  QCOMPARE(window.Dialogs.Previews.size(), std::size_t(1));
  for (const auto& [name, expected] :
       {std::pair{"a.mp3", WithComment(Tags("\xC3\x89mile", "zebra", "New Album", 10, "Rock", "1999"), "b")},
        std::pair{"b.mp3", WithComment(Tags("abba", "Apple", "New Album", 9, "pop", "2001"), "C")}}) {
    TID3Info tags;
    QVERIFY(ReadID3Tags(folder / name, tags).Ok());
    QCOMPARE(TagsText(tags), TagsText(expected));
  }
  QVERIFY(ReadWholeFile(untouched) == before);
  QVERIFY(!window->HasUnstampedEdits());
  for (int row : {0, 1, 2}) QCOMPARE(model->index(row, 0).data().toString(), QStringLiteral("Unrenamed"));

  // Leaving the folder with an edit not stamped asks; "No" leaves the file as it is.
  window->SelectSingleRow(2);
  QVERIFY(Table(window)->model()->setData(Table(window)->model()->index(2, static_cast<int>(TSongColumn::Title)),
                                          QStringLiteral("Not Written")));
  QVERIFY(window->HasUnstampedEdits());
  QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("Unsaved"));
  TSongFolder other;
  window.Dialogs.Answers.push_back(TMsgDlgButton::No);
  QVERIFY(window->SelectFolder(other.QPath()));
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(1));
  QVERIFY(window.Dialogs.Messages.back().Text.contains(QStringLiteral("not stamped yet")));
  QVERIFY(!window->HasUnstampedEdits());
  QVERIFY(ReadWholeFile(untouched) == before);
}

void TColumnViewTest::DifferentFieldsAreLeftAlone() {
  TWindowOnSongs window({{"a.mp3", Tags("Abba", "Waterloo", "Gold", 1, "Pop")},
                         {"b.mp3", Tags("Moby", "Why", "Play", 2, "Pop")},
                         {"c.mp3", Tags("Sting", "Fields")}});
  const std::string& a = window.Songs[0];
  const std::string& b = window.Songs[1];
  window.Click(0);
  window.Click(1, Qt::ShiftModifier);
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details \u2014 2 songs "));
  struct TField {
    const char* Name;
    QString Text;
    QString Placeholder;
  };
  const TField fields[] = {{"artistField", {}, QStringLiteral("<different>")},
                           {"albumField", {}, QStringLiteral("<different>")},
                           {"yearField", {}, {}},  // empty in both
                           {"trackField", {}, QStringLiteral("<different>")}};
  for (const TField& field : fields) {
    QCOMPARE(window.Child<QLineEdit>(field.Name)->text(), field.Text);
    QCOMPARE(window.Child<QLineEdit>(field.Name)->placeholderText(), field.Placeholder);
  }
  window.Type(TDetailsField::Year, QStringLiteral("1999"));
  window.Press(Qt::Key_F6);
  for (const auto& [path, expected] : {std::pair{a, Tags("Abba", "Waterloo", "Gold", 1, "Pop", "1999")},
                                       std::pair{b, Tags("Moby", "Why", "Play", 2, "Pop", "1999")}}) {
    TID3Info tags;
    QVERIFY(ReadID3Tags(path, tags).Ok());
    QCOMPARE(TagsText(tags), TagsText(expected));
  }
  window->SelectSingleRow(2);
  QCOMPARE(window.Field(TDetailsField::Album)->placeholderText(), QString());
}

void TColumnViewTest::CoverIsTheSongsFrontCover_data() {
  QTest::addColumn<QByteArray>("tag");      // the song's ID3v2 tag
  QTest::addColumn<QString>("folderFile");  // a picture file beside the song, or empty
  QTest::addColumn<QColor>("colour");       // of the cover shown; invalid: none
  QTest::addColumn<QString>("origin");
  const auto png = [](Qt::GlobalColor colour) {
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
  };
  const auto apic = [](int type, const std::string& data) {
    return Frame23("APIC", Bytes({0}) + "image/png" + Bytes({0, type, 0}) + data);
  };
  const std::string other = apic(0, png(Qt::red));
  const std::string front = apic(3, png(Qt::blue));
  QTest::newRow("front cover after another") << QByteArray::fromStdString(Tag(3, other + front)) << QString()
                                             << QColor(Qt::blue) << QStringLiteral("Front cover");
  QTest::newRow("first picture") << QByteArray::fromStdString(Tag(3, other)) << QStringLiteral("cover.jpg")
                                 << QColor(Qt::red) << QStringLiteral("Picture");
  QTest::newRow("folder picture") << QByteArray() << QStringLiteral("cover.png") << QColor(Qt::green)
                                  << QStringLiteral("cover.png");
  QTest::newRow("broken picture") << QByteArray::fromStdString(Tag(3, apic(3, "not a picture"))) << QString()
                                  << QColor() << QStringLiteral("Front cover");
  QTest::newRow("none") << QByteArray() << QString() << QColor() << QString();
}

void TColumnViewTest::CoverIsTheSongsFrontCover() {
  QFETCH(QByteArray, tag);
  QFETCH(QString, folderFile);
  QFETCH(QColor, colour);
  QFETCH(QString, origin);
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  window.Folder.AddFile("song.mp3", tag.toStdString() + MpegAudio(5));
  if (!folderFile.isEmpty()) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::green);
    image.save(QString::fromStdString(window.Folder / folderFile.toStdString()));
  }
  window.Open();
  window.Click(0);
  auto* media = window.Child<TSongMediaPanel>("songMediaPanel");
  QTRY_VERIFY(media->UpToDate());
  const TCoverArt& cover = media->CoverView()->Cover();
  QCOMPARE(cover.Origin, origin);
  QCOMPARE(cover.Image.isNull(), !colour.isValid());
  if (colour.isValid()) {
    QCOMPARE(cover.Image.pixelColor(0, 0), colour);
    QVERIFY(media->CoverView()->toolTip().contains(
        QStringLiteral("%1 \u00d7 %2 pixels").arg(cover.Image.width()).arg(cover.Image.height())));
    QTest::mouseDClick(media->CoverView(), Qt::LeftButton);
    QVERIFY(media->CoverView()->FullSizeWindow() != nullptr);
  }
  QCOMPARE(cover.Broken, !origin.isEmpty() && !colour.isValid());
  if (cover.Broken) QCOMPARE(media->CoverView()->text(), QStringLiteral("Picture\ncannot be shown"));
}

void TColumnViewTest::AudioFactsShowBesideTheDetails() {
  TWindowOnSongs window([](const TSongFolder& folder) {
    AddSongOf(folder, "a.mp3", Tags("Abba", "Waterloo", {}, 7), 100);
    folder.AddFile("b.mp3", "ID3 is not what this is; no audio either");
  });
  auto* media = window.Child<TSongMediaPanel>("songMediaPanel");
  window->SelectSingleRow(0);
  QTRY_VERIFY(media->UpToDate());
  const QString facts = media->FactsText();
  for (const char* line : {"Duration: 0:03", "Bitrate: 128 kbps", "Sample rate: 44100 Hz", "Channels: 2 (joint stereo)",
                           "Tags: ID3v2.3 + ID3v1.1", "Size: "}) {
    QVERIFY2(facts.contains(QLatin1String(line)), qPrintable(facts));
  }
  window->SelectSingleRow(1);
  QTRY_VERIFY(media->UpToDate());
  QVERIFY2(media->FactsText().startsWith(QStringLiteral("No audio facts: ")), qPrintable(media->FactsText()));
  QVERIFY2(media->FactsText().contains(QStringLiteral("Tags: none")), qPrintable(media->FactsText()));
}

// A value the file name gives but the tag does not hold yet is shaded and says so, in the Columns
// view and in the panel, until a stamp puts it in the tag; typed over in the panel, it is the user's.
void TColumnViewTest::ValuesFromTheFileNameAreMarkedUntilStamped() {
  TWindowOnSongs window([](const TSongFolder& folder) {
    folder.AddTaggedSong("a.mp3", Tags("Abba", "Waterloo", "Gold", 1, "Pop"));
    folder.AddFile("Moby - Why.mp3", MpegAudio(10));  // no tag at all
  });
  ShowColumns(window);
  const QAbstractItemModel* model = Table(window)->model();
  const auto cell = [&](TSongColumn column, int role) {
    const int row = static_cast<int>(TableOrder(window).indexOf(QStringLiteral("Moby - Why.mp3")));
    return model->index(row, static_cast<int>(column)).data(role);
  };
  const int tagged = static_cast<int>(TableOrder(window).indexOf(QStringLiteral("a.mp3")));
  for (TSongColumn column : {TSongColumn::Artist, TSongColumn::Title}) {
    QCOMPARE(cell(column, Qt::ToolTipRole).toString(), kFromFileNameHint);
    QVERIFY(cell(column, Qt::BackgroundRole).isValid());
    QVERIFY(!model->index(tagged, static_cast<int>(column)).data(Qt::ToolTipRole).isValid());
  }
  QVERIFY(!cell(TSongColumn::Album, Qt::ToolTipRole).isValid());  // the name gives no album

  window->SelectSingleRow(static_cast<int>(TableOrder(window).indexOf(QStringLiteral("Moby - Why.mp3"))));
  auto* artist = window.Child<QLineEdit>("artistField");
  auto* title = window.Child<QLineEdit>("titleField");
  QVERIFY(artist->toolTip().contains(kFromFileNameHint));
  const QColor usual = QPalette().color(QPalette::Text);
  QVERIFY(title->palette().color(QPalette::Text) != usual);
  QCOMPARE(window.Child<QLineEdit>("albumField")->palette().color(QPalette::Text), usual);
  title->setFocus();
  title->end(false);
  QTest::keyClicks(title, QStringLiteral("?"));  // typed: now the user's value
  QCOMPARE(title->palette().color(QPalette::Text), usual);
  QVERIFY(!title->toolTip().contains(kFromFileNameHint));
  window.Press(Qt::Key_F6);
  TID3Info tags;
  QVERIFY(ReadID3Tags(window.Folder / "Moby - Why.mp3", tags).Ok());
  QCOMPARE(QString::fromStdString(tags.Title), QStringLiteral("Why?"));
  for (TSongColumn column : {TSongColumn::Artist, TSongColumn::Title}) {
    QVERIFY(!cell(column, Qt::ToolTipRole).isValid());  // the tag holds them now
    QVERIFY(!cell(column, Qt::BackgroundRole).isValid());
  }
}

}  // namespace tagwright::testing

// Tags from File Names, Rename with Pattern and Number Tracks from the song list's menu: the dialogs'
// example for the current song, the preview, the files Apply leaves against the command line's on a
// copy, and Ctrl+Z.
#include <QAction>
#include <QCheckBox>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QSpinBox>
#include <QUrl>
#include <filesystem>
#include <map>

#include "tags/id3v2_pictures.h"
#include "tests/app/cli_runner.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/details/song_media_panel.h"
#include "ui/dialogs/pass_preview.h"
#include "ui/dialogs/pattern_dialog.h"

namespace tagwright::testing {

namespace {

// Half an album as a user has it: one song without tags, one tagged in part, one in full.
void FillAlbum(const TSongFolder& folder) {
  folder.AddSong("01 - Daft Punk - One More Time.mp3");
  folder.AddTaggedSong("02 - Daft Punk - Aerodynamic.mp3", Tags("Daft Punk", "Aerodynamic"));
  folder.AddTaggedSong("03 - daft punk - digital_love.mp3",
                       Tags("Daft Punk", "Digital Love", "Discovery", 3, "House", "2001"));
}

// Selects every row, the one of the song whose file name holds current last, so that it is the
// current song.
void SelectAllEndingWith(TMainWindow& window, const std::string& current) {
  WaitForSongs(window);
  window.UsePreviewBeforeChanging(true);
  int last = -1;
  for (int row = 0; row < window.RowCount(); ++row) {
    if (window.SongAtRow(row)->FileName().find(current) != std::string::npos) last = row;
  }
  QVERIFY(last >= 0);
  for (int row = 0; row < window.RowCount(); ++row) {
    if (row != last) ClickRow(window, row, Qt::ControlModifier);
  }
  ClickRow(window, last, Qt::ControlModifier);
  QCOMPARE(window.SelectedSongCount(), window.RowCount());
}

}  // namespace

// The example is the real dialog's, for the current song, as the pattern answered is typed; a
// pattern with a mistake shows it with where, and cannot be confirmed. The preview of the songs
// follows the dialog.
void TPatternsTest::TheExampleShowsWhatThePatternMakesOfTheCurrentSong_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<QString>("pattern");
  QTest::addColumn<QString>("example");
  QTest::addColumn<QString>("mistake");
  QTest::addColumn<QStringList>("previewRow");  // the current song's; none when the dialog cannot be confirmed
  const QString tagsRead =
      QStringLiteral("Title: One More Time; Artist: Daft Punk; Album: ; Year: ; Comment: ; Genre: ; Track: 1");
  QTest::newRow("tags read") << "tagsFromNameEntry"
                             << "{track} - {artist} - {title}"
                             << "track: 1 \u00b7 artist: Daft Punk \u00b7 title: One More Time"
                             << "" << QStringList{"01 - Daft Punk - One More Time.mp3", "tagged", "", tagsRead, ""};
  QTest::newRow("name not fitting") << "tagsFromNameEntry"
                                    << "{artist} ({year})"
                                    << "the name does not fit {artist} ({year})"
                                    << ""
                                    << QStringList{"01 - Daft Punk - One More Time.mp3", "skipped", "", "",
                                                   "the name does not fit {artist} ({year})"};
  QTest::newRow("tags mistake") << "tagsFromNameEntry"
                                << "{track} - {artits}"
                                << ""
                                << "the pattern \"{track} - {artits}\" has a mistake at character 12: "
                                   "unknown field {artits}"
                                << QStringList{};
  QTest::newRow("new name") << "renameWithPatternEntry"
                            << "{artist} - {title}"
                            << "Daft Punk - One More Time.mp3"
                            << ""
                            << QStringList{"01 - Daft Punk - One More Time.mp3", "renamed",
                                           "Daft Punk - One More Time.mp3", "", ""};
  QTest::newRow("new name in folders") << "renameWithPatternEntry"
                                       << "{artist}/{title}"
                                       << "Daft Punk/One More Time.mp3"
                                       << ""
                                       << QStringList{"01 - Daft Punk - One More Time.mp3", "renamed",
                                                      "Daft Punk/One More Time.mp3", "", ""};
  QTest::newRow("rename mistake") << "renameWithPatternEntry"
                                  << "{artist} - {title"
                                  << ""
                                  << "the pattern \"{artist} - {title\" has a mistake at character 12: "
                                     "the brace is not closed"
                                  << QStringList{};
}

void TPatternsTest::TheExampleShowsWhatThePatternMakesOfTheCurrentSong() {
  QFETCH(QString, entry);
  QFETCH(QString, pattern);
  QFETCH(QString, example);
  QFETCH(QString, mistake);
  QFETCH(QStringList, previewRow);
  TWindowOnSongs window(FillAlbum);
  const std::map<std::string, std::string> before = FolderContents(window.Folder.Path());
  SelectAllEndingWith(*window.Window, "One More Time");
  window.Dialogs.PatternAnswers.push_back({pattern, false});
  window.Child<QAction>(qPrintable(entry))->trigger();  // the preview answered "Close"
  QVERIFY(WaitUntilLoaded(*window.Window));
  QCOMPARE(window.Dialogs.PatternsShown.size(), std::size_t(1));
  const TRecordingDialogs::TPatternShown& shown = window.Dialogs.PatternsShown[0];
  QCOMPARE(shown.Example, example);
  QCOMPARE(shown.Mistake, mistake);
  QCOMPARE(shown.CouldAccept, mistake.isEmpty());
  QCOMPARE(FolderContents(window.Folder.Path()), before);
  if (previewRow.isEmpty()) {
    QVERIFY(window.Dialogs.Previews.empty());
    return;
  }
  QCOMPARE(window.Dialogs.Previews.size(), std::size_t(1));
  QCOMPARE(window.Dialogs.Previews[0].Results.size(), std::size_t(3));
  QCOMPARE(PreviewCells(window.Dialogs.Previews[0].Results[0]), previewRow);
  // The pattern confirmed comes first in the box next time.
  window.Child<QAction>(qPrintable(entry))->trigger();
  QCOMPARE(window.Dialogs.PatternsShown.at(1).Recent.value(0), pattern);
  QCOMPARE(window.Dialogs.PatternsShown.at(1).Example, example);
}

// What Apply leaves is what the command line leaves on a copy of the same files; Ctrl+Z then gives
// back every byte and name.
void TPatternsTest::ApplyEqualsTheCommandLineAndCtrlZUndoesIt_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<QString>("pattern");
  QTest::addColumn<bool>("cleanup");
  QTest::addColumn<int>("start");
  QTest::addColumn<bool>("total");
  QTest::addColumn<QStringList>("cli");
  const QString tags = QStringLiteral("{track} - {artist} - {title}");
  QTest::newRow("tags") << "tagsFromNameEntry" << tags << false << 1 << false
                        << QStringList{"tag-from-name", "--pattern", tags};
  QTest::newRow("tags cleaned") << "tagsFromNameEntry" << tags << true << 1 << false
                                << QStringList{"tag-from-name", "--cleanup", "--pattern", tags};
  QTest::newRow("rename") << "renameWithPatternEntry"
                          << "{artist} - {title}" << false << 1 << false
                          << QStringList{"rename", "--pattern", "{artist} - {title}"};
  QTest::newRow("rename into folders") << "renameWithPatternEntry"
                                       << "{artist}/{album}/{title}" << false << 1 << false
                                       << QStringList{"rename", "--pattern", "{artist}/{album}/{title}"};
  QTest::newRow("number with total") << "numberTracksEntry"
                                     << "" << false << 1 << true << QStringList{"number", "--total"};
  QTest::newRow("number from 5") << "numberTracksEntry"
                                 << "" << false << 5 << false << QStringList{"number", "--start", "5"};
}

void TPatternsTest::ApplyEqualsTheCommandLineAndCtrlZUndoesIt() {
  QFETCH(QString, entry);
  QFETCH(QString, pattern);
  QFETCH(bool, cleanup);
  QFETCH(int, start);
  QFETCH(bool, total);
  QFETCH(QStringList, cli);
  TWindowOnSongs window(FillAlbum, {.History = true});
  const TSongFolder& windowed = window.Folder;
  TSongFolder commanded;
  FillAlbum(commanded);
  const std::map<std::string, std::string> before = FolderContents(windowed.Path());
  // The command line numbers in the order of the names: so does the list here.
  window.Run("fileNameView");
  SelectAllEndingWith(*window.Window, "One More Time");
  window.Dialogs.PatternAnswers.push_back({pattern, cleanup});
  window.Dialogs.NumberingAnswers.push_back({.Start = start, .WithTotal = total});
  window.Dialogs.PreviewAnswers.push_back(true);  // "Apply"
  window.Run(qPrintable(entry));
  QCOMPARE(window.Dialogs.Previews.size(), std::size_t(1));

  std::vector<std::string> arguments;
  for (const QString& argument : cli) arguments.push_back(argument.toStdString());
  arguments.push_back(commanded.Path());
  const TCliRun run = RunCli(arguments);
  QVERIFY2(run.exitStatus == 0, run.err.c_str());
  const std::map<std::string, std::string> after = FolderContents(windowed.Path());
  QVERIFY(after != before);
  QCOMPARE(after, FolderContents(commanded.Path()));

  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  window.Press(Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(FolderContents(windowed.Path()), before);
}

// Number Tracks numbers the selected songs in the order the list shows them, whatever their names.
void TPatternsTest::NumberTracksGoesByTheOrderShown() {
  TWindowOnSongs window(
      {{"a.mp3", Tags("Moby", "Why")}, {"b.mp3", Tags("Abba", "Waterloo")}, {"c.mp3", Tags("Moby", "Porcelain")}});
  window.Run("artistTitleView");
  SelectAllEndingWith(*window.Window, "a.mp3");
  window.Dialogs.NumberingAnswers.push_back({.Start = 1, .WithTotal = true});
  window.Dialogs.PreviewAnswers.push_back(false);  // "Close": the preview's rows say it all
  window.Child<QAction>("numberTracksEntry")->trigger();
  QVERIFY(WaitUntilLoaded(*window.Window));
  QCOMPARE(window.Dialogs.NumberingsShown.size(), std::size_t(1));
  QCOMPARE(window.Dialogs.NumberingsShown[0].Start, 1);
  QVERIFY(!window.Dialogs.NumberingsShown[0].WithTotal);
  std::map<std::string, int> tracks;
  for (const TSongResult& result : window.Dialogs.Previews.at(0).Results) {
    tracks[std::filesystem::path(result.FileName).filename().string()] = result.Tags.Track;
    QCOMPARE(int(result.Tags.TrackTotal), 3);
  }
  std::map<std::string, int> shown;
  for (int row = 0; row < window->RowCount(); ++row) {
    shown[std::filesystem::path(window->SongAtRow(row)->FileName()).filename().string()] = row + 1;
  }
  QCOMPARE(tracks, shown);
  QVERIFY(shown.at("a.mp3") != 1);  // the list does not go by name here
}

// The numbering dialog starts at 1 without totals and gives what is chosen.
void TPatternsTest::NumberingDialogGivesItsChoices() {
  TNumberingDialog dialog({});
  auto* start = ChildOf<QSpinBox>(dialog, "numberingStartBox");
  auto* total = ChildOf<QCheckBox>(dialog, "numberingTotalBox");
  QCOMPARE(start->value(), 1);
  QCOMPARE(total->text(), QStringLiteral("Write the number of tracks (3/12)"));
  QVERIFY(!total->isChecked());
  start->setValue(7);
  total->setChecked(true);
  QCOMPARE(dialog.Answer().Start, 7);
  QVERIFY(dialog.Answer().WithTotal);
}

}  // namespace tagwright::testing

namespace tagwright::testing {

// A PNG dropped on the cover box becomes the front cover of the selected songs once the user
// agrees; the box's menu removes every picture; Ctrl+Z gives each song's bytes back.
void TPatternsTest::ACoverDroppedOrRemovedFromTheCoverBoxIsUndone() {
  TWindowOnSongs window(FillAlbum, {.History = true});
  const TSongFolder& folder = window.Folder;
  TSongFolder pictures;
  const QString png = QString::fromStdString(pictures / "front.png");
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(Qt::darkBlue);
  QVERIFY(image.save(png));
  const std::map<std::string, std::string> before = FolderContents(folder.Path());
  SelectAllEndingWith(*window.Window, "One More Time");
  window->UsePreviewBeforeChanging(false);
  auto* cover = window.Child<TCoverArtView>("coverArtView");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(png)});
  // Dragged over the box, then dropped on it.
  QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(cover, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(4, 4), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  QCoreApplication::sendEvent(cover, &drop);
  WaitForSongs(*window.Window);
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(1));
  QCOMPARE(window.Dialogs.Messages[0].Text, QStringLiteral("Make front.png the front cover of the 3 selected songs?"));
  for (const auto& [name, bytes] : before) {
    const TResultOf<std::vector<TPicture>> read = ReadEmbeddedPictures(folder / name);
    QVERIFY(read.Ok() && read.Value().size() == 1);
    QCOMPARE(read.Value()[0].Type, kFrontCoverPicture);
    QVERIFY(read.Value()[0].Data == ReadWholeFile(pictures / "front.png"));
  }
  // The current song's cover saved beside it, once: a second save never replaces the file.
  for (const char* said : {"Saved the cover as cover.png", "No cover saved: a file named cover.png is there already"}) {
    window.Child<QAction>("saveCoverEntry")->trigger();
    QCOMPARE(StatusText(window), QString::fromLatin1(said));
    QVERIFY(ReadWholeFile(folder / "cover.png") == ReadWholeFile(pictures / "front.png"));
  }
  window.Run("removeAllPicturesEntry");
  for (const auto& [name, bytes] : before) QVERIFY(ReadEmbeddedPictures(folder / name).Value().empty());
  window.Dialogs.Answers = {TMsgDlgButton::Yes, TMsgDlgButton::Yes};
  for (int undo = 0; undo < 2; ++undo) {
    window.Press(Qt::Key_Z, Qt::ControlModifier);
  }
  std::map<std::string, std::string> expected = before;
  expected["cover.png"] = ReadWholeFile(pictures / "front.png");
  QCOMPARE(FolderContents(folder.Path()), expected);
}

}  // namespace tagwright::testing

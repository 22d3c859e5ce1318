// The previews of the song list's menu: the same plans through a dry run of the core's pass, shown in
// a table; "Apply" runs the very command.
#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "tests/app/cli_runner.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/dialogs/pass_preview.h"
#include "ui/dialogs/preview_tables.h"
#include "ui/song_list/song_list_box.h"

namespace tagwright::testing {

namespace {

// A folder where Hands-Free and AutoRename meet every case: acted on, clashing, holding more than
// the details, not recognised, already named.
void FillFolder(const TSongFolder& folder) {
  folder.AddSong("moby - why.mp3");
  folder.AddSong("Sting - Fields.mp3");
  folder.AddTaggedSong("Moby - Porcelain - www.site.com.mp3", Tags("Moby", "Porcelain"));
  folder.AddTaggedSong("one.mp3", Tags("Abba", "Waterloo"));
  folder.AddTaggedSong("two.mp3", Tags("Abba", "Waterloo"));
  folder.AddSong("what?.mp3");
}

void SelectAll(const TWindowOnSongs& window) { window.Child<QAction>("selectAllEntry")->trigger(); }

}  // namespace

void TPreviewTest::PreviewShowsWhatTheDryRunForesees_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<QString>("command");
  QTest::newRow("Hands-Free") << QStringLiteral("previewHandsFreeEntry") << QStringLiteral("hands-free");
  QTest::newRow("AutoRename") << QStringLiteral("previewAutoRenameEntry") << QStringLiteral("rename");
}

void TPreviewTest::PreviewShowsWhatTheDryRunForesees() {
  QFETCH(QString, entry);
  QFETCH(QString, command);
  TWindowOnSongs window(FillFolder);
  const TSongFolder& folder = window.Folder;
  const std::map<std::string, std::string> before = FolderContents(folder.Path());
  SelectAll(window);
  window.Child<QAction>(qPrintable(entry))->trigger();  // answered "Close"
  QVERIFY(WaitUntilLoaded(*window.Window));             // the dry run goes on a worker
  QCOMPARE(window.Dialogs.Previews.size(), std::size_t(1));
  QCOMPARE(FolderContents(folder.Path()), before);  // nothing written

  const TCliRun cli = RunCli({command.toStdString(), "--dry-run", folder.Path()});
  const std::vector<nlohmann::json> lines = cli.Lines();
  const std::vector<TSongResult>& results = window.Dialogs.Previews[0].Results;
  QCOMPARE(results.size(), lines.size());
  std::map<std::string, nlohmann::json> byFile;
  for (const nlohmann::json& line : lines) byFile[line["file"].get<std::string>()] = line;
  for (const TSongResult& result : results) {
    QVERIFY2(byFile.count(result.FileName) == 1, result.FileName.c_str());
    const nlohmann::json& line = byFile[result.FileName];
    QCOMPARE(std::string(OutcomeName(result.Outcome)), line["action"].get<std::string>());
    QCOMPARE(result.NewFileName, line.value("new_file", std::string()));
    QCOMPARE(PreviewReason(result).toStdString(), line.value("reason", std::string()));
    QCOMPARE(result.TagsWritten, !line["tags"].is_null());
    if (result.TagsWritten) {
      QCOMPARE(result.Tags.Title, line["tags"]["title"].get<std::string>());
      QCOMPARE(result.Tags.Artist, line["tags"]["artist"].get<std::string>());
      QCOMPARE(result.Tags.Album, line["tags"]["album"].get<std::string>());
      QCOMPARE(int(result.Tags.Track), line["tags"]["track"].get<int>());
    }
  }
}

void TPreviewTest::ApplyGivesTheSameFilesAsTheCommand_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("renamed");  // a name the command gives
  QTest::newRow("Hands-Free") << QStringLiteral("previewHandsFreeEntry") << QStringLiteral("handsFreeButton")
                              << QStringLiteral("Moby - Why.mp3");
  QTest::newRow("AutoRename") << QStringLiteral("previewAutoRenameEntry") << QStringLiteral("autoRenameButton")
                              << QStringLiteral("Abba - Waterloo.mp3");
}

void TPreviewTest::ApplyGivesTheSameFilesAsTheCommand() {
  QFETCH(QString, entry);
  QFETCH(QString, button);
  QFETCH(QString, renamed);
  TWindowOnSongs previewed(FillFolder);
  SelectAll(previewed);
  previewed.Dialogs.PreviewAnswers.push_back(true);  // "Apply"
  previewed.Run(qPrintable(entry));                  // the pass runs on a worker
  TWindowOnSongs commanded(FillFolder);
  SelectAll(commanded);
  commanded.Run(qPrintable(button));
  const std::map<std::string, std::string> after = FolderContents(previewed.Folder.Path());
  QCOMPARE(after, FolderContents(commanded.Folder.Path()));
  QVERIFY(after.count(renamed.toStdString()) == 1);
}

void TPreviewTest::PreviewRowsSayWhatHappens() {
  TWindowOnSongs window({"moby - why.mp3", "what?.mp3"});
  SelectAll(window);
  window.Child<QAction>("previewHandsFreeEntry")->trigger();
  QVERIFY(WaitUntilLoaded(*window.Window));
  QCOMPARE(window.Dialogs.Previews.at(0).Caption, QStringLiteral("Preview Hands-Free"));
  const std::vector<TSongResult>& results = window.Dialogs.Previews.at(0).Results;
  QCOMPARE(results.size(), std::size_t(2));
  QCOMPARE(PreviewCells(results[0]),
           QStringList({"moby - why.mp3", "tagged+renamed", "Moby - Why.mp3",
                        "Title: Why; Artist: Moby; Album: ; Year: ; Comment: ; Genre: ; Track: 0", ""}));
  QCOMPARE(PreviewCells(results[1]), QStringList({"what?.mp3", "skipped", "", "", "not recognised"}));
  QVERIFY(FileExists(window.Folder / "moby - why.mp3"));
}

// The dry run of a preview over several songs goes on a worker, held here before its second song.
// Meanwhile the window answers, and a new selection (Select All) does not change the songs Apply
// writes: those the preview showed. Cancel instead ends the preview with no dialog and no file changed.
void TPreviewTest::DryRunOnAWorkerKeepsItsSongs_data() {
  QTest::addColumn<bool>("cancel");
  QTest::newRow("Apply after another selection") << false;
  QTest::newRow("Cancel") << true;
}

void TPreviewTest::DryRunOnAWorkerKeepsItsSongs() {
  QFETCH(bool, cancel);
  TWindowOnSongs window({"abba - waterloo.mp3", "moby - why.mp3", "sting - fields.mp3"});
  const std::map<std::string, std::string> before = FolderContents(window.Folder.Path());
  window.Click(0);
  window.Click(1, Qt::ShiftModifier);
  std::atomic<bool> held = false;
  std::atomic<bool> go = false;
  window->Seams().BeforeEachPassSong = [&held, &go](std::size_t done) {
    if (done != 1 || held.exchange(true)) return;  // the first dry run only
    while (!go) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  window.Dialogs.PreviewAnswers.push_back(true);  // "Apply", should the preview show
  window.Child<QAction>("previewHandsFreeEntry")->trigger();
  TMainWindow& busy = *window.Window;  // not through ->, which would wait for the dry run
  QVERIFY(busy.IsRunningCommand());
  QVERIFY(QTest::qWaitFor([&] { return held.load(); }, 30000));
  QCOMPARE(ProgressText(busy), QStringLiteral("Preview Hands-Free: 0 / 2"));
  QVERIFY(!ChildOf<QPushButton>(busy, "handsFreeButton")->isEnabled());
  ChildOf<QAction>(busy, "selectAllEntry")->trigger();
  QVERIFY(ChildOf<TSongListBox>(busy, "songList")->IsRowSelected(2));
  if (cancel) QTest::mouseClick(ChildOf<QPushButton>(busy, "cancelCommandButton"), Qt::LeftButton);
  go = true;
  QVERIFY(WaitUntilLoaded(busy));
  QCOMPARE(ProgressText(busy), QString());
  std::map<std::string, std::string> expected = before;
  if (!cancel) {
    QCOMPARE(window.Dialogs.Previews.size(), std::size_t(1));
    QCOMPARE(window.Dialogs.Previews[0].Results.size(), std::size_t(2));
    for (const auto& [from, to] :
         {std::pair{"abba - waterloo.mp3", "Abba - Waterloo.mp3"}, std::pair{"moby - why.mp3", "Moby - Why.mp3"}}) {
      expected.erase(from);
      expected[to] = ReadWholeFile(window.Folder / to);
      QVERIFY(expected[to] != before.at(from));  // tagged too
    }
  } else {
    QVERIFY(window.Dialogs.Previews.empty());
  }
  QCOMPARE(FolderContents(window.Folder.Path()), expected);  // the third song untouched, byte for byte
}

// Songs that already hold what Hands-Free would write, under the names it would give them: the
// preview shows none of them under "Changed", and says in the second tab that there is nothing to change.
void TPreviewTest::SongsAlreadyRightShowNoChangedRow() {
  TWindowOnSongs window({{"01 - Moby - Why.mp3", Tags("Moby", "Why", {}, 1)},
                         {"02 - Moby - Porcelain.mp3", Tags("Moby", "Porcelain", {}, 2)}});
  SelectAll(window);
  window.Child<QAction>("previewHandsFreeEntry")->trigger();
  QVERIFY(WaitUntilLoaded(*window.Window));
  const std::vector<TSongResult>& results = window.Dialogs.Previews.at(0).Results;
  const TPreviewTables tables = PreviewTablesOf(results, CurrentTags(results), UnseenChanges(results));
  QCOMPARE(tables.Changes.size(), std::size_t(0));
  QCOMPARE(tables.LeftAlone.size(), std::size_t(2));
  for (const QStringList& row : tables.LeftAlone) QCOMPARE(row.at(2), QStringLiteral("nothing to change"));
}

// A shared album emptied in the panel of two songs: the stamp leaves each song's album, the preview
// says so and names ID3 Clear, and no song shows as changed.
void TPreviewTest::AnEmptiedSharedFieldIsLeftAndSaidSo() {
  TWindowOnSongs window({{"a.mp3", Tags("Moby", "Why", "Play")}, {"b.mp3", Tags("Moby", "Porcelain", "Play")}},
                        {.OpenAtOnce = false});
  const TSongFolder& folder = window.Folder;
  AgeFiles(folder.Path());
  const TFilesOnDisk before = FilesOnDisk(folder.Path());
  window->UsePreviewBeforeChanging(true);
  window.Open();
  SelectAll(window);
  window.Field(TDetailsField::Album)->clear();
  window.Dialogs.PreviewAnswers.push_back(true);  // "Apply"
  window.Press(Qt::Key_F6);
  QCOMPARE(window.Dialogs.Previews.size(), std::size_t(1));
  const QString note = window.Dialogs.lastPreviewNote;
  QVERIFY2(note.contains(QStringLiteral("Album emptied")) && note.contains(QStringLiteral("ID3 Clear > Album")),
           qPrintable(note));
  const std::vector<TSongResult>& results = window.Dialogs.Previews[0].Results;
  QCOMPARE(PreviewTablesOf(results, CurrentTags(results), UnseenChanges(results)).Changes.size(), std::size_t(0));
  QCOMPARE(FilesOnDisk(folder.Path()), before);
  QVERIFY2(StatusText(window).contains(QStringLiteral("0 songs tagged")), qPrintable(StatusText(window)));
}

// Songs whose titles and tracks differ and come from their file names: a stamp of the panel does not
// write them, and its preview says so and names the commands that do; with the titles in the tags,
// nothing needs saying.
void TPreviewTest::TitlesFromTheNamesAreSaidToStayUnwritten() {
  TWindowOnSongs window([](const TSongFolder& folder) {
    folder.AddFile("01 - Moby - Why.mp3", MpegAudio(10));
    folder.AddFile("02 - Moby - Porcelain.mp3", MpegAudio(10));
  });
  window->UsePreviewBeforeChanging(true);
  SelectAll(window);
  window.Type(TDetailsField::Album, QStringLiteral("Play"));
  window.Dialogs.PreviewAnswers.push_back(true);  // "Apply"
  window.Press(Qt::Key_F6);
  const QString note = window.Dialogs.lastPreviewNote;
  for (const char* field : {"Title differs", "Track differs", "Stamp Recognized or Hands-Free"}) {
    QVERIFY2(note.contains(QLatin1String(field)), qPrintable(note));
  }
  window.Press(Qt::Key_F6);  // the tags hold the album only: still said
  QVERIFY(window.Dialogs.lastPreviewNote.contains(QStringLiteral("Title differs")));

  TSongFolder tagged;
  tagged.AddTaggedSong("a.mp3", Tags("Moby", "Why", "Play", 1));
  tagged.AddTaggedSong("b.mp3", Tags("Moby", "Porcelain", "Play", 2));
  QVERIFY(window->SelectFolder(tagged.QPath()));
  SelectAll(window);
  window.Type(TDetailsField::Year, QStringLiteral("1999"));
  window.Dialogs.PreviewAnswers.push_back(true);
  window.Press(Qt::Key_F6);
  QVERIFY2(!window.Dialogs.lastPreviewNote.contains(QStringLiteral("differs")),
           qPrintable(window.Dialogs.lastPreviewNote));
}

}  // namespace tagwright::testing

// The previews of the song list's menu: the same plans through a dry run of the core's pass, shown in
// a table; "Apply" runs the very command.
#include <QAbstractButton>
#include <QAction>
#include <filesystem>
#include <map>

#include "tests/app/cli_runner.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/pass_preview.h"

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

void SelectAll(TWindowUnderTest& window) { window.Child<QAction>("selectAllEntry")->trigger(); }

// Every file of a folder by name, with its bytes.
std::map<std::string, std::string> FolderContents(const std::string& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    contents[entry.path().filename().string()] = ReadWholeFile(entry.path().string());
  }
  return contents;
}

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
  TSongFolder folder;
  FillFolder(folder);
  const std::map<std::string, std::string> before = FolderContents(folder.Path());
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  SelectAll(window);
  window.Child<QAction>(qPrintable(entry))->trigger();  // answered "Close"
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
  TSongFolder previewed;
  TSongFolder commanded;
  FillFolder(previewed);
  FillFolder(commanded);
  {
    TWindowUnderTest window;
    QVERIFY(window->SelectFolder(previewed.QPath()));
    SelectAll(window);
    window.Dialogs.PreviewAnswers.push_back(true);  // "Apply"
    window.Child<QAction>(qPrintable(entry))->trigger();
    WaitForSongs(*window.Window);  // the pass runs on a worker
  }
  {
    TWindowUnderTest window;
    QVERIFY(window->SelectFolder(commanded.QPath()));
    SelectAll(window);
    window.Child<QAbstractButton>(qPrintable(button))->click();
    WaitForSongs(*window.Window);
  }
  const std::map<std::string, std::string> after = FolderContents(previewed.Path());
  QCOMPARE(after, FolderContents(commanded.Path()));
  QVERIFY(after.count(renamed.toStdString()) == 1);
}

void TPreviewTest::PreviewRowsSayWhatHappens() {
  TSongFolder folder;
  folder.AddSong("moby - why.mp3");
  folder.AddSong("what?.mp3");
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  SelectAll(window);
  window.Child<QAction>("previewHandsFreeEntry")->trigger();
  QCOMPARE(window.Dialogs.Previews.at(0).Caption, QStringLiteral("Preview Hands-Free"));
  const std::vector<TSongResult>& results = window.Dialogs.Previews.at(0).Results;
  QCOMPARE(results.size(), std::size_t(2));
  QCOMPARE(PreviewCells(results[0]),
           QStringList({"moby - why.mp3", "tagged+renamed", "Moby - Why.mp3",
                        "Title: Why; Artist: Moby; Album: ; Year: ; Comment: ; Genre: ; Track: 0", ""}));
  QCOMPARE(PreviewCells(results[1]), QStringList({"what?.mp3", "skipped", "", "", "not recognised"}));
  QVERIFY(FileExists(folder / "moby - why.mp3"));
}

}  // namespace tagwright::testing

// The commands, end to end through the real window on folders of real song files, with the dialogs
// answered by the test.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <utility>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/dialogs/qt_dialogs.h"
#include "ui/song_list/song_list_box.h"

namespace tagwright::testing {

namespace {

TID3Info TagsOf(const std::string& path) {
  TID3Info tags;
  if (!ReadID3Tags(path, tags).Ok()) qFatal("cannot read the tags of %s", path.c_str());
  return tags;
}

std::string Trimmed(const std::string& text) { return QString::fromStdString(text).trimmed().toStdString(); }

void MakeReadOnly(const std::string& path) { QCOMPARE(chmod(path.c_str(), 0444), 0); }

// Two songs whose details give both the same new name.
void AddClashingSongs(const TSongFolder& folder) {
  folder.AddTaggedSong("one.mp3", Tags("Moby", "Why"));
  folder.AddTaggedSong("two.mp3", Tags("Moby", "Why"));
}

// For as long as it lasts, files grow to at most the given size: a write beyond fails with
// "File too large", which no permission stops, not even for root.
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    const rlimit lower{bytes, old_.rlim_max};
    if (::setrlimit(RLIMIT_FSIZE, &lower) != 0) qFatal("cannot limit the size of files");
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int);
};

}  // namespace

void TCommandsTest::StampOneSongWritesThePanelExactly() {
  TID3Info tags = Tags("Abba", "Waterloo", "Album", 3);
  tags.Comment = "Old comment";
  TWindowOnSongs window({{"Abba - Waterloo.mp3", tags}});
  const std::string& song = window.Songs[0];
  window.Click(0);
  window.Type(TDetailsField::Comment, QString());
  window.Type(TDetailsField::Artist, QStringLiteral("  Abba Group  "));
  QTest::keyClick(window.Window.get(), Qt::Key_F6);
  const TID3Info after = TagsOf(song);
  QCOMPARE(Trimmed(after.Comment), std::string());
  QCOMPARE(after.Artist, std::string("Abba Group"));
  QCOMPARE(after.Title, std::string("Waterloo"));
  QCOMPARE(after.Track, std::uint8_t(3));
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("Abba Group"));
  QCOMPARE(SelectedRows(*window.Window), QList<int>{0});
}

// A year typed that a tag cannot hold is refused, named, and nothing is written; four digits are.
void TCommandsTest::AYearATagCannotHoldIsRefusedAndNamed() {
  TWindowOnSongs window({{"Abba - Waterloo.mp3", Tags("Abba", "Waterloo", "Album", 3)}});
  const std::string& song = window.Songs[0];
  const std::string before = ReadWholeFile(song);
  window.Click(0);
  window.Type(TDetailsField::Year, QStringLiteral("-1"));
  QTest::keyClick(window.Window.get(), Qt::Key_F6);
  QVERIFY(ReadWholeFile(song) == before);
  QVERIFY(!window.Dialogs.Messages.empty());
  QCOMPARE(window.Dialogs.Messages.back().Text, QStringLiteral("The year must be four digits, not '-1'"));
  window.Type(TDetailsField::Year, QStringLiteral("1974"));
  QTest::keyClick(window.Window.get(), Qt::Key_F6);
  QCOMPARE(TagsOf(song).Year, std::string("1974"));
}

void TCommandsTest::StampSeveralSongsWritesOnlyFilledFields() {
  TWindowOnSongs window({{"a.mp3", Tags("Abba", "Waterloo", "One")},
                         {"b.mp3", Tags("Moby", "Why", "Two")},
                         {"c.mp3", Tags("Sting", "Fields", "Three")}});
  const std::string& a = window.Songs[0];
  const std::string& b = window.Songs[1];
  const std::string& c = window.Songs[2];
  SelectAllRows(*window.Window);
  window.Type(TDetailsField::Album, QStringLiteral("X"));
  window.Run("stampButton");  // the pass runs on a worker
  QCOMPARE(TagsOf(a).Album, std::string("X"));
  QCOMPARE(TagsOf(b).Album, std::string("X"));
  QCOMPARE(TagsOf(c).Album, std::string("X"));
  QCOMPARE(TagsOf(a).Artist, std::string("Abba"));
  QCOMPARE(TagsOf(b).Title, std::string("Why"));
  QCOMPARE(TagsOf(c).Artist, std::string("Sting"));
}

void TCommandsTest::UnwritableFileAsksAndYesSkipsIt() {
  TWindowOnSongs window(
      {{"a.mp3", Tags("", "T")}, {"b.mp3", Tags("", "T")}, {"c.mp3", Tags("", "T")}, {"d.mp3", Tags("", "T")}},
      {.OpenAtOnce = false});
  const std::vector<std::string>& songs = window.Songs;
  for (const std::string& song : songs) {
    // Without its trailer, which the stamp adds: a song holding all it writes would be left alone.
    QCOMPARE(truncate(song.c_str(), static_cast<off_t>(ReadWholeFile(song).size() - 128)), 0);
  }
  MakeReadOnly(songs[1]);
  window.Open();
  SelectAllRows(*window.Window);
  ClickRow(*window.Window, 2, Qt::ControlModifier);  // row 2 current but no longer selected
  ClickRow(*window.Window, 2, Qt::ControlModifier);  // and selected again
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  window.Run("stampEntry");  // the pass runs on a worker
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(1));
  QCOMPARE(window.Dialogs.Messages[0].Text, QStringLiteral("b.mp3 cannot be written to.  Continue?"));
  QCOMPARE(window.Dialogs.Messages[0].Caption, QStringLiteral("Error"));
  QCOMPARE(window.Dialogs.Messages[0].Buttons, TMsgDlgButton::Yes | TMsgDlgButton::No);
  // Stamping the recognised title: every writable file was written (its trailer now says "T").
  for (int i : {0, 2, 3}) QCOMPARE(TagsOf(songs[i]).Title, std::string("T"));
  // The same songs stay selected, and the current row stays.
  QCOMPARE(SelectedRows(*window.Window), QList<int>({0, 1, 2, 3}));
  QCOMPARE(window->CurrentRow(), 2);
  QCOMPARE(StatusText(window),
           QStringLiteral("Stamp ID3 Tags: 3 songs tagged, 1 left alone (file cannot be written to)"));
}

void TCommandsTest::UnwritableFileAnsweredNoEndsThePass() {
  TWindowOnSongs window({"a.mp3", "b.mp3", "c.mp3", "d.mp3"}, {.OpenAtOnce = false});
  const std::vector<std::string>& songs = window.Songs;
  MakeReadOnly(songs[1]);
  window.Open();
  SelectAllRows(*window.Window);
  window.Dialogs.Answers.push_back(TMsgDlgButton::No);
  window.Run("fileNameAsTitleButton");  // the pass runs on a worker
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(1));
  QCOMPARE(TagsOf(songs[0]).Title, std::string("a"));
  QCOMPARE(TagsOf(songs[2]).Title, std::string());
  QCOMPARE(TagsOf(songs[3]).Title, std::string());
  QCOMPARE(SelectedRows(*window.Window), QList<int>({0, 1, 2, 3}));  // the same songs
  QCOMPARE(window->CurrentRow(), 3);
}

void TCommandsTest::RenameWithDetailsReportsATakenName() {
  TWindowOnSongs window({"x - y.mp3"}, {.OpenAtOnce = false});
  const std::string& song = window.Songs[0];
  window.Folder.AddFile("Abba - Waterloo.mp3", "another song");
  window.Open();
  const int row = RowEndingWith(*window.Window, QStringLiteral("x - y.mp3"));
  ClickRow(*window.Window, row);
  window.Child<QLineEdit>("artistField")->setText(QStringLiteral("Abba"));
  window.Child<QLineEdit>("titleField")->setText(QStringLiteral("Waterloo"));
  window.HoldPause = true;
  QTest::keyClick(window.Window.get(), Qt::Key_F5);
  // The message stays readable before the reload, which waits for the pause.
  QVERIFY(QTest::qWaitFor([&] { return bool(window.EndPause); }, 30000));
  QVERIFY(window.PausedFor >= 2000);
  QVERIFY(window.Window->IsRunningCommand());
  QCOMPARE(StatusText(*window.Window), QStringLiteral("A file with that name already exists."));
  // The mouse passing over a control leaves the message for its pause.
  QEvent enter(QEvent::Enter);
  QCoreApplication::sendEvent(window.Window->findChild<QPushButton*>(QStringLiteral("stampButton")), &enter);
  QCOMPARE(StatusText(*window.Window), QStringLiteral("A file with that name already exists."));
  // The reload says what it does while it reads the songs.
  QString whileReading;
  window.Window->Seams().BeforeEachSongRead = [&] { whileReading = StatusText(*window.Window); };
  std::exchange(window.EndPause, nullptr)();
  WaitForSongs(*window.Window);
  QCOMPARE(whileReading, QStringLiteral("Updating file list..."));
  QVERIFY(FileExists(song));
  QCOMPARE(ReadWholeFile(window.Folder / "Abba - Waterloo.mp3"), std::string("another song"));
}

void TCommandsTest::RenameWithDetailsRenamesCaseOnlyChanges() {
  TWindowOnSongs window({"abba - waterloo.mp3"});
  const std::string& song = window.Songs[0];
  window.Click(0);
  window.Type(TDetailsField::Artist, QStringLiteral("Abba"));
  window.Type(TDetailsField::Title, QStringLiteral("Waterloo"));
  window.Type(TDetailsField::Track, QStringLiteral("7"));
  window.Child<QPushButton>("renameButton")->click();
  QVERIFY(!FileExists(song));
  QVERIFY(FileExists(window.Folder / "07 - Abba - Waterloo.mp3"));
  QCOMPARE(RowTexts(*window.Window), QStringList{QString::fromStdString(window.Folder / "07 - Abba - Waterloo.mp3")});
}

void TCommandsTest::AutoRenameRenamesTheFirstOfTwoClashingSongs() {
  TWindowOnSongs window(AddClashingSongs);
  SelectAllRows(*window.Window);
  window.Run("autoRenameButton");
  QVERIFY(FileExists(window.Folder / "Moby - Why.mp3"));
  QVERIFY(FileExists(window.Folder / "two.mp3"));
  QVERIFY(!FileExists(window.Folder / "one.mp3"));
}

// The reload that ends the pass empties the message panel: a failed rename is told after it.
void TCommandsTest::FailedRenamesAreToldAfterTheReload() {
  {
    TWindowOnSongs window(AddClashingSongs);
    SelectAllRows(*window.Window);
    window.Run("autoRenameButton");  // the pass runs on a worker
    QVERIFY(FileExists(window.Folder / "Moby - Why.mp3"));
    const QString status = StatusText(window);
    QVERIFY2(status.startsWith(QStringLiteral("AutoRename Files: ")), qPrintable(status));
    QVERIFY2(status.contains(QStringLiteral("1 failed (Error renaming file. Is it a duplicate or read-only?)")),
             qPrintable(status));
  }
  {
    TWindowOnSongs window({"Moby - Why.mp3", "moby - why.mp3", "sting - fields.mp3", "Sting - Fields.mp3"});
    SelectAllRows(*window.Window);
    QTest::keyClick(window.Window.get(), Qt::Key_F7);
    const QString status = StatusText(window);
    QVERIFY2(status.startsWith(QStringLiteral("Hands-Free!: ")), qPrintable(status));
    QVERIFY2(status.contains(QStringLiteral("2 failed (Error renaming file. Is it a duplicate or read-only?)")),
             qPrintable(status));
  }
}

// With two songs, the message of the second stays the message panel's text for the whole pause; the
// summary follows the reload, all of it readable.
void TCommandsTest::ClashingRenamesKeepTheirMessageForThePause() {
  TWindowOnSongs window(AddClashingSongs);
  SelectAllRows(*window.Window);
  const QString message = QStringLiteral("A file with that name already exists.");
  const QString summary = QStringLiteral("Rename File(s): 1 renamed, 1 failed (A file with that name already exists.)");
  window.HoldPause = true;
  QStringList seen;
  TWhileBusy watch([&] { seen.append(StatusText(window)); });
  QTest::keyClick(window.Window.get(), Qt::Key_F5);
  // The pass runs on a worker, and the pause follows it.
  QVERIFY(QTest::qWaitFor([&] { return bool(window.EndPause); }, 30000));
  QVERIFY(window.PausedFor >= 2000);
  QVERIFY(QTest::qWaitFor([&] { return seen.size() >= 3 && seen.back() == message; }, 30000));
  QVERIFY(FileExists(window.Folder / "Moby - Why.mp3"));
  QVERIFY(FileExists(window.Folder / "two.mp3"));
  std::exchange(window.EndPause, nullptr)();
  QVERIFY(WaitUntilLoaded(*window.Window));
  // The pause: the message of the second song, until the summary follows the reload and nothing between.
  qsizetype after = seen.indexOf(message);
  QVERIFY(after >= 0);
  while (after < seen.size() && seen[after] == message) ++after;
  if (after < seen.size()) QCOMPARE(seen[after], summary);
  QCOMPARE(StatusText(window), summary);
  const auto* panel = window.Child<QLabel>("messagePanel");
  QVERIFY(panel->text() == summary || panel->toolTip() == summary);
  QCOMPARE(ProgressText(window), QString());
}

// A file that cannot be opened ends the pass; the box that names it comes after the reload.
void TCommandsTest::AFileThatCannotBeOpenedIsNamedAfterTheReload() {
  TWindowOnSongs window({"a.mp3", "b.mp3", "c.mp3"});
  const std::string& a = window.Songs[0];
  const std::string& b = window.Songs[1];
  SelectAllRows(*window.Window);
  std::filesystem::remove(b);
  std::filesystem::create_directory(b);  // no song any more, and no file to open
  int rowsThen = -1;
  QString statusThen;
  window.Dialogs.WhenMessageShown = [&] {
    rowsThen = window->RowCount();
    statusThen = StatusText(window);
  };
  window.Type(TDetailsField::Album, QStringLiteral("X"));
  window.Press(Qt::Key_F6);  // the pass runs on a worker
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(1));
  QVERIFY(window.Dialogs.Messages[0].Text.contains(QString::fromStdString(b)));
  QCOMPARE(rowsThen, 2);  // b.mp3 is no longer listed
  QVERIFY2(statusThen.startsWith(QStringLiteral("Stamp ID3 Tag(s): 1 song tagged")), qPrintable(statusThen));
  QCOMPARE(Trimmed(TagsOf(a).Album), std::string("X"));
}

// A song whose new tag cannot be written ends the pass; the box names the song, which keeps its bytes.
void TCommandsTest::ASongThatCannotBeRewrittenIsNamed() {
  const std::string audio = SongAudio(std::size_t{256} * 1024);
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  const std::string song = window.Folder.AddFile("a.mp3", audio);
  window.Open();
  SelectAllRows(*window.Window);
  window.Type(TDetailsField::Album, QStringLiteral("X"));
  {
    // The song, with no room for a tag, is written anew beside itself, past the limit.
    const TFileSizeLimit limit(rlim_t{128} * 1024);
    QTest::keyClick(window.Window.get(), Qt::Key_F6);
  }
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(1));
  QCOMPARE(window.Dialogs.Messages[0].Text, QString::fromStdString("Cannot write file " + song));
  QVERIFY(ReadWholeFile(song) == audio);
}

// After the reload the message panel sums the pass up, with the reasons in the command line's words.
// The summary's count is the number of files whose bytes, modification time or name changed: songs
// already right are left alone as "nothing to change", and a song whose tags were right and whose
// name was not counts as updated.
void TCommandsTest::SummaryCountsTheFilesChanged_data() {
  QTest::addColumn<QStringList>("untagged");  // songs without tags
  QTest::addColumn<QString>("typedArtist");   // typed into the panel for F6; none: F7
  QTest::addColumn<QString>("summary");
  QTest::addColumn<int>("changed");
  const QString allRight = QStringLiteral("Hands-Free!: 0 songs updated, 2 left alone (nothing to change)");
  QTest::newRow("Hands-Free, all right") << QStringList() << QString() << allRight << 0;
  QTest::newRow("Hands-Free, one out of order")
      << QStringList{QStringLiteral("03 - moby - natural blues.mp3")} << QString()
      << QStringLiteral("Hands-Free!: 1 song updated, 2 left alone (nothing to change)") << 1;
  QTest::newRow("Hands-Free, a name only") << QStringList{QStringLiteral("RENAME")} << QString()
                                           << QStringLiteral(
                                                  "Hands-Free!: 1 song updated, 2 left alone (nothing to "
                                                  "change)")
                                           << 1;
  QTest::newRow("Stamp, the artist they hold")
      << QStringList() << QStringLiteral("Moby")
      << QStringLiteral("Stamp ID3 Tag(s): 0 songs tagged, 2 left alone (nothing to change)") << 0;
  QTest::newRow("Stamp, another artist") << QStringList() << QStringLiteral("Sting")
                                         << QStringLiteral("Stamp ID3 Tag(s): 2 songs tagged") << 2;
}

void TCommandsTest::SummaryCountsTheFilesChanged() {
  QFETCH(QStringList, untagged);
  QFETCH(QString, typedArtist);
  QFETCH(QString, summary);
  QFETCH(int, changed);
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  const TSongFolder& folder = window.Folder;
  folder.AddTaggedSong("01 - Moby - Why.mp3", Tags("Moby", "Why", {}, 1));
  folder.AddTaggedSong("02 - Moby - Porcelain.mp3", Tags("Moby", "Porcelain", {}, 2));
  for (const QString& name : untagged) {
    // RENAME: tags as Hands-Free writes them, under a name it tidies.
    if (name == QStringLiteral("RENAME")) {
      folder.AddTaggedSong("03 - moby - honey.mp3", Tags("Moby", "Honey", {}, 3));
    } else {
      folder.AddSong(name.toStdString());
    }
  }
  AgeFiles(folder.Path());
  const TFilesOnDisk before = FilesOnDisk(folder.Path());
  window->UsePreviewBeforeChanging(false);
  window.Open();
  if (typedArtist.isEmpty()) {
    SelectAllRows(*window.Window);
    QTest::keyClick(window.Window.get(), Qt::Key_F7);
  } else {
    ClickRow(*window.Window, 0);
    ClickRow(*window.Window, 1, Qt::ControlModifier);
    window.Child<QLineEdit>("artistField")->setText(typedArtist);
    QTest::keyClick(window.Window.get(), Qt::Key_F6);
  }
  WaitForSongs(*window.Window);
  QCOMPARE(StatusText(window), summary);
  QCOMPARE(FilesChanged(before, FilesOnDisk(folder.Path())), changed);
}

void TCommandsTest::EachPassIsSummedUpInOneLine() {
  {
    TWindowOnSongs window({"moby - why.mp3",
                           "Sting - Fields.mp3",
                           {"Moby - Porcelain - www.site.com.mp3", Tags("Moby", "Porcelain")},
                           {"Abba - Waterloo - www.x.org.mp3", Tags("Abba", "Waterloo")},
                           "what?.mp3"});
    SelectAllRows(*window.Window);
    QTest::keyClick(window.Window.get(), Qt::Key_F7);
    QCOMPARE(StatusText(window), QStringLiteral("Hands-Free!: 2 songs updated, 3 left alone (2 file name holds more "
                                                "than the details, 1 not recognised)"));
    QVERIFY(FileExists(window.Folder / "Moby - Why.mp3"));
  }
  {
    TWindowOnSongs window([](const TSongFolder& folder) {
      folder.AddSong("Abba - Waterloo.mp3");
      AddClashingSongs(folder);
      folder.AddSong("x?.mp3");
    });
    SelectAllRows(*window.Window);
    window.Child<QPushButton>("autoRenameButton")->click();
    QCOMPARE(
        StatusText(window),
        QStringLiteral("AutoRename Files: 1 renamed, 2 left alone (1 already named after its details, 1 no title or "
                       "artist recognised), 1 failed (Error renaming file. Is it a duplicate or read-only?)"));
  }
  {
    TWindowOnSongs window({"a.mp3", "b.mp3", "c.mp3", "d.mp3"});
    SelectAllRows(*window.Window);
    window.Type(TDetailsField::Album, QStringLiteral("X"));
    QTest::keyClick(window.Window.get(), Qt::Key_F6);
    QCOMPARE(StatusText(window), QStringLiteral("Stamp ID3 Tag(s): 4 songs tagged"));
    ClickRow(*window.Window, 0);
    window.Child<QAction>("clearAlbumEntry")->trigger();
    QCOMPARE(StatusText(window), QStringLiteral("ID3 Clear Album: 1 song tagged"));
    QCOMPARE(Trimmed(TagsOf(window.Songs[0]).Album), std::string());
  }
}

void TCommandsTest::RenameThisFileUsesTheTypedName() {
  TWindowOnSongs window({"old.mp3"});
  window.Click(0);
  window.Dialogs.InputAnswers.push_back(QStringLiteral("sub/escape.mp3"));
  Choose(*window.Window, "renameEntry");
  QCOMPARE(window.Dialogs.Inputs.at(0).Caption, QStringLiteral("Rename File"));
  QCOMPARE(window.Dialogs.Inputs.at(0).Prompt, QStringLiteral("New filename"));
  QCOMPARE(window.Dialogs.Inputs.at(0).Value, QStringLiteral("old.mp3"));
  QCOMPARE(window.Dialogs.Inputs.at(0).SelectedLength, 3);  // "old"
  // The message names the core's reason under its caption.
  QCOMPARE(window.Dialogs.Messages.at(0).Text,
           QStringLiteral("Error renaming file\r\n") + QString::fromUtf8(kTypedNameRefusedReason));
  QVERIFY(FileExists(window.Folder / "old.mp3"));

  window.Folder.AddSong("taken.mp3");
  const std::string taken = ReadWholeFile(window.Folder / "taken.mp3");
  window.Dialogs.InputAnswers.push_back(QStringLiteral("taken.mp3"));
  Choose(*window.Window, "renameEntry");
  QCOMPARE(window.Dialogs.Messages.at(1).Text,
           QStringLiteral("Error renaming file\r\n%1 (File exists)").arg(QString::fromUtf8(kRenameFailedMessage)));
  QVERIFY(ReadWholeFile(window.Folder / "taken.mp3") == taken);
  QVERIFY(FileExists(window.Folder / "old.mp3"));

  window.Dialogs.InputAnswers.push_back(QStringLiteral("new.txt"));
  Choose(*window.Window, "renameEntry");
  QVERIFY(FileExists(window.Folder / "new.txt"));
  QCOMPARE(window->RowCount(), 1);  // taken.mp3 alone: new.txt is no longer a song file
}

// The rename box offers the whole name with the part before the extension selected, and is wide.
void TCommandsTest::RenameBoxSelectsTheNameWithoutExtension() {
  TWindowOnSongs window({"my.song.mp3", "noextension"});
  window.Click(0);
  Choose(*window.Window, "renameEntry");
  window.Click(1);
  Choose(*window.Window, "renameEntry");
  QCOMPARE(window.Dialogs.Inputs.at(0).Value, QStringLiteral("my.song.mp3"));
  QCOMPARE(window.Dialogs.Inputs.at(0).SelectedLength, 7);
  QCOMPARE(window.Dialogs.Inputs.at(1).Value, QStringLiteral("noextension"));
  QCOMPARE(window.Dialogs.Inputs.at(1).SelectedLength, 11);

  // The desktop's box itself.
  QString selected;
  int width = 0;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    if (box == nullptr) return;
    if (auto* field = box->findChild<QLineEdit*>(QStringLiteral("inputField"))) selected = field->selectedText();
    width = box->width();
    box->close();
  });
  TQtDialogs desktop;
  QString value = QStringLiteral("my.song.mp3");
  QVERIFY(!desktop.InputQuery(QStringLiteral("Rename File"), QStringLiteral("New filename"), value, 7));
  QCOMPARE(selected, QStringLiteral("my.song"));
  QVERIFY2(width >= 480, qPrintable(QString::number(width)));
  QCOMPARE(value, QStringLiteral("my.song.mp3"));
}

void TCommandsTest::HandsFreeActsOnlyOnNamesHoldingTheirDetails() {
  TWindowOnSongs window(
      {"moby - why_does_my_heart [live].mp3", "Moby - Porcelain - www.site.com.mp3", "sting - fields.mp3"},
      {.OpenAtOnce = false});
  const std::string& plain = window.Songs[0];
  const std::string& extra = window.Songs[1];
  const std::string& readOnly = window.Songs[2];
  MakeReadOnly(readOnly);
  window.Open();
  SelectAllRows(*window.Window);
  window.Press(Qt::Key_F7);                  // the pass runs on a worker
  QVERIFY(window.Dialogs.Messages.empty());  // unwritable files are skipped silently
  const std::string renamed = window.Folder / "Moby - Why Does My Heart (live).mp3";
  QVERIFY(FileExists(renamed));
  QVERIFY(!FileExists(plain));
  QCOMPARE(TagsOf(renamed).Title, std::string("Why Does My Heart"));  // the mix only in the name
  QCOMPARE(TagsOf(renamed).Artist, std::string("Moby"));
  QVERIFY(FileExists(extra));
  QVERIFY(FileExists(readOnly));
}

void TCommandsTest::DetailsCleanupAndFilenameAsTitle() {
  TWindowOnSongs window({"some band - the_best_song.mp3"});
  const std::string& song = window.Songs[0];
  window.Click(0);
  window.Child<QPushButton>("detailsCleanupButton")->click();
  QCOMPARE(TagsOf(song).Title, std::string("The Best Song"));
  QCOMPARE(TagsOf(song).Artist, std::string("Some Band"));
  window.Child<QPushButton>("fileNameAsTitleButton")->click();
  QCOMPARE(TagsOf(song).Title, std::string("some band - the_best_song"));
  QCOMPARE(TagsOf(song).Artist, std::string("Some Band"));
}

void TCommandsTest::ClearBlanksEachFieldAlone_data() {
  QTest::addColumn<int>("item");
  for (int item = 0; item < 7; ++item) QTest::addRow("item %d", item) << item;
}

void TCommandsTest::ClearBlanksEachFieldAlone() {
  QFETCH(int, item);
  TID3Info full = Tags("Artist", "Title", "Album", 5, "Rock", "1999");
  full.Comment = "Comment";
  TWindowOnSongs window({{"x.mp3", full}});
  const std::string& song = window.Songs[0];
  window.Click(0);
  const QList<QAction*> items = window.Child<QMenu>("clearMenu")->actions();
  QCOMPARE(items.size(), 7);
  items[item]->trigger();
  const TID3Info after = TagsOf(song);
  const std::string values[] = {after.Artist, after.Title,  std::to_string(after.Track), after.Album, after.Year,
                                after.Genre,  after.Comment};
  const std::string before[] = {"Artist", "Title", "5", "Album", "1999", "Rock", "Comment"};
  for (int field = 0; field < 7; ++field) {
    if (field == item) {
      QVERIFY2(Trimmed(values[field]).empty() || values[field] == "0", values[field].c_str());
    } else {
      QCOMPARE(values[field], before[field]);
    }
  }
}

void TCommandsTest::DeleteAsksFirst() {
  TWindowOnSongs window({"a.mp3"});
  const std::string& song = window.Songs[0];
  window.Click(0);
  window.Dialogs.Answers.push_back(TMsgDlgButton::No);
  Choose(*window.Window, "deleteEntry");
  QVERIFY(FileExists(song));
  QCOMPARE(window->RowCount(), 1);
  QCOMPARE(window.Dialogs.Messages.at(0).Caption, QStringLiteral("Confirm"));
  QCOMPARE(window.Dialogs.Messages.at(0).Text,
           QStringLiteral("Are you sure you want to delete this file?\r\n") + QString::fromStdString(song));
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  Choose(*window.Window, "deleteEntry");
  QVERIFY(!FileExists(song));
  QCOMPARE(window->RowCount(), 0);
}

// The file goes to the desktop's trash; "No" is the default answer, and the panel is emptied.
void TCommandsTest::DeleteMovesTheFileToTheTrash() {
  TTempFolder home;  // on the songs' file system, so that the user's own trash is the one
  const QByteArray oldHome = qgetenv("HOME");
  const QByteArray oldData = qgetenv("XDG_DATA_HOME");
  qputenv("HOME", QByteArray::fromStdString(home.Path()));
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home / "data"));
  {
    TWindowOnSongs window({"Abba - Waterloo.mp3"});
    const std::string& song = window.Songs[0];
    window.Click(0);
    QCOMPARE(window.Child<QLineEdit>("artistField")->text(), QStringLiteral("Abba"));
    window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
    Choose(*window.Window, "deleteEntry");
    QCOMPARE(window.Dialogs.Messages.size(), std::size_t(1));
    QCOMPARE(window.Dialogs.Messages[0].DefaultButton, TMsgDlgButtons(TMsgDlgButton::No));
    QCOMPARE(window.Dialogs.Messages[0].Text,
             QStringLiteral("Are you sure you want to delete this file?\r\n") + QString::fromStdString(song));
    QVERIFY(!FileExists(song));
    QVERIFY(FileExists(home / "data/Trash/files/Abba - Waterloo.mp3"));
    QVERIFY(FileExists(home / "data/Trash/info/Abba - Waterloo.mp3.trashinfo"));
    QCOMPARE(window->RowCount(), 0);
    QCOMPARE(window.Child<QLineEdit>("artistField")->text(), QString());
    QCOMPARE(window.Child<QLineEdit>("fileNameField")->text(), QString());
  }
  qputenv("HOME", oldHome);
  qputenv("XDG_DATA_HOME", oldData);
}

void TCommandsTest::FailedDeleteNamesTheFileAndTheCause() {
  TWindowOnSongs window({"gone.mp3"});
  const std::string& song = window.Songs[0];
  window.Click(0);
  QVERIFY(QFile::remove(QString::fromStdString(song)));  // taken away behind the window's back
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  Choose(*window.Window, "deleteEntry");
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t(2));
  const TRecordingDialogs::TMessage& error = window.Dialogs.Messages[1];
  QCOMPARE(error.Type, TMsgDlgType::Error);
  QCOMPARE(
      error.Text,
      QStringLiteral("Cannot move file %1 to the trash: No such file or directory").arg(QString::fromStdString(song)));
  QCOMPARE(window->RowCount(), 0);
}

void TCommandsTest::SelectArtistAddsRowsOfTheSameSpelling() {
  TWindowOnSongs window({{"1.mp3", Tags("Abba", "A")},
                         {"2.mp3", Tags("abba", "B")},
                         {"3.mp3", Tags("Abba", "C")},
                         {"4.mp3", Tags("Moby", "D")}});
  window.Click(3);
  window.Click(0, Qt::ControlModifier);
  Choose(*window.Window, "selectArtistEntry");
  QCOMPARE(SelectedRows(*window.Window), (QList<int>{0, 2, 3}));
  Choose(*window.Window, "selectAllEntry");
  QCOMPARE(SelectedRows(*window.Window), (QList<int>{0, 1, 2, 3}));
}

void TCommandsTest::CutToMovesTextToTheFrontOfAnotherField() {
  TWindowOnSongs window({"x.mp3"});
  window.Click(0);
  window.Type(TDetailsField::Title, QStringLiteral("Abba - Waterloo"));
  window.Type(TDetailsField::Artist, QStringLiteral("Band"));
  window.Field(TDetailsField::Title)->setFocus();
  QApplication::setActiveWindow(window.Window.get());
  window.Field(TDetailsField::Title)->setSelection(0, 4);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(window.Field(TDetailsField::Title)));
  DetailsPanel(window)->CutSelectionTo(TDetailsField::Artist);
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("AbbaBand"));
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("Waterloo"));
  QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("Abba"));

  window.Field(TDetailsField::Title)->setSelection(0, 0);
  DetailsPanel(window)->CutSelectionTo(TDetailsField::Artist);  // nothing selected: nothing changes
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("AbbaBand"));
}

void TCommandsTest::UpdateFromFileNameFillsOneField() {
  TWindowOnSongs window({{"Abba - Waterloo.mp3", Tags("Tag Artist", "Tag Title")}});
  window.Click(0);
  PrepareTextMenu(window);
  QCOMPARE(window.Child<QAction>("artistFromFileNameEntry")->text(), QStringLiteral("Artist: Abba"));
  QCOMPARE(window.Child<QAction>("titleFromFileNameEntry")->text(), QStringLiteral("Title: Waterloo"));
  window.Child<QAction>("titleFromFileNameEntry")->trigger();
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("Waterloo"));
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("Tag Artist"));
  window.Child<QAction>("artistFromFileNameEntry")->trigger();
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("Abba"));

  // An ampersand is shown as itself, not taken for a shortcut mark.
  QVERIFY(
      QFile::rename(window.Folder.QPath() + "/Abba - Waterloo.mp3", window.Folder.QPath() + "/AC&DC - Thunder.mp3"));
  window->LoadSongFolder(window.Folder.Path());
  window.Click(0);
  PrepareTextMenu(window);
  QCOMPARE(window.Child<QAction>("artistFromFileNameEntry")->text(), QStringLiteral("Artist: AC&&DC"));
}

void TCommandsTest::RefreshKeepsSubfoldersBelowTheTopNode() {
  TWindowOnSongs window({"a.mp3", "sub/b.mp3"});
  window.Child<QAction>("includeSubfoldersEntry")->trigger();  // ticks and reloads with subfolders
  QVERIFY(window.Child<QAction>("includeSubfoldersEntry")->isChecked());
  QCOMPARE(window->RowCount(), 2);
  Choose(*window.Window, "refreshEntry");
  QVERIFY(window.Child<QAction>("includeSubfoldersEntry")->isChecked());
  QCOMPARE(window->RowCount(), 2);
  window.Child<QAction>("includeSubfoldersEntry")->trigger();
  QCOMPARE(window->RowCount(), 1);
}

void TCommandsTest::RefreshOnTheTopNodeStopsScanningSubfolders() {
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  QVERIFY(window->SelectFolder(QStringLiteral("/")));
  window.Child<QAction>("includeSubfoldersEntry")->setChecked(true);  // ticked without a (whole-disk) reload
  Choose(*window.Window, "refreshEntry");
  QVERIFY(!window.Child<QAction>("includeSubfoldersEntry")->isChecked());
  QCOMPARE(window->SelectedFolder(), std::string("/"));
}

void TCommandsTest::TextMenuTidiesTheFocusedField() {
  TWindowOnSongs window({"x.mp3"});
  window.Click(0);
  QApplication::setActiveWindow(window.Window.get());
  window.Type(TDetailsField::Album, QStringLiteral("my_best_OF"));
  window.Field(TDetailsField::Album)->setFocus();
  window.Child<QAction>("underscoresToSpacesEntry")->trigger();
  QCOMPARE(window.Field(TDetailsField::Album)->text(), QStringLiteral("my best OF"));
  window.Child<QAction>("initialCapsEntry")->trigger();
  QCOMPARE(window.Field(TDetailsField::Album)->text(), QStringLiteral("My Best Of"));
  // Each tidying is a step of the field's undo history: Ctrl+Z and the menu's Undo and Redo.
  QTest::keyClick(window.Field(TDetailsField::Album), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(window.Field(TDetailsField::Album)->text(), QStringLiteral("my best OF"));
  PrepareTextMenu(window);
  QVERIFY(window.Child<QAction>("redoEntry")->isEnabled());
  window.Child<QAction>("undoEntry")->trigger();
  QCOMPARE(window.Field(TDetailsField::Album)->text(), QStringLiteral("my_best_OF"));
  window.Child<QAction>("redoEntry")->trigger();
  window.Child<QAction>("redoEntry")->trigger();
  QCOMPARE(window.Field(TDetailsField::Album)->text(), QStringLiteral("My Best Of"));
  window.Child<QAction>("selectAllTextEntry")->trigger();
  QCOMPARE(window.Field(TDetailsField::Album)->selectedText(), QStringLiteral("My Best Of"));

  window.Type(TDetailsField::Artist, QStringLiteral(" Moby "));
  window.Type(TDetailsField::Title, QStringLiteral("MOBY - Why "));
  window.Child<QAction>("removeArtistFromTitleEntry")->trigger();  // whichever field has the focus
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("Moby"));
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("Why"));
  window.Field(TDetailsField::Title)->undo();
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("MOBY - Why "));
}

}  // namespace tagwright::testing

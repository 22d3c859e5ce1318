#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "commands/command_session.h"
#include "commands/song_plans.h"
#include "history/history.h"
#include "history/undo_redo.h"
#include "songs/song_list.h"
#include "support/sha256.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"

namespace tagwright::testing {

namespace {

QAction* MenuEntry(const TWindowOnSongs& window, const char* name) {
  for (QAction* action : window.Child<QMenu>("songListMenu")->actions()) {
    if (action->objectName() == QLatin1String(name)) return action;
  }
  qFatal("no entry %s", name);
}

QAction* UndoEntry(const TWindowOnSongs& window) { return MenuEntry(window, "undoLastCommandEntry"); }

// The name of the folder, as the undo question gives it.
QString FolderName(const TSongFolder& folder) { return QFileInfo(folder.QPath()).fileName(); }

// Name -> sha256 of every file in the folder and below.
std::map<std::string, std::string> FolderState(const std::string& folder) {
  std::map<std::string, std::string> state;
  for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
    if (item.is_regular_file()) state[item.path().string()] = FileSha256(item.path().string());
  }
  return state;
}

// Selects every song, then runs a command of the window on them.
void RunOnAll(const TWindowOnSongs& window, const std::function<void(TMainWindow&)>& command) {
  SelectAllRows(*window.Window);
  command(*window.Window);
  WaitForSongs(*window.Window);  // a pass over several songs runs on a worker
}

// Runs tagwright-cli with the arguments; its exit status, its standard error into err.
int RunCommandLine(std::vector<std::string> arguments, const std::string& errPath) {
  arguments.insert(arguments.begin(), TAGWRIGHT_CLI);
  std::vector<char*> raw;
  raw.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) raw.push_back(argument.data());
  raw.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Leaves the undo (or redo) entry as one killed before its last file and then repaired: that file
// as it was before the entry (its bytes given), its record rolled back, the records below it as
// they were before, and the entry it took back partly taken back, as the repair leaves it.
void LeaveCutShort(THistory& history, std::int64_t entry, const std::map<std::string, std::string>& bytesBefore) {
  sqlite3* db = nullptr;
  QCOMPARE(sqlite3_open(history.Path().c_str(), &db), SQLITE_OK);
  sqlite3_stmt* last = nullptr;
  const std::string find =
      "SELECT id, path_after FROM changes WHERE entry = " + std::to_string(entry) + " ORDER BY id DESC LIMIT 1";
  QCOMPARE(sqlite3_prepare_v2(db, find.c_str(), -1, &last, nullptr), SQLITE_OK);
  QCOMPARE(sqlite3_step(last), SQLITE_ROW);
  const std::string record = std::to_string(sqlite3_column_int64(last, 0));
  const std::string file = reinterpret_cast<const char*>(sqlite3_column_text(last, 1));
  sqlite3_finalize(last);
  const std::string sql =
      "UPDATE changes SET state = 2 WHERE id = " + record +
      "; WITH RECURSIVE chain(id, depth) AS (SELECT undoes_record, 1 FROM changes WHERE id = " + record +
      " UNION ALL SELECT c.undoes_record, chain.depth + 1 FROM changes c JOIN chain ON c.id = chain.id WHERE "
      "c.undoes_record IS NOT NULL) UPDATE changes SET undone = 1 - (SELECT depth % 2 FROM chain WHERE chain.id = "
      "changes.id) WHERE id IN (SELECT id FROM chain); UPDATE entries SET undone_by = NULL WHERE id = (SELECT "
      "undoes FROM entries WHERE id = " +
      std::to_string(entry) + ");";
  QCOMPARE(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  QVERIFY(bytesBefore.contains(file));
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytesBefore.at(file);
}

// Path -> bytes of every song in the folder.
std::map<std::string, std::string> FolderBytes(const std::string& folder) {
  std::map<std::string, std::string> bytes;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    bytes[item.path().string()] = ReadWholeFile(item.path().string());
  }
  return bytes;
}

// Waits for a command over thousands of songs, which takes long under the sanitizers.
void WaitForLongCommand(const TMainWindow& window) {
  constexpr int kLongest = 240'000;
  QVERIFY(QTest::qWaitFor([&] { return !window.IsLoading() && !window.IsRunningCommand(); }, kLongest));
}

// Runs Filename as Title over the songs of the folder as the window does, recorded as one entry.
std::int64_t RecordFileNameAsTitle(THistory& history, const std::string& folder) {
  TSongList songs;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    auto song = std::make_unique<TSongFile>();
    if (song->SetFileName(item.path().string(), true)) songs.Add(std::move(song));
  }
  songs.SortBy(TSortOrder::FileName);
  THistoryEntries entries(history, TProgram::Window);
  const TCommandOutcome outcome = RunCommand(&entries, "Filename as Title", songs.Songs(),
                                             {TTagsNeeded::Yes, PlanFileNameAsTitle}, TPassMode::Apply, {});
  return outcome.End.Entry;
}

// Two tagged songs of one album whose names Details Cleanup changes.
void AddTwoSongsOfAnAlbum(const TSongFolder& folder) {
  folder.AddTaggedSong("the band - a_song.mp3", Tags("the band", "a_song", "an album"));
  folder.AddTaggedSong("other band - b_song.mp3", Tags("other band", "b_song", "an album"));
}

}  // namespace

void TUndoTest::CtrlZAsksThenTakesTheCommandBackByteForByte() {
  TWindowOnSongs window({"moby - why_does_my_heart.mp3"}, {.History = true});
  const std::string& song = window.Songs[0];
  const std::string before = FileSha256(song);
  SelectAllRows(*window.Window);
  QTest::keyClick(window.Window.get(), Qt::Key_F7);
  const std::string renamed = window.Folder / "Moby - Why Does My Heart.mp3";
  QVERIFY(FileExists(renamed));
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  QTest::keyClick(window.Window.get(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t{1});
  QCOMPARE(window.Dialogs.Messages[0].Text,
           QStringLiteral("Undo \"Hands-Free!\" on 1 file(s) in \"%1\"?").arg(FolderName(window.Folder)));
  QCOMPARE(window.Dialogs.Messages[0].Buttons, TMsgDlgButton::Yes | TMsgDlgButton::No);
  QVERIFY(!FileExists(renamed));
  QCOMPARE(FileSha256(song), before);
  QCOMPARE(RowTexts(*window.Window).size(), 1);  // the folder was reloaded
}

void TUndoTest::AnsweringNoChangesNothing() {
  TWindowOnSongs window({"some band - the_best_song.mp3"}, {.History = true});
  const std::string& song = window.Songs[0];
  window.Click(0);
  window.Child<QPushButton>("detailsCleanupButton")->click();
  const std::string after = FileSha256(song);
  UndoEntry(window)->trigger();
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t{1});
  QCOMPARE(window.Dialogs.Messages[0].Text,
           QStringLiteral("Undo \"Details Cleanup\" on 1 file(s) in \"%1\"?").arg(FolderName(window.Folder)));
  QCOMPARE(FileSha256(song), after);
}

void TUndoTest::AFileChangedSinceIsLeftAloneAndNamed() {
  TWindowOnSongs window({"alpha - one.mp3", "beta - two.mp3"}, {.History = true});
  const std::string& kept = window.Songs[0];
  const std::string& changed = window.Songs[1];
  const std::string keptBefore = FileSha256(kept);
  SelectAllRows(*window.Window);
  window.Run("detailsCleanupButton");
  QVERIFY(WriteID3Tags(changed, Tags("Someone", "Else")).Ok());
  const std::string changedNow = FileSha256(changed);
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  UndoEntry(window)->trigger();
  WaitForSongs(*window.Window);  // an undo of several files runs on a worker
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t{2});
  QCOMPARE(window.Dialogs.Messages[0].Text,
           QStringLiteral("Undo \"Details Cleanup\" on 2 file(s) in \"%1\"?").arg(FolderName(window.Folder)));
  const QString report = window.Dialogs.Messages[1].Text;
  QVERIFY2(report.contains(QString::fromStdString(changed)), qPrintable(report));
  QVERIFY2(!report.contains(QString::fromStdString(kept)), qPrintable(report));
  QCOMPARE(FileSha256(changed), changedNow);
  QCOMPARE(FileSha256(kept), keptBefore);
}

void TUndoTest::TheMenuEntryNeedsSomethingToUndo() {
  TWindowOnSongs window({"some band - the_best_song.mp3"}, {.History = true});
  window.Click(0);
  PrepareSongListMenu(window);
  QVERIFY(!UndoEntry(window)->isEnabled());
  window.Child<QPushButton>("detailsCleanupButton")->click();
  PrepareSongListMenu(window);
  QVERIFY(UndoEntry(window)->isEnabled());
  QCOMPARE(UndoEntry(window)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
  // A history that cannot be read is not taken for one with nothing to undo: the entry stays on,
  // and choosing it says why.
  sqlite3* other = nullptr;
  QCOMPARE(sqlite3_open(window.History->Path().c_str(), &other), SQLITE_OK);
  QCOMPARE(sqlite3_exec(other, "ALTER TABLE entries RENAME TO entries_gone", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(other);
  PrepareSongListMenu(window);
  QVERIFY(UndoEntry(window)->isEnabled());
  UndoEntry(window)->trigger();
  QVERIFY(!window.Dialogs.Messages.empty());
  QVERIFY(window.Dialogs.Messages.back().Text.startsWith(QStringLiteral("The history cannot be read: ")));
}

void TUndoTest::TheWindowAndTheCommandLineShareOneHistory() {
  constexpr int kRounds = 8;
  TWindowOnSongs window({"some band - the_best_song.mp3"}, {.History = true});
  TSongFolder cliSongs;
  const std::string cliSong = cliSongs.AddSong("other band - a_song.mp3");
  const std::string errors = window.State / "cli-errors";
  std::atomic<int> cliFailures = 0;
  std::thread commandLine([&] {
    for (int i = 0; i < kRounds; ++i) {
      const std::vector<std::string> arguments = {"--history", window.State / "history.sqlite3", "stamp",
                                                  "--title",   "Round " + std::to_string(i),     cliSong};
      if (RunCommandLine(arguments, errors) != 0) ++cliFailures;
    }
  });
  for (int i = 0; i < kRounds; ++i) {
    window.Click(0);
    // Each changes the title the other set: every round is an entry.
    window.Run(i % 2 == 0 ? "fileNameAsTitleButton" : "detailsCleanupButton");
  }
  commandLine.join();
  QCOMPARE(cliFailures.load(), 0);
  QVERIFY2(ReadWholeFile(errors).empty(), ReadWholeFile(errors).c_str());
  QVERIFY(window.Dialogs.Messages.empty());
  TResultOf<std::vector<THistoryEntry>> entries = window.History->Entries();
  QVERIFY(entries.Ok());
  int fromWindow = 0;
  for (const THistoryEntry& entry : entries.Value()) fromWindow += entry.Program == TProgram::Window ? 1 : 0;
  QCOMPARE(static_cast<int>(entries.Value().size()), 2 * kRounds);
  QCOMPARE(fromWindow, kRounds);
}

void TUndoTest::WithoutItsHistoryNoCommandChangesAFile() {
  TWindowOnSongs window({"some band - the_best_song.mp3"}, {.OpenAtOnce = false});
  const std::string& song = window.Songs[0];
  const std::string before = FileSha256(song);
  window->RefuseChangesWithoutHistory("The history cannot be opened, so no file is changed");
  window.Open();
  window.Click(0);
  window.Run("detailsCleanupButton");
  window.Press(Qt::Key_F7);
  QCOMPARE(FileSha256(song), before);
  QCOMPARE(window.Dialogs.Messages.size(), std::size_t{2});
  QCOMPARE(window.Dialogs.Messages[0].Text, QStringLiteral("The history cannot be opened, so no file is changed"));
}

// Ctrl+Z pressed N times after N commands gives the folder back as it was, and Ctrl+Shift+Z (or
// Ctrl+Y) N times the folder after them; a new command after an undo leaves nothing to redo.
void TUndoTest::CtrlZWalksBackAndCtrlShiftZForward() {
  TWindowOnSongs window(AddTwoSongsOfAnAlbum, {.History = true});
  std::vector<std::map<std::string, std::string>> states{FolderState(window.Folder.Path())};
  RunOnAll(window, [](TMainWindow& w) { Choose(w, "detailsCleanupButton"); });
  states.push_back(FolderState(window.Folder.Path()));
  RunOnAll(window, [](TMainWindow& w) { Choose(w, "autoRenameButton"); });
  states.push_back(FolderState(window.Folder.Path()));
  RunOnAll(window, [](TMainWindow& w) { Choose(w, "clearAlbumEntry"); });
  states.push_back(FolderState(window.Folder.Path()));
  QCOMPARE(std::set(states.begin(), states.end()).size(), std::size_t{4});  // each command changed the songs
  const std::size_t asked = window.Dialogs.Messages.size();
  for (int back = 2; back >= 0; --back) {
    window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
    window.Press(Qt::Key_Z, Qt::ControlModifier);  // an undo of several files runs on a worker
    QVERIFY2(FolderState(window.Folder.Path()) == states[static_cast<std::size_t>(back)],
             qPrintable(QString::number(back)));
  }
  QCOMPARE(window.Dialogs.Messages[asked].Text,
           QStringLiteral("Undo \"ID3 Clear Album\" on 2 file(s) in \"%1\"?").arg(FolderName(window.Folder)));
  QCOMPARE(window.Dialogs.Messages[asked + 2].Text,
           QStringLiteral("Undo \"Details Cleanup\" on 2 file(s) in \"%1\"?").arg(FolderName(window.Folder)));
  QTest::keyClick(window.Window.get(), Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(window.Dialogs.Messages.size(), asked + 3);  // nothing left to undo: nothing asked
  const QKeySequence redoKeys[] = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
  for (std::size_t forward = 1; forward <= 3; ++forward) {
    window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
    QTest::keySequence(window.Window.get(), redoKeys[forward - 1]);
    WaitForSongs(*window.Window);  // an undo of several files runs on a worker
    QVERIFY2(FolderState(window.Folder.Path()) == states[forward], qPrintable(QString::number(forward)));
  }
  QCOMPARE(window.Dialogs.Messages[asked + 3].Text,
           QStringLiteral("Redo \"Details Cleanup\" on 2 file(s) in \"%1\"?").arg(FolderName(window.Folder)));
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  window.Press(Qt::Key_Z, Qt::ControlModifier);  // an undo of several files runs on a worker
  QVERIFY(FolderState(window.Folder.Path()) == states[2]);
  RunOnAll(window, [](TMainWindow& w) { Choose(w, "clearArtistEntry"); });
  const std::size_t beforeRedo = window.Dialogs.Messages.size();
  QTest::keyClick(window.Window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(window.Dialogs.Messages.size(), beforeRedo);  // a new command ended what could be redone
  PrepareSongListMenu(window);
  QVERIFY(!MenuEntry(window, "redoLastUndoEntry")->isEnabled());
}

// After the undo the same songs are selected, under the names they have again. (The question's
// "in N folders" is worked out by EntryFolders, tested with the history.)
void TUndoTest::TheSelectionFollowsTheSongs() {
  TWindowOnSongs window({"first band - one_song.mp3", "moby - why_does_my_heart.mp3", "zed band - last_song.mp3"},
                        {.History = true});
  const std::string& moved = window.Songs[1];
  const int row = RowEndingWith(*window.Window, QStringLiteral("why_does_my_heart.mp3"));
  const int last = RowEndingWith(*window.Window, QStringLiteral("last_song.mp3"));
  QVERIFY(row >= 0 && last >= 0);
  window.Click(row);
  window.Click(last, Qt::ControlModifier);
  window.Press(Qt::Key_F7);  // Hands-Free renames them
  QVERIFY(!FileExists(moved));
  window.Click(RowEndingWith(*window.Window, QStringLiteral("Why Does My Heart.mp3")));
  window.Click(RowEndingWith(*window.Window, QStringLiteral("Last Song.mp3")), Qt::ControlModifier);
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  window.Press(Qt::Key_Z, Qt::ControlModifier);  // an undo of several files runs on a worker
  QVERIFY(FileExists(moved));
  QStringList selected;
  for (const int at : SelectedRows(*window.Window))
    selected << QString::fromStdString(window->SongAtRow(at)->FileName());
  QCOMPARE(selected, QStringList({QString::fromStdString(moved),
                                  QString::fromStdString(window.Folder / "zed band - last_song.mp3")}));
}

// A command cut short whose song is gone since: its entry waits for the song, until Let Go in
// "History..." lets it go; the message panel says where the copy kept beside the song stays.
void TUndoTest::TheHistoryDialogLetsAPendingRepairGo() {
  TWindowOnSongs window({{"the band - a_song.mp3", Tags("the band", "a_song")}},
                        {.History = true, .OpenAtOnce = false});
  const std::string& song = window.Songs[0];
  {
    std::unique_ptr<THistoryRecorder> recorder = window.History->StartEntry(TProgram::Cli, "stamp");
    TResultOf<TFileChange> change = CaptureBefore(song, "", true);
    QVERIFY(change.Ok());
    QVERIFY(recorder->RecordBefore(change.Value()).Ok());
    QVERIFY(::rename(song.c_str(), (song + "~").c_str()) == 0);
  }  // the program died here
  window.Dialogs.HistoryScript = [&](THistoryDialog& dialog) {
    auto* entries = ChildOf<QTreeWidget>(dialog, "historyEntryList");
    auto* letGo = ChildOf<QPushButton>(dialog, "historyLetGoButton");
    QCOMPARE(entries->topLevelItemCount(), 1);
    QVERIFY(letGo->isEnabled());
    letGo->click();
    QVERIFY(!letGo->isEnabled());
    QVERIFY(window.History->Interrupted().Value().empty());
  };
  MenuEntry(window, "historyEntry")->trigger();
  QVERIFY(StatusText(window).contains(QString::fromStdString(song + "~")));
  QVERIFY(FileExists(song + "~"));
}

// "History..." lists the entries newest first; Undo and Redo act on the entry selected, with the
// same rules as the keys; the files of an entry are shown on request.
void TUndoTest::TheHistoryDialogUndoesAndRedoesTheEntrySelected() {
  TWindowOnSongs window({{"the band - a_song.mp3", Tags("the band", "a_song")}}, {.History = true});
  const std::string& song = window.Songs[0];
  const std::string before = FileSha256(song);
  RunOnAll(window, [](TMainWindow& w) { Choose(w, "detailsCleanupButton"); });
  const std::string cleaned = FileSha256(song);
  RunOnAll(window, [](TMainWindow& w) { Choose(w, "clearTitleEntry"); });
  const std::string cleared = FileSha256(song);
  window.Dialogs.HistoryScript = [&](THistoryDialog& dialog) {
    auto* entries = ChildOf<QTreeWidget>(dialog, "historyEntryList");
    auto* undo = ChildOf<QPushButton>(dialog, "historyUndoButton");
    auto* redo = ChildOf<QPushButton>(dialog, "historyRedoButton");
    QCOMPARE(entries->topLevelItemCount(), 2);
    QCOMPARE(entries->topLevelItem(0)->text(2), QStringLiteral("ID3 Clear Title"));
    QCOMPARE(entries->topLevelItem(1)->text(2), QStringLiteral("Details Cleanup"));
    QCOMPARE(entries->topLevelItem(1)->text(4), QStringLiteral("done"));
    entries->setCurrentItem(entries->topLevelItem(1));
    QVERIFY(undo->isEnabled());
    QVERIFY(!redo->isEnabled());
    ChildOf<QPushButton>(dialog, "historyFilesButton")->click();
    QCOMPARE(ChildOf<QListWidget>(dialog, "historyFileList")->item(0)->text(), QString::fromStdString(song));
    // The older entry, under the newer one: its file has changed since, and is left and named.
    window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
    undo->click();
    QCOMPARE(FileSha256(song), cleared);
    QVERIFY(window.Dialogs.Messages.back().Text.contains(QString::fromStdString(song)));
    entries->setCurrentItem(entries->topLevelItem(0));
    window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
    undo->click();
    QCOMPARE(FileSha256(song), cleaned);
    QCOMPARE(entries->topLevelItem(0)->text(2), QStringLiteral("Undo Last Command"));
    QCOMPARE(entries->topLevelItem(1)->text(4), QStringLiteral("undone"));
    entries->setCurrentItem(entries->topLevelItem(0));
    QVERIFY(redo->isEnabled());
    QVERIFY(!undo->isEnabled());  // an undo is redone, not undone
    window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
    redo->click();
    QCOMPARE(FileSha256(song), cleared);
    QCOMPARE(entries->topLevelItem(2)->text(4), QStringLiteral("done"));
  };
  MenuEntry(window, "historyEntry")->trigger();
  QVERIFY(before != cleaned);
}

// "Delete This File" is in the history: Ctrl+Z takes the song out of the trash to its old name.
void TUndoTest::CtrlZBringsADeletedSongBackFromTheTrash() {
  TTempFolder home;  // on the songs' file system, so that the user's own trash is the one
  const QByteArray oldData = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home / "data"));
  {
    TWindowOnSongs window({"Abba - Waterloo.mp3"}, {.History = true});
    const std::string& song = window.Songs[0];
    const std::string before = FileSha256(song);
    window.Click(0);
    window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
    window.Run("deleteEntry");
    QVERIFY(!FileExists(song));
    QVERIFY(FileExists(home / "data/Trash/info/Abba - Waterloo.mp3.trashinfo"));
    QCOMPARE(window->RowCount(), 0);
    window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
    QTest::keyClick(window.Window.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(window.Dialogs.Messages.back().Text,
             QStringLiteral("Undo \"Delete This File\" on 1 file(s) in \"%1\"?").arg(FolderName(window.Folder)));
    QCOMPARE(FileSha256(song), before);
    QVERIFY(!FileExists(home / "data/Trash/files/Abba - Waterloo.mp3"));
    QVERIFY(!FileExists(home / "data/Trash/info/Abba - Waterloo.mp3.trashinfo"));
    QCOMPARE(window->RowCount(), 1);
  }
  qputenv("XDG_DATA_HOME", oldData);
}

// An undo or a redo cut short (killed, then repaired) is finished by the next Ctrl+Z or
// Ctrl+Shift+Z, which says so, before either goes further.
void TUndoTest::CtrlZAndCtrlShiftZFinishWhatWasCutShort() {
  TWindowOnSongs window(AddTwoSongsOfAnAlbum, {.History = true});
  RunOnAll(window, [](TMainWindow& w) { Choose(w, "detailsCleanupButton"); });
  const std::map<std::string, std::string> cleaned = FolderBytes(window.Folder.Path());
  RunOnAll(window, [](TMainWindow& w) { Choose(w, "clearAlbumEntry"); });
  const std::map<std::string, std::string> cleared = FolderBytes(window.Folder.Path());
  const auto newestEntry = [&] { return window.History->Entries(1).Value().front().Id; };
  const std::size_t asked = window.Dialogs.Messages.size();
  const QString place = FolderName(window.Folder);
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  window.Press(Qt::Key_Z, Qt::ControlModifier);  // an undo of several files runs on a worker
  LeaveCutShort(*window.History, newestEntry(), cleared);
  QVERIFY(FolderBytes(window.Folder.Path()) != cleaned && FolderBytes(window.Folder.Path()) != cleared);
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  window.Press(Qt::Key_Z, Qt::ControlModifier);  // an undo of several files runs on a worker
  QCOMPARE(window.Dialogs.Messages.size(), asked + 2);
  QCOMPARE(window.Dialogs.Messages[asked + 1].Text,
           QStringLiteral("Finish undoing \"ID3 Clear Album\" on 2 file(s) in \"%1\"?").arg(place));
  QVERIFY(FolderBytes(window.Folder.Path()) == cleaned);
  // A redo cut short is finished the same way.
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  window.Press(Qt::Key_Z, Qt::ControlModifier);  // an undo of several files runs on a worker
  const std::map<std::string, std::string> undone = FolderBytes(window.Folder.Path());
  QVERIFY(undone != cleaned);
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  window.Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);  // an undo of several files runs on a worker
  QVERIFY(FolderBytes(window.Folder.Path()) == cleaned);
  LeaveCutShort(*window.History, newestEntry(), undone);
  QVERIFY(FolderBytes(window.Folder.Path()) != cleaned && FolderBytes(window.Folder.Path()) != undone);
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  QTest::keySequence(window.Window.get(), QKeySequence(Qt::CTRL | Qt::Key_Y));
  WaitForSongs(*window.Window);  // an undo of several files runs on a worker
  QCOMPARE(window.Dialogs.Messages.back().Text,
           QStringLiteral("Finish redoing \"Details Cleanup\" on 2 file(s) in \"%1\"?").arg(place));
  QVERIFY(FolderBytes(window.Folder.Path()) == cleaned);
}

// Ctrl+Z on a large entry runs on a worker, as a command does: its progress shows, a Cancel stops it
// between two files, the entry is then partly undone with exactly the files taken back so far,
// and the next Ctrl+Z finishes it.
namespace {

// A folder of songs whose titles the core took from their names, as the window's command would,
// in one entry; the window shows no folder, so that nothing but the undo takes time. The undo is
// held at the progress report of heldAt files done until released.
struct TBigEntry : TWindowOnSongs {
  TBigEntry(int songs, std::size_t heldAt) : TWindowOnSongs({.History = true, .OpenAtOnce = false}) {
    for (int i = 0; i < songs; ++i) Folder.AddSong("band - song " + std::to_string(i) + ".mp3");
    before = FolderBytes(Folder.Path());
    command = RecordFileNameAsTitle(*History, Folder.Path());
    Window->Seams().BeforeEachPassSong = [this, heldAt](std::size_t done) {
      if (done != heldAt) return;
      held = true;
      while (!released) std::this_thread::yield();
    };
  }
  ~TBigEntry() { Window->Seams().BeforeEachPassSong = {}; }

  std::map<std::string, std::string> before;
  std::int64_t command = 0;
  std::atomic<bool> held = false;
  std::atomic<bool> released = false;
};

}  // namespace

void TUndoTest::CtrlZOnABigEntryShowsProgressAndStopsAtCancel() {
  constexpr int kSongs = 2000;
  constexpr std::size_t kHeldAt = 3;  // the progress report the undo is held at, files done
  TBigEntry window(kSongs, kHeldAt);
  const TSongFolder& folder = window.Folder;
  const std::map<std::string, std::string>& before = window.before;
  const std::int64_t command = window.command;
  auto& held = window.held;
  auto& released = window.released;
  const std::map<std::string, std::string> titled = FolderBytes(folder.Path());
  QVERIFY(titled != before);
  // The files of the entry, newest change first: the order the undo takes them in.
  std::vector<std::string> newestFirst = EntryFiles(*window.History, command).Value();
  std::reverse(newestFirst.begin(), newestFirst.end());
  QCOMPARE(newestFirst.size(), std::size_t{kSongs});
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  QTest::keyClick(window.Window.get(), Qt::Key_Z, Qt::ControlModifier);
  QVERIFY(window.Window->IsRunningCommand());
  QVERIFY(QTest::qWaitFor([&] { return held.load(); }));
  const QString progress = ProgressText(*window.Window);
  QVERIFY2(progress.startsWith(QStringLiteral("Undo: ")) && progress.endsWith(QStringLiteral(" / 2,000")),
           qPrintable(progress));
  window.Window->CancelCommand();
  released = true;
  WaitForLongCommand(*window.Window);
  std::map<std::string, std::string> expected = titled;
  for (std::size_t i = 0; i <= kHeldAt; ++i) expected[newestFirst[i]] = before.at(newestFirst[i]);
  QVERIFY(FolderBytes(folder.Path()) == expected);
  const THistoryEntry partly = *window.History->FindEntry(command).Value();
  QCOMPARE(partly.FilesUndone, std::int64_t{kHeldAt + 1});
  QVERIFY(!partly.Undone);
  QCOMPARE(StatusText(*window.Window),
           QStringLiteral("Undo \"Filename as Title\": cancelled after 4 of 2,000 files; 4 files restored"));
  window.Window->Seams().BeforeEachPassSong = {};
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  QTest::keyClick(window.Window.get(), Qt::Key_Z, Qt::ControlModifier);
  QVERIFY(window.Dialogs.Messages.back().Text.startsWith(QStringLiteral("Finish undoing")));
  WaitForLongCommand(*window.Window);
  QVERIFY(FolderBytes(folder.Path()) == before);
  QVERIFY(window.History->FindEntry(command).Value()->Undone);
  QCOMPARE(StatusText(*window.Window), QStringLiteral("Undo \"Filename as Title\": 1,996 files restored"));
}

// The history dialog's Undo runs as Ctrl+Z does: the dialog shows its progress and a Cancel, which
// stops it between two files; the entry is then partly undone, and Undo again finishes it.
void TUndoTest::TheHistoryDialogsUndoShowsProgressAndStopsAtCancel() {
  constexpr std::size_t kHeldAt = 3;
  TBigEntry window(300, kHeldAt);
  auto& held = window.held;
  auto& released = window.released;
  QString shown;
  window.Dialogs.HistoryScript = [&](THistoryDialog& dialog) {
    auto* undo = ChildOf<QPushButton>(dialog, "historyUndoButton");
    auto* cancel = ChildOf<QPushButton>(dialog, "historyCancelButton");
    QTimer whenHeld;  // runs while the dialog waits for the undo
    QObject::connect(&whenHeld, &QTimer::timeout, [&] {
      if (!held || released) return;
      shown = ChildOf<QLabel>(dialog, "historyProgress")->text();
      QVERIFY(!undo->isEnabled());
      cancel->click();
      released = true;
    });
    whenHeld.start(1);
    window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
    undo->click();
    QVERIFY(cancel->isHidden());
    QCOMPARE(ChildOf<QTreeWidget>(dialog, "historyEntryList")->topLevelItem(1)->text(4),
             QStringLiteral("partly undone"));
    QCOMPARE(window.History->FindEntry(window.command).Value()->FilesUndone, std::int64_t{kHeldAt + 1});
    window.Window->Seams().BeforeEachPassSong = {};
    ChildOf<QTreeWidget>(dialog, "historyEntryList")
        ->setCurrentItem(ChildOf<QTreeWidget>(dialog, "historyEntryList")->topLevelItem(1));
    window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
    undo->click();
  };
  MenuEntry(window, "historyEntry")->trigger();
  QVERIFY2(shown.startsWith(QStringLiteral("Undo: ")) && shown.endsWith(QStringLiteral(" / 300")), qPrintable(shown));
  QVERIFY(window.Dialogs.Messages.back().Text.startsWith(QStringLiteral("Finish undoing")));
  QVERIFY(FolderBytes(window.Folder.Path()) == window.before);
  QVERIFY(window.History->FindEntry(window.command).Value()->Undone);
}

}  // namespace tagwright::testing

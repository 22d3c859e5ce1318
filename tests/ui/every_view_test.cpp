// The window keeps one set of promises in all five views: after each event, the songs selected, the
// current song, the panel and what was typed in it are what the user left them, and what was typed
// goes only through the Stamp/Discard/Cancel question or a stamp.
#include <sys/stat.h>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QScopeGuard>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/folders/folder_pane.h"
#include "ui/window/status_panels.h"

namespace tagwright::testing {

namespace {

enum class TEvent : std::uint8_t {
  StampOnSeveral,  // an Album typed for two songs, then F6
  StampOnOne,      // an Artist typed for one song, then F6
  RefusedStamp,    // the same on a read-only song, skipped
  Refresh,
  ViewChange,
  FilterChange,
  HidingFilter,  // a filter that hides the song being edited, then Unfiltered again
  Undo,          // of the stamp on several
  Redo,
  Cancel,             // another row clicked, "Stamp the changes?" answered Cancel
  IncludeSubfolders,  // ticked, which lists a song of a subfolder before the others
  PreviousStamp,      // F11, "Stamp the changes?" answered Stamp
  NextDiscard,        // F12, answered Discard
  ClickStamp,         // another row clicked, answered Stamp
  ClickDiscard,       // another row clicked, answered Discard
  HiddenClickStamp,   // a filter hides the edited song, another row clicked, answered Stamp
};

// An event starts from one selected song with an Artist typed, or from two with an Album typed;
// what was typed stays in the field after it, but after an undo of the stamp and once the user has
// left the song through the question.
struct TEventCase {
  const char* Name;
  TEvent Event;
  bool OneSong;
};

const TEventCase kEvents[] = {
    {"stamp on several", TEvent::StampOnSeveral, false},
    {"stamp on one", TEvent::StampOnOne, true},
    {"refused stamp", TEvent::RefusedStamp, true},
    {"refresh with typed text", TEvent::Refresh, false},
    {"view change with typed text", TEvent::ViewChange, false},
    {"filter change with typed text", TEvent::FilterChange, false},
    {"filter hiding the edited song", TEvent::HidingFilter, true},
    {"undo", TEvent::Undo, false},
    {"redo", TEvent::Redo, false},
    {"cancel of the question", TEvent::Cancel, true},
    {"include subdirectories with typed text", TEvent::IncludeSubfolders, false},
    {"F11 answered stamp", TEvent::PreviousStamp, true},
    {"F12 answered discard", TEvent::NextDiscard, true},
    {"click answered stamp", TEvent::ClickStamp, true},
    {"click answered discard", TEvent::ClickDiscard, true},
    {"click leaving two songs, answered stamp", TEvent::ClickStamp, false},
    {"click leaving two songs, answered discard", TEvent::ClickDiscard, false},
    {"click leaving two songs, answered cancel", TEvent::Cancel, false},
    {"click leaving a hidden song, answered stamp", TEvent::HiddenClickStamp, true},
};

const char* const kViewNames[kViewModeCount] = {"path", "file name", "artist", "title", "columns"};

int RowOf(const TWindowOnSongs& window, const std::string& file) {
  for (int row = 0; row < window->RowCount(); ++row) {
    if (window->SongAtRow(row)->FileName() == file) return row;
  }
  return -1;
}

// The selected songs' file names, in an order that is the same in every view.
QStringList SelectedNames(const TWindowOnSongs& window) {
  QStringList names = SelectedFiles(window);
  names.sort();
  return names;
}

// Chooses a view as the user does, by its key (Ctrl+1 to Ctrl+5).
void ChooseView(TWindowOnSongs& window, int view) {
  window.Press(Qt::Key(Qt::Key_1 + view), Qt::ControlModifier);
  QVERIFY(ViewModeOf(window) == TViewMode(view));
}

std::size_t QuestionsAsked(const TWindowOnSongs& window) {
  return std::size_t(std::count_if(window.Dialogs.Messages.begin(), window.Dialogs.Messages.end(), [](const auto& m) {
    return m.Text.startsWith(QStringLiteral("Stamp the changes to "));
  }));
}

// What the window should show after an event: by default what it showed before, with what was typed.
struct TExpected {
  QStringList Selected;
  QString Current;
  QString Typed = QStringLiteral("Typed");
  int Songs = 4;
  std::size_t Questions = 0;
  bool Stamped = false;
};

// Plays the event on the window, where one song or two are selected with "Typed" in field, and
// says what it should leave.
void Play(TWindowOnSongs& window, const TEventCase& c, int view, const QLineEdit* field, TExpected& expected) {
  const std::string& two = window.Songs[1];
  const QMap<QString, QString> artists{
      {"1.mp3", "Abba"}, {"2.mp3", "Moby"}, {"3.mp3", "Sting"}, {"4.mp3", "Zed"}, {"0.mp3", "Aaron"}};
  // Another song is left through the question: the edit goes as answered, the other song is shown.
  auto leaveFor = [&](const QString& other, TMsgDlgButton answer) {
    if (other.isEmpty()) return;  // nowhere to go: nothing is asked
    window.Dialogs.Answers.push_back(answer);
    const QString shown = c.OneSong ? artists[other] : QStringLiteral("Album");
    expected = {{other}, other, shown, expected.Songs, 1, answer == TMsgDlgButton::Yes};
  };
  switch (c.Event) {
    case TEvent::StampOnSeveral:
    case TEvent::StampOnOne:
      expected.Stamped = true;
      window.Press(Qt::Key_F6);
      break;
    case TEvent::RefusedStamp:
      QCOMPARE(chmod(two.c_str(), 0444), 0);
      window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);  // skip it
      window.Press(Qt::Key_F6);
      break;
    case TEvent::Refresh: window.Run("refreshEntry"); break;
    case TEvent::ViewChange: ChooseView(window, (view + 1) % kViewModeCount); break;
    case TEvent::FilterChange: window.Run("id3TagUsedFilter"); break;
    case TEvent::HidingFilter:
      window.Run("noGenreFilter");
      QCOMPARE(RowOf(window, two), -1);
      QCOMPARE(field->text(), QStringLiteral("Typed"));
      window.Run("unfilteredFilter");
      break;
    case TEvent::Undo:
    case TEvent::Redo:
      window.Press(Qt::Key_F6);
      window.Dialogs.Answers = {TMsgDlgButton::Yes, TMsgDlgButton::Yes};  // undo, redo
      window.Press(Qt::Key_Z, Qt::ControlModifier);
      expected.Typed = QStringLiteral("Album");
      if (c.Event == TEvent::Redo) {
        window.Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        expected.Typed = QStringLiteral("Typed");
        expected.Stamped = true;
      }
      break;
    case TEvent::Cancel:
      window.Dialogs.Answers.push_back(TMsgDlgButton::Cancel);
      expected.Questions = 1;
      window.Click(RowOf(window, window.Songs[3]));
      break;
    case TEvent::IncludeSubfolders:
      expected.Songs = 5;
      window.Run("includeSubfoldersEntry");
      QCOMPARE(RowOf(window, window.Songs[4]), 0);  // the rows below have moved, the songs are the same
      break;
    case TEvent::PreviousStamp:
      leaveFor(FileOfRow(window, RowOf(window, two) - 1), TMsgDlgButton::Yes);
      window.Press(Qt::Key_F11);
      break;
    case TEvent::NextDiscard:
      leaveFor(FileOfRow(window, RowOf(window, two) + 1), TMsgDlgButton::No);
      window.Press(Qt::Key_F12);
      break;
    case TEvent::ClickStamp:
    case TEvent::ClickDiscard:
      leaveFor(QStringLiteral("4.mp3"), c.Event == TEvent::ClickStamp ? TMsgDlgButton::Yes : TMsgDlgButton::No);
      window.Click(RowOf(window, window.Songs[3]));
      break;
    case TEvent::HiddenClickStamp:
      window.Run("noGenreFilter");
      expected.Songs = 3;
      leaveFor(QStringLiteral("4.mp3"), TMsgDlgButton::Yes);
      window.Click(RowOf(window, window.Songs[3]));
      break;
  }
}

}  // namespace

void TEveryViewTest::SelectionPanelAndTypedTextFollowTheRules_data() {
  QTest::addColumn<int>("view");
  QTest::addColumn<int>("event");
  for (int view = 0; view < kViewModeCount; ++view) {
    for (int event = 0; event < int(std::size(kEvents)); ++event) {
      QTest::addRow("%s, %s", kViewNames[view], kEvents[event].Name) << view << event;
    }
  }
}

void TEveryViewTest::SelectionPanelAndTypedTextFollowTheRules() {
  QFETCH(int, view);
  QFETCH(int, event);
  const TEventCase& c = kEvents[event];
  TWindowOnSongs window({{"1.mp3", Tags("Abba", "Waterloo", "Album")},
                         {"2.mp3", Tags("Moby", "Why", "Album", 0, "Rock")},
                         {"3.mp3", Tags("Sting", "Fields", "Album")},
                         {"4.mp3", Tags("Zed", "One", "Album")},
                         {"0sub/0.mp3", Tags("Aaron", "Aa", "Album")}},  // listed with the subfolders only
                        {.History = true});
  const std::string& two = window.Songs[1];
  ChooseView(window, view);
  window.Click(RowOf(window, two));
  if (!c.OneSong) window.Click(RowOf(window, window.Songs[2]), Qt::ControlModifier);
  TExpected expected{SelectedNames(window), FileOfRow(window, window->CurrentRow())};
  QLineEdit* field = window.Field(c.OneSong ? TDetailsField::Artist : TDetailsField::Album);
  field->setText(QStringLiteral("Typed"));
  Play(window, c, view, field, expected);
  if (QTest::currentTestFailed()) return;
  QCOMPARE(QuestionsAsked(window), expected.Questions);
  QCOMPARE(SelectedNames(window), expected.Selected);
  QCOMPARE(FileOfRow(window, window->CurrentRow()), expected.Current);
  QCOMPARE(field->text(), expected.Typed);
  QVERIFY(field->isEnabled());
  if (c.OneSong) {
    // Typed and not stamped: the panel says so.
    QCOMPARE(SongDetailsCaption(window), expected.Typed == QStringLiteral("Typed") && !expected.Stamped
                                             ? QStringLiteral(" Song Details (changed) ")
                                             : QStringLiteral(" Song Details "));
  }
  QCOMPARE(window.Child<TStatusPanels>("statusBar")->SelectionText(),
           QStringLiteral("%1 of %2 songs selected").arg(expected.Selected.size()).arg(expected.Songs));
  QVERIFY(ViewModeOf(window) == TViewMode(c.Event == TEvent::ViewChange ? (view + 1) % kViewModeCount : view));
  // What was stamped is on disk, and only that: on the songs it was typed for.
  for (const std::string& song : {window.Songs[1], window.Songs[2]}) {
    TID3Info tags;
    QVERIFY(ReadID3Tags(song, tags).Ok());
    const bool typedFor = song == two || !c.OneSong;
    const std::string held = c.OneSong ? tags.Artist : tags.Album;
    QCOMPARE(held == "Typed", expected.Stamped && typedFor);
    QCOMPARE(tags.Title, std::string(song == two ? "Why" : "Fields"));
  }
}

void TEveryViewTest::AStampAnsweredForSeveralSongsRunsAsTheStampButtonDoes_data() {
  QTest::addColumn<QString>("leave");  // how the user leaves the songs
  QTest::addColumn<bool>("cancel");
  for (const char* leave : {"click", "F12", "another folder", "close"}) {
    QTest::addRow("%s, left to run", leave) << QString::fromLatin1(leave) << false;
    QTest::addRow("%s, cancelled", leave) << QString::fromLatin1(leave) << true;
  }
}

// Three songs left with typed text, "Stamp the changes to 3 songs?" answered Stamp: the stamp goes on
// a worker as the Stamp button's does, with its progress and Cancel, while the window answers. The
// user goes where they were going once the stamp has held, and after a Cancel stays on the three
// songs with what was typed.
void TEveryViewTest::AStampAnsweredForSeveralSongsRunsAsTheStampButtonDoes() {
  QFETCH(QString, leave);
  QFETCH(bool, cancel);
  std::atomic<bool> held = false;
  std::atomic<bool> go = false;
  TWindowOnSongs window({{"1.mp3", Tags("Abba", "Waterloo", "Album")},
                         {"2.mp3", Tags("Moby", "Why", "Album")},
                         {"3.mp3", Tags("Sting", "Fields", "Album")},
                         {"4.mp3", Tags("Zed", "One", "Album")}});
  TSongFolder other;
  other.AddSong("Other - Song.mp3");
  window.Click(0);
  window.Click(2, Qt::ShiftModifier);
  window.Type(TDetailsField::Album, QStringLiteral("Typed"));
  const auto letGo = qScopeGuard([&go] { go = true; });  // also when a check fails first
  window->Seams().BeforeEachPassSong = [&](std::size_t done) {
    // Held before the second song, on a worker only: held on the window's thread, it would hold the
    // test too. After 30 s it goes on, and the test fails on its own check.
    if (done != 1 || QThread::currentThread() == qApp->thread()) return;
    held = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!go && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);
  TMainWindow& busy = *window.Window;  // not through ->, which would wait for the stamp
  if (leave == QStringLiteral("click")) ClickRow(busy, 3);
  if (leave == QStringLiteral("F12")) QTest::keyClick(&busy, Qt::Key_F12);
  if (leave == QStringLiteral("another folder")) QVERIFY(busy.SelectFolder(other.QPath()));
  if (leave == QStringLiteral("close")) QVERIFY(!busy.close());
  QVERIFY(busy.IsRunningCommand());
  QVERIFY(QTest::qWaitFor([&] { return held.load(); }, 30000));
  QTRY_COMPARE(ProgressText(busy), QStringLiteral("Stamp ID3 Tag(s): 0 / 3"));
  // Neither another folder nor another command meanwhile.
  QVERIFY(!ChildOf<TFolderPane>(busy, "folderPane")->isEnabled());
  QVERIFY(!ChildOf<QPushButton>(busy, "stampButton")->isEnabled());
  if (cancel) QTest::mouseClick(ChildOf<QPushButton>(busy, "cancelCommandButton"), Qt::LeftButton);
  go = true;
  QVERIFY(WaitUntilLoaded(busy));
  busy.Seams().BeforeEachPassSong = {};
  QCOMPARE(QuestionsAsked(window), std::size_t{1});
  for (std::size_t song = 0; song < 4; ++song) {
    TID3Info tags;
    QVERIFY(ReadID3Tags(window.Songs[song], tags).Ok());
    QCOMPARE(tags.Album, std::string(song < (cancel ? 2 : 3) ? "Typed" : "Album"));
  }
  QCOMPARE(ProgressText(busy), QString());
  if (cancel) {
    QVERIFY(busy.isVisible());
    QCOMPARE(busy.SelectedFolder(), window.Folder.Path());
    QCOMPARE(SelectedNames(window), QStringList({"1.mp3", "2.mp3", "3.mp3"}));
    QCOMPARE(window.Field(TDetailsField::Album)->text(), QStringLiteral("Typed"));
    QCOMPARE(StatusText(window), QStringLiteral("Stamp ID3 Tag(s): cancelled after 2 of 3 songs; 2 songs tagged"));
  } else if (leave == QStringLiteral("close")) {
    QTRY_VERIFY(!busy.isVisible());
  } else if (leave == QStringLiteral("another folder")) {
    QCOMPARE(busy.SelectedFolder(), other.Path());
    QCOMPARE(RowTexts(busy), QStringList{QString::fromStdString(other / "Other - Song.mp3")});
  } else {
    QCOMPARE(SelectedNames(window), QStringList({"4.mp3"}));
    QCOMPARE(FileOfRow(window, window->CurrentRow()), QStringLiteral("4.mp3"));
    QCOMPARE(window.Field(TDetailsField::Album)->text(), QStringLiteral("Album"));
    QCOMPARE(StatusText(window), QStringLiteral("Stamp ID3 Tag(s): 3 songs tagged"));
  }
}

}  // namespace tagwright::testing

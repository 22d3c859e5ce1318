// The window keeps one set of promises in all five views: after each event, the songs selected, the
// current song, the panel and what was typed in it are what the user left them, and what was typed
// goes only through the Stamp/Discard/Cancel question or a stamp.
#include <sys/stat.h>
#include <QAbstractButton>
#include <QLineEdit>

#include "files/paths.h"
#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
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
  Cancel,  // another row clicked, "Stamp the changes?" answered Cancel
};

// An event starts from one selected song with an Artist typed, or from two with an Album typed;
// what was typed stays in the field after it, but after an undo of the stamp.
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
};

const char* const kViewNames[kViewModeCount] = {"path", "file name", "artist", "title", "columns"};

int RowOf(const TWindowUnderTest& window, const std::string& file) {
  for (int row = 0; row < window->RowCount(); ++row) {
    if (window->SongAtRow(row)->FileName() == file) return row;
  }
  return -1;
}

QStringList SelectedNames(const TWindowUnderTest& window) {
  QStringList names;
  for (int row : SelectedRows(*window.Window)) {
    names << QString::fromStdString(std::string(FileNamePart(window->SongAtRow(row)->FileName())));
  }
  names.sort();
  return names;
}

QString CurrentName(const TWindowUnderTest& window) {
  const TSongFile* song = window->SongAtRow(window->CurrentRow());
  return song == nullptr ? QString() : QString::fromStdString(std::string(FileNamePart(song->FileName())));
}

// Chooses a view as the user does, by its key (Ctrl+1 to Ctrl+5).
void ChooseView(TWindowUnderTest& window, int view) {
  WaitForSongs(*window.Window);  // the views cannot be chosen while a folder loads
  QTest::keyClick(window.Window.get(), Qt::Key(Qt::Key_1 + view), Qt::ControlModifier);
  QVERIFY(ViewModeOf(window) == TViewMode(view));
}

void ChooseFilter(const TWindowUnderTest& window, const char* button) {
  window.Child<QAbstractButton>(button)->click();
}

void PressKey(TWindowUnderTest& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(window.Window.get(), key, modifiers);
  WaitForSongs(*window.Window);
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
  TSongFolder folder;
  folder.AddTaggedSong("1.mp3", Tags("Abba", "Waterloo", "Album"));
  const std::string two = folder.AddTaggedSong("2.mp3", Tags("Moby", "Why", "Album", 0, "Rock"));
  const std::string three = folder.AddTaggedSong("3.mp3", Tags("Sting", "Fields", "Album"));
  const std::string four = folder.AddTaggedSong("4.mp3", Tags("Zed", "One", "Album"));
  TWindowWithHistory test;
  TWindowUnderTest& window = test.window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ChooseView(window, view);
  ClickRow(*window.Window, RowOf(window, two));
  if (!c.OneSong) ClickRow(*window.Window, RowOf(window, three), Qt::ControlModifier);
  const QStringList selected = SelectedNames(window);
  const QString current = CurrentName(window);
  auto* field = window.Child<QLineEdit>(c.OneSong ? "artistField" : "albumField");
  field->setText(QStringLiteral("Typed"));

  switch (c.Event) {
    case TEvent::StampOnSeveral:
    case TEvent::StampOnOne: PressKey(window, Qt::Key_F6); break;
    case TEvent::RefusedStamp:
      QCOMPARE(chmod(two.c_str(), 0444), 0);
      window.Dialogs.Answers.push_back(TMsgDlgButton::Yes);  // skip it
      PressKey(window, Qt::Key_F6);
      break;
    case TEvent::Refresh: Choose(*window.Window, "refreshEntry"); break;
    case TEvent::ViewChange: ChooseView(window, (view + 1) % kViewModeCount); break;
    case TEvent::FilterChange: ChooseFilter(window, "id3TagUsedFilter"); break;
    case TEvent::HidingFilter:
      ChooseFilter(window, "noGenreFilter");
      QCOMPARE(RowOf(window, two), -1);
      QCOMPARE(field->text(), QStringLiteral("Typed"));
      ChooseFilter(window, "unfilteredFilter");
      break;
    case TEvent::Undo:
    case TEvent::Redo:
      PressKey(window, Qt::Key_F6);
      window.Dialogs.Answers = {TMsgDlgButton::Yes, TMsgDlgButton::Yes};  // undo, redo
      PressKey(window, Qt::Key_Z, Qt::ControlModifier);
      if (c.Event == TEvent::Redo) PressKey(window, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
      break;
    case TEvent::Cancel:
      window.Dialogs.Answers.push_back(TMsgDlgButton::Cancel);
      ClickRow(*window.Window, RowOf(window, four));
      QCOMPARE(window.Dialogs.Messages.size(), std::size_t(1));
      break;
  }
  WaitForSongs(*window.Window);
  QCOMPARE(SelectedNames(window), selected);
  QCOMPARE(CurrentName(window), current);
  QCOMPARE(field->text(), c.Event == TEvent::Undo ? QStringLiteral("Album") : QStringLiteral("Typed"));
  QVERIFY(field->isEnabled());
  QCOMPARE(window.Child<TStatusPanels>("statusBar")->SelectionText(),
           QStringLiteral("%1 of 4 songs selected").arg(selected.size()));
  QVERIFY(ViewModeOf(window) == TViewMode(c.Event == TEvent::ViewChange ? (view + 1) % kViewModeCount : view));
  // What was stamped is on disk, and only that.
  const bool stamped = c.Event == TEvent::StampOnOne || c.Event == TEvent::StampOnSeveral || c.Event == TEvent::Redo;
  TID3Info tags;
  QVERIFY(ReadID3Tags(two, tags).Ok());
  QCOMPARE(QString::fromStdString(c.OneSong ? tags.Artist : tags.Album),
           stamped ? QStringLiteral("Typed") : QString::fromLatin1(c.OneSong ? "Moby" : "Album"));
}

}  // namespace tagwright::testing

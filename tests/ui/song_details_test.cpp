// The song details panel: one song, the values several songs share, the length warning, and moving
// through the list.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>
#include <filesystem>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/song_list/song_list_box.h"

namespace tagwright::testing {

namespace {

QColor Background(const QLineEdit* field) { return field->palette().color(QPalette::Base); }

}  // namespace

void TSongDetailsTest::SingleSongFillsEveryField() {
  TID3Info tags = Tags("Abba", "Waterloo", "Waterloo", 3, "Pop", "1974");
  tags.Comment = "Eurovision";
  TWindowOnSongs window({{"03 - Abba - Waterloo.mp3", tags}});
  window.Click(0);
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details "));
  QCOMPARE(window.Child<QLineEdit>("fileNameField")->text(), QStringLiteral("03 - Abba - Waterloo.mp3"));
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("Abba"));
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("Waterloo"));
  QCOMPARE(window.Field(TDetailsField::Album)->text(), QStringLiteral("Waterloo"));
  QCOMPARE(window.Field(TDetailsField::Year)->text(), QStringLiteral("1974"));
  QCOMPARE(window.Field(TDetailsField::Comment)->text(), QStringLiteral("Eurovision"));
  QCOMPARE(window.Field(TDetailsField::Track)->text(), QStringLiteral("03"));
  QCOMPARE(window.Child<QComboBox>("genreBox")->currentText(), QStringLiteral("Pop"));
  QCOMPARE(window.Child<QLabel>("readOnlyLabel")->text(), QString());
  QVERIFY(window.Field(TDetailsField::Title)->isEnabled());
  QCOMPARE(window.Child<QLabel>("statusMark")->text(), QStringLiteral("ooooo"));
  QCOMPARE(window.Child<QLabel>("statusMark")->palette().color(QPalette::WindowText), QColor(0, 128, 0));
}

void TSongDetailsTest::TrackIsPaddedAndZeroEmpty() {
  TWindowOnSongs window({{"a.mp3", Tags("Abba", "Waterloo", "", 7)}, {"b.mp3", Tags("Abba", "Dancing Queen", "", 0)}});
  window.Click(0);
  QCOMPARE(window.Field(TDetailsField::Track)->text(), QStringLiteral("07"));
  window.Click(1);
  QCOMPARE(window.Field(TDetailsField::Track)->text(), QString());
}

// The year, track and genre limits stop typing only: values the program puts in are shown and
// written whole.
void TSongDetailsTest::LengthLimitsStopTypingOnly() {
  TWindowOnSongs window({{"2004 - Moby - Why.mp3", Tags("", "", "", 0, "", "1999/2000")}});
  const std::string& song = window.Songs[0];
  window.Click(0);
  auto* year = window.Field(TDetailsField::Year);
  auto* track = window.Field(TDetailsField::Track);
  QCOMPARE(window->SongAtRow(0)->Year(), std::string("1999/2000"));
  QCOMPARE(year->text(), QStringLiteral("1999/2000"));
  QCOMPARE(track->text(), QStringLiteral("2004"));

  // F5 names the file after the whole track, and F6 writes the whole year.
  QTest::keyClick(window.Window.get(), Qt::Key_F5);
  QVERIFY(FileExists(song));
  QVERIFY(!FileExists(window.Folder / "200 - Moby - Why.mp3"));
  window.Click(0);
  QTest::keyClick(window.Window.get(), Qt::Key_F6);
  TID3Info tags;
  QVERIFY(ReadID3Tags(song, tags).Ok());
  QCOMPARE(tags.Year, std::string("1999/2000"));

  // Typing cannot make a long value longer, but can shorten it; an empty field takes four digits.
  window.Click(0);
  year->setFocus();
  year->end(false);
  QTest::keyClicks(year, QStringLiteral("7"));
  QCOMPARE(year->text(), QStringLiteral("1999/2000"));
  QTest::keyClick(year, Qt::Key_Backspace);
  QCOMPARE(year->text(), QStringLiteral("1999/200"));
  year->clear();
  QTest::keyClicks(year, QStringLiteral("123456"));
  QCOMPARE(year->text(), QStringLiteral("1234"));
  track->clear();
  QTest::keyClicks(track, QStringLiteral("12345"));
  QCOMPARE(track->text(), QStringLiteral("123"));
  auto* genre = window.Child<QComboBox>("genreBox");
  genre->setEditText(QString(120, QLatin1Char('g')));
  QCOMPARE(genre->currentText().size(), 120);
  genre->lineEdit()->clear();
  QTest::keyClicks(genre->lineEdit(), QString(101, QLatin1Char('h')));
  QCOMPARE(genre->currentText().size(), 100);
}

void TSongDetailsTest::ReadOnlyFileIsMarked() {
  TWindowOnSongs window(
      {{"Abba - Waterloo.mp3", Tags("Abba", "Waterloo")}, {"Moby - Porcelain.mp3", Tags("Moby", "Porcelain")}},
      {.OpenAtOnce = false});
  std::filesystem::permissions(window.Songs[0], std::filesystem::perms::owner_read |
                                                    std::filesystem::perms::group_read |
                                                    std::filesystem::perms::others_read);  // 0444, also for root
  window.Open();
  ClickRow(*window.Window, 0);
  QCOMPARE(window.Child<QLabel>("readOnlyLabel")->text(), QStringLiteral("(Read-only)"));
  QCOMPARE(window.Child<QLineEdit>("artistField")->text(), QStringLiteral("Abba"));
  ClickRow(*window.Window, 1);
  QCOMPARE(window.Child<QLabel>("readOnlyLabel")->text(), QString());
}

void TSongDetailsTest::CommonModeShowsSharedValues() {
  TWindowOnSongs window({
      {"1.mp3", Tags("Abba", "Waterloo", "Gold", 1, "Pop", "1992")},
      {"2.mp3", Tags("Abba", "Fernando", "Gold", 2, "Pop", "1992")},
      {"3.mp3", Tags("Abba", "SOS", "", 3, "Pop", "1992")},  // no album
  });
  ClickRow(*window.Window, 0);
  ClickRow(*window.Window, 1, Qt::ControlModifier);
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details \u2014 2 songs "));
  QVERIFY(!window.Child<QLineEdit>("titleField")->isEnabled());
  QCOMPARE(window.Child<QLineEdit>("titleField")->text(), QString());
  QCOMPARE(window.Child<QLineEdit>("fileNameField")->text(), QString());
  QCOMPARE(window.Child<QLineEdit>("artistField")->text(), QStringLiteral("Abba"));
  QCOMPARE(window.Child<QLineEdit>("albumField")->text(), QStringLiteral("Gold"));
  QCOMPARE(window.Child<QLineEdit>("yearField")->text(), QStringLiteral("1992"));
  QCOMPARE(window.Child<QComboBox>("genreBox")->currentText(), QStringLiteral("Pop"));
  QCOMPARE(window.Child<QLineEdit>("trackField")->text(), QString());  // 01 and 02 differ
  // One song without an album empties the field although the others agree.
  ClickRow(*window.Window, 2, Qt::ControlModifier);
  QCOMPARE(window.Child<QLineEdit>("albumField")->text(), QString());
  QCOMPARE(window.Child<QLineEdit>("artistField")->text(), QStringLiteral("Abba"));
  QCOMPARE(window.Child<QLabel>("statusMark")->palette().color(QPalette::WindowText),
           QPalette().color(QPalette::WindowText));
}

void TSongDetailsTest::CommonModeCaseOnlyDifferenceShowsLastSpelling() {
  TWindowOnSongs window(
      {{"1.mp3", Tags("abba", "Waterloo")}, {"2.mp3", Tags("ABBA", "Fernando")}, {"3.mp3", Tags("Abba.", "SOS")}});
  window.Click(0);
  window.Click(1, Qt::ShiftModifier);
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QStringLiteral("ABBA"));
  window.Click(2, Qt::ControlModifier);
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QString());
}

void TSongDetailsTest::BackToOneSongLeavesCommonMode() {
  TWindowOnSongs window({{"1.mp3", Tags("Abba", "Waterloo")}, {"2.mp3", Tags("Moby", "Porcelain")}});
  window.Click(0);
  window.Click(1, Qt::ControlModifier);
  QVERIFY(!window.Field(TDetailsField::Title)->isEnabled());
  window.Click(1);
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details "));
  QVERIFY(window.Field(TDetailsField::Title)->isEnabled());
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("Porcelain"));
  // Deselecting the last selected row keeps it current, and the panel shows nothing, disabled.
  window.Click(1, Qt::ControlModifier);
  QCOMPARE(window->SelectedSongCount(), 0);
  QCOMPARE(window->CurrentRow(), 1);
  QCOMPARE(SongDetailsCaption(window), QStringLiteral(" Song Details "));
  QCOMPARE(window.Field(TDetailsField::Artist)->text(), QString());
  QVERIFY(!window.Field(TDetailsField::Artist)->isEnabled());
}

void TSongDetailsTest::LongArtistAndTitleAreColoured() {
  const std::string thirty(30, 'a');
  TWindowOnSongs window({{"1.mp3", Tags(thirty, thirty + "b")}});
  QLineEdit* artist = window.Field(TDetailsField::Artist);
  const QColor normal = artist->palette().color(QPalette::Active, QPalette::Base);  // before any song is shown
  const QColor orange(255, 190, 125);
  window.Click(0);
  QCOMPARE(artist->text().size(), 30);
  QCOMPARE(Background(artist), normal);
  QCOMPARE(Background(window.Field(TDetailsField::Title)), orange);
  // Typing follows too, and the field takes more than 30 characters.
  QTest::keyClicks(artist, QStringLiteral("x"));
  QCOMPARE(artist->text().size(), 31);
  QCOMPARE(Background(artist), orange);
  QTest::keyClick(artist, Qt::Key_Backspace);
  QCOMPARE(Background(artist), normal);
  // Album and comment are not watched.
  window.Type(TDetailsField::Album, QString(40, 'x'));
  QCOMPARE(Background(window.Field(TDetailsField::Album)), normal);
}

// In the common mode the title field is disabled, and looks it even after a long title was shown.
void TSongDetailsTest::DisabledTitleLooksDisabled() {
  TWindowOnSongs window({{"1.mp3", Tags("Abba", std::string(31, 'a'))}, {"2.mp3", Tags("Abba", "Two")}});
  QLineEdit* title = window.Field(TDetailsField::Title);
  const QColor disabledGround = QPalette().color(QPalette::Disabled, QPalette::Base);
  QVERIFY(disabledGround != QPalette().color(QPalette::Active, QPalette::Base));  // else nothing to see
  window.Click(0);
  window.Click(1, Qt::ControlModifier);
  QVERIFY(!title->isEnabled());
  QCOMPARE(title->palette().color(QPalette::Disabled, QPalette::Base), disabledGround);
}

void TSongDetailsTest::PreviousAndNextStopAtTheEnds() {
  TWindowOnSongs window(
      {{"1.mp3", Tags("Abba", "One")}, {"2.mp3", Tags("Abba", "Two")}, {"3.mp3", Tags("Abba", "Three")}});
  window.Click(0);
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F11);
  QCOMPARE(window->CurrentRow(), 0);
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("One"));
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F12);
  QCOMPARE(window->CurrentRow(), 1);
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("Two"));
  window.Child<QToolButton>("nextButton")->click();
  QCOMPARE(window->CurrentRow(), 2);
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F12);
  QCOMPARE(window->CurrentRow(), 2);
  QCOMPARE(window->SelectedSongCount(), 1);
  window.Child<QToolButton>("previousButton")->click();
  QCOMPARE(window->CurrentRow(), 1);
  QCOMPARE(window->SelectedSongCount(), 1);
  QCOMPARE(window.Field(TDetailsField::Title)->text(), QStringLiteral("Two"));
}

void TSongDetailsTest::NextWithoutCurrentRowSelectsFirst() {
  TWindowOnSongs window({{"1.mp3", Tags("Abba", "One")}, {"2.mp3", Tags("Abba", "Two")}}, {.OpenAtOnce = false});
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F12);  // an empty list: nothing happens
  QCOMPARE(window->CurrentRow(), -1);
  window.Open();
  QCOMPARE(window->CurrentRow(), -1);
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F11);
  QCOMPARE(window->CurrentRow(), -1);
  QCOMPARE(window->SelectedSongCount(), 0);
  QTest::keyClick(window.Child<TSongListBox>("songList"), Qt::Key_F12);
  QCOMPARE(window->CurrentRow(), 0);
  QCOMPARE(window.Child<QLineEdit>("titleField")->text(), QStringLiteral("One"));
}

void TSongDetailsTest::TextMenuOffersWhatTheFileNameSays() {
  TWindowOnSongs window({{"Abba - Waterloo.mp3", Tags("ABBA", "Waterloo (Live)")}, "Moby - Porcelain.mp3"});
  window.Click(0);
  window.Field(TDetailsField::Title)->setFocus();
  window.Field(TDetailsField::Title)->setSelection(0, 3);
  PrepareTextMenu(window);
  QCOMPARE(window.Child<QAction>("artistFromFileNameEntry")->text(), QStringLiteral("Artist: Abba"));
  QCOMPARE(window.Child<QAction>("titleFromFileNameEntry")->text(), QStringLiteral("Title: Waterloo"));
  QVERIFY(window.Child<QAction>("artistFromFileNameEntry")->isEnabled());
  QVERIFY(window.Child<QMenu>("fromFileNameMenu")->menuAction()->isEnabled());
  QVERIFY(window.Child<QMenu>("cutToMenu")->menuAction()->isEnabled());
  window.Field(TDetailsField::Title)->deselect();
  PrepareTextMenu(window);
  QVERIFY(!window.Child<QMenu>("cutToMenu")->menuAction()->isEnabled());
  window.Click(1, Qt::ControlModifier);
  PrepareTextMenu(window);
  QCOMPARE(window.Child<QAction>("artistFromFileNameEntry")->text(), QStringLiteral("Artist: "));
  QCOMPARE(window.Child<QAction>("titleFromFileNameEntry")->text(), QStringLiteral("Title: "));
  QVERIFY(!window.Child<QAction>("titleFromFileNameEntry")->isEnabled());
  QVERIFY(!window.Child<QMenu>("fromFileNameMenu")->menuAction()->isEnabled());
}

}  // namespace tagwright::testing

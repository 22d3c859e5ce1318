// The song details panel: one song, the values several songs share, the length warning, and moving
// through the list.
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QLineEdit>
#include <QToolButton>
#include <filesystem>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/song_list_box.h"

namespace tagwright::testing {

namespace {

QColor Background(const QLineEdit* field) { return field->palette().color(QPalette::Base); }

}  // namespace

void TSongDetailsTest::singleSongFillsEveryField() {
  TSongFolder folder;
  TID3Info tags = Tags("Abba", "Waterloo", "Waterloo", 3, "Pop", "1974");
  tags.Comment = "Eurovision";
  folder.AddTaggedSong("03 - Abba - Waterloo.mp3", tags);
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  QCOMPARE(window->SongDetailsCaption(), QStringLiteral(" Song Details "));
  QCOMPARE(window->lblFilenameDisplay->text(), QStringLiteral("03 - Abba - Waterloo.mp3"));
  QCOMPARE(window->txtArtistDisplay->text(), QStringLiteral("Abba"));
  QCOMPARE(window->txtTitleDisplay->text(), QStringLiteral("Waterloo"));
  QCOMPARE(window->txtAlbumDisplay->text(), QStringLiteral("Waterloo"));
  QCOMPARE(window->txtYearDisplay->text(), QStringLiteral("1974"));
  QCOMPARE(window->txtCommentDisplay->text(), QStringLiteral("Eurovision"));
  QCOMPARE(window->txtTrackDisplay->text(), QStringLiteral("03"));
  QCOMPARE(window->cboGenreDisplay->currentText(), QStringLiteral("Pop"));
  QCOMPARE(window->lblReadOnlyCaption->text(), QString());
  QVERIFY(window->txtTitleDisplay->isEnabled());
  QCOMPARE(window->lblSongDetailDecoration->text(), QStringLiteral("ooooo"));
  QCOMPARE(window->lblSongDetailDecoration->palette().color(QPalette::WindowText), QColor(0, 128, 0));
}

void TSongDetailsTest::trackIsPaddedAndZeroEmpty() {
  TSongFolder folder;
  folder.AddTaggedSong("a.mp3", Tags("Abba", "Waterloo", "", 7));
  folder.AddTaggedSong("b.mp3", Tags("Abba", "Dancing Queen", "", 0));
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  QCOMPARE(window->txtTrackDisplay->text(), QStringLiteral("07"));
  ClickRow(*window.Window, 1);
  QCOMPARE(window->txtTrackDisplay->text(), QString());
}

void TSongDetailsTest::readOnlyFileIsMarked() {
  TSongFolder folder;
  const std::string song = folder.AddTaggedSong("Abba - Waterloo.mp3", Tags("Abba", "Waterloo"));
  std::filesystem::permissions(song, std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                                         std::filesystem::perms::others_read);  // 0444, read-only also for root
  folder.AddTaggedSong("Moby - Porcelain.mp3", Tags("Moby", "Porcelain"));
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  QCOMPARE(window->lblReadOnlyCaption->text(), QStringLiteral("(Read-only)"));
  QCOMPARE(window->txtArtistDisplay->text(), QStringLiteral("Abba"));
  ClickRow(*window.Window, 1);
  QCOMPARE(window->lblReadOnlyCaption->text(), QString());
}

void TSongDetailsTest::commonModeShowsSharedValues() {
  TSongFolder folder;
  folder.AddTaggedSong("1.mp3", Tags("Abba", "Waterloo", "Gold", 1, "Pop", "1992"));
  folder.AddTaggedSong("2.mp3", Tags("Abba", "Fernando", "Gold", 2, "Pop", "1992"));
  folder.AddTaggedSong("3.mp3", Tags("Abba", "SOS", "", 3, "Pop", "1992"));  // no album
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  ClickRow(*window.Window, 1, Qt::ControlModifier);
  QCOMPARE(window->SongDetailsCaption(), QStringLiteral(" Song Details (common) "));
  QVERIFY(!window->txtTitleDisplay->isEnabled());
  QCOMPARE(window->txtTitleDisplay->text(), QString());
  QCOMPARE(window->lblFilenameDisplay->text(), QString());
  QCOMPARE(window->txtArtistDisplay->text(), QStringLiteral("Abba"));
  QCOMPARE(window->txtAlbumDisplay->text(), QStringLiteral("Gold"));
  QCOMPARE(window->txtYearDisplay->text(), QStringLiteral("1992"));
  QCOMPARE(window->cboGenreDisplay->currentText(), QStringLiteral("Pop"));
  QCOMPARE(window->txtTrackDisplay->text(), QString());  // 01 and 02 differ
  // One song without an album empties the field although the others agree.
  ClickRow(*window.Window, 2, Qt::ControlModifier);
  QCOMPARE(window->txtAlbumDisplay->text(), QString());
  QCOMPARE(window->txtArtistDisplay->text(), QStringLiteral("Abba"));
  QCOMPARE(window->lblSongDetailDecoration->palette().color(QPalette::WindowText),
           QPalette().color(QPalette::WindowText));
}

void TSongDetailsTest::commonModeCaseOnlyDifferenceShowsLastSpelling() {
  TSongFolder folder;
  folder.AddTaggedSong("1.mp3", Tags("abba", "Waterloo"));
  folder.AddTaggedSong("2.mp3", Tags("ABBA", "Fernando"));
  folder.AddTaggedSong("3.mp3", Tags("Abba.", "SOS"));
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  ClickRow(*window.Window, 1, Qt::ShiftModifier);
  QCOMPARE(window->txtArtistDisplay->text(), QStringLiteral("ABBA"));
  ClickRow(*window.Window, 2, Qt::ControlModifier);
  QCOMPARE(window->txtArtistDisplay->text(), QString());
}

void TSongDetailsTest::backToOneSongLeavesCommonMode() {
  TSongFolder folder;
  folder.AddTaggedSong("1.mp3", Tags("Abba", "Waterloo"));
  folder.AddTaggedSong("2.mp3", Tags("Moby", "Porcelain"));
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  ClickRow(*window.Window, 1, Qt::ControlModifier);
  QVERIFY(!window->txtTitleDisplay->isEnabled());
  ClickRow(*window.Window, 1);
  QCOMPARE(window->SongDetailsCaption(), QStringLiteral(" Song Details "));
  QVERIFY(window->txtTitleDisplay->isEnabled());
  QCOMPARE(window->txtTitleDisplay->text(), QStringLiteral("Porcelain"));
  // Deselecting the last selected row keeps it current: the common mode with nothing shared.
  ClickRow(*window.Window, 1, Qt::ControlModifier);
  QCOMPARE(window->SelectedSongCount(), 0);
  QCOMPARE(window->CurrentRow(), 1);
  QCOMPARE(window->SongDetailsCaption(), QStringLiteral(" Song Details (common) "));
  QCOMPARE(window->txtArtistDisplay->text(), QString());
}

void TSongDetailsTest::longArtistAndTitleAreColoured() {
  TSongFolder folder;
  const std::string thirty(30, 'a');
  folder.AddTaggedSong("1.mp3", Tags(thirty, thirty + "b"));
  TWindowUnderTest window;
  const QColor normal = Background(window->txtArtistDisplay);
  const QColor orange(255, 190, 125);
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  QCOMPARE(window->txtArtistDisplay->text().size(), 30);
  QCOMPARE(Background(window->txtArtistDisplay), normal);
  QCOMPARE(Background(window->txtTitleDisplay), orange);
  // Typing follows too, and the field takes more than 30 characters.
  QTest::keyClicks(window->txtArtistDisplay, QStringLiteral("x"));
  QCOMPARE(window->txtArtistDisplay->text().size(), 31);
  QCOMPARE(Background(window->txtArtistDisplay), orange);
  QTest::keyClick(window->txtArtistDisplay, Qt::Key_Backspace);
  QCOMPARE(Background(window->txtArtistDisplay), normal);
  // Album and comment are not watched.
  window->txtAlbumDisplay->setText(QString(40, 'x'));
  QCOMPARE(Background(window->txtAlbumDisplay), normal);
}

void TSongDetailsTest::previousAndNextStopAtTheEnds() {
  TSongFolder folder;
  folder.AddTaggedSong("1.mp3", Tags("Abba", "One"));
  folder.AddTaggedSong("2.mp3", Tags("Abba", "Two"));
  folder.AddTaggedSong("3.mp3", Tags("Abba", "Three"));
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  QTest::keyClick(window->lstFiles, Qt::Key_F11);
  QCOMPARE(window->CurrentRow(), 0);
  QCOMPARE(window->txtTitleDisplay->text(), QStringLiteral("One"));
  QTest::keyClick(window->lstFiles, Qt::Key_F12);
  QCOMPARE(window->CurrentRow(), 1);
  QCOMPARE(window->txtTitleDisplay->text(), QStringLiteral("Two"));
  window->btnNextFile->click();
  QCOMPARE(window->CurrentRow(), 2);
  QTest::keyClick(window->lstFiles, Qt::Key_F12);
  QCOMPARE(window->CurrentRow(), 2);
  QCOMPARE(window->SelectedSongCount(), 1);
  window->btnPrevFile->click();
  QCOMPARE(window->CurrentRow(), 1);
  QCOMPARE(window->SelectedSongCount(), 1);
  QCOMPARE(window->txtTitleDisplay->text(), QStringLiteral("Two"));
}

void TSongDetailsTest::nextWithoutCurrentRowSelectsFirst() {
  TSongFolder folder;
  folder.AddTaggedSong("1.mp3", Tags("Abba", "One"));
  folder.AddTaggedSong("2.mp3", Tags("Abba", "Two"));
  TWindowUnderTest window;
  QTest::keyClick(window->lstFiles, Qt::Key_F12);  // an empty list: nothing happens
  QCOMPARE(window->CurrentRow(), -1);
  QVERIFY(window->SelectFolder(folder.QPath()));
  QCOMPARE(window->CurrentRow(), -1);
  QTest::keyClick(window->lstFiles, Qt::Key_F11);
  QCOMPARE(window->CurrentRow(), -1);
  QCOMPARE(window->SelectedSongCount(), 0);
  QTest::keyClick(window->lstFiles, Qt::Key_F12);
  QCOMPARE(window->CurrentRow(), 0);
  QCOMPARE(window->txtTitleDisplay->text(), QStringLiteral("One"));
}

void TSongDetailsTest::textMenuOffersWhatTheFileNameSays() {
  TSongFolder folder;
  folder.AddTaggedSong("Abba - Waterloo.mp3", Tags("ABBA", "Waterloo (Live)"));
  folder.AddSong("Moby - Porcelain.mp3");
  TWindowUnderTest window;
  QVERIFY(window->SelectFolder(folder.QPath()));
  ClickRow(*window.Window, 0);
  window->txtTitleDisplay->setFocus();
  window->txtTitleDisplay->setSelection(0, 3);
  window->popSongDetailsTextPopup();
  QCOMPARE(window->cmdUpdFilenameArtist->text(), QStringLiteral("Artist: Abba"));
  QCOMPARE(window->cmdUpdFilenameTitle->text(), QStringLiteral("Title: Waterloo"));
  QVERIFY(window->cmdUpdFilenameArtist->isEnabled());
  QVERIFY(window->mnuUpdFromFilename->menuAction()->isEnabled());
  QVERIFY(window->mnuCutTo->menuAction()->isEnabled());
  window->txtTitleDisplay->deselect();
  window->popSongDetailsTextPopup();
  QVERIFY(!window->mnuCutTo->menuAction()->isEnabled());
  ClickRow(*window.Window, 1, Qt::ControlModifier);
  window->popSongDetailsTextPopup();
  QCOMPARE(window->cmdUpdFilenameArtist->text(), QStringLiteral("Artist: "));
  QCOMPARE(window->cmdUpdFilenameTitle->text(), QStringLiteral("Title: "));
  QVERIFY(!window->cmdUpdFilenameTitle->isEnabled());
  QVERIFY(!window->mnuUpdFromFilename->menuAction()->isEnabled());
}

}  // namespace tagwright::testing

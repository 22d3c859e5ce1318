// The window's test suites; each runs as its own test.
#pragma once

#include <QObject>

namespace tagwright::testing {

class TStartUpTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void startsEmptyWithCaptionAndFirstChoices();
  void layoutCarriesCaptionsHintsAndLegend();
  void genreBoxOffersSortedNames();
  void messagePanelFollowsWindowWidth_data();
  void messagePanelFollowsWindowWidth();
  void selectingAnotherFolderUnticksSubdirectories();
  void selectingAFileIsRefused();
  void aboutBoxShowsVersion();
  void refreshKeepsOpenFoldersWithoutReloading();
  void closingTheWindowEndsTheProgram();
};

class TSongListTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void loadsSongFilesOfFolderOnly();
  void emptyFolderListsNothing();
  void noFolderScansNothing();
  void unreadableSongDoesNotHideOthers();
  void filtersEnableByWhatTheyWouldShow();
  void chosenFilterStaysChosenWhenDisabled();
  void viewModesSortAndLabelRows();
  void viewModeAndFilterDoNotRereadFiles();
  void refreshLeavesNoRowSelectedAndPanelAlone();
  void statusColorsFollowFiveRules();
  void rowsAreDrawnInStatusColors();
  void doubleClickOpensCurrentSong();
  void popupMenuEnablesBySelection();
  void selectSingleRowIgnoresRowsOutside();
};

class TSongDetailsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void singleSongFillsEveryField();
  void trackIsPaddedAndZeroEmpty();
  void readOnlyFileIsMarked();
  void commonModeShowsSharedValues();
  void commonModeCaseOnlyDifferenceShowsLastSpelling();
  void backToOneSongLeavesCommonMode();
  void longArtistAndTitleAreColoured();
  void previousAndNextStopAtTheEnds();
  void nextWithoutCurrentRowSelectsFirst();
  void textMenuOffersWhatTheFileNameSays();
};

class TKeysAndHintsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void functionKeysClickTheirButtons();
  void modifiersAreIgnored();
  void f9InSongListGoesToPlayEntry();
  void f9ElsewhereOpensCurrentSong();
  void f9WithEmptyListDoesNothing();
  void hintOfControlGoesToStatusOnOneLine();
  void errorsAreShownAndWindowCarriesOn();
};

class TCommandsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void stampOneSongWritesThePanelExactly();
  void stampSeveralSongsWritesOnlyFilledFields();
  void unwritableFileAsksAndYesSkipsIt();
  void unwritableFileAnsweredNoEndsThePass();
  void renameWithDetailsReportsATakenName();
  void renameWithDetailsRenamesCaseOnlyChanges();
  void autoRenameRenamesTheFirstOfTwoClashingSongs();
  void renameThisFileUsesTheTypedName();
  void handsFreeActsOnlyOnNamesHoldingTheirDetails();
  void detailsCleanupAndFilenameAsTitle();
  void clearBlanksEachFieldAlone_data();
  void clearBlanksEachFieldAlone();
  void deleteAsksFirst();
  void selectArtistAddsRowsOfTheSameSpelling();
  void cutToMovesTextToTheFrontOfAnotherField();
  void updateFromFileNameFillsOneField();
  void refreshKeepsSubfoldersBelowTheTopNode();
  void refreshOnTheTopNodeStopsScanningSubfolders();
  void textMenuTidiesTheFocusedField();
};

}  // namespace tagwright::testing

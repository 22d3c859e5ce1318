// The window's test suites; each runs as its own test.
#pragma once

#include <QObject>

namespace tagwright::testing {

class TStartUpTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void StartsEmptyWithCaptionAndFirstChoices();
  void LayoutCarriesCaptionsHintsAndLegend();
  void GenreBoxOffersSortedNames();
  void MessagePanelFollowsWindowWidth_data();
  void MessagePanelFollowsWindowWidth();
  void NothingOverlapsOrIsCut_data();
  void NothingOverlapsOrIsCut();
  void SizeAndPanesAreRemembered();
  void SelectingAnotherFolderUnticksSubdirectories();
  void SelectingAFileIsRefused();
  void StartFolderNamedInOtherBytesLoads();
  void AboutBoxShowsVersion();
  void RefreshKeepsOpenFoldersWithoutReloading();
  void RefreshingThousandsOfFoldersKeepsThePlace();
  void ClosingTheWindowEndsTheProgram();
};

class TSongListTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void LoadsSongFilesOfFolderOnly();
  void EmptyFolderListsNothing();
  void NoFolderScansNothing();
  void UnreadableSongDoesNotHideOthers();
  void UnreadableFolderIsNamed();
  void FiltersEnableByWhatTheyWouldShow();
  void ChosenFilterStaysChosenWhenDisabled();
  void ViewModesSortAndLabelRows();
  void ViewModeAndFilterDoNotRereadFiles();
  void RebuiltRowsKeepTheSelectionAndPanel();
  void RebuiltRowsAndReturningFocusLeaveThePanel_data();
  void RebuiltRowsAndReturningFocusLeaveThePanel();
  void StatusColorsFollowFiveRules();
  void RowsAreDrawnInStatusColors();
  void DoubleClickOpensCurrentSong();
  void ClickOnTheSelectedRowOrEnterShowsTheSongAfresh();
  void PopupMenuEnablesBySelection();
  void RowHintsNameTheState();
  void AccentedLettersEntryRecognisesAccentedNames();
  void PreferencesReadAndCleanNamesAndAreRemembered();
  void PreferencesDialogGivesItsChoices();
  void SelectSingleRowIgnoresRowsOutside();
};

class TSongDetailsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void SingleSongFillsEveryField();
  void TrackIsPaddedAndZeroEmpty();
  void LengthLimitsStopTypingOnly();
  void ReadOnlyFileIsMarked();
  void CommonModeShowsSharedValues();
  void CommonModeCaseOnlyDifferenceShowsLastSpelling();
  void BackToOneSongLeavesCommonMode();
  void LongArtistAndTitleAreColoured();
  void DisabledTitleLooksDisabled();
  void PreviousAndNextStopAtTheEnds();
  void NextWithoutCurrentRowSelectsFirst();
  void TextMenuOffersWhatTheFileNameSays();
};

class TKeysAndHintsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void FunctionKeysClickTheirButtons();
  void ModifiersAreIgnored();
  void F9InSongListGoesToPlayEntry();
  void F9ElsewhereOpensCurrentSong();
  void F9WithEmptyListDoesNothing();
  void TheListKeepsTheKeyboardAfterEachCommand_data();
  void TheListKeepsTheKeyboardAfterEachCommand();
  void FileThatNoApplicationOpensIsNamed();
  void HintOfControlGoesToStatusOnOneLine();
  void ErrorsAreShownAndWindowCarriesOn();
};

class TCommandsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void StampOneSongWritesThePanelExactly();
  void AYearATagCannotHoldIsRefusedAndNamed();
  void StampSeveralSongsWritesOnlyFilledFields();
  void UnwritableFileAsksAndYesSkipsIt();
  void UnwritableFileAnsweredNoEndsThePass();
  void RenameWithDetailsReportsATakenName();
  void RenameWithDetailsRenamesCaseOnlyChanges();
  void AutoRenameRenamesTheFirstOfTwoClashingSongs();
  void FailedRenamesAreToldAfterTheReload();
  void ClashingRenamesKeepTheirMessageForThePause();
  void AFileThatCannotBeOpenedIsNamedAfterTheReload();
  void ASongThatCannotBeRewrittenIsNamed();
  void EachPassIsSummedUpInOneLine();
  void SummaryCountsTheFilesChanged_data();
  void SummaryCountsTheFilesChanged();
  void RenameThisFileUsesTheTypedName();
  void RenameBoxSelectsTheNameWithoutExtension();
  void HandsFreeActsOnlyOnNamesHoldingTheirDetails();
  void DetailsCleanupAndFilenameAsTitle();
  void ClearBlanksEachFieldAlone_data();
  void ClearBlanksEachFieldAlone();
  void DeleteAsksFirst();
  void FailedDeleteNamesTheFileAndTheCause();
  void DeleteMovesTheFileToTheTrash();
  void SelectArtistAddsRowsOfTheSameSpelling();
  void CutToMovesTextToTheFrontOfAnotherField();
  void UpdateFromFileNameFillsOneField();
  void RefreshKeepsSubfoldersBelowTheTopNode();
  void RefreshOnTheTopNodeStopsScanningSubfolders();
  void TextMenuTidiesTheFocusedField();
};

// The window's parts on their own: names, the hint relay, the status bar, the sort and filter panel,
// the details panel and the error guard.
class TPartsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void PartsTestsUseHaveUniqueObjectNames();
  void NamedWidgetsAndEntriesAreUnique();
  void HintRelayCarriesHintsOnOneLine();
  void HintRelayTakesStatusTipsOfItsWindowOnly();
  void StatusPanelsAreAddressedByName();
  void SortFilterPanelReportsChoicesAsEnums();
  void DetailsPanelTrimsAndSharesValues();
  void ErrorGuardShowsAnyError();
  void StateTextColoursAreReadable_data();
  void StateTextColoursAreReadable();
};

class TLoadingTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void ShowsProgressWhileSongsAreRead();
  void AnotherFolderChosenMidLoadIsTheOneShown();
  void NoCommandStartsMidLoad();
  void CancelStopsAPassBetweenSongs();
  void ProgressMovesOnWithThePass();
  void ClosingTheWindowMidPassCancelsItFirst();
};

// The previews of Hands-Free and AutoRename, against the command line's dry runs and the commands.
class TPreviewTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void PreviewShowsWhatTheDryRunForesees_data();
  void PreviewShowsWhatTheDryRunForesees();
  void ApplyGivesTheSameFilesAsTheCommand_data();
  void ApplyGivesTheSameFilesAsTheCommand();
  void PreviewRowsSayWhatHappens();
  void DryRunOnAWorkerKeepsItsSongs_data();
  void DryRunOnAWorkerKeepsItsSongs();
  void SongsAlreadyRightShowNoChangedRow();
  void AnEmptiedSharedFieldIsLeftAndSaidSo();
  void TitlesFromTheNamesAreSaidToStayUnwritten();
};

// Undo and redo: the song list's menu entries, Ctrl+Z and Ctrl+Shift+Z, "History...", on a history of its own.
class TUndoTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void CtrlZAsksThenTakesTheCommandBackByteForByte();
  void AnsweringNoChangesNothing();
  void AFileChangedSinceIsLeftAloneAndNamed();
  void TheMenuEntryNeedsSomethingToUndo();
  void TheWindowAndTheCommandLineShareOneHistory();
  void WithoutItsHistoryNoCommandChangesAFile();
  void CtrlZWalksBackAndCtrlShiftZForward();
  void TheSelectionFollowsTheSongs();
  void TheHistoryDialogUndoesAndRedoesTheEntrySelected();
  void TheHistoryDialogLetsAPendingRepairGo();
  void CtrlZBringsADeletedSongBackFromTheTrash();
  void CtrlZAndCtrlShiftZFinishWhatWasCutShort();
  void CtrlZOnABigEntryShowsProgressAndStopsAtCancel();
  void TheHistoryDialogsUndoShowsProgressAndStopsAtCancel();
};

// Tags from File Names, Rename with Pattern and Number Tracks: their dialogs, previews, files and undo.
class TPatternsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void TheExampleShowsWhatThePatternMakesOfTheCurrentSong_data();
  void TheExampleShowsWhatThePatternMakesOfTheCurrentSong();
  void ApplyEqualsTheCommandLineAndCtrlZUndoesIt_data();
  void ApplyEqualsTheCommandLineAndCtrlZUndoesIt();
  void NumberTracksGoesByTheOrderShown();
  void NumberingDialogGivesItsChoices();
  void ACoverDroppedOrRemovedFromTheCoverBoxIsUndone();
};

class TColumnViewTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void SortsEachColumnBothWays_data();
  void SortsEachColumnBothWays();
  void ViewsShareRowsFiltersAndKeys();
  void ColumnsAreRemembered();
  void InlineEditsAreStampedFieldByField();
  void DifferentFieldsAreLeftAlone();
  void CoverIsTheSongsFrontCover_data();
  void CoverIsTheSongsFrontCover();
  void AudioFactsShowBesideTheDetails();
  void ValuesFromTheFileNameAreMarkedUntilStamped();
};

// What the user typed, the panel, the selection across commands, and the previews before a batch.
class TTrustTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void TypedDetailsWaitForTheUsersAnswer_data();
  void TypedDetailsWaitForTheUsersAnswer();
  void LeavingTheFolderOrClosingAsksFirst();
  void AFolderLeftWithAFailedStampStaysShown();
  void ARefusedStampKeepsWhatWasTyped_data();
  void ARefusedStampKeepsWhatWasTyped();
  void F5OnAnUnrecognisedSongUsesTheTypedValues();
  void F5OnSeveralSongsKeepsTheNameOfAnUnrecognisedOne();
  void ThePanelShowsWhatIsSelected();
  void CommandsOverNothingSaySo_data();
  void CommandsOverNothingSaySo();
  void TheSelectionSurvivesEachCommand_data();
  void TheSelectionSurvivesEachCommand();
  void BatchesArePreviewedAndApplyEqualsTheCommand_data();
  void BatchesArePreviewedAndApplyEqualsTheCommand();
  void PreviewOptionIsOnAtFirstAndRemembered();
  void PreviewTablesShowOldAndNewPerField();
  void RowsShowTheStateByShapeAndAReadOnlySongByALock();
  void FoldersOpenByDialogRecentAndDrop();
  void PanesGrowAndTheMinimumIsNotRemembered();
};

class TEveryViewTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void SelectionPanelAndTypedTextFollowTheRules_data();
  void SelectionPanelAndTypedTextFollowTheRules();
  void AStampAnsweredForSeveralSongsRunsAsTheStampButtonDoes_data();
  void AStampAnsweredForSeveralSongsRunsAsTheStampButtonDoes();
};

}  // namespace tagwright::testing

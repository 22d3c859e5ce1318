// The window's parts on their own and as the window puts them together.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusTipEvent>
#include <QToolButton>
#include <cmath>
#include <map>
#include <stdexcept>

#include "tests/ui/ui_test_support.h"
#include "tests/ui/ui_tests.h"
#include "ui/details/song_details_panel.h"
#include "ui/folders/folder_tree.h"
#include "ui/song_list/song_list_box.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/text_contrast.h"
#include "ui/window/error_guard.h"
#include "ui/window/hint_relay.h"
#include "ui/window/sort_filter_panel.h"
#include "ui/window/status_panels.h"
#include "ui/window/window_layout.h"

namespace tagwright::testing {

namespace {

// Every part and entry the window tests look up by name.
const char* const kNamesTestsUse[] = {
    "songList",
    "songListPane",
    "songDetailsPanel",
    "folderTree",
    "refreshButton",
    "statusBar",
    "filterBox",
    "saveRecognizedBox",
    "viewModeBox",
    "pathFileNameView",
    "fileNameView",
    "artistTitleView",
    "titleArtistView",
    "unfilteredFilter",
    "failedRecognitionFilter",
    "id3TagUsedFilter",
    "patternMatchingFilter",
    "incompleteFilter",
    "unsavedId3Filter",
    "unrenamedFileFilter",
    "noGenreFilter",
    "handsFreeButton",
    "autoRenameButton",
    "detailsCleanupButton",
    "fileNameAsTitleButton",
    "fileNameField",
    "artistField",
    "titleField",
    "albumField",
    "yearField",
    "genreBox",
    "commentField",
    "trackField",
    "readOnlyLabel",
    "statusMark",
    "previousButton",
    "nextButton",
    "renameButton",
    "stampButton",
    "songListMenu",
    "playEntry",
    "stampEntry",
    "clearMenu",
    "renameEntry",
    "deleteEntry",
    "selectArtistEntry",
    "selectAllEntry",
    "includeSubfoldersEntry",
    "refreshEntry",
    "detailsTextMenu",
    "underscoresToSpacesEntry",
    "initialCapsEntry",
    "removeArtistFromTitleEntry",
    "fromFileNameMenu",
    "artistFromFileNameEntry",
    "titleFromFileNameEntry",
    "cutToMenu",
    "cutToArtistEntry",
    "cutEntry",
    "copyEntry",
    "pasteEntry",
    "aboutButton",
    "banner",
    "mainSplitter",
    "hintRelay",
    "messagePanel",
    "countPanel",
    "clearArtistEntry",
    "fileNameLabel",
    "artistLabel",
    "genreLabel",
    "trackLabel",
};

}  // namespace

void TPartsTest::PartsTestsUseHaveUniqueObjectNames() {
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  for (const char* name : kNamesTestsUse) {
    QCOMPARE_EQ(window->findChildren<QObject*>(QString::fromLatin1(name)).size(), 1);
  }
  for (const char* name : kFilterButtonNames) {
    QCOMPARE_EQ(window->findChildren<QAbstractButton*>(QString::fromLatin1(name)).size(), 1);
  }
  QCOMPARE(window->objectName(), QStringLiteral("mainWindow"));
  // A field's caption is its buddy's.
  QCOMPARE(window.Child<QLabel>("genreLabel")->buddy(), window.Child<QComboBox>("genreBox"));
  QCOMPARE(window.Child<QLabel>("trackLabel")->text(), QStringLiteral("Track#:"));
}

void TPartsTest::NamedWidgetsAndEntriesAreUnique() {
  // Names are roles: no two of the window's own widgets or menu entries share one (Qt's own
  // helpers, named "qt_...", aside).
  TWindowOnSongs window(TWindowOptions{.OpenAtOnce = false});
  std::map<QString, int> counts;
  for (QObject* child : window->findChildren<QObject*>()) {
    const QString name = child->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
    if (child->isWidgetType() || qobject_cast<QAction*>(child) != nullptr) ++counts[name];
  }
  QVERIFY(counts.size() > 60);
  for (const auto& [name, count] : counts) QVERIFY2(count == 1, qPrintable(name));
}

void TPartsTest::HintRelayCarriesHintsOnOneLine() {
  QWidget window;
  auto* box = new QWidget(&window);
  box->setToolTip(QStringLiteral("The box\nwith a hint"));
  auto* inner = new QLabel(box);  // no hint of its own
  auto* button = new QPushButton(box);
  button->setToolTip(QStringLiteral("First line\r\nsecond line"));
  window.setToolTip(QStringLiteral("The window's own hint is never shown"));
  QWidget otherWindow;
  otherWindow.setToolTip(QStringLiteral("elsewhere"));
  auto* relay = new THintRelay(&window);
  QSignalSpy hints(relay, &THintRelay::HintChanged);

  QEvent enter(QEvent::Enter);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(button, &enter);
  QApplication::sendEvent(inner, &enter);
  QApplication::sendEvent(button, &leave);  // back in the box
  QApplication::sendEvent(box, &leave);     // back in the window: no hint
  QApplication::sendEvent(&otherWindow, &enter);
  QCOMPARE(hints.size(), 4);
  QCOMPARE(hints[0][0].toString(), QStringLiteral("First line second line"));
  QCOMPARE(hints[1][0].toString(), QStringLiteral("The box with a hint"));
  QCOMPARE(hints[2][0].toString(), QStringLiteral("The box with a hint"));
  QCOMPARE(hints[3][0].toString(), QString());
  QCOMPARE(relay->HintOf(inner), box->toolTip());
  QCOMPARE(THintRelay::OneLine(QStringLiteral("a\nb\r\nc")), QStringLiteral("a b c"));
}

void TPartsTest::HintRelayTakesStatusTipsOfItsWindowOnly() {
  QWidget window;
  auto* child = new QWidget(&window);
  QWidget otherWindow;
  {
    THintRelay relay(&window);
    QSignalSpy hints(&relay, &THintRelay::HintChanged);
    // An entry's status tip travels from its owner up to the window, where the relay takes it.
    auto* entry = new QAction(QStringLiteral("Entry"), child);
    entry->setStatusTip(QStringLiteral("Does\nthis"));
    entry->showStatusText();
    QStatusTipEvent other(QStringLiteral("not ours"));
    QApplication::sendEvent(&otherWindow, &other);
    QCOMPARE(hints.size(), 1);
    QCOMPARE(hints[0][0].toString(), QStringLiteral("Does this"));
  }
  // A relay that is gone watches nothing any more.
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(child, &enter);
}

void TPartsTest::StatusPanelsAreAddressedByName() {
  TStatusPanels panels;
  panels.SetPanelText(TStatusPanel::Message, QStringLiteral("message"));
  panels.SetPanelText(TStatusPanel::Count, QStringLiteral("3 files"));
  QCOMPARE(ChildOf<QLabel>(panels, "messagePanel")->text(), QStringLiteral("message"));
  QCOMPARE(ChildOf<QLabel>(panels, "countPanel")->text(), QStringLiteral("3 files"));
  QCOMPARE(ChildOf<QLabel>(panels, "sparePanel")->text(), QString());
  panels.SetPanelWidth(TStatusPanel::Spare, 77);
  QCOMPARE(panels.PanelWidth(TStatusPanel::Spare), 77);
  QCOMPARE(panels.PanelWidth(TStatusPanel::Count), 70);
  QCOMPARE(panels.PanelText(TStatusPanel::Count), QStringLiteral("3 files"));
  // A message wider than its panel ends in "..." there and is whole in the panel's hint.
  auto* message = ChildOf<QLabel>(panels, "messagePanel");
  const QString line = QStringLiteral(
      "Hands-Free!: 29 songs updated, 56 left alone (40 file name holds more than "
      "the details, 16 not recognised), 2 failed (Error renaming file.)");
  panels.SetPanelText(TStatusPanel::Message, line);
  QCOMPARE(panels.PanelText(TStatusPanel::Message), line);
  QVERIFY2(message->text().endsWith(QChar(0x2026)), qPrintable(message->text()));
  QCOMPARE(message->toolTip(), line);
  panels.SetPanelWidth(TStatusPanel::Message, 2000);  // a wide window shows all of it
  QCOMPARE(message->text(), line);
  QCOMPARE(message->toolTip(), QString());
}

void TPartsTest::SortFilterPanelReportsChoicesAsEnums() {
  TSortFilterPanel panel;
  QSignalSpy viewModes(&panel, &TSortFilterPanel::ViewModeChosen);
  QSignalSpy filters(&panel, &TSortFilterPanel::FilterChosen);
  QSignalSpy handsFree(&panel, &TSortFilterPanel::HandsFreeClicked);
  QCOMPARE(panel.ViewMode(), TViewMode::PathFileName);
  QCOMPARE(panel.RecognitionFilter(), TRecognitionFilter::Unfiltered);
  panel.SetViewMode(TViewMode::ArtistTitle);
  panel.SetRecognitionFilter(TRecognitionFilter::NoGenre);
  QCOMPARE(panel.ViewMode(), TViewMode::ArtistTitle);
  QCOMPARE(panel.RecognitionFilter(), TRecognitionFilter::NoGenre);
  QCOMPARE(viewModes.size() + filters.size(), 0);  // choosing in code is not reported
  ChildOf<QRadioButton>(panel, "titleArtistView")->click();
  QCOMPARE(viewModes.size(), 1);
  QCOMPARE(panel.ViewMode(), TViewMode::TitleArtist);
  panel.EnableFilters(FilterBit(TRecognitionFilter::Unfiltered) | FilterBit(TRecognitionFilter::Incomplete));
  QVERIFY(ChildOf<QRadioButton>(panel, "incompleteFilter")->isEnabled());
  QVERIFY(!ChildOf<QRadioButton>(panel, "noGenreFilter")->isEnabled());
  ChildOf<QRadioButton>(panel, "incompleteFilter")->click();
  QCOMPARE(filters.size(), 1);
  QCOMPARE(panel.RecognitionFilter(), TRecognitionFilter::Incomplete);
  panel.ClickHandsFree();
  QCOMPARE(handsFree.size(), 1);
}

void TPartsTest::DetailsPanelTrimsAndSharesValues() {
  TRecordingDialogs dialogs;
  TErrorGuard guard(dialogs);
  TSongDetailsPanel panel(guard);
  panel.SetFieldText(TDetailsField::Artist, QStringLiteral("  Abba \t"));
  QCOMPARE(panel.TrimField(TDetailsField::Artist), std::string("Abba"));
  QCOMPARE(ChildOf<QLineEdit>(panel, "artistField")->text(), QStringLiteral("Abba"));

  TSongFolder folder;
  TSongFile first;
  TSongFile second;
  QVERIFY(first.SetFileName(folder.AddTaggedSong("1.mp3", Tags("Abba", "Waterloo", "Gold", 1, "Pop"))).Ok());
  QVERIFY(second.SetFileName(folder.AddTaggedSong("2.mp3", Tags("ABBA", "SOS", "Gold", 2, "Pop"))).Ok());
  panel.ShowCommonValues({&first, &second});
  QCOMPARE(panel.Caption(), QStringLiteral(" Song Details \u2014 2 songs "));
  QCOMPARE(ChildOf<QLineEdit>(panel, "artistField")->text(), QStringLiteral("ABBA"));
  QCOMPARE(ChildOf<QLineEdit>(panel, "albumField")->text(), QStringLiteral("Gold"));
  QCOMPARE(ChildOf<QLineEdit>(panel, "trackField")->text(), QString());
  QCOMPARE(panel.Genre(), std::string("Pop"));
  QVERIFY(!ChildOf<QLineEdit>(panel, "titleField")->isEnabled());
  panel.ShowSong(second);
  QCOMPARE(panel.Caption(), QStringLiteral(" Song Details "));
  QCOMPARE(ChildOf<QLineEdit>(panel, "fileNameField")->text(), QStringLiteral("2.mp3"));
  QCOMPARE(ChildOf<QLineEdit>(panel, "trackField")->text(), QStringLiteral("02"));
  panel.ShowNoSong();  // nothing to type into
  QVERIFY(!ChildOf<QLineEdit>(panel, "titleField")->isEnabled());
  QVERIFY(!ChildOf<QLineEdit>(panel, "artistField")->isEnabled());
  QCOMPARE(ChildOf<QLineEdit>(panel, "artistField")->text(), QString());
  // Without a song to read, the text menu offers nothing from the file name.
  panel.PrepareTextMenu();
  QVERIFY(!ChildOf<QMenu>(panel, "fromFileNameMenu")->menuAction()->isEnabled());
  QVERIFY(dialogs.Messages.empty());
}

void TPartsTest::ErrorGuardShowsAnyError() {
  TRecordingDialogs dialogs;
  TErrorGuard guard(dialogs);
  bool ran = false;
  guard.Run([&] { ran = true; });
  QVERIFY(ran);
  QVERIFY(dialogs.Messages.empty());
  guard.Run([] { throw std::invalid_argument("Bad value"); });
  guard.Run([] { throw 42; });
  QCOMPARE(dialogs.Messages.size(), std::size_t{2});
  QCOMPARE(dialogs.Messages[0].Text, QStringLiteral("Bad value"));
  QCOMPARE(dialogs.Messages[0].Caption, QStringLiteral("Tagwright"));
  QCOMPARE(dialogs.Messages[1].Text, QStringLiteral("Unexpected error"));
  QCOMPARE(dialogs.Messages[1].Type, TMsgDlgType::Error);
  QCOMPARE(dialogs.Messages[1].Buttons, TMsgDlgButtons{TMsgDlgButton::OK});
}

// Every state's text colour is readable (4.5:1) on the row's white and on the selection's sky blue;
// a colour already readable stays as it is, and one that is not keeps its hue, only darker.
void TPartsTest::StateTextColoursAreReadable_data() {
  QTest::addColumn<QColor>("state");
  QTest::addColumn<QColor>("background");
  const std::pair<const char*, QColor> states[] = {{"incomplete", QColor(255, 0, 0)},
                                                   {"unsaved", QColor(128, 128, 0)},
                                                   {"unrenamed", QColor(170, 21, 21)},
                                                   {"pattern", QColor(2, 117, 112)},
                                                   {"good", QColor(0, 128, 0)}};
  for (const auto& [name, color] : states) {
    QTest::addRow("%s on white", name) << color << QColor(Qt::white);
    QTest::addRow("%s selected", name) << color << kSkyBlue;
  }
}

void TPartsTest::StateTextColoursAreReadable() {
  QFETCH(QColor, state);
  QFETCH(QColor, background);
  const QColor text = ReadableTextColor(state, background);
  QVERIFY2(ContrastRatio(text, background) >= kReadableContrast, qPrintable(text.name()));
  if (ContrastRatio(state, background) >= kReadableContrast) {
    QCOMPARE(text, state);
  } else {
    QVERIFY(std::abs(text.toHsl().hslHueF() - state.toHsl().hslHueF()) < 0.01);
    QVERIFY(text.toHsl().lightnessF() < state.toHsl().lightnessF());
    QVERIFY(ContrastRatio(text, background) < kReadableContrast + 0.2);  // no darker than it needs
  }
}

}  // namespace tagwright::testing

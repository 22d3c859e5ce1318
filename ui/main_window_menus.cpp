// The two pop-up menus: their entries, and which entries are enabled when a menu opens.
#include <QApplication>
#include <QLineEdit>
#include <QMenu>

#include "songs/recognition.h"
#include "ui/main_window.h"
#include "ui/song_list_box.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

// A value shown in a menu caption as it is: a single "&" would mark a shortcut letter and vanish.
QString MenuText(const std::string& value) { return ToQString(value).replace(QLatin1Char('&'), QStringLiteral("&&")); }

// Entries belong to the window, so that their hints reach its status bar.
QAction* AddEntry(QMenu* menu, const char* caption, const char* name) {
  auto* action = new QAction(QString::fromLatin1(caption), menu->parent());
  menu->addAction(action);
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

QMenu* AddSubmenu(QMenu* menu, const char* caption, const char* name) {
  auto* submenu = new QMenu(QString::fromLatin1(caption), qobject_cast<QWidget*>(menu->parent()));
  menu->addMenu(submenu);
  submenu->setObjectName(QString::fromLatin1(name));
  submenu->menuAction()->setObjectName(QString::fromLatin1(name));
  return submenu;
}

}  // namespace

void TfrmRo3VavMain::CreateFilesListMenu() {
  popFilesList = new QMenu(this);
  popFilesList->setObjectName(QStringLiteral("popFilesList"));
  popFilesList->setToolTipsVisible(true);
  popPlaySongs = AddEntry(popFilesList, "Play", "popPlaySongs");
  // F9 plays while the song list has the focus; elsewhere the window's key map opens the current row.
  popPlaySongs->setShortcut(QKeySequence(Qt::Key_F9));
  popPlaySongs->setShortcutContext(Qt::WidgetShortcut);
  lstFiles->addAction(popPlaySongs);
  popFilesList->addSeparator();
  popStampID3Tags = AddEntry(popFilesList, "Stamp ID3 Tags", "popStampID3Tags");
  mnuClear = AddSubmenu(popFilesList, "ID3 Clear", "mnuClear");
  mnuClearArtist = AddEntry(mnuClear, "Artist", "mnuClearArtist");
  mnuClearTitle = AddEntry(mnuClear, "Title", "mnuClearTitle");
  mnuClearTrack = AddEntry(mnuClear, "Track", "mnuClearTrack");
  mnuClearAlbum = AddEntry(mnuClear, "Album", "mnuClearAlbum");
  mnuClearYear = AddEntry(mnuClear, "Year", "mnuClearYear");
  mnuClearGenre = AddEntry(mnuClear, "Genre", "mnuClearGenre");
  mnuClearComment = AddEntry(mnuClear, "Comment", "mnuClearComment");
  popFilesList->addSeparator();
  popRenameFile = AddEntry(popFilesList, "Rename This File", "popRenameFile");
  popDeleteFile = AddEntry(popFilesList, "Delete This File", "popDeleteFile");
  popFilesList->addSeparator();
  popSelectArtist = AddEntry(popFilesList, "Select Artist", "popSelectArtist");
  popSelectAll = AddEntry(popFilesList, "Select All", "popSelectAll");
  popFilesList->addSeparator();
  popchkIncludeSubdirectories = AddEntry(popFilesList, "Include Subdirectories", "popchkIncludeSubdirectories");
  popchkIncludeSubdirectories->setCheckable(true);
  popchkIncludeSubdirectories->setChecked(false);
  popRefresh = AddEntry(popFilesList, "Refresh", "popRefresh");

  connect(popPlaySongs, &QAction::triggered, this, &TfrmRo3VavMain::popPlaySongsClick);
  connect(popStampID3Tags, &QAction::triggered, this, &TfrmRo3VavMain::popStampID3TagsClick);
  connect(mnuClearArtist, &QAction::triggered, this, &TfrmRo3VavMain::mnuClearArtistClick);
  connect(mnuClearTitle, &QAction::triggered, this, &TfrmRo3VavMain::mnuClearTitleClick);
  connect(mnuClearTrack, &QAction::triggered, this, &TfrmRo3VavMain::mnuClearTrackClick);
  connect(mnuClearAlbum, &QAction::triggered, this, &TfrmRo3VavMain::mnuClearAlbumClick);
  connect(mnuClearYear, &QAction::triggered, this, &TfrmRo3VavMain::mnuClearYearClick);
  connect(mnuClearGenre, &QAction::triggered, this, &TfrmRo3VavMain::mnuClearGenreClick);
  connect(mnuClearComment, &QAction::triggered, this, &TfrmRo3VavMain::mnuClearCommentClick);
  connect(popRenameFile, &QAction::triggered, this, &TfrmRo3VavMain::popRenameFileClick);
  connect(popDeleteFile, &QAction::triggered, this, &TfrmRo3VavMain::popDeleteFileClick);
  connect(popSelectArtist, &QAction::triggered, this, &TfrmRo3VavMain::popSelectArtistClick);
  connect(popSelectAll, &QAction::triggered, this, &TfrmRo3VavMain::popSelectAllClick);
  connect(popchkIncludeSubdirectories, &QAction::triggered, this, &TfrmRo3VavMain::popchkIncludeSubdirectoriesClick);
  connect(popRefresh, &QAction::triggered, this, &TfrmRo3VavMain::popRefreshClick);

  lstFiles->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lstFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
    popFilesListPopup();
    popFilesList->exec(lstFiles->viewport()->mapToGlobal(position));
  });
}

void TfrmRo3VavMain::CreateSongDetailsMenu() {
  popSongDetailsText = new QMenu(this);
  popSongDetailsText->setObjectName(QStringLiteral("popSongDetailsText"));
  popSDUnderscoresToSpaces =
      AddEntry(popSongDetailsText, "Underscores -> Spaces (my_song -> my song)", "popSDUnderscoresToSpaces");
  popSDInitialCaps = AddEntry(popSongDetailsText, "Initial Caps (my song -> My Song)", "popSDInitialCaps");
  popSDRemoveArtistNameFromTitleBeginning = AddEntry(popSongDetailsText, "Remove Artist Name from Title Beginning",
                                                     "popSDRemoveArtistNameFromTitleBeginning");
  popSongDetailsText->addSeparator();
  mnuUpdFromFilename = AddSubmenu(popSongDetailsText, "Update from Filename", "mnuUpdFromFilename");
  cmdUpdFilenameArtist = AddEntry(mnuUpdFromFilename, "Artist:", "cmdUpdFilenameArtist");
  cmdUpdFilenameTitle = AddEntry(mnuUpdFromFilename, "Title:", "cmdUpdFilenameTitle");
  mnuCutTo = AddSubmenu(popSongDetailsText, "Cut To", "mnuCutTo");
  mnuCutToArtist = AddEntry(mnuCutTo, "Artist", "mnuCutToArtist");
  mnuCutToTitle = AddEntry(mnuCutTo, "Title", "mnuCutToTitle");
  mnuCutToAlbum = AddEntry(mnuCutTo, "Album", "mnuCutToAlbum");
  mnuCutToComment = AddEntry(mnuCutTo, "Comment", "mnuCutToComment");
  mnuCutToTrack = AddEntry(mnuCutTo, "Track", "mnuCutToTrack");
  popSongDetailsText->addSeparator();
  Cut1 = AddEntry(popSongDetailsText, "Cu&t", "Cut1");
  Copy1 = AddEntry(popSongDetailsText, "&Copy", "Copy1");
  Paste1 = AddEntry(popSongDetailsText, "&Paste", "Paste1");

  connect(popSDUnderscoresToSpaces, &QAction::triggered, this, &TfrmRo3VavMain::popSDUnderscoresToSpacesClick);
  connect(popSDInitialCaps, &QAction::triggered, this, &TfrmRo3VavMain::popSDInitialCapsClick);
  connect(popSDRemoveArtistNameFromTitleBeginning, &QAction::triggered, this,
          &TfrmRo3VavMain::popSDRemoveArtistNameFromTitleBeginningClick);
  connect(cmdUpdFilenameArtist, &QAction::triggered, this, &TfrmRo3VavMain::cmdUpdFilenameArtistClick);
  connect(cmdUpdFilenameTitle, &QAction::triggered, this, &TfrmRo3VavMain::cmdUpdFilenameTitleClick);
  connect(mnuCutToArtist, &QAction::triggered, this, &TfrmRo3VavMain::mnuCutToArtistClick);
  connect(mnuCutToTitle, &QAction::triggered, this, &TfrmRo3VavMain::mnuCutToTitleClick);
  connect(mnuCutToAlbum, &QAction::triggered, this, &TfrmRo3VavMain::mnuCutToAlbumClick);
  connect(mnuCutToComment, &QAction::triggered, this, &TfrmRo3VavMain::mnuCutToCommentClick);
  connect(mnuCutToTrack, &QAction::triggered, this, &TfrmRo3VavMain::mnuCutToTrackClick);
  connect(Cut1, &QAction::triggered, this, &TfrmRo3VavMain::Cut1Click);
  connect(Copy1, &QAction::triggered, this, &TfrmRo3VavMain::Copy1Click);
  connect(Paste1, &QAction::triggered, this, &TfrmRo3VavMain::Paste1Click);
}

void TfrmRo3VavMain::ShowSongDetailsTextMenu(QLineEdit* field, const QPoint& position) {
  field->setFocus(Qt::PopupFocusReason);
  RunGuarded([this] { popSongDetailsTextPopup(); });
  popSongDetailsText->exec(field->mapToGlobal(position));
}

void TfrmRo3VavMain::popFilesListPopup() {
  const int selected = SelectedSongCount();
  popDeleteFile->setEnabled(selected == 1);
  popRenameFile->setEnabled(selected == 1);
  popSelectArtist->setEnabled(selected == 1);
  popPlaySongs->setEnabled(selected > 0);
  popStampID3Tags->setEnabled(selected > 0);
  popSelectAll->setEnabled(RowCount() > 0);
}

void TfrmRo3VavMain::popSongDetailsTextPopup() {
  mnuUpdFromFilename->menuAction()->setEnabled(false);
  cmdUpdFilenameArtist->setEnabled(false);
  cmdUpdFilenameTitle->setEnabled(false);
  cmdUpdFilenameArtist->setText(QStringLiteral("Artist: "));
  cmdUpdFilenameTitle->setText(QStringLiteral("Title: "));
  TSongFile* song = SongAtRow(CurrentRow());
  if (song == nullptr || SelectedSongCount() != 1) return;
  // What the file name alone says; the record keeps it until the next reload.
  TTokenList tokens;
  RecognizeFileName(song->FileName(), tokens, *song);
  if (song->Recognition() != TRecognition::Failed) {
    if (!song->Artist().empty()) {
      cmdUpdFilenameArtist->setText(QStringLiteral("Artist: ") + MenuText(song->Artist()));
      cmdUpdFilenameArtist->setEnabled(true);
      mnuUpdFromFilename->menuAction()->setEnabled(true);
    }
    if (!song->Title().empty()) {
      cmdUpdFilenameTitle->setText(QStringLiteral("Title: ") + MenuText(song->FullTitle()));
      cmdUpdFilenameTitle->setEnabled(true);
      mnuUpdFromFilename->menuAction()->setEnabled(true);
    }
  }
  auto* focused = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  const bool cutSource = focused == txtArtistDisplay || focused == txtTitleDisplay ||
                         focused == txtAlbumDisplay || focused == txtCommentDisplay;
  mnuCutTo->menuAction()->setEnabled(cutSource && focused->hasSelectedText());
}

}  // namespace tagwright

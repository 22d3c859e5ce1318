// The details panel's text menu (a field's right-click menu): clean-up of the field's text, the
// artist and title the file name holds, a selection cut to another field, and the editing entries.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>

#include "songs/recognition.h"
#include "songs/text_cleanup.h"
#include "text/ascii_text.h"
#include "ui/details/song_details_panel.h"
#include "ui/menu_entries.h"
#include "ui/text_conversion.h"
#include "ui/window/error_guard.h"

namespace tagwright {

namespace {

// A value shown in a menu caption as it is: a single "&" would mark a shortcut letter and vanish.
QString MenuText(const std::string& value) { return ToQString(value).replace(QLatin1Char('&'), QStringLiteral("&&")); }

std::string FieldText(const QLineEdit* field) { return ToStdString(field->text()); }

}  // namespace

void TSongDetailsPanel::CreateTextMenu() {
  textMenu_ = new QMenu(this);
  textMenu_->setObjectName(QStringLiteral("detailsTextMenu"));
  QAction* underscores = AddEntry(textMenu_, "Underscores -> Spaces (my_song -> my song)", "underscoresToSpacesEntry");
  QAction* initialCaps = AddEntry(textMenu_, "Initial Caps (my song -> My Song)", "initialCapsEntry");
  QAction* removeArtist = AddEntry(textMenu_, "Remove Artist Name from Title Beginning", "removeArtistFromTitleEntry");
  textMenu_->addSeparator();
  fromFileNameMenu_ = AddSubmenu(textMenu_, "Update from Filename", "fromFileNameMenu");
  artistFromFileNameEntry_ = AddEntry(fromFileNameMenu_, "Artist:", "artistFromFileNameEntry");
  titleFromFileNameEntry_ = AddEntry(fromFileNameMenu_, "Title:", "titleFromFileNameEntry");
  cutToMenu_ = AddSubmenu(textMenu_, "Cut To", "cutToMenu");
  const std::pair<const char*, const char*> cutToEntries[] = {{"Artist", "cutToArtistEntry"},
                                                              {"Title", "cutToTitleEntry"},
                                                              {"Album", "cutToAlbumEntry"},
                                                              {"Comment", "cutToCommentEntry"},
                                                              {"Track", "cutToTrackEntry"}};
  const TDetailsField cutToFields[] = {TDetailsField::Artist, TDetailsField::Title, TDetailsField::Album,
                                       TDetailsField::Comment, TDetailsField::Track};
  for (std::size_t i = 0; i < std::size(cutToFields); ++i) {
    QAction* entry = AddEntry(cutToMenu_, cutToEntries[i].first, cutToEntries[i].second);
    const TDetailsField target = cutToFields[i];
    connect(entry, &QAction::triggered, this, [this, target] { CutSelectionTo(target); });
  }
  textMenu_->addSeparator();
  undoEntry_ = AddEntry(textMenu_, "&Undo", "undoEntry");
  undoEntry_->setShortcut(QKeySequence::Undo);
  redoEntry_ = AddEntry(textMenu_, "&Redo", "redoEntry");
  redoEntry_->setShortcut(QKeySequence::Redo);
  textMenu_->addSeparator();
  QAction* cut = AddEntry(textMenu_, "Cu&t", "cutEntry");
  QAction* copy = AddEntry(textMenu_, "&Copy", "copyEntry");
  QAction* paste = AddEntry(textMenu_, "&Paste", "pasteEntry");
  textMenu_->addSeparator();
  QAction* selectAll = AddEntry(textMenu_, "Select &All", "selectAllTextEntry");
  selectAll->setShortcut(QKeySequence::SelectAll);
  // The keys are the fields' own; the menu only shows them.
  for (QAction* entry : {undoEntry_, redoEntry_, selectAll}) entry->setShortcutContext(Qt::WidgetShortcut);

  connect(underscores, &QAction::triggered, this, &TSongDetailsPanel::UnderscoresToSpaces);
  connect(initialCaps, &QAction::triggered, this, &TSongDetailsPanel::InitialCaps);
  connect(removeArtist, &QAction::triggered, this, &TSongDetailsPanel::RemoveArtistFromTitle);
  connect(artistFromFileNameEntry_, &QAction::triggered, this,
          [this] { guard_.Run([this] { UpdateFieldFromFileName(TDetailsField::Artist, true); }); });
  connect(titleFromFileNameEntry_, &QAction::triggered, this,
          [this] { guard_.Run([this] { UpdateFieldFromFileName(TDetailsField::Title, false); }); });
  connect(cut, &QAction::triggered, this, [] {
    if (QLineEdit* field = FocusedField()) field->cut();
  });
  connect(copy, &QAction::triggered, this, [] {
    if (QLineEdit* field = FocusedField()) field->copy();
  });
  connect(paste, &QAction::triggered, this, [] {
    if (QLineEdit* field = FocusedField()) field->paste();
  });
  connect(undoEntry_, &QAction::triggered, this, [] {
    if (QLineEdit* field = FocusedField()) field->undo();
  });
  connect(redoEntry_, &QAction::triggered, this, [] {
    if (QLineEdit* field = FocusedField()) field->redo();
  });
  connect(selectAll, &QAction::triggered, this, [] {
    if (QLineEdit* field = FocusedField()) field->selectAll();
  });
}

void TSongDetailsPanel::ShowTextMenu(QLineEdit* field, const QPoint& position) {
  field->setFocus(Qt::PopupFocusReason);
  guard_.Run([this] { PrepareTextMenu(); });
  textMenu_->exec(field->mapToGlobal(position));
}

void TSongDetailsPanel::PrepareTextMenu() {
  fromFileNameMenu_->menuAction()->setEnabled(false);
  artistFromFileNameEntry_->setEnabled(false);
  titleFromFileNameEntry_->setEnabled(false);
  artistFromFileNameEntry_->setText(QStringLiteral("Artist: "));
  titleFromFileNameEntry_->setText(QStringLiteral("Title: "));
  TSongFile* song = selectedSong_ ? selectedSong_() : nullptr;
  if (song == nullptr) return;
  // What the file name alone says; the record keeps it until the next reload.
  TTokenList tokens;
  RecognizeFileName(song->FileName(), tokens, *song, recognition_);
  if (song->Recognition() != TRecognition::Failed) {
    if (!song->Artist().empty()) {
      artistFromFileNameEntry_->setText(QStringLiteral("Artist: ") + MenuText(song->Artist()));
      artistFromFileNameEntry_->setEnabled(true);
      fromFileNameMenu_->menuAction()->setEnabled(true);
    }
    if (!song->Title().empty()) {
      titleFromFileNameEntry_->setText(QStringLiteral("Title: ") + MenuText(song->FullTitle()));
      titleFromFileNameEntry_->setEnabled(true);
      fromFileNameMenu_->menuAction()->setEnabled(true);
    }
  }
  QLineEdit* focused = FocusedField();
  undoEntry_->setEnabled(focused != nullptr && focused->isUndoAvailable());
  redoEntry_->setEnabled(focused != nullptr && focused->isRedoAvailable());
  const bool cutSource =
      focused == artistField_ || focused == titleField_ || focused == albumField_ || focused == commentField_;
  cutToMenu_->menuAction()->setEnabled(cutSource && focused->hasSelectedText());
}

// The menu's changes go through the field's undo history, as typing does, so that Ctrl+Z takes
// them back.
void TSongDetailsPanel::ReplaceFieldText(QLineEdit* field, const QString& text) {
  if (field->text() == text) return;
  field->selectAll();
  field->insert(text);
}

void TSongDetailsPanel::UnderscoresToSpaces() {
  if (QLineEdit* field = FocusedField()) {
    ReplaceFieldText(field, ToQString(tagwright::UnderscoresToSpaces(FieldText(field))));
  }
}

void TSongDetailsPanel::InitialCaps() {
  if (QLineEdit* field = FocusedField())
    ReplaceFieldText(field, ToQString(tagwright::InitialCaps(FieldText(field), spellings_, recognition_.Letters)));
}

void TSongDetailsPanel::RemoveArtistFromTitle() {
  const std::string artist = TrimText(FieldText(artistField_));
  const std::string title = TrimText(FieldText(titleField_));
  ReplaceFieldText(artistField_, ToQString(artist));
  ReplaceFieldText(titleField_, ToQString(tagwright::RemoveArtistFromTitle(artist, title, recognition_.Letters)));
}

void TSongDetailsPanel::UpdateFieldFromFileName(TDetailsField field, bool artist) {
  TSongFile* song = selectedSong_ ? selectedSong_() : nullptr;
  if (song == nullptr) return;
  TTokenList tokens;
  RecognizeFileName(song->FileName(), tokens, *song, recognition_);
  if (song->Recognition() == TRecognition::Failed) return;
  if (artist && !song->Artist().empty()) ReplaceFieldText(FieldWidget(field), ToQString(song->Artist()));
  if (!artist && !song->Title().empty()) ReplaceFieldText(FieldWidget(field), ToQString(song->FullTitle()));
}

void TSongDetailsPanel::CutSelectionTo(TDetailsField target) {
  QLineEdit* source = FocusedField();
  if (source == nullptr || !source->hasSelectedText()) return;
  QLineEdit* targetField = FieldWidget(target);
  const QString moved = source->selectedText();
  source->cut();
  // Put in as a whole: a paste would be refused where it makes the track longer than the user may type.
  targetField->setText(moved + targetField->text());
  targetField->setCursorPosition(0);
  std::string tidied = TrimText(FieldText(source));
  while (!tidied.empty() && tidied.front() == '-') tidied = TrimText(std::string_view(tidied).substr(1));
  source->setText(ToQString(tidied));
}

}  // namespace tagwright

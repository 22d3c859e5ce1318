// The song details panel below the song list: the details of the one selected song, or the values the
// selected songs share ("common" mode), for the commands to read; the previous and next buttons; the
// rename and stamp buttons; and the text fields' pop-up menu, which tidies the focused field.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "songs/known_spellings.h"
#include "songs/recognition.h"
#include "songs/song_file.h"
#include "ui/details/details_edits.h"

class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QToolButton;

namespace tagwright {

class TErrorGuard;

// The placeholder of a field whose songs' values differ.
inline QString DifferentValuesText() { return QStringLiteral("<different>"); }

// The panel's editable fields.
enum class TDetailsField : std::uint8_t { Artist, Title, Album, Year, Comment, Track };

class TSongDetailsPanel : public QWidget {
  Q_OBJECT
 public:
  // The guard runs the text menu's work that reads songs; it must outlive the panel.
  explicit TSongDetailsPanel(const TErrorGuard& guard, QWidget* parent = nullptr);

  // Where "Update from Filename" finds its song: the one selected song, or nullptr.
  void SetSelectedSongSource(std::function<TSongFile*()> source) { selectedSong_ = std::move(source); }
  // How the text menu's entries read file names and change capitals (the Preferences).
  void SetNameOptions(const TKnownSpellings* spellings, TRecognitionOptions recognition) {
    spellings_ = spellings;
    recognition_ = recognition;
  }

  // One song: every field, the status mark and the read-only note.
  void ShowSong(const TSongFile& song);
  // No song or several: the values all given songs share, with the title field disabled; a field
  // whose values differ shows DifferentValuesText() greyed, as a placeholder. The caption counts
  // several songs: " Song Details \u2014 4 songs ".
  void ShowCommonValues(const std::vector<const TSongFile*>& songs);
  // No song at all: empty fields, the title field enabled.
  void ShowNoSong();
  void Clear();
  // The group box caption: " Song Details ", " Song Details (common) ", or " Song Details (changed) "
  // while fields of the one song shown hold what was typed and not stamped.
  QString Caption() const;

  // Typed and not stamped: the fields of the one song shown differ from the song's values.
  bool HasChanges() const;
  // The file of the one song shown; empty for none or several.
  const std::string& ShownFile() const { return shownFile_; }
  // The fields' texts as typed, and put back after a stamp that did not happen.
  QStringList TypedTexts() const { return edits_->Texts(); }
  void RestoreTypedTexts(const QStringList& texts) { edits_->RestoreTexts(texts); }
  // The fields typed over what was shown for the song or the songs, put back once they are shown
  // afresh (the rows were rebuilt).
  TDetailsEdits::TTypedFields TypedFields() const { return edits_->TypedFields(); }
  void RestoreTypedFields(const TDetailsEdits::TTypedFields& typed) { edits_->RestoreTypedFields(typed); }
  // In the common mode of several songs: the captions ("Album", ...) of the fields whose shared
  // value the user has emptied, which a stamp of several songs leaves as each song holds it.
  QStringList EmptiedSharedFields() const;

  // A field's text trimmed, and trimmed in place so that the field shows what is written.
  std::string TrimField(TDetailsField field);
  void SetFieldText(TDetailsField field, const QString& text);
  std::string Genre() const;

  // Moves the focused field's selection to the front of target, and tidies what is left.
  void CutSelectionTo(TDetailsField target);
  // Enables the text menu's entries, as when it opens on the focused field.
  void PrepareTextMenu();

  void ClickRename();
  void ClickStamp();
  void ClickPrevious();
  void ClickNext();

 Q_SIGNALS:
  void RenameClicked();
  void StampClicked();
  void PreviousClicked();
  void NextClicked();

 private:
  void CreateFields();
  int LayOutFields(QGridLayout& layout);
  void AddCommandButtons(QGridLayout& layout, int row);
  void AddArrowButtons(QHBoxLayout& boxLayout);
  void CreateTextMenu();
  QLineEdit* FieldWidget(TDetailsField field) const;
  static QLineEdit* FocusedField();
  void SetCaption(const QString& caption);
  void ShowChanged(bool changed);
  void SetFieldsEnabled(bool enabled);
  void ShowTextMenu(QLineEdit* field, const QPoint& position);
  void UpdateFieldFromFileName(TDetailsField field, bool artist);
  static void UnderscoresToSpaces();
  void InitialCaps();
  void RemoveArtistFromTitle();
  static void ReplaceFieldText(QLineEdit* field, const QString& text);

  const TErrorGuard& guard_;
  // The fields the common mode showed a shared value in, with their captions.
  std::vector<std::pair<QString, QLineEdit*>> sharedShown_;
  std::function<TSongFile*()> selectedSong_;
  const TKnownSpellings* spellings_ = nullptr;
  TRecognitionOptions recognition_;

  QGroupBox* detailsBox_ = nullptr;
  QLineEdit* fileNameField_ = nullptr;
  QLineEdit* artistField_ = nullptr;
  QLineEdit* titleField_ = nullptr;
  QLineEdit* albumField_ = nullptr;
  QLineEdit* yearField_ = nullptr;
  QComboBox* genreBox_ = nullptr;
  QLineEdit* commentField_ = nullptr;
  QLineEdit* trackField_ = nullptr;
  QLabel* readOnlyLabel_ = nullptr;
  QLabel* statusMark_ = nullptr;
  QToolButton* previousButton_ = nullptr;
  QToolButton* nextButton_ = nullptr;
  QPushButton* renameButton_ = nullptr;
  QPushButton* stampButton_ = nullptr;

  class TDetailsEdits* edits_ = nullptr;
  QString caption_;        // the caption without the changed mark
  std::string shownFile_;  // the one song shown

  QMenu* textMenu_ = nullptr;
  QMenu* fromFileNameMenu_ = nullptr;
  QAction* artistFromFileNameEntry_ = nullptr;
  QAction* titleFromFileNameEntry_ = nullptr;
  QMenu* cutToMenu_ = nullptr;
  QAction* undoEntry_ = nullptr;
  QAction* redoEntry_ = nullptr;
};

}  // namespace tagwright

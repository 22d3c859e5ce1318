// What the window asks of the desktop outside itself: modal message boxes, the one-line input dialog
// and opening a file with the application associated with it. Tests answer and record these through
// their own implementation.
#pragma once

#include <QFlags>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

#include "commands/song_pass.h"
#include "songs/song_file.h"
#include "ui/window/preferences.h"

namespace tagwright {

class THistoryActions;

enum class TMsgDlgType { Error, Confirmation, Warning, Information };

// The answers to "Stamp the changes to NAME?".
enum class TTypedChanges { Stamp, Discard, Cancel };

enum class TMsgDlgButton : unsigned { Yes = 1U, No = 2U, OK = 4U, Cancel = 8U };
// A set of buttons, or-ed together: TMsgDlgButton::Yes | TMsgDlgButton::No.
Q_DECLARE_FLAGS(TMsgDlgButtons, TMsgDlgButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(TMsgDlgButtons)

// What Tags from File Names and Rename with Pattern ask (ui/pattern_dialog.h): the pattern, offered
// the ones used last (newest first), with what it makes of the current song's name or details as an
// example; and for tags, whether the values read are cleaned up.
enum class TPatternUse : bool { TagsFromName, Rename };
struct TPatternQuestion {
  TPatternUse Use = TPatternUse::TagsFromName;
  QString Caption;
  QStringList Recent;
  const TSongFile* Example = nullptr;  // none: no example
  QString Pattern;                     // the answer
  bool CleanupValues = false;          // the answer, for tags
};

// What Number Tracks asks: the first number, and whether each track is written with the number of
// tracks (3/12).
struct TNumberingQuestion {
  int Start = 1;
  bool WithTotal = false;
};

class TDialogs {
 public:
  virtual ~TDialogs() = default;

  // Shows a modal message box and returns the button pressed. Closing the box without a button
  // counts as No when there is one, else as Cancel or OK. Enter presses defaultButton when it is
  // given (one of buttons), else the box's own choice.
  virtual TMsgDlgButton MessageDlg(TMsgDlgType type, const QString& caption, const QString& text,
                                   TMsgDlgButtons buttons, TMsgDlgButtons defaultButton = {}) = 0;

  // Asks what becomes of details typed for a song and not stamped, before the window shows another:
  // "Stamp the changes to NAME?" with Stamp, Discard and Cancel (stay on the song). Here a message
  // box whose Yes stamps and No discards.
  virtual TTypedChanges AskToStampChanges(const QString& name) {
    switch (MessageDlg(TMsgDlgType::Confirmation, QStringLiteral("Confirm"),
                       QStringLiteral("Stamp the changes to %1?").arg(name),
                       TMsgDlgButton::Yes | TMsgDlgButton::No | TMsgDlgButton::Cancel, TMsgDlgButton::Yes)) {
      case TMsgDlgButton::Yes: return TTypedChanges::Stamp;
      case TMsgDlgButton::No: return TTypedChanges::Discard;
      default: break;
    }
    return TTypedChanges::Cancel;
  }

  // The one-line input dialog. Returns true with the edited text in value when confirmed; false,
  // value untouched, when cancelled. The text's first selectedLength characters are selected at
  // first; all of it when selectedLength is negative.
  virtual bool InputQuery(const QString& caption, const QString& prompt, QString& value, int selectedLength = -1) = 0;

  // Shows what a command would do to each song (the results of a dry run) in a table. True when the
  // user chooses "Apply", false for "Close".
  virtual bool PreviewPass(const QString& caption, const std::vector<TSongResult>& results) = 0;
  // The same with a note under the table (none when empty).
  virtual bool PreviewPass(const QString& caption, const std::vector<TSongResult>& results, const QString& note) {
    lastPreviewNote = note;
    return PreviewPass(caption, results);
  }
  QString lastPreviewNote;  // the note of the last preview, for tests

  // The Preferences dialog: true with the user's choices in preferences when confirmed; false,
  // preferences untouched, when cancelled.
  virtual bool EditPreferences(TPreferences& preferences) {
    (void)preferences;
    return false;
  }

  // Asks for a folder to open, starting at folder: true with the chosen one in folder; false,
  // folder untouched, when cancelled.
  virtual bool ChooseFolder(QString& folder) {
    (void)folder;
    return false;
  }

  // Asks for a picture file, starting in folder: true with the chosen file in path; false, path
  // untouched, when cancelled.
  virtual bool ChoosePictureFile(const QString& folder, QString& path) {
    (void)folder;
    (void)path;
    return false;
  }

  // The pattern dialog and the numbering dialog: true with the answers in question when confirmed;
  // false, question untouched, when cancelled.
  virtual bool AskForPattern(TPatternQuestion& question) {
    (void)question;
    return false;
  }
  virtual bool AskForNumbering(TNumberingQuestion& question) {
    (void)question;
    return false;
  }

  // "History...": the entries of the history with Undo and Redo (ui/history_dialog.h), until closed.
  virtual void ShowHistory(THistoryActions& actions) { (void)actions; }
  // Opens a file or folder with the desktop's default application for it; false when none opens it.
  virtual bool OpenWithAssociatedApplication(const std::string& path) = 0;
};

// Opens a file or folder with its application, and says so in an error box, naming it, when none
// opens it.
void OpenOrTell(TDialogs& dialogs, const std::string& path);

}  // namespace tagwright

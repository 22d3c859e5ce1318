// Dialogs for tests: every message box, input dialog and file opening is recorded, and answered from
// queues the test fills (No, OK and "cancelled" when a queue is empty).
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/dialogs/dialogs.h"
#include "ui/dialogs/history_dialog.h"
#include "ui/dialogs/pattern_dialog.h"

namespace tagwright::testing {

class TRecordingDialogs : public TDialogs {
 public:
  struct TMessage {
    TMsgDlgType Type;
    QString Caption;
    QString Text;
    TMsgDlgButtons Buttons;
    TMsgDlgButtons DefaultButton;
  };
  struct TInput {
    QString Caption;
    QString Prompt;
    QString Value;  // the text offered
    int SelectedLength;
  };

  TMsgDlgButton MessageDlg(TMsgDlgType type, const QString& caption, const QString& text, TMsgDlgButtons buttons,
                           TMsgDlgButtons defaultButton) override {
    Messages.push_back({type, caption, text, buttons, defaultButton});
    if (WhenMessageShown) WhenMessageShown();
    if (!Answers.empty()) {
      const TMsgDlgButton answer = Answers.front();
      Answers.pop_front();
      return answer;
    }
    return buttons.testFlag(TMsgDlgButton::No) ? TMsgDlgButton::No : TMsgDlgButton::OK;
  }

  bool InputQuery(const QString& caption, const QString& prompt, QString& value, int selectedLength) override {
    Inputs.push_back({caption, prompt, value, selectedLength});
    if (InputAnswers.empty()) return false;
    value = InputAnswers.front();
    InputAnswers.pop_front();
    return true;
  }

  bool PreviewPass(const QString& caption, const std::vector<TSongResult>& results) override {
    Previews.push_back({caption, results});
    if (PreviewAnswers.empty()) return false;
    const bool apply = PreviewAnswers.front();
    PreviewAnswers.pop_front();
    return apply;
  }

  bool EditPreferences(TPreferences& preferences) override {
    PreferencesShown.push_back(preferences);
    if (PreferencesAnswers.empty()) return false;
    preferences = PreferencesAnswers.front();
    PreferencesAnswers.pop_front();
    return true;
  }

  bool ChoosePictureFile(const QString& /*folder*/, QString& path) override {
    if (PictureAnswers.empty()) return false;
    path = PictureAnswers.front();
    PictureAnswers.pop_front();
    return true;
  }

  bool ChooseFolder(QString& folder) override {
    FoldersOffered.push_back(folder);
    if (FolderAnswers.empty()) return false;
    folder = FolderAnswers.front();
    FolderAnswers.pop_front();
    return true;
  }

  // The real pattern dialog: the answer's pattern is typed into it, and OK chosen when it can be.
  bool AskForPattern(TPatternQuestion& question) override {
    TPatternDialog dialog(question);
    TPatternShown shown{question.Caption, question.Recent, dialog.Example(), {}, false};
    if (PatternAnswers.empty()) {
      PatternsShown.push_back(shown);
      return false;
    }
    const TPatternAnswer answer = PatternAnswers.front();
    PatternAnswers.pop_front();
    dialog.SetPattern(answer.Pattern);
    dialog.SetCleanupValues(answer.CleanupValues);
    shown.Example = dialog.Example();
    shown.Mistake = dialog.Mistake();
    shown.CouldAccept = dialog.CanAccept();
    PatternsShown.push_back(shown);
    if (!shown.CouldAccept) return false;
    question.Pattern = dialog.Pattern();
    question.CleanupValues = dialog.CleanupValues();
    return true;
  }

  bool AskForNumbering(TNumberingQuestion& question) override {
    NumberingsShown.push_back(question);
    if (NumberingAnswers.empty()) return false;
    question = NumberingAnswers.front();
    NumberingAnswers.pop_front();
    return true;
  }

  // The real dialog, left to the test's script instead of the user.
  void ShowHistory(THistoryActions& actions) override {
    THistoryDialog dialog(actions);
    if (HistoryScript) HistoryScript(dialog);
  }

  bool OpenWithAssociatedApplication(const std::string& path) override {
    Opened.push_back(path);
    if (OpenAnswers.empty()) return true;
    const bool opened = OpenAnswers.front();
    OpenAnswers.pop_front();
    return opened;
  }

  std::vector<TMessage> Messages;
  std::function<void()> WhenMessageShown;  // called as each message box comes up, to look at the window then
  std::deque<TMsgDlgButton> Answers;
  std::vector<TInput> Inputs;
  std::deque<QString> InputAnswers;
  std::vector<std::string> Opened;
  std::deque<bool> OpenAnswers;  // false: no application opens the file; opened when empty
  struct TPreview {
    QString Caption;
    std::vector<TSongResult> Results;
  };
  std::vector<TPreview> Previews;
  std::deque<bool> PreviewAnswers;              // true: "Apply"; "Close" when empty
  std::vector<QString> FoldersOffered;          // where Open Folder started each time
  std::deque<QString> FolderAnswers;            // the folders chosen; cancelled when empty
  std::deque<QString> PictureAnswers;           // the picture files chosen, in turn
  std::vector<TPreferences> PreferencesShown;   // what the dialog offered each time
  std::deque<TPreferences> PreferencesAnswers;  // the choices confirmed; cancelled when empty
  std::function<void(THistoryDialog&)> HistoryScript;
  struct TPatternAnswer {
    QString Pattern;
    bool CleanupValues = false;
  };
  struct TPatternShown {
    QString Caption;
    QStringList Recent;  // offered in the pattern box
    QString Example;     // first the one of the pattern offered, then the one of the pattern typed
    QString Mistake;
    bool CouldAccept;
  };
  std::deque<TPatternAnswer> PatternAnswers;  // typed, OK chosen when it can be; cancelled when empty
  std::vector<TPatternShown> PatternsShown;
  std::deque<TNumberingQuestion> NumberingAnswers;  // confirmed; cancelled when empty
  std::vector<TNumberingQuestion> NumberingsShown;  // what is done in "History..." before it closes
};

}  // namespace tagwright::testing

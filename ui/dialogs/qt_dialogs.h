// The desktop's own message boxes, input dialog and "open with" (xdg-open).
#pragma once

#include "ui/dialogs/dialogs.h"

namespace tagwright {

class TQtDialogs : public TDialogs {
 public:
  TMsgDlgButton MessageDlg(TMsgDlgType type, const QString& caption, const QString& text, TMsgDlgButtons buttons,
                           TMsgDlgButtons defaultButton = {}) override;
  TTypedChanges AskToStampChanges(const QString& name) override;
  bool InputQuery(const QString& caption, const QString& prompt, QString& value, int selectedLength = -1) override;
  bool PreviewPass(const QString& caption, const std::vector<TSongResult>& results) override;
  bool PreviewPass(const QString& caption, const std::vector<TSongResult>& results, const QString& note) override;
  bool EditPreferences(TPreferences& preferences) override;
  bool ChooseFolder(QString& folder) override;
  bool ChoosePictureFile(const QString& folder, QString& path) override;
  bool AskForPattern(TPatternQuestion& question) override;
  bool AskForNumbering(TNumberingQuestion& question) override;
  void ShowHistory(THistoryActions& actions) override;
  bool OpenWithAssociatedApplication(const std::string& path) override;
};

}  // namespace tagwright

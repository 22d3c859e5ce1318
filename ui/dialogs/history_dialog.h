// "History...": the entries of the history, newest first (time, program, command, files, state),
// with Undo and Redo for the entry selected and its files on request, and Let Go for an entry
// whose repair after a crash is pending. What the buttons do is the
// window's (the same questions, rules and checks as Ctrl+Z and Ctrl+Shift+Z); the dialog reads the
// entries afresh after each.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace tagwright {

// One line of the dialog.
struct THistoryRow {
  std::int64_t Id = 0;
  QString Time;
  QString Program;
  QString Command;
  std::int64_t Files = 0;
  QString State;  // "done", "undone", "partly undone", "in progress"
  bool CanUndo = false;
  bool CanRedo = false;
  bool Pending = false;  // interrupted, its repair still to be made
};

// Where the dialog shows an undo or a redo while it runs: its progress, and a Cancel that stops it
// between two files.
class THistoryProgress {
 public:
  virtual ~THistoryProgress() = default;
  // Shows text ("Undo: 600 / 1,400"), with a Cancel that calls cancel once; the rest of the dialog
  // waits meanwhile.
  virtual void Show(const QString& text, std::function<void()> cancel) = 0;
  virtual void Hide() = 0;
};

// What the dialog shows and does.
class THistoryActions {
 public:
  virtual ~THistoryActions() = default;
  // The entries, newest first; empty (and the failure said) when the history cannot be read.
  virtual std::vector<THistoryRow> Rows() = 0;
  // The files of an entry as it left them.
  virtual std::vector<std::string> Files(std::int64_t entry) = 0;
  // Undoes the entry (or redoes it: takes the undo back), after asking, its progress in progress;
  // returns once it has ended.
  virtual void Undo(std::int64_t entry, THistoryProgress& progress) = 0;
  virtual void Redo(std::int64_t entry, THistoryProgress& progress) = 0;
  // Lets the pending changes of an interrupted entry go, saying where copies kept beside them stay.
  virtual void LetGo(std::int64_t entry) { (void)entry; }
};

class THistoryDialog : public QDialog, private THistoryProgress {
  Q_OBJECT
 public:
  explicit THistoryDialog(THistoryActions& actions, QWidget* parent = nullptr);

  // Reads the entries again, keeping the selection on the same entry when it is still there.
  void Refresh();

 private:
  void FollowSelection();
  void Show(const QString& text, std::function<void()> cancel) override;
  void Hide() override;
  std::int64_t SelectedEntry() const;

  THistoryActions& actions_;
  std::vector<THistoryRow> rows_;
  QTreeWidget* entryList_ = nullptr;
  QListWidget* fileList_ = nullptr;
  QPushButton* undoButton_ = nullptr;
  QPushButton* redoButton_ = nullptr;
  QPushButton* filesButton_ = nullptr;
  QPushButton* letGoButton_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  std::function<void()> cancel_;
};

}  // namespace tagwright

// The dialogs that gather the input of Tags from File Names, Rename with Pattern and Number Tracks.
// The pattern dialog shows, while the pattern is typed, what it makes of the current song: the values
// it reads from the name, or the new name; while the pattern has a mistake, the mistake and where it
// is, and OK is disabled.
#pragma once

#include <QDialog>
#include <QString>
#include <string>

#include "songs/song_file.h"
#include "ui/dialogs/dialogs.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QSpinBox;

namespace tagwright {

// What the pattern makes of a song: for tags, the values read from its name in the pattern's order
// ("artist: Daft Punk · title: One More Time · track: 1"), or why it reads none; for a rename, the
// new name, or why there is none.
QString PatternExample(TPatternUse use, const std::string& pattern, const TSongFile& song);

// The mistake of a pattern that does not parse, with where it is; empty when it parses.
QString PatternMistake(TPatternUse use, const std::string& pattern);

class TPatternDialog : public QDialog {
  Q_OBJECT
 public:
  // The pattern box offers the question's recent patterns, the newest one typed in.
  explicit TPatternDialog(const TPatternQuestion& question, QWidget* parent = nullptr);

  QString Pattern() const;
  void SetPattern(const QString& pattern);
  bool CleanupValues() const;
  void SetCleanupValues(bool on);
  // The example line and the mistake line as shown; whether OK can be chosen.
  QString Example() const;
  QString Mistake() const;
  bool CanAccept() const;

 private:
  void ShowPattern();

  TPatternUse use_;
  const TSongFile* song_ = nullptr;
  QComboBox* patternBox_ = nullptr;
  QLabel* example_ = nullptr;
  QLabel* mistake_ = nullptr;
  QCheckBox* cleanup_ = nullptr;  // tags only
  QDialogButtonBox* buttons_ = nullptr;
};

class TNumberingDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TNumberingDialog(const TNumberingQuestion& question, QWidget* parent = nullptr);
  TNumberingQuestion Answer() const;

 private:
  QSpinBox* start_ = nullptr;
  QCheckBox* withTotal_ = nullptr;
};

}  // namespace tagwright

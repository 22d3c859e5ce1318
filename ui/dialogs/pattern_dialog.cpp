#include "ui/dialogs/pattern_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

#include "commands/command_catalogue.h"
#include "commands/pattern_plans.h"
#include "files/paths.h"
#include "songs/name_pattern.h"
#include "songs/pattern_matching.h"
#include "ui/text_conversion.h"
#include "ui/window/window_layout.h"

namespace tagwright {

namespace {

constexpr int kLargestTrack = 255;

TCommandId CommandOf(TPatternUse use) {
  return use == TPatternUse::TagsFromName ? TCommandId::TagsFromName : TCommandId::RenameWithPattern;
}

// A track as the tag holds it: "01" is track 1.
std::string TrackNumber(const std::string& digits) {
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? std::string("0") : digits.substr(first);
}

QString ValuesRead(const TNamePattern& pattern, const TSongDetails& read) {
  std::vector<TSongField> fields;
  QStringList values;
  for (const TPatternPart& part : pattern.Parts) {
    if (part.Kind != TPatternPartKind::Field || std::ranges::find(fields, part.Field) != fields.end()) continue;
    fields.push_back(part.Field);
    const std::string& value = read.Field(part.Field);
    values << ToQString(PatternFieldName(part.Field)) + QStringLiteral(": ") +
                  ToQString(part.Field == TSongField::Track ? TrackNumber(value) : value);
  }
  return values.join(QStringLiteral(" \u00b7 "));
}

QString TagsExample(const TNamePattern& pattern, const TSongFile& song) {
  const TSongChange change = PlanTagsFromName(song, TID3Info{}, pattern, {});
  if (!change.Skip.empty()) return ToQString(change.Skip);
  if (!change.Refusal.empty()) return ToQString(change.Refusal);
  const std::optional<TSongDetails> read = MatchNamePattern(pattern, song.FileName());
  return read ? ValuesRead(pattern, *read) : QString();
}

QString RenameExample(const TNamePattern& pattern, const TSongFile& song) {
  const TSongChange change = PlanRenameWithPattern(song, pattern);
  // The new name with the folders it makes below the song's own.
  if (!change.NewFileName.empty()) return PathToQString(change.NewFileName.substr(FolderPart(song.FileName()).size()));
  return ToQString(change.Skip.empty() ? change.Refusal : change.Skip);
}

}  // namespace

QString PatternExample(TPatternUse use, const std::string& pattern, const TSongFile& song) {
  const TPatternParse parse = ParseNamePattern(pattern);
  if (!parse.Ok()) return {};
  return use == TPatternUse::TagsFromName ? TagsExample(*parse.Pattern, song) : RenameExample(*parse.Pattern, song);
}

QString PatternMistake(TPatternUse use, const std::string& pattern) {
  TCommandInput input;
  input.Pattern = pattern;
  return ToQString(InputProblem(CatalogueCommand(CommandOf(use)), input));
}

TPatternDialog::TPatternDialog(const TPatternQuestion& question, QWidget* parent)
    : QDialog(parent), use_(question.Use), song_(question.Example) {
  setObjectName(QStringLiteral("patternDialog"));
  setWindowTitle(question.Caption);
  setMinimumWidth(kInputDialogMinimumWidth);
  auto* layout = new QVBoxLayout(this);
  auto* label = new QLabel(QStringLiteral("&Pattern"), this);
  patternBox_ = new QComboBox(this);
  patternBox_->setObjectName(QStringLiteral("patternBox"));
  patternBox_->setEditable(true);
  patternBox_->setInsertPolicy(QComboBox::NoInsert);
  patternBox_->addItems(question.Recent);
  patternBox_->setToolTip(
      QStringLiteral("Fields in braces: {artist} {title} {mix} {track} {track:3} {album} {year} {genre} {comment} "
                     "{featuring} {cd}; / for a folder; {{ and }} for braces"));
  label->setBuddy(patternBox_);
  example_ = new QLabel(this);
  example_->setObjectName(QStringLiteral("patternExample"));
  example_->setTextFormat(Qt::PlainText);
  example_->setWordWrap(true);
  mistake_ = new QLabel(this);
  mistake_->setObjectName(QStringLiteral("patternMistake"));
  mistake_->setTextFormat(Qt::PlainText);
  mistake_->setWordWrap(true);
  layout->addWidget(label);
  layout->addWidget(patternBox_);
  layout->addWidget(example_);
  layout->addWidget(mistake_);
  if (use_ == TPatternUse::TagsFromName) {
    cleanup_ = new QCheckBox(QStringLiteral("Clean up the values"), this);
    cleanup_->setObjectName(QStringLiteral("cleanupValuesBox"));
    cleanup_->setChecked(question.CleanupValues);
    layout->addWidget(cleanup_);
  }
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons_);
  connect(patternBox_, &QComboBox::editTextChanged, this, &TPatternDialog::ShowPattern);
  if (!question.Pattern.isEmpty()) patternBox_->setEditText(question.Pattern);
  patternBox_->setFocus();
  ShowPattern();
}

QString TPatternDialog::Pattern() const { return patternBox_->currentText(); }

void TPatternDialog::SetPattern(const QString& pattern) { patternBox_->setEditText(pattern); }

bool TPatternDialog::CleanupValues() const { return cleanup_ != nullptr && cleanup_->isChecked(); }

void TPatternDialog::SetCleanupValues(bool on) {
  if (cleanup_ != nullptr) cleanup_->setChecked(on);
}

QString TPatternDialog::Example() const { return example_->text(); }

QString TPatternDialog::Mistake() const { return mistake_->text(); }

bool TPatternDialog::CanAccept() const { return buttons_->button(QDialogButtonBox::Ok)->isEnabled(); }

void TPatternDialog::ShowPattern() {
  const std::string pattern = Pattern().toStdString();
  // A box not typed into yet holds no mistake, and nothing to go by either.
  const QString mistake = pattern.empty() ? QString() : PatternMistake(use_, pattern);
  const bool usable = !pattern.empty() && mistake.isEmpty();
  mistake_->setText(mistake);
  mistake_->setVisible(!mistake.isEmpty());
  example_->setText(usable && song_ != nullptr ? PatternExample(use_, pattern, *song_) : QString());
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(usable);
}

TNumberingDialog::TNumberingDialog(const TNumberingQuestion& question, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("numberingDialog"));
  setWindowTitle(QString::fromUtf8(CatalogueCommand(TCommandId::NumberTracks).WindowName));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  start_ = new QSpinBox(this);
  start_->setObjectName(QStringLiteral("numberingStartBox"));
  start_->setRange(1, kLargestTrack);
  start_->setValue(std::clamp(question.Start, 1, kLargestTrack));
  form->addRow(QStringLiteral("&Start at"), start_);
  layout->addLayout(form);
  withTotal_ = new QCheckBox(QStringLiteral("Write the number of tracks (3/12)"), this);
  withTotal_->setObjectName(QStringLiteral("numberingTotalBox"));
  withTotal_->setChecked(question.WithTotal);
  layout->addWidget(withTotal_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}

TNumberingQuestion TNumberingDialog::Answer() const {
  return {.Start = start_->value(), .WithTotal = withTotal_->isChecked()};
}

}  // namespace tagwright

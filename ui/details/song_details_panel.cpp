#include "ui/details/song_details_panel.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "files/file_access.h"
#include "songs/common_value.h"
#include "songs/file_name_composition.h"
#include "songs/genre_choices.h"
#include "songs/recognition.h"
#include "songs/text_cleanup.h"
#include "text/ascii_text.h"
#include "ui/artwork.h"
#include "ui/details/details_edits.h"
#include "ui/details/field_marks.h"
#include "ui/details/typing_limit.h"
#include "ui/hints.h"
#include "ui/menu_entries.h"
#include "ui/song_list/song_status_color.h"
#include "ui/song_list/song_status_hint.h"
#include "ui/text_conversion.h"
#include "ui/window/error_guard.h"
#include "ui/window/window_layout.h"

namespace tagwright {

namespace {

// Longer texts do not fit an ID3v1 tag: the artist and title fields warn in light orange.
// What the user may type into the year, genre and track fields.
constexpr int kYearCharacters = 4;
constexpr int kGenreCharacters = 100;
constexpr int kTrackCharacters = 3;

// Wide fields give way down to a third of their width when the window is narrow.
QLineEdit* MakeField(QWidget* parent, const char* name, int width) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  if (width > kFixedFieldWidthLimit) {
    field->setMinimumWidth(width / 3);
    field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  } else {
    field->setFixedWidth(width);
  }
  return field;
}

// A field's caption, named after its field: "artistField" gets "artistLabel".
QLabel* MakeLabel(const char* caption, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  QString name = buddy->objectName();
  name.replace(QRegularExpression(QStringLiteral("(Field|Box)$")), QStringLiteral("Label"));
  label->setObjectName(name);
  label->setBuddy(buddy);
  return label;
}

std::string FieldText(const QLineEdit* field) { return ToStdString(field->text()); }

}  // namespace

TSongDetailsPanel::TSongDetailsPanel(const TErrorGuard& guard, QWidget* parent) : QWidget(parent), guard_(guard) {
  setObjectName(QStringLiteral("songDetailsPanel"));
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* panelLayout = new QHBoxLayout(this);
  panelLayout->setContentsMargins(kDetailsPanelMargins);

  detailsBox_ = new QGroupBox(QStringLiteral(" Song Details "), this);
  detailsBox_->setObjectName(QStringLiteral("songDetailsBox"));
  auto* boxLayout = new QHBoxLayout(detailsBox_);
  boxLayout->setContentsMargins(kDetailsBoxMargins);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(kDetailsGridColumnSpacing);
  grid->setVerticalSpacing(kDetailsGridRowSpacing);
  boxLayout->addLayout(grid);

  CreateFields();

  const int row = LayOutFields(*grid);
  grid->setColumnStretch(1, 1);  // the captions keep their width, the fields take the rest
  AddCommandButtons(*grid, row);
  AddArrowButtons(*boxLayout);

  // The colour mark sits on the box's top border, just right of the caption.
  statusMark_ = new QLabel(QStringLiteral("ooooo"), detailsBox_);
  statusMark_->setObjectName(QStringLiteral("statusMark"));
  statusMark_->adjustSize();
  SetCaption(detailsBox_->title());

  panelLayout->addWidget(detailsBox_, 1);
  panelLayout->addStretch(0);

  CreateTextMenu();
  edits_ = new TDetailsEdits(
      {artistField_, titleField_, albumField_, yearField_, commentField_, trackField_, genreBox_->lineEdit()}, this);
  connect(edits_, &TDetailsEdits::ChangesChanged, this, &TSongDetailsPanel::ShowChanged);

  connect(renameButton_, &QPushButton::clicked, this, &TSongDetailsPanel::RenameClicked);
  connect(stampButton_, &QPushButton::clicked, this, &TSongDetailsPanel::StampClicked);
  connect(previousButton_, &QToolButton::clicked, this, &TSongDetailsPanel::PreviousClicked);
  connect(nextButton_, &QToolButton::clicked, this, &TSongDetailsPanel::NextClicked);
  connect(artistField_, &QLineEdit::textChanged, this, [this] { MarkLongerThanTrailer(artistField_); });
  connect(titleField_, &QLineEdit::textChanged, this, [this] { MarkLongerThanTrailer(titleField_); });
  for (QLineEdit* field : {artistField_, titleField_, albumField_, commentField_}) {
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(field, &QWidget::customContextMenuRequested, this,
            [this, field](const QPoint& position) { ShowTextMenu(field, position); });
  }
  Clear();
}

void TSongDetailsPanel::CreateFields() {
  fileNameField_ = MakeField(detailsBox_, "fileNameField", kWideFieldWidth);
  fileNameField_->setReadOnly(true);
  fileNameField_->setFrame(false);
  fileNameField_->setFocusPolicy(Qt::NoFocus);
  QPalette face = fileNameField_->palette();
  face.setColor(QPalette::Base, face.color(QPalette::Button));
  fileNameField_->setPalette(face);
  artistField_ = MakeField(detailsBox_, "artistField", kWideFieldWidth);
  titleField_ = MakeField(detailsBox_, "titleField", kWideFieldWidth);
  albumField_ = MakeField(detailsBox_, "albumField", kWideFieldWidth);
  yearField_ = MakeField(detailsBox_, "yearField", kYearFieldWidth);
  new TTypingLimit(yearField_, kYearCharacters);
  genreBox_ = new QComboBox(detailsBox_);
  genreBox_->setObjectName(QStringLiteral("genreBox"));
  genreBox_->setEditable(true);
  genreBox_->setInsertPolicy(QComboBox::NoInsert);
  genreBox_->setFixedWidth(kGenreBoxWidth);
  genreBox_->setMaxVisibleItems(kGenreBoxVisibleItems);
  for (const std::string& genre : GenreChoices()) genreBox_->addItem(ToQString(genre));
  new TTypingLimit(genreBox_->lineEdit(), kGenreCharacters);
  commentField_ = MakeField(detailsBox_, "commentField", kWideFieldWidth);
  trackField_ = MakeField(detailsBox_, "trackField", kTrackFieldWidth);
  new TTypingLimit(trackField_, kTrackCharacters);
  SetHint(trackField_, QStringLiteral("Track Number of Song"));
  readOnlyLabel_ = new QLabel(detailsBox_);
  readOnlyLabel_->setObjectName(QStringLiteral("readOnlyLabel"));
}

// The fields with their captions, one a row; returns the next free row.
int TSongDetailsPanel::LayOutFields(QGridLayout& layout) {
  int row = 0;
  // A caption and its field across the three columns to its right.
  const auto addRow = [&](const char* caption, QWidget* field) {
    layout.addWidget(MakeLabel(caption, field, detailsBox_), row, 0);
    layout.addWidget(field, row++, 1, 1, 3);
  };
  addRow("Filename:", fileNameField_);
  addRow("Artist:", artistField_);
  addRow("Title:", titleField_);
  addRow("Album:", albumField_);
  layout.addWidget(MakeLabel("Year:", yearField_, detailsBox_), row, 0);
  auto* yearAndGenre = new QHBoxLayout;
  yearAndGenre->setSpacing(kDetailsGridColumnSpacing);
  yearAndGenre->addWidget(yearField_);
  yearAndGenre->addStretch(1);
  yearAndGenre->addWidget(MakeLabel("Genre:", genreBox_, detailsBox_));
  yearAndGenre->addWidget(genreBox_);
  layout.addLayout(yearAndGenre, row++, 1, 1, 3);
  addRow("Comment:", commentField_);
  layout.addWidget(MakeLabel("Track#:", trackField_, detailsBox_), row, 0);
  auto* trackLine = new QHBoxLayout;
  trackLine->addWidget(trackField_);
  trackLine->addWidget(readOnlyLabel_);
  trackLine->addStretch(1);
  layout.addLayout(trackLine, row++, 1, 1, 3);
  return row;
}

// Rename and Stamp, below the fields from row on.
void TSongDetailsPanel::AddCommandButtons(QGridLayout& layout, int row) {
  renameButton_ = new QPushButton(CommandEntry(TCommandId::RenameWithDetails), detailsBox_);
  renameButton_->setObjectName(QStringLiteral("renameButton"));
  SetHint(renameButton_, QStringLiteral("Rename selected file(s) using Song Details. (F5)"));
  stampButton_ = new QPushButton(CommandEntry(TCommandId::StampPanel), detailsBox_);
  stampButton_->setObjectName(QStringLiteral("stampButton"));
  SetHint(stampButton_, QStringLiteral("Update ID3 tags of selected file(s)\nusing Song Details. (F6)"));
  for (QPushButton* button : {renameButton_, stampButton_}) {
    button->setMinimumSize(kCommandButtonMinimumSize);
    button->setAutoDefault(false);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(renameButton_);
  buttons->addStretch(1);
  buttons->addWidget(stampButton_);
  layout.addItem(new QSpacerItem(0, kDetailsButtonsGap), row++, 0);
  layout.addLayout(buttons, row++, 0, 1, 4);
}

// The previous and next buttons, one above the other at the right edge.
void TSongDetailsPanel::AddArrowButtons(QHBoxLayout& boxLayout) {
  auto* arrows = new QVBoxLayout;
  arrows->setSpacing(kArrowButtonSpacing);
  previousButton_ = new QToolButton(detailsBox_);
  previousButton_->setObjectName(QStringLiteral("previousButton"));
  nextButton_ = new QToolButton(detailsBox_);
  nextButton_->setObjectName(QStringLiteral("nextButton"));
  previousButton_->setIcon(ArrowIcon(true));
  nextButton_->setIcon(ArrowIcon(false));
  SetHint(previousButton_, QStringLiteral("Previous File (F11)"));
  SetHint(nextButton_, QStringLiteral("Next File (F12)"));
  for (QToolButton* button : {previousButton_, nextButton_}) {
    button->setAutoRaise(true);
    button->setFixedSize(kArrowButtonSize);
    button->setFocusPolicy(Qt::NoFocus);
    arrows->addWidget(button);
  }
  arrows->addStretch(1);
  boxLayout.addSpacing(kDetailsButtonsGap);
  boxLayout.addLayout(arrows);
}

QLineEdit* TSongDetailsPanel::FieldWidget(TDetailsField field) const {
  switch (field) {
    case TDetailsField::Artist: return artistField_;
    case TDetailsField::Title: return titleField_;
    case TDetailsField::Album: return albumField_;
    case TDetailsField::Year: return yearField_;
    case TDetailsField::Comment: return commentField_;
    case TDetailsField::Track: break;
  }
  return trackField_;
}

QLineEdit* TSongDetailsPanel::FocusedField() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }

// --- Showing songs ---

QString TSongDetailsPanel::Caption() const { return detailsBox_->title(); }

void TSongDetailsPanel::ShowChanged(bool changed) {
  const QString base = caption_;
  SetCaption(changed ? QStringLiteral(" Song Details (changed) ") : base);
  caption_ = base;
}

bool TSongDetailsPanel::HasChanges() const { return edits_ != nullptr && edits_->HasChanges(); }

// With no song shown there is nothing to type into; the buttons stay, to say what is missing.
void TSongDetailsPanel::SetFieldsEnabled(bool enabled) {
  for (QWidget* field :
       std::initializer_list<QWidget*>{artistField_, albumField_, yearField_, commentField_, trackField_, genreBox_}) {
    field->setEnabled(enabled);
  }
}

void TSongDetailsPanel::SetCaption(const QString& caption) {
  caption_ = caption;
  detailsBox_->setTitle(caption);
  QStyleOptionGroupBox option;
  option.initFrom(detailsBox_);
  option.text = caption;
  option.textAlignment = detailsBox_->alignment();
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  option.lineWidth = 1;
  const QRect label =
      detailsBox_->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, detailsBox_);
  statusMark_->move(label.right() + kStatusMarkGap, label.top() + (label.height() - statusMark_->height()) / 2);
  statusMark_->raise();
}

void TSongDetailsPanel::Clear() {
  for (QLineEdit* field : {artistField_, albumField_, yearField_, commentField_, genreBox_->lineEdit(), trackField_}) {
    field->setPlaceholderText(QString());
  }
  readOnlyLabel_->clear();
  fileNameField_->clear();
  artistField_->clear();
  titleField_->clear();
  albumField_->clear();
  yearField_->clear();
  commentField_->clear();
  genreBox_->setEditText(QString());
  trackField_->clear();
  for (QLineEdit* field : edits_->Fields()) MarkFromFileName(field, false);
  statusMark_->setPalette(QPalette());
  SetHint(statusMark_, NoSongMarkHint());
}

void TSongDetailsPanel::ShowNoSong() {
  shownFile_.clear();
  sharedShown_.clear();
  if (edits_ != nullptr) edits_->Forget();
  SetFieldsEnabled(false);
  titleField_->setEnabled(false);
  SetCaption(QStringLiteral(" Song Details "));
  Clear();
}

void TSongDetailsPanel::ShowSong(const TSongFile& song) {
  edits_->Forget();
  sharedShown_.clear();
  shownFile_ = song.FileName();
  SetFieldsEnabled(true);
  titleField_->setEnabled(true);
  for (QLineEdit* field : {artistField_, albumField_, yearField_, commentField_, genreBox_->lineEdit(), trackField_}) {
    field->setPlaceholderText(QString());
  }
  SetCaption(QStringLiteral(" Song Details "));
  QPalette mark;
  mark.setColor(QPalette::WindowText, SongStatusColor(song));
  statusMark_->setPalette(mark);
  SetHint(statusMark_, StatusMarkHint(song));
  fileNameField_->setText(PathToQString(std::string(FileNamePart(song.FileName()))));
  fileNameField_->setCursorPosition(0);
  artistField_->setText(ToQString(song.Artist()));
  titleField_->setText(ToQString(song.FullTitle()));
  albumField_->setText(ToQString(song.Album()));
  yearField_->setText(ToQString(song.Year()));
  commentField_->setText(ToQString(song.Comment()));
  trackField_->setText(ToQString(song.PaddedTrack()));
  genreBox_->setEditText(ToQString(song.Genre()));
  MarkFromFileName(song, {{artistField_, TSongField::Artist},
                          {titleField_, TSongField::Title},
                          {albumField_, TSongField::Album},
                          {yearField_, TSongField::Year},
                          {commentField_, TSongField::Comment},
                          {trackField_, TSongField::Track},
                          {genreBox_->lineEdit(), TSongField::Genre}});
  // Asked without opening the song for writing, which a folder watcher would take for a change.
  readOnlyLabel_->setText(LooksWritable(song.FileName()) ? QString() : QStringLiteral("(Read-only)"));
  for (QLineEdit* field : {artistField_, titleField_, albumField_, commentField_}) field->setCursorPosition(0);
  edits_->TakeShownTexts();
}

void TSongDetailsPanel::ShowCommonValues(const std::vector<const TSongFile*>& songs) {
  edits_->Forget();
  shownFile_.clear();
  SetFieldsEnabled(true);
  titleField_->setEnabled(false);
  Clear();
  SetCaption(songs.size() > 1 ? QStringLiteral(" Song Details \u2014 %1 songs ").arg(songs.size())
                              : QStringLiteral(" Song Details (common) "));
  // A field shows the value the songs share; where they differ, a greyed "<different>" that is no
  // text, so that the stamp leaves the field alone unless something is typed in it.
  const auto show = [&songs, letters = recognition_.Letters](QLineEdit* field,
                                                             std::string (*valueOf)(const TSongFile&)) {
    std::string common;
    bool anyValue = false;
    for (const TSongFile* song : songs) {
      const std::string value = valueOf(*song);
      anyValue = anyValue || !value.empty();
      MergeCommonValue(common, value, letters);
    }
    field->setText(ToQString(CommonValueText(common)));
    field->setPlaceholderText(anyValue && common == kMixedValue ? DifferentValuesText() : QString());
  };
  show(artistField_, [](const TSongFile& song) { return song.Artist(); });
  show(albumField_, [](const TSongFile& song) { return song.Album(); });
  show(yearField_, [](const TSongFile& song) { return song.Year(); });
  show(commentField_, [](const TSongFile& song) { return song.Comment(); });
  show(genreBox_->lineEdit(), [](const TSongFile& song) { return song.Genre(); });
  show(trackField_, [](const TSongFile& song) { return song.PaddedTrack(); });
  sharedShown_.clear();
  for (auto [caption, field] : {std::pair{"Artist", artistField_}, std::pair{"Album", albumField_},
                                std::pair{"Year", yearField_}, std::pair{"Comment", commentField_},
                                std::pair{"Genre", genreBox_->lineEdit()}, std::pair{"Track", trackField_}}) {
    if (!field->text().isEmpty()) sharedShown_.emplace_back(QString::fromLatin1(caption), field);
  }
  edits_->TakeCommonTexts();
}

QStringList TSongDetailsPanel::EmptiedSharedFields() const { return EmptiedFields(sharedShown_); }

// --- Reading and writing fields ---

std::string TSongDetailsPanel::TrimField(TDetailsField field) {
  QLineEdit* widget = FieldWidget(field);
  const std::string text = FieldText(widget);
  std::string trimmed = TrimText(text);
  if (text != trimmed) widget->setText(ToQString(trimmed));
  return trimmed;
}

void TSongDetailsPanel::SetFieldText(TDetailsField field, const QString& text) { FieldWidget(field)->setText(text); }

std::string TSongDetailsPanel::Genre() const { return ToStdString(genreBox_->currentText()); }

void TSongDetailsPanel::ClickRename() { renameButton_->click(); }
void TSongDetailsPanel::ClickStamp() { stampButton_->click(); }
void TSongDetailsPanel::ClickPrevious() { previousButton_->click(); }
void TSongDetailsPanel::ClickNext() { nextButton_->click(); }

}  // namespace tagwright

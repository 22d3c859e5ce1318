// The song details panel: the details of the one selected song, or the values the selected songs
// share, for the commands to read.
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "files/file_access.h"
#include "songs/file_name_composition.h"
#include "ui/artwork.h"
#include "ui/common_value.h"
#include "ui/genre_choices.h"
#include "ui/main_window.h"
#include "ui/song_list_box.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

const QColor kLightOrange(255, 190, 125);
constexpr int kLongestID3v1Text = 30;

// Wide fields give way down to a third of their width when the window is narrow.
QLineEdit* MakeField(QWidget* parent, const char* name, int width) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(QString::fromLatin1(name));
  if (width > 100) {
    field->setMinimumWidth(width / 3);
    field->setMaximumWidth(width);
    field->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  } else {
    field->setFixedWidth(width);
  }
  return field;
}

QLabel* MakeLabel(const char* caption, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(QString::fromLatin1(caption), parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

QWidget* TfrmRo3VavMain::CreateSongDetailsPanel() {
  pnlSongDetails = new QWidget(this);
  pnlSongDetails->setObjectName(QStringLiteral("pnlSongDetails"));
  pnlSongDetails->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* panelLayout = new QHBoxLayout(pnlSongDetails);
  panelLayout->setContentsMargins(8, 3, 8, 6);

  SongDetailsGroupBox = new QGroupBox(QStringLiteral(" Song Details "), pnlSongDetails);
  SongDetailsGroupBox->setObjectName(QStringLiteral("SongDetailsGroupBox"));
  auto* boxLayout = new QHBoxLayout(SongDetailsGroupBox);
  boxLayout->setContentsMargins(8, 6, 4, 6);
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(3);
  boxLayout->addLayout(grid);

  lblFilenameDisplay = MakeField(SongDetailsGroupBox, "lblFilenameDisplay", 281);
  lblFilenameDisplay->setReadOnly(true);
  lblFilenameDisplay->setFrame(false);
  lblFilenameDisplay->setFocusPolicy(Qt::NoFocus);
  QPalette face = lblFilenameDisplay->palette();
  face.setColor(QPalette::Base, face.color(QPalette::Button));
  lblFilenameDisplay->setPalette(face);
  txtArtistDisplay = MakeField(SongDetailsGroupBox, "txtArtistDisplay", 281);
  txtTitleDisplay = MakeField(SongDetailsGroupBox, "txtTitleDisplay", 281);
  txtAlbumDisplay = MakeField(SongDetailsGroupBox, "txtAlbumDisplay", 281);
  txtYearDisplay = MakeField(SongDetailsGroupBox, "txtYearDisplay", 49);
  txtYearDisplay->setMaxLength(4);
  cboGenreDisplay = new QComboBox(SongDetailsGroupBox);
  cboGenreDisplay->setObjectName(QStringLiteral("cboGenreDisplay"));
  cboGenreDisplay->setEditable(true);
  cboGenreDisplay->setInsertPolicy(QComboBox::NoInsert);
  cboGenreDisplay->setFixedWidth(161);
  cboGenreDisplay->setMaxVisibleItems(20);
  for (const std::string& genre : GenreChoices()) cboGenreDisplay->addItem(ToQString(genre));
  cboGenreDisplay->lineEdit()->setMaxLength(100);
  txtCommentDisplay = MakeField(SongDetailsGroupBox, "txtCommentDisplay", 281);
  txtTrackDisplay = MakeField(SongDetailsGroupBox, "txtTrackDisplay", 33);
  txtTrackDisplay->setMaxLength(3);
  txtTrackDisplay->setToolTip(QStringLiteral("Track Number of Song"));
  txtTrackDisplay->setToolTipDuration(5000);
  lblReadOnlyCaption = new QLabel(SongDetailsGroupBox);
  lblReadOnlyCaption->setObjectName(QStringLiteral("lblReadOnlyCaption"));

  int row = 0;
  grid->addWidget(MakeLabel("Filename:", lblFilenameDisplay, SongDetailsGroupBox), row, 0);
  grid->addWidget(lblFilenameDisplay, row++, 1, 1, 3);
  grid->addWidget(MakeLabel("Artist:", txtArtistDisplay, SongDetailsGroupBox), row, 0);
  grid->addWidget(txtArtistDisplay, row++, 1, 1, 3);
  grid->addWidget(MakeLabel("Title:", txtTitleDisplay, SongDetailsGroupBox), row, 0);
  grid->addWidget(txtTitleDisplay, row++, 1, 1, 3);
  grid->addWidget(MakeLabel("Album:", txtAlbumDisplay, SongDetailsGroupBox), row, 0);
  grid->addWidget(txtAlbumDisplay, row++, 1, 1, 3);
  grid->addWidget(MakeLabel("Year:", txtYearDisplay, SongDetailsGroupBox), row, 0);
  auto* yearAndGenre = new QHBoxLayout;
  yearAndGenre->setSpacing(6);
  yearAndGenre->addWidget(txtYearDisplay);
  yearAndGenre->addStretch(1);
  yearAndGenre->addWidget(MakeLabel("Genre:", cboGenreDisplay, SongDetailsGroupBox));
  yearAndGenre->addWidget(cboGenreDisplay);
  grid->addLayout(yearAndGenre, row++, 1, 1, 3);
  grid->addWidget(MakeLabel("Comment:", txtCommentDisplay, SongDetailsGroupBox), row, 0);
  grid->addWidget(txtCommentDisplay, row++, 1, 1, 3);
  grid->addWidget(MakeLabel("Track#:", txtTrackDisplay, SongDetailsGroupBox), row, 0);
  auto* trackLine = new QHBoxLayout;
  trackLine->addWidget(txtTrackDisplay);
  trackLine->addWidget(lblReadOnlyCaption);
  trackLine->addStretch(1);
  grid->addLayout(trackLine, row++, 1, 1, 3);

  cmdRenameFilesWithDetails = new QPushButton(QStringLiteral("Rename File(s) (F5)"), SongDetailsGroupBox);
  cmdRenameFilesWithDetails->setObjectName(QStringLiteral("cmdRenameFilesWithDetails"));
  cmdUpdateID3Tags = new QPushButton(QStringLiteral("Stamp &ID3 Tag(s) (F6)"), SongDetailsGroupBox);
  cmdUpdateID3Tags->setObjectName(QStringLiteral("cmdUpdateID3Tags"));
  for (QPushButton* button : {cmdRenameFilesWithDetails, cmdUpdateID3Tags}) {
    button->setMinimumSize(121, 25);
    button->setAutoDefault(false);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(cmdRenameFilesWithDetails);
  buttons->addStretch(1);
  buttons->addWidget(cmdUpdateID3Tags);
  grid->addItem(new QSpacerItem(0, 4), row++, 0);
  grid->addLayout(buttons, row++, 0, 1, 4);

  // The previous and next buttons, one above the other at the right edge.
  auto* arrows = new QVBoxLayout;
  arrows->setSpacing(2);
  btnPrevFile = new QToolButton(SongDetailsGroupBox);
  btnPrevFile->setObjectName(QStringLiteral("btnPrevFile"));
  btnNextFile = new QToolButton(SongDetailsGroupBox);
  btnNextFile->setObjectName(QStringLiteral("btnNextFile"));
  btnPrevFile->setIcon(ArrowIcon(true));
  btnNextFile->setIcon(ArrowIcon(false));
  btnPrevFile->setToolTip(QStringLiteral("Previous File (F11)"));
  btnNextFile->setToolTip(QStringLiteral("Next File (F12)"));
  for (QToolButton* button : {btnPrevFile, btnNextFile}) {
    button->setAutoRaise(true);
    button->setFixedSize(23, 81);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTipDuration(5000);
    arrows->addWidget(button);
  }
  arrows->addStretch(1);
  boxLayout->addSpacing(4);
  boxLayout->addLayout(arrows);

  // The colour mark sits on the box's top border, just right of the caption.
  lblSongDetailDecoration = new QLabel(QStringLiteral("ooooo"), SongDetailsGroupBox);
  lblSongDetailDecoration->setObjectName(QStringLiteral("lblSongDetailDecoration"));
  lblSongDetailDecoration->adjustSize();
  SetSongDetailsCaption(SongDetailsGroupBox->title());

  SongDetailsGroupBox->setMaximumWidth(SongDetailsGroupBox->sizeHint().width() + 281);
  panelLayout->addWidget(SongDetailsGroupBox, 1);
  panelLayout->addStretch(0);

  connect(txtArtistDisplay, &QLineEdit::textChanged, this, [this] { CheckFieldLength(txtArtistDisplay); });
  connect(txtTitleDisplay, &QLineEdit::textChanged, this, [this] { CheckFieldLength(txtTitleDisplay); });
  for (QLineEdit* field : {txtArtistDisplay, txtTitleDisplay, txtAlbumDisplay, txtCommentDisplay}) {
    field->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(field, &QWidget::customContextMenuRequested, this,
            [this, field](const QPoint& position) { ShowSongDetailsTextMenu(field, position); });
  }
  return pnlSongDetails;
}

QString TfrmRo3VavMain::SongDetailsCaption() const { return SongDetailsGroupBox->title(); }

void TfrmRo3VavMain::SetSongDetailsCaption(const QString& caption) {
  SongDetailsGroupBox->setTitle(caption);
  QStyleOptionGroupBox option;
  option.initFrom(SongDetailsGroupBox);
  option.text = caption;
  option.textAlignment = SongDetailsGroupBox->alignment();
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  option.lineWidth = 1;
  const QRect label = SongDetailsGroupBox->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                                   QStyle::SC_GroupBoxLabel, SongDetailsGroupBox);
  lblSongDetailDecoration->move(label.right() + 2, label.top() + (label.height() - lblSongDetailDecoration->height()) / 2);
  lblSongDetailDecoration->raise();
}

void TfrmRo3VavMain::ClearSongDetails() {
  lblReadOnlyCaption->clear();
  lblFilenameDisplay->clear();
  txtArtistDisplay->clear();
  txtTitleDisplay->clear();
  txtAlbumDisplay->clear();
  txtYearDisplay->clear();
  txtCommentDisplay->clear();
  cboGenreDisplay->setEditText(QString());
  txtTrackDisplay->clear();
  lblSongDetailDecoration->setPalette(QPalette());
}

void TfrmRo3VavMain::ShowSongDetails() {
  const int current = lstFiles->CurrentRow();
  const TSongFile* song = SongAtRow(current);
  if (song == nullptr) {
    txtTitleDisplay->setEnabled(true);
    ClearSongDetails();
    return;
  }
  if (SelectedSongCount() == 1) {
    txtTitleDisplay->setEnabled(true);
    SetSongDetailsCaption(QStringLiteral(" Song Details "));
    QPalette mark;
    mark.setColor(QPalette::WindowText, SongStatusColor(*song));
    lblSongDetailDecoration->setPalette(mark);
    lblFilenameDisplay->setText(PathToQString(std::string(FileNamePart(song->FileName()))));
    lblFilenameDisplay->setCursorPosition(0);
    txtArtistDisplay->setText(ToQString(song->Artist()));
    txtTitleDisplay->setText(ToQString(song->FullTitle()));
    txtAlbumDisplay->setText(ToQString(song->Album()));
    txtYearDisplay->setText(ToQString(song->Year()));
    txtCommentDisplay->setText(ToQString(song->Comment()));
    txtTrackDisplay->setText(ToQString(song->PaddedTrack()));
    cboGenreDisplay->setEditText(ToQString(song->Genre()));
    lblReadOnlyCaption->setText(IsFileWritable(song->FileName()) ? QString() : QStringLiteral("(Read-only)"));
    for (QLineEdit* field : {txtArtistDisplay, txtTitleDisplay, txtAlbumDisplay, txtCommentDisplay}) {
      field->setCursorPosition(0);
    }
    return;
  }
  // No row or several rows selected: the values all selected songs share.
  txtTitleDisplay->setEnabled(false);
  ClearSongDetails();
  SetSongDetailsCaption(QStringLiteral(" Song Details (common) "));
  std::string artist, album, year, comment, genre, track;
  for (int row = 0; row < lstFiles->RowCount(); ++row) {
    if (!lstFiles->IsRowSelected(row)) continue;
    const TSongFile* selected = SongAtRow(row);
    MergeCommonValue(artist, selected->Artist());
    MergeCommonValue(album, selected->Album());
    MergeCommonValue(year, selected->Year());
    MergeCommonValue(comment, selected->Comment());
    MergeCommonValue(genre, selected->Genre());
    MergeCommonValue(track, selected->PaddedTrack());
  }
  txtArtistDisplay->setText(ToQString(CommonValueText(artist)));
  txtAlbumDisplay->setText(ToQString(CommonValueText(album)));
  txtYearDisplay->setText(ToQString(CommonValueText(year)));
  txtCommentDisplay->setText(ToQString(CommonValueText(comment)));
  cboGenreDisplay->setEditText(ToQString(CommonValueText(genre)));
  txtTrackDisplay->setText(ToQString(CommonValueText(track)));
}

void TfrmRo3VavMain::CheckFieldLength(QLineEdit* sender) {
  if (sender == nullptr) return;
  QPalette palette = sender->palette();
  const qsizetype characters = sender->text().toUcs4().size();
  palette.setColor(QPalette::Base,
                   characters > kLongestID3v1Text ? kLightOrange : QPalette().color(QPalette::Base));
  sender->setPalette(palette);
}

void TfrmRo3VavMain::PreviousSong() {
  const int current = lstFiles->CurrentRow();
  if (current > 0) SelectSingleRow(lstFiles, current - 1);
}

void TfrmRo3VavMain::NextSong() {
  const int current = lstFiles->CurrentRow();
  if (current < lstFiles->RowCount() - 1) SelectSingleRow(lstFiles, current + 1);
}

void TfrmRo3VavMain::btnPrevFileClick() { PreviousSong(); }

void TfrmRo3VavMain::btnNextFileClick() { NextSong(); }

}  // namespace tagwright

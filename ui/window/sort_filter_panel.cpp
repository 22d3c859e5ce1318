#include "ui/window/sort_filter_panel.h"

#include <QAction>
#include <QButtonGroup>
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "songs/song_status.h"
#include "ui/flag_scope.h"
#include "ui/hints.h"
#include "ui/menu_entries.h"
#include "ui/song_list/song_status_color.h"
#include "ui/window/window_layout.h"

namespace tagwright {

namespace {

// Captions in the legend colours stay coloured while enabled; disabled ones are greyed as usual.
void SetCaptionColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, color);
    palette.setColor(group, QPalette::ButtonText, color);
  }
  widget->setPalette(palette);
}

QPushButton* MakeButton(const QString& caption, const char* name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setMinimumSize(kCommandButtonMinimumSize);
  button->setAutoDefault(false);
  return button;
}

QVBoxLayout* ChoiceBoxLayout(QGroupBox* box) {
  auto* layout = new QVBoxLayout(box);
  layout->setSpacing(kChoiceBoxSpacing);
  layout->setContentsMargins(kChoiceBoxMargins);
  return layout;
}

}  // namespace

TSortFilterPanel::TSortFilterPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("sortFilterPanel"));
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kSortFilterPanelMargins);
  layout->setSpacing(kSortFilterPanelSpacing);
  layout->addWidget(CreateFilterBox());
  layout->addWidget(CreateSaveBox());
  layout->addWidget(CreateViewModeBox());
  layout->addStretch(1);

  // Only a change of the choice counts: a click on the button already chosen changes nothing.
  connect(viewButtons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked && !choosing_) Q_EMIT ViewModeChosen();
  });
  connect(filterButtons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked && !choosing_) Q_EMIT FilterChosen();
  });
}

QSize TSortFilterPanel::minimumSizeHint() const {
  return QWidget::minimumSizeHint().expandedTo(QSize(kSortFilterPanelMinimumWidth, 0));
}

QSize TSortFilterPanel::sizeHint() const {
  return QWidget::sizeHint().expandedTo(QSize(kSortFilterPanelMinimumWidth, 0));
}

QWidget* TSortFilterPanel::CreateFilterBox() {
  auto* box = new QGroupBox(QStringLiteral(" Filter By "), this);
  box->setObjectName(QStringLiteral("filterBox"));
  SetHint(box, QStringLiteral("Filters which affect the song display window."));
  filterButtons_ = new QButtonGroup(this);
  QVBoxLayout* layout = ChoiceBoxLayout(box);
  const std::pair<const char*, const char*> filters[kRecognitionFilterCount] = {
      {"Unfiltered", "unfilteredFilter"},        {"Failed Recognition", "failedRecognitionFilter"},
      {"ID3 Tag Used", "id3TagUsedFilter"},      {"Pattern Matching", "patternMatchingFilter"},
      {"Incomplete", "incompleteFilter"},        {"Unsaved ID3", "unsavedId3Filter"},
      {"Unrenamed File", "unrenamedFileFilter"}, {"No Genre", "noGenreFilter"},
  };
  for (int filter = 0; filter < kRecognitionFilterCount; ++filter) {
    auto* button = new QRadioButton(QString::fromLatin1(filters[filter].first), box);
    button->setObjectName(QString::fromLatin1(filters[filter].second));
    filterButtons_->addButton(button, filter);
    layout->addWidget(button);
  }
  // The legend: four filters in the colours of the rows they list.
  auto button = [this](TRecognitionFilter filter) { return filterButtons_->button(static_cast<int>(filter)); };
  SetCaptionColor(button(TRecognitionFilter::UnsavedID3), SongStatusColor(TSongStatus::Unsaved));
  SetCaptionColor(button(TRecognitionFilter::UnrenamedFile), SongStatusColor(TSongStatus::Unrenamed));
  SetCaptionColor(button(TRecognitionFilter::Incomplete), SongStatusColor(TSongStatus::Incomplete));
  SetCaptionColor(button(TRecognitionFilter::PatternMatching), SongStatusColor(TSongStatus::Pattern));
  // The first filter is chosen; the others wait for songs.
  SetRecognitionFilter(TRecognitionFilter::Unfiltered);
  EnableFilters(FilterBit(TRecognitionFilter::Unfiltered));
  return box;
}

QWidget* TSortFilterPanel::CreateSaveBox() {
  auto* box = new QGroupBox(QStringLiteral(" Save Recognized Info "), this);
  box->setObjectName(QStringLiteral("saveRecognizedBox"));
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(kSaveBoxMargins);
  layout->setSpacing(kSaveBoxSpacing);
  handsFreeButton_ = MakeButton(CommandEntry(TCommandId::HandsFree), "handsFreeButton", box);
  QFont bold = handsFreeButton_->font();
  bold.setBold(true);
  handsFreeButton_->setFont(bold);
  SetHint(handsFreeButton_,
          QStringLiteral("Update selected songs letting the computer\nmake the decisions when appropriate."));
  layout->addWidget(handsFreeButton_);
  auto* bevel = new QFrame(box);
  bevel->setObjectName(QStringLiteral("saveBoxBevel"));
  bevel->setFrameStyle(QFrame::HLine | QFrame::Sunken);
  layout->addSpacing(kSaveBoxBevelSpacing);
  layout->addWidget(bevel);
  layout->addSpacing(kSaveBoxBevelSpacing);
  QPushButton* autoRename = MakeButton(CommandEntry(TCommandId::AutoRename), "autoRenameButton", box);
  SetHint(autoRename, QStringLiteral("Rename selected files using \"Track - Artist - Group\" format. Note\n"
                                     "that other information in the filename will not be retained!\n"
                                     "Eg. Avoid renaming songs with truncated titles."));
  QPushButton* cleanup = MakeButton(CommandEntry(TCommandId::DetailsCleanup), "detailsCleanupButton", box);
  SetHint(cleanup, QStringLiteral("Proper case the Title and Author text, convert\n"
                                  "underscores to spaces, remove Author from Song Title."));
  QPushButton* fileNameAsTitle = MakeButton(CommandEntry(TCommandId::FileNameAsTitle), "fileNameAsTitleButton", box);
  SetHint(fileNameAsTitle,
          QStringLiteral("Set ID3 Song Title to the Filename\nwhen there is no Song Title available."));
  layout->addWidget(autoRename);
  layout->addWidget(cleanup);
  layout->addWidget(fileNameAsTitle);

  connect(handsFreeButton_, &QPushButton::clicked, this, &TSortFilterPanel::HandsFreeClicked);
  connect(autoRename, &QPushButton::clicked, this, &TSortFilterPanel::AutoRenameClicked);
  connect(cleanup, &QPushButton::clicked, this, &TSortFilterPanel::DetailsCleanupClicked);
  connect(fileNameAsTitle, &QPushButton::clicked, this, &TSortFilterPanel::FileNameAsTitleClicked);
  return box;
}

QWidget* TSortFilterPanel::CreateViewModeBox() {
  auto* box = new QGroupBox(QStringLiteral(" Sort and View By "), this);
  box->setObjectName(QStringLiteral("viewModeBox"));
  SetHint(box, QStringLiteral("Viewing style for the song display window."));
  viewButtons_ = new QButtonGroup(this);
  QVBoxLayout* layout = ChoiceBoxLayout(box);
  const std::pair<const char*, const char*> modes[kViewModeCount] = {
      {"Path + Filename", "pathFileNameView"}, {"Filename", "fileNameView"}, {"Artist, Title", "artistTitleView"},
      {"Title, Artist", "titleArtistView"},    {"Columns", "columnsView"},
  };
  for (int mode = 0; mode < kViewModeCount; ++mode) {
    auto* button = new QRadioButton(QString::fromLatin1(modes[mode].first), box);
    button->setObjectName(QString::fromLatin1(modes[mode].second));
    viewButtons_->addButton(button, mode);
    layout->addWidget(button);
    // Ctrl+1 ... Ctrl+5 choose the views from anywhere in the window.
    auto* key = new QAction(button);
    key->setObjectName(QStringLiteral("%1Key").arg(QString::fromLatin1(modes[mode].second)));
    key->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + mode)));
    key->setShortcutContext(Qt::WindowShortcut);
    addAction(key);
    connect(key, &QAction::triggered, button, [button] {
      if (button->isEnabled()) button->click();
    });
  }
  SetViewMode(TViewMode::PathFileName);
  return box;
}

TViewMode TSortFilterPanel::ViewMode() const { return static_cast<TViewMode>(std::max(0, viewButtons_->checkedId())); }

TRecognitionFilter TSortFilterPanel::RecognitionFilter() const {
  return static_cast<TRecognitionFilter>(std::max(0, filterButtons_->checkedId()));
}

void TSortFilterPanel::SetViewMode(TViewMode viewMode) {
  TFlagScope choosing(choosing_);
  viewButtons_->button(static_cast<int>(viewMode))->setChecked(true);
}

void TSortFilterPanel::SetRecognitionFilter(TRecognitionFilter filter) {
  TFlagScope choosing(choosing_);
  filterButtons_->button(static_cast<int>(filter))->setChecked(true);
}

void TSortFilterPanel::EnableFilters(TFilterMask present) {
  for (QAbstractButton* button : filterButtons_->buttons()) {
    button->setEnabled(MaskHasFilter(present, static_cast<TRecognitionFilter>(filterButtons_->id(button))));
  }
}

void TSortFilterPanel::ClickHandsFree() { handsFreeButton_->click(); }

}  // namespace tagwright

#include "ui/song_list/song_list_pane.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QSettings>
#include <QStackedWidget>
#include <QStyleOptionViewItem>
#include <QVBoxLayout>

#include "ui/flag_scope.h"
#include "ui/hints.h"
#include "ui/menu_entries.h"
#include "ui/settings.h"
#include "ui/song_list/song_list_box.h"
#include "ui/song_list/song_row_model.h"
#include "ui/song_list/song_state_icons.h"
#include "ui/song_list/song_status_color.h"
#include "ui/song_list/song_table_model.h"
#include "ui/song_list/song_table_view.h"
#include "ui/text_contrast.h"
#include "ui/text_conversion.h"
#include "ui/window/window_layout.h"

namespace tagwright {

TSongListPane::TSongListPane(const TSongList& songs, QWidget* parent) : QWidget(parent), songs_(songs) {
  setObjectName(QStringLiteral("songListPane"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  songList_ = new TSongListBox;
  songList_->setObjectName(QStringLiteral("songList"));
  rows_ = new TSongRowModel(songs_, this);
  songList_->setModel(rows_);
  songList_->SetDrawItem(
      [this](QPainter* painter, const QStyleOptionViewItem& option, int row) { DrawRow(painter, option, row); });
  SetHint(songList_, QStringLiteral("Song display window"));
  views_ = new QStackedWidget(this);
  views_->setObjectName(QStringLiteral("songViews"));
  views_->addWidget(songList_);
  layout->addWidget(views_);
  CreateTable();
  CreateMenu();
  ConnectTable();

  connect(songList_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TSongListPane::ReportSelectionChange);
  connect(songList_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TSongListPane::ReportSelectionChange);
  connect(songList_, &TSongListBox::InputHandled, this, &TSongListPane::ReportInput);
  // A click on a row, also on the one already selected, shows the song afresh: edits not yet
  // written are dropped, as after a change of row.
  connect(songList_, &QAbstractItemView::clicked, this, &TSongListPane::ReportClick);
  connect(songList_, &QAbstractItemView::doubleClicked, this, &TSongListPane::OpenRequested);
  connect(songList_, &TSongListBox::BlankDoubleClicked, this, &TSongListPane::OpenRequested);
}

void TSongListPane::CreateMenu() {
  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("songListMenu"));
  menu_->setToolTipsVisible(true);
  playEntry_ = AddEntry(menu_, "Play", "playEntry");
  // F9 plays while the song list has the focus; elsewhere the window's key map opens the current row.
  playEntry_->setShortcut(QKeySequence(Qt::Key_F9));
  playEntry_->setShortcutContext(Qt::WidgetShortcut);
  songList_->addAction(playEntry_);
  songTable_->addAction(playEntry_);
  menu_->addSeparator();
  stampEntry_ = AddEntry(menu_, CatalogueCommand(TCommandId::StampRecognized).MenuEntry, "stampEntry");
  SetHint(stampEntry_,
          QStringLiteral("Update internal ID3 song information for selected songs\nusing Recognized Values."));
  clearMenu_ = AddSubmenu(menu_, CatalogueCommand(TCommandId::ClearField).MenuEntry, "clearMenu");
  const std::pair<TTagField, const char*> clearEntries[] = {
      {TTagField::Artist, "clearArtistEntry"},  {TTagField::Title, "clearTitleEntry"},
      {TTagField::Track, "clearTrackEntry"},    {TTagField::Album, "clearAlbumEntry"},
      {TTagField::Year, "clearYearEntry"},      {TTagField::Genre, "clearGenreEntry"},
      {TTagField::Comment, "clearCommentEntry"}};
  for (const auto& [field, name] : clearEntries) {
    QAction* entry = AddEntry(clearMenu_, TagFieldCaption(field), name);
    connect(entry, &QAction::triggered, this, [this, field = field] { Q_EMIT ClearRequested(field); });
  }
  menu_->addSeparator();
  renameEntry_ = AddEntry(menu_, CatalogueCommand(TCommandId::RenameThisFile).MenuEntry, "renameEntry");
  deleteEntry_ = AddEntry(menu_, CatalogueCommand(TCommandId::DeleteThisFile).MenuEntry, "deleteEntry");
  menu_->addSeparator();
  CreatePatternEntries();
  menu_->addSeparator();
  selectArtistEntry_ = AddEntry(menu_, "Select Artist", "selectArtistEntry");
  selectAllEntry_ = AddEntry(menu_, "Select All", "selectAllEntry");
  menu_->addSeparator();
  includeSubfoldersEntry_ = AddEntry(menu_, "Include Subdirectories", "includeSubfoldersEntry");
  includeSubfoldersEntry_->setCheckable(true);
  includeSubfoldersEntry_->setChecked(false);
  accentedLettersEntry_ = AddEntry(menu_, "Accented Letters in Names", "accentedLettersEntry");
  accentedLettersEntry_->setCheckable(true);
  SetHint(accentedLettersEntry_,
          QStringLiteral(
              "Count letters such as \u00e9 or \u00f6 as letters of a name's words. Also in Preferences (Ctrl+,)."));
  preferencesEntry_ = AddEntry(menu_, "Preferences...", "preferencesEntry");
  preferencesEntry_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
  SetHint(preferencesEntry_, QStringLiteral("Accented letters, known spellings and more name styles"));
  refreshEntry_ = AddEntry(menu_, "Refresh", "refreshEntry");
  menu_->addSeparator();
  previewHandsFreeEntry_ = AddPreviewEntry(menu_, TCommandId::HandsFree, "previewHandsFreeEntry");
  previewAutoRenameEntry_ = AddPreviewEntry(menu_, TCommandId::AutoRename, "previewAutoRenameEntry");
  previewBeforeChangingEntry_ = AddEntry(menu_, "Preview Before Changing Several Songs", "previewBeforeChangingEntry");
  previewBeforeChangingEntry_->setCheckable(true);
  SetHint(previewBeforeChangingEntry_,
          QStringLiteral("Show what a command would change, and change nothing until Apply is chosen"));

  connect(playEntry_, &QAction::triggered, this, &TSongListPane::PlayRequested);
  connect(stampEntry_, &QAction::triggered, this, &TSongListPane::StampRequested);
  connect(renameEntry_, &QAction::triggered, this, &TSongListPane::RenameRequested);
  connect(deleteEntry_, &QAction::triggered, this, &TSongListPane::DeleteRequested);
  connect(selectArtistEntry_, &QAction::triggered, this, &TSongListPane::SelectArtistRequested);
  connect(selectAllEntry_, &QAction::triggered, this, &TSongListPane::SelectAllRequested);
  connect(includeSubfoldersEntry_, &QAction::triggered, this, &TSongListPane::IncludeSubfoldersToggled);
  connect(refreshEntry_, &QAction::triggered, this, &TSongListPane::RefreshRequested);
  connect(accentedLettersEntry_, &QAction::triggered, this, &TSongListPane::AccentedLettersToggled);
  connect(preferencesEntry_, &QAction::triggered, this, &TSongListPane::PreferencesRequested);
  connect(previewHandsFreeEntry_, &QAction::triggered, this, &TSongListPane::PreviewHandsFreeRequested);
  connect(previewAutoRenameEntry_, &QAction::triggered, this, &TSongListPane::PreviewAutoRenameRequested);
  connect(previewBeforeChangingEntry_, &QAction::triggered, this, &TSongListPane::PreviewBeforeChangingToggled);
  CreateUndoEntry();

  for (QAbstractItemView* view :
       {static_cast<QAbstractItemView*>(songList_), static_cast<QAbstractItemView*>(songTable_)}) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& position) {
      PrepareMenu();
      menu_->exec(view->viewport()->mapToGlobal(position));
    });
  }
}

void TSongListPane::CreatePatternEntries() {
  tagsFromNameEntry_ = AddEntry(menu_, CatalogueCommand(TCommandId::TagsFromName).MenuEntry, "tagsFromNameEntry");
  SetHint(tagsFromNameEntry_,
          QStringLiteral("Fill the selected songs' tags with what a pattern reads from their names"));
  renameWithPatternEntry_ =
      AddEntry(menu_, CatalogueCommand(TCommandId::RenameWithPattern).MenuEntry, "renameWithPatternEntry");
  SetHint(renameWithPatternEntry_, QStringLiteral("Name the selected songs' files after a pattern of their details"));
  numberTracksEntry_ = AddEntry(menu_, CatalogueCommand(TCommandId::NumberTracks).MenuEntry, "numberTracksEntry");
  SetHint(numberTracksEntry_, QStringLiteral("Number the selected songs' tracks in the order shown"));
  connect(tagsFromNameEntry_, &QAction::triggered, this, &TSongListPane::TagsFromNameRequested);
  connect(renameWithPatternEntry_, &QAction::triggered, this, &TSongListPane::RenameWithPatternRequested);
  connect(numberTracksEntry_, &QAction::triggered, this, &TSongListPane::NumberTracksRequested);
}

void TSongListPane::CreateUndoEntry() {
  menu_->addSeparator();
  const TCatalogueCommand& undo = CatalogueCommand(TCommandId::Undo);
  undoEntry_ = AddEntry(menu_, undo.MenuEntry, "undoLastCommandEntry");
  // The key works anywhere in the window (an edit box keeps its own Ctrl+Z); the handler itself
  // finds out whether there is anything to undo, so the entry is disabled only while the menu shows.
  undoEntry_->setShortcuts(CommandKeys(undo));
  undoEntry_->setShortcutContext(Qt::WindowShortcut);
  addAction(undoEntry_);
  connect(undoEntry_, &QAction::triggered, this, &TSongListPane::UndoRequested);
  connect(menu_, &QMenu::aboutToHide, undoEntry_, [this] { undoEntry_->setEnabled(true); });
  const TCatalogueCommand& redo = CatalogueCommand(TCommandId::Redo);
  redoEntry_ = AddEntry(menu_, redo.MenuEntry, "redoLastUndoEntry");
  redoEntry_->setShortcuts(CommandKeys(redo));
  redoEntry_->setShortcutContext(Qt::WindowShortcut);
  addAction(redoEntry_);
  connect(redoEntry_, &QAction::triggered, this, &TSongListPane::RedoRequested);
  connect(menu_, &QMenu::aboutToHide, redoEntry_, [this] { redoEntry_->setEnabled(true); });
  historyEntry_ = AddEntry(menu_, "History...", "historyEntry");
  connect(historyEntry_, &QAction::triggered, this, &TSongListPane::HistoryRequested);
}

void TSongListPane::SetUndoAvailable(std::function<bool()> available) { undoAvailable_ = std::move(available); }

void TSongListPane::SetRedoAvailable(std::function<bool()> available) { redoAvailable_ = std::move(available); }

void TSongListPane::ShowRows(std::vector<std::size_t> rows, TViewMode viewMode) {
  TFlagScope quiet(quiet_);
  const bool hadFocus = views_->currentWidget()->hasFocus();
  viewMode_ = viewMode;
  // Only the view shown holds rows.
  if (ShowsTable()) {
    rows_->Clear();
    tableRows_->SetRows(std::move(rows));
  } else {
    tableRows_->Clear();
    rows_->SetRows(std::move(rows), viewMode);
  }
  views_->setCurrentWidget(ActiveView());
  if (hadFocus) ActiveView()->setFocus(Qt::OtherFocusReason);
  reported_ = RowsShown();
}

void TSongListPane::ClearRows() {
  TFlagScope quiet(quiet_);
  rows_->Clear();
  tableRows_->Clear();
  reported_ = RowsShown();
}

QAbstractItemView* TSongListPane::ActiveView() const {
  return ShowsTable() ? static_cast<QAbstractItemView*>(songTable_) : songList_;
}

int TSongListPane::RowCount() const { return ShowsTable() ? songTable_->RowCount() : songList_->RowCount(); }

int TSongListPane::CurrentRow() const { return ShowsTable() ? songTable_->CurrentRow() : songList_->CurrentRow(); }

int TSongListPane::SelectedRowCount() const {
  return ShowsTable() ? songTable_->SelectedRowCount() : songList_->SelectedRowCount();
}

bool TSongListPane::IsRowSelected(int row) const {
  return ShowsTable() ? songTable_->IsRowSelected(row) : songList_->IsRowSelected(row);
}

TSongFile* TSongListPane::SongAtRow(int row) const {
  const int count = ShowsTable() ? tableRows_->RowCount() : rows_->RowCount();
  if (row < 0 || row >= count) return nullptr;
  const std::size_t index = ShowsTable() ? tableRows_->SongIndex(row) : rows_->SongIndex(row);
  return index < songs_.Count() ? songs_[index] : nullptr;
}

bool TSongListPane::IncludeSubfolders() const { return includeSubfoldersEntry_->isChecked(); }

void TSongListPane::SetIncludeSubfolders(bool include) { includeSubfoldersEntry_->setChecked(include); }

void TSongListPane::SetAccentedLetters(bool on) { accentedLettersEntry_->setChecked(on); }

void TSongListPane::SetPreviewBeforeChanging(bool on) { previewBeforeChangingEntry_->setChecked(on); }

void TSongListPane::SetEmptyText(const QString& text) { songList_->SetEmptyText(text); }

void TSongListPane::PrepareMenu() {
  const int selected = SelectedRowCount();
  deleteEntry_->setEnabled(selected == 1);
  renameEntry_->setEnabled(selected == 1);
  selectArtistEntry_->setEnabled(selected == 1);
  playEntry_->setEnabled(selected > 0);
  stampEntry_->setEnabled(selected > 0);
  for (QAction* entry : {tagsFromNameEntry_, renameWithPatternEntry_, numberTracksEntry_})
    entry->setEnabled(selected > 0);
  previewHandsFreeEntry_->setEnabled(selected > 0);
  previewAutoRenameEntry_->setEnabled(selected > 0);
  selectAllEntry_->setEnabled(RowCount() > 0);
  undoEntry_->setEnabled(undoAvailable_ && undoAvailable_());
  redoEntry_->setEnabled(redoAvailable_ && redoAvailable_());
}

bool TSongListPane::IsPlayKeyInList(const QWidget* receiver, const QKeyEvent* event) const {
  return (receiver == songList_ || receiver == songTable_) &&
         QKeySequence(event->keyCombination()) == playEntry_->shortcut();
}

void TSongListPane::DrawRow(QPainter* painter, const QStyleOptionViewItem& option, int row) {
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  const QPalette::ColorGroup group =
      option.state.testFlag(QStyle::State_Active) ? QPalette::Active : QPalette::Inactive;
  painter->save();
  const QBrush base = option.palette.brush(group, QPalette::Base);
  painter->fillRect(option.rect, selected ? option.palette.brush(group, QPalette::Highlight) : base);
  const TSongFile* song = SongAtRow(row);
  if (song != nullptr) {
    // The state's shape first, then the lock of a song that cannot be written, then the text.
    const bool rightToLeft = option.direction == Qt::RightToLeft;
    const int marks = song->WritableWhenListed() ? 1 : 2;
    const int marksWidth = marks * (kStateShapeSize + kSongRowMarkGap);
    const int top = option.rect.top() + (option.rect.height() - kStateShapeSize) / 2;
    for (int mark = 0; mark < marks; ++mark) {
      const int offset = kSongRowTextIndent + mark * (kStateShapeSize + kSongRowMarkGap);
      const int left = rightToLeft ? option.rect.right() - offset - kStateShapeSize : option.rect.left() + offset;
      const QRectF box(left, top, kStateShapeSize, kStateShapeSize);
      if (mark == 0) {
        DrawStateShape(*painter, box, SongStatusOf(*song));
      } else {
        DrawLock(*painter, box);
      }
    }
    QRect text = option.rect;
    if (rightToLeft) {
      text.setRight(text.right() - kSongRowTextIndent - marksWidth);
    } else {
      text.setLeft(text.left() + kSongRowTextIndent + marksWidth);
    }
    QColor background = base.color();
    if (selected) {
      painter->save();
      painter->setPen(QPen(Qt::black, 1));
      painter->setBrush(kSkyBlue);
      painter->drawRect(text.adjusted(0, 0, -1, -1));
      painter->restore();
      background = kSkyBlue;
    }
    // The state's colour, darker where it would be hard to read on its background.
    painter->setPen(ReadableTextColor(SongStatusColor(*song), background));
    const QString caption = ToQString(SongRowText(*song, viewMode_));
    painter->setFont(option.font);
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, caption);
  }
  if (option.state.testFlag(QStyle::State_HasFocus)) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
    songList_->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, songList_);
  }
  painter->restore();
}

}  // namespace tagwright

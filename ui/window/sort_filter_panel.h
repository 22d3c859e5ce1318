// The panel on the right: the recognition filters ("Filter By") with their colour legend, the buttons
// that save recognised details ("Save Recognized Info") and the view modes ("Sort and View By").
#pragma once

#include <QWidget>

#include "songs/song_filter.h"
#include "songs/song_view_mode.h"

class QButtonGroup;
class QPushButton;

namespace tagwright {

class TSortFilterPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TSortFilterPanel(QWidget* parent = nullptr);

  // At least kSortFilterPanelMinimumWidth wide, and as wide as the captions need.
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

  TViewMode ViewMode() const;
  TRecognitionFilter RecognitionFilter() const;
  // Choose without reporting it.
  void SetViewMode(TViewMode viewMode);
  void SetRecognitionFilter(TRecognitionFilter filter);
  // Enables the filters present in the mask; a chosen filter that is disabled stays chosen.
  void EnableFilters(TFilterMask present);

  void ClickHandsFree();

 Q_SIGNALS:
  // The user chose another view mode or filter.
  void ViewModeChosen();
  void FilterChosen();
  void HandsFreeClicked();
  void AutoRenameClicked();
  void DetailsCleanupClicked();
  void FileNameAsTitleClicked();

 private:
  QWidget* CreateFilterBox();
  QWidget* CreateSaveBox();
  QWidget* CreateViewModeBox();

  QButtonGroup* filterButtons_ = nullptr;  // ids are TRecognitionFilter values
  QButtonGroup* viewButtons_ = nullptr;    // ids are TViewMode values
  QPushButton* handsFreeButton_ = nullptr;
  bool choosing_ = false;  // the program chooses a view mode or filter: it is not reported
};

}  // namespace tagwright

// Beside the song details: the cover of the selected songs (double-click shows it full size) and the
// facts of their audio: duration, bit rate with its mode, sample rate, channels, the tag versions
// and the file's size. Everything is read and decoded off the window's thread by its reader, which
// also reads the facts the song table shows.
#pragma once

#include <QLabel>
#include <QWidget>
#include <string>
#include <vector>

#include "ui/workers/song_facts_reader.h"

namespace tagwright {

class TCoverArtView : public QLabel {
  Q_OBJECT
 public:
  explicit TCoverArtView(QWidget* parent = nullptr);
  void ShowCover(const TCoverArt& cover);
  const TCoverArt& Cover() const { return cover_; }
  // The window that shows the cover full size; made by a double click.
  QWidget* FullSizeWindow() const { return fullSize_; }

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  TCoverArt cover_;
  QWidget* fullSize_ = nullptr;
};

class TSongMediaPanel : public QWidget {
  Q_OBJECT
 public:
  explicit TSongMediaPanel(QWidget* parent = nullptr);

  TSongFactsReader* Reader() const { return reader_; }
  // Shows the selected songs' cover and facts, once read; none selected empties the panel.
  void ShowSongs(std::vector<std::string> files);
  // The facts shown, one per line.
  QString FactsText() const;
  TCoverArtView* CoverView() const { return cover_; }
  // Whether the reading asked for last has been shown.
  bool UpToDate() const { return shownRequest_ == request_; }

  // The panel gives way to the details when the window is narrow: it asks for no width of its own,
  // and shows nothing rather than a cut cover while it has less than it needs.
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowFacts(const TSelectionFacts& facts, int request);

  TSongFactsReader* reader_ = nullptr;
  TCoverArtView* cover_ = nullptr;
  QLabel* facts_ = nullptr;
  int request_ = 0;
  int shownRequest_ = 0;
};

}  // namespace tagwright

// Beside the song details: the cover of the selected songs (double-click shows it full size) and the
// facts of their audio: duration, bit rate with its mode, sample rate, channels, the tag versions
// and the file's size. Everything is read and decoded off the window's thread by its reader, which
// also reads the facts the song table shows.
#pragma once

#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "ui/workers/song_facts_reader.h"

class QMenu;

namespace tagwright {

// What the cover's menu asks for the selected songs.
enum class TCoverChoice : std::uint8_t { SetFromFile, AddFromFile, FromFolder, RemoveFront, RemoveAll, SaveNextToSong };

// The cover of the selected songs. Its pop-up menu sets, adds or removes their front cover,
// removes every picture, or saves the current song's cover next to it; a picture file dropped on
// it is offered as their front cover.
class TCoverArtView : public QLabel {
  Q_OBJECT
 public:
  explicit TCoverArtView(QWidget* parent = nullptr);
  void ShowCover(const TCoverArt& cover);
  const TCoverArt& Cover() const { return cover_; }
  // The window that shows the cover full size; made by a double click.
  QWidget* FullSizeWindow() const { return fullSize_; }
  QMenu* Menu() const { return menu_; }

 Q_SIGNALS:
  // An entry of the menu; for SetFromFile and AddFromFile, the picture file is still to be chosen.
  void CoverChangeRequested(TCoverChoice choice);
  // A local file was dropped on the cover.
  void PictureDropped(const QString& path);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateMenu();

  TCoverArt cover_;
  QWidget* fullSize_ = nullptr;
  QMenu* menu_ = nullptr;
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

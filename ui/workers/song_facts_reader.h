// Reads what the window shows of songs beyond their tags, off the window's thread: the size, tag
// versions and audio facts of every listed song (sent in batches as they are read), and the cover of
// the songs selected (the picture decoded too). Facts already read for a file that has not changed
// since are not read again. A newer request replaces the one still running.
#pragma once

#include <QImage>
#include <QObject>
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/workers/song_audio.h"

namespace tagwright {

// A cover decoded for the details panel.
struct TCoverArt {
  QImage Image;         // null when there is no picture, or when it could not be decoded
  bool Broken = false;  // there is a picture, but it is no image Qt can decode
  QString Origin;       // "Front cover", "Picture", or the folder picture's file name
  qint64 Bytes = 0;     // the picture's size in bytes
};

// What the details panel shows of the selected songs besides their tags.
struct TSelectionFacts {
  TCoverArt Cover;
  std::size_t Songs = 0;
  std::optional<TSongAudio> One;  // the one song's, when one is selected
  std::int64_t TotalMs = 0;       // of the songs with audio facts
  std::int64_t TotalBytes = 0;
};

class TSongFactsReader : public QObject {
  Q_OBJECT
 public:
  explicit TSongFactsReader(QObject* parent = nullptr);
  ~TSongFactsReader() override;

  // Reads the facts of these files; the facts of an earlier request not yet sent are dropped.
  void ReadAudio(std::vector<std::string> files);
  // Reads what the selected songs show: the cover they share (the one song's cover; for several,
  // the cover when every one of them has the same picture), the one song's facts or the sums of
  // several; sent with this request's number.
  void ReadSelection(std::vector<std::string> files, int request);
  // Blocks until the requests running are done (tests, benchmarks).
  void WaitUntilIdle();

  // The cover of one song: embedded front cover, else its first picture, else its folder's picture.
  static TCoverArt CoverOf(const std::string& fileName);
  static TSongAudio AudioOf(const std::string& fileName);

 Q_SIGNALS:
  void AudioRead(const std::vector<std::pair<std::string, TSongAudio>>& audio);
  void SelectionRead(const tagwright::TSelectionFacts& facts, int request);

 private:
  struct TShared;
  std::shared_ptr<TShared> shared_;
  std::shared_ptr<std::atomic<bool>> audioCancel_;
  std::shared_ptr<std::atomic<bool>> coverCancel_;
};

}  // namespace tagwright

Q_DECLARE_METATYPE(tagwright::TSelectionFacts)

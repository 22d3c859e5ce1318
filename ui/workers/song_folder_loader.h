// Reading the songs of a folder for the window. A load runs on a worker thread (which reads the songs
// on several threads of its own) and reports its progress and its result to the window's thread by
// signals; the window's thread never waits for it. Starting another load abandons the one running:
// an abandoned load reports nothing.
#pragma once

#include <QObject>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "songs/recognition.h"
#include "songs/song_rows.h"

namespace tagwright {

// What a load found: the folders that could not be read, then each file's song or why it could not
// be read, in the order found; or the error that ended it.
struct TFolderListing {
  std::string Folder;
  TSongRows Rows;
  std::exception_ptr Error;
};

// Which folder to read, and how.
struct TFolderLoadRequest {
  std::string Folder;  // empty: no folder, no songs
  bool IncludeSubfolders = false;
  TRecognitionOptions Recognition;
};

class TSongFolderLoader : public QObject {
  Q_OBJECT
 public:
  explicit TSongFolderLoader(QObject* parent = nullptr);
  // Abandons the load running and waits for its worker.
  ~TSongFolderLoader() override;
  TSongFolderLoader(const TSongFolderLoader&) = delete;
  TSongFolderLoader& operator=(const TSongFolderLoader&) = delete;

  // Called on the reading threads before each song, when set (tests make loads slow with it); the
  // function is read at the start of each load, where it lives, and must outlive the loader.
  void SetBeforeEachSongRead(const std::function<void()>* hook) { beforeEachSong_ = hook; }

  // Starts reading a folder on a worker; Progress and then Loaded follow, unless another load
  // starts first.
  void Start(const TFolderLoadRequest& request);
  // Reads a folder at once and returns what it found, abandoning a load that runs; nothing is
  // reported by signal. For a reload after a command, while the window is busy anyway.
  TFolderListing LoadNow(const TFolderLoadRequest& request);
  // Abandons the load running, if any: it reports nothing more.
  void Abandon();
  // Whether a load started by Start is running and not abandoned.
  bool IsLoading() const { return current_ != nullptr; }

 Q_SIGNALS:
  // Songs read so far, out of how many; sent now and then while a load runs.
  void Progress(std::size_t done, std::size_t total);
  // The load has ended; the listing is the receiver's to take.
  void Loaded(std::shared_ptr<TFolderListing> listing);

 private:
  struct TJob;
  // Reads the folder into the job's result; on a worker, or on the caller's thread for LoadNow.
  static void Read(TJob& job, const TFolderLoadRequest& request, const std::function<void()>& beforeEachSong,
                   const std::function<void(std::size_t, std::size_t)>& onProgress);
  void PostProgress(const std::shared_ptr<TJob>& job);
  void Finish(const std::shared_ptr<TJob>& job);

  const std::function<void()>* beforeEachSong_ = nullptr;
  std::function<void()> BeforeEachSong() const { return beforeEachSong_ != nullptr ? *beforeEachSong_ : nullptr; }
  std::shared_ptr<TJob> current_;               // the load whose result counts; null when none runs
  std::vector<std::shared_ptr<TJob>> workers_;  // every load whose worker has not been joined
};

}  // namespace tagwright

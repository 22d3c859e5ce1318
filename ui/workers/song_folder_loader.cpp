#include "ui/workers/song_folder_loader.h"

#include <algorithm>

namespace tagwright {

struct TSongFolderLoader::TJob {
  std::atomic<bool> Cancel{false};
  std::atomic<bool> ProgressPosted{false};  // a progress report is on its way to the window's thread
  std::atomic<std::size_t> Done{0};
  std::atomic<std::size_t> Total{0};
  std::shared_ptr<TFolderListing> Result = std::make_shared<TFolderListing>();
  std::thread Worker;
};

TSongFolderLoader::TSongFolderLoader(QObject* parent) : QObject(parent) {}

TSongFolderLoader::~TSongFolderLoader() {
  Abandon();
  for (const std::shared_ptr<TJob>& job : workers_) {
    if (job->Worker.joinable()) job->Worker.join();
  }
  // What the workers posted meanwhile goes with this object, unread.
}

void TSongFolderLoader::Read(TJob& job, const TFolderLoadRequest& request, const std::function<void()>& beforeEachSong,
                             const std::function<void(std::size_t, std::size_t)>& onProgress) {
  TFolderListing& result = *job.Result;
  result.Folder = request.Folder;
  try {
    TRowListingOptions options;
    options.Recursive = request.IncludeSubfolders;
    options.Order = TRowOrder::AsFound;
    options.Reading.Recognition = request.Recognition;
    options.Reading.Cancel = &job.Cancel;
    options.Reading.BeforeEachSong = beforeEachSong;
    options.Reading.OnProgress = onProgress;
    // No folder means no songs: an empty path would otherwise stand for "/".
    result.Rows = request.Folder.empty() ? ReadSongRows({}, options.Reading) : ListFolderRows(request.Folder, options);
  } catch (...) {
    result.Error = std::current_exception();
  }
}

void TSongFolderLoader::Start(const TFolderLoadRequest& request) {
  Abandon();
  auto job = std::make_shared<TJob>();
  current_ = job;
  workers_.push_back(job);
  job->Worker = std::thread([this, job, request, hook = BeforeEachSong()] {
    Read(*job, request, hook, [this, &job](std::size_t done, std::size_t total) {
      job->Total.store(total);
      job->Done.store(done);
      PostProgress(job);
    });
    // Posted to the window's thread; dropped unread if the loader is gone by then.
    QMetaObject::invokeMethod(
        this, [this, job] { Finish(job); }, Qt::QueuedConnection);
  });
}

// At most one progress report is on its way at a time: a busy window's thread gets the newest counts
// instead of a queue of old ones.
void TSongFolderLoader::PostProgress(const std::shared_ptr<TJob>& job) {
  if (job->ProgressPosted.exchange(true)) return;
  QMetaObject::invokeMethod(
      this,
      [this, job] {
        job->ProgressPosted.store(false);
        if (job == current_ && job->Total.load() > 0) Q_EMIT Progress(job->Done.load(), job->Total.load());
      },
      Qt::QueuedConnection);
}

void TSongFolderLoader::Finish(const std::shared_ptr<TJob>& job) {
  if (job->Worker.joinable()) job->Worker.join();
  workers_.erase(std::remove(workers_.begin(), workers_.end(), job), workers_.end());
  if (job != current_) return;  // abandoned
  current_.reset();
  Q_EMIT Loaded(job->Result);
}

TFolderListing TSongFolderLoader::LoadNow(const TFolderLoadRequest& request) {
  Abandon();
  TJob job;
  Read(job, request, BeforeEachSong(), {});
  return std::move(*job.Result);
}

void TSongFolderLoader::Abandon() {
  if (current_) current_->Cancel.store(true);
  current_.reset();
}

}  // namespace tagwright

#include "ui/workers/song_facts_reader.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <chrono>
#include <mutex>
#include <unordered_map>

#include <sys/stat.h>

#include "files/paths.h"
#include "tags/byte_source.h"
#include "tags/id3v2_pictures.h"
#include "tags/tag_versions.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

constexpr std::size_t kAudioBatch = 200;              // songs sent to the window at once, at most
constexpr std::chrono::milliseconds kBatchTime{100};  // ... or after this long

struct TFileStamp {
  std::int64_t Size = -1;
  std::int64_t ModifiedNs = 0;
  bool operator==(const TFileStamp&) const = default;
};

TFileStamp StampOf(const std::string& fileName) {
  struct stat info {};
  if (::stat(fileName.c_str(), &info) != 0) return {};
  return {static_cast<std::int64_t>(info.st_size),
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

QImage DecodePicture(const std::string& bytes, const std::string& mimeType) {
  QImage image;
  const QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  const QByteArray format =
      mimeType.starts_with("image/") ? QByteArray::fromStdString(mimeType.substr(6)) : QByteArray();
  if (!image.loadFromData(data, format.isEmpty() ? nullptr : format.constData())) (void)image.loadFromData(data);
  return image.copy();  // no longer tied to the bytes it was made from
}

}  // namespace

struct TSongFactsReader::TShared {
  std::mutex Lock;
  std::unordered_map<std::string, std::pair<TFileStamp, TSongAudio>> Cache;
  std::atomic<int> Running{0};

  // The song's facts: as read before while its file is unchanged, else read now.
  TSongAudio Audio(const std::string& file) {
    const TFileStamp stamp = StampOf(file);
    {
      std::lock_guard<std::mutex> lock(Lock);
      const auto found = Cache.find(file);
      if (found != Cache.end() && found->second.first == stamp) return found->second.second;
    }
    TSongAudio audio = TSongFactsReader::AudioOf(file);
    std::lock_guard<std::mutex> lock(Lock);
    Cache[file] = {stamp, audio};
    return audio;
  }
};

TSongFactsReader::TSongFactsReader(QObject* parent) : QObject(parent), shared_(std::make_shared<TShared>()) {
  qRegisterMetaType<TSelectionFacts>();
}

TSongFactsReader::~TSongFactsReader() {
  if (audioCancel_) audioCancel_->store(true);
  if (coverCancel_) coverCancel_->store(true);
}

TSongAudio TSongFactsReader::AudioOf(const std::string& fileName) {
  TSongAudio audio;
  TFileSource source;
  if (!source.Open(fileName)) {
    audio.NoFactsReason = "cannot be opened";
    return audio;
  }
  audio.SizeBytes = source.Size();
  audio.TagVersions = TagVersionsText(source);
  TResultOf<TAudioFacts> facts = ReadAudioFacts(source, fileName);
  if (facts) {
    audio.Facts = std::move(facts.Value());
  } else {
    audio.NoFactsReason = facts.Failure().Error().message();
  }
  return audio;
}

namespace {

// A song's cover as it stands in its file or folder, not decoded.
struct TCoverBytes {
  bool Found = false;
  std::string Bytes;
  std::string MimeType;
  QString Origin;
};

TCoverBytes CoverBytesOf(const std::string& fileName) {
  TCoverBytes cover;
  TResultOf<std::vector<TPicture>> pictures = ReadEmbeddedPictures(fileName);
  if (const TPicture* chosen = pictures ? ChooseCover(pictures.Value()) : nullptr) {
    cover.Found = true;
    cover.Origin = chosen->Type == kFrontCoverPicture ? QStringLiteral("Front cover") : QStringLiteral("Picture");
    cover.Bytes = chosen->Data;
    cover.MimeType = chosen->MimeType;
    return cover;
  }
  const std::string folderPicture = FindFolderCover(std::string(FolderPart(fileName)));
  if (folderPicture.empty()) return cover;
  cover.Found = true;
  cover.Origin = PathToQString(std::string(FileNamePart(folderPicture)));
  TFileSource source;
  if (!source.Open(folderPicture) || source.Size() > static_cast<std::int64_t>(kLargestPicture)) return cover;
  cover.Bytes.resize(static_cast<std::size_t>(source.Size()));
  if (source.ReadAt(0, cover.Bytes.data(), cover.Bytes.size()) != source.Size()) cover.Bytes.clear();
  return cover;
}

TCoverArt Decoded(const TCoverBytes& bytes) {
  TCoverArt cover;
  if (!bytes.Found) return cover;
  cover.Origin = bytes.Origin;
  cover.Bytes = static_cast<qint64>(bytes.Bytes.size());
  cover.Image = DecodePicture(bytes.Bytes, bytes.MimeType);
  cover.Broken = cover.Image.isNull();
  return cover;
}

// The cover every one of the songs has (the same bytes), decoded; none when they differ.
TCoverArt SharedCover(const std::vector<std::string>& files, const std::atomic<bool>& cancel) {
  if (files.empty()) return {};
  const TCoverBytes first = CoverBytesOf(files.front());
  if (!first.Found) return {};
  for (std::size_t i = 1; i < files.size(); ++i) {
    if (cancel.load()) return {};
    const TCoverBytes other = CoverBytesOf(files[i]);
    if (!other.Found || other.Bytes != first.Bytes) return {};
  }
  return Decoded(first);
}

}  // namespace

TCoverArt TSongFactsReader::CoverOf(const std::string& fileName) { return Decoded(CoverBytesOf(fileName)); }

void TSongFactsReader::ReadAudio(std::vector<std::string> files) {
  if (audioCancel_) audioCancel_->store(true);
  audioCancel_ = std::make_shared<std::atomic<bool>>(false);
  ++shared_->Running;
  QPointer<TSongFactsReader> self(this);
  QThreadPool::globalInstance()->start([self, shared = shared_, cancel = audioCancel_, files = std::move(files)] {
    std::vector<std::pair<std::string, TSongAudio>> batch;
    auto sentAt = std::chrono::steady_clock::now();
    const auto send = [&] {
      if (batch.empty()) return;
      // Handed to the window's thread, where the reader is looked at only while it still exists.
      QMetaObject::invokeMethod(qApp, [self, cancel, audio = std::move(batch)] {
        if (self && !cancel->load()) Q_EMIT self->AudioRead(audio);
      });
      batch.clear();
      sentAt = std::chrono::steady_clock::now();
    };
    for (const std::string& file : files) {
      if (cancel->load()) break;
      batch.emplace_back(file, shared->Audio(file));
      if (batch.size() >= kAudioBatch || std::chrono::steady_clock::now() - sentAt >= kBatchTime) send();
    }
    send();
    --shared->Running;
  });
}

void TSongFactsReader::ReadSelection(std::vector<std::string> files, int request) {
  if (coverCancel_) coverCancel_->store(true);
  coverCancel_ = std::make_shared<std::atomic<bool>>(false);
  ++shared_->Running;
  QPointer<TSongFactsReader> self(this);
  QThreadPool::globalInstance()->start(
      [self, shared = shared_, cancel = coverCancel_, files = std::move(files), request] {
        TSelectionFacts facts;
        facts.Songs = files.size();
        facts.Cover = SharedCover(files, *cancel);
        for (const std::string& file : files) {
          if (cancel->load()) break;
          TSongAudio audio = shared->Audio(file);
          if (audio.Facts) facts.TotalMs += audio.Facts->DurationMs;
          facts.TotalBytes += std::max<std::int64_t>(0, audio.SizeBytes);
          if (files.size() == 1) facts.One = std::move(audio);
        }
        if (!cancel->load()) {
          QMetaObject::invokeMethod(qApp, [self, cancel, facts = std::move(facts), request] {
            if (self && !cancel->load()) Q_EMIT self->SelectionRead(facts, request);
          });
        }
        --shared->Running;
      });
}

void TSongFactsReader::WaitUntilIdle() {
  while (shared_->Running.load() > 0) QThread::msleep(1);
}

}  // namespace tagwright

// The record of what a command does to each file, kept so that it can be taken back: written ahead
// of the change (the path before and after, the exact tag bytes the write replaces, the permission
// bits) and completed after it (what the file then looks like). The song pass hands each change to
// a journal; the history keeps it in its database.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

#include "files/result.h"
#include "tags/id3_info.h"
#include "tags/tag_snapshot.h"

namespace tagwright {

// A file's modification time in nanoseconds since the epoch.
std::int64_t ModifiedNs(const struct stat& info);

// What the file looked like right after the change, to tell later whether it is still so.
struct TFileAfter {
  std::int64_t Size = 0;
  std::int64_t ModifiedNs = 0;  // modification time, nanoseconds since the epoch
  std::int64_t HeadSize = 0;
  std::uint64_t HeadHash = 0;  // HashTagBytes of the head, in HashForm
  THashForm HashForm = THashForm::Framed;
  std::string Tail;  // the trailer (or nothing) after the middle
  mode_t Mode = 0;   // permission bits
};

// The striped hash of a large frame of a tag (see FramedTagHash), with its place in the tag.
struct TFrameHash {
  std::size_t Offset = 0;
  std::size_t Size = 0;
  std::uint64_t Hash = 0;
};

// Bytes a write in place puts over the old tag, at Offset in it: its own Bytes, or (FromBefore not
// negative) MovedSize bytes of the old tag from FromBefore on, a frame the write moved, which the
// record then need not keep twice.
struct TNewBytes {
  std::size_t Offset = 0;
  std::string Bytes;
  std::int64_t FromBefore = -1;
  std::size_t MovedSize = 0;

  std::size_t Size() const { return FromBefore < 0 ? Bytes.size() : MovedSize; }
};

// One file's part of a command.
struct TFileChange {
  std::string PathBefore;
  std::string PathAfter;  // the same as PathBefore when the file keeps its name
  bool TagWritten = false;
  TTagSnapshot Before;  // head, tail and middle size before a tag write
  mode_t ModeBefore = 0;
  std::string TemporaryName;    // the new file a rewrite may make beside the song
  std::int64_t RecordedNs = 0;  // when the change was recorded
  bool Done = false;            // After holds the file as the change left it
  // After holds, ahead of the change, what the file is to hold once it is made (its bytes; not its
  // time), so that a file found so after a crash is known to be finished.
  bool AfterForeseen = false;
  TFileAfter After;
  // For the change of an undo: the record of the change it takes back.
  std::int64_t UndoesRecord = 0;
  // The folders the change makes for PathAfter, outermost first (those missing when it was
  // recorded), and the folders of PathBefore it takes away once the file has left them, when they
  // are empty: what taking the change back removes and makes again.
  std::vector<std::string> FoldersMade;
  std::vector<std::string> FoldersEmptied;
  // How the journal is to keep Before.Head, when it worked that out ahead (TChangeJournal::PrepareRecord).
  std::string JournalHead;
  // The hashes of large frames of Before.Head that the journal knew already (PrepareRecord).
  std::vector<TFrameHash> BeforeFrameHashes;
  // Stretches of Before.Head (From) that the change leaves in the file, in its new tag (at To): the
  // frames a rewrite takes over, the bytes an in-place write does not touch. The journal may keep
  // them as references to the file after the change instead of their bytes (see KeptStretches).
  std::vector<TCopiedFrame> KeptInAfter;
  // A tag written in place: the stretches it writes over the old tag, so that a song that a crash
  // left torn by this write can be told from one that anyone else changed (empty for a rewrite).
  std::vector<TNewBytes> NewBytes;
  // A record read back that keeps part of the old tag by such references: the recipe of the old tag,
  // whose After pieces the tag written by the change holds, and the old tag's size and framed hash.
  // Before.Head stays empty until it is put together from the file (ResolveBeforeHead).
  std::string BeforeRecipe;
  std::int64_t BeforeHeadSize = 0;
  std::uint64_t BeforeHeadHash = 0;
};

// RecordBatch may run on another thread than the calls for the changes recorded before it
// (RecordNotMade, RecordTemporaryName, RecordAfter), and at the same time.
class TChangeJournal {
 public:
  virtual ~TChangeJournal() = default;
  // Keeps the changes, all or none, before any of the files is touched; on failure none of them
  // may be touched. The values, in the order of the changes, name their records for the calls
  // below. The journal may add to each change the hashes of old frames it works out on the way
  // (BeforeFrameHashes).
  virtual TResultOf<std::vector<std::int64_t>> RecordBatch(std::vector<TFileChange>& changes) = 0;
  // The same for one change.
  TResultOf<std::int64_t> RecordBefore(TFileChange& change);
  // Told of a change as soon as it is known, before RecordBatch, while its bytes are fresh in
  // memory: the journal may prepare its record (in JournalHead) and so make the recording quicker,
  // and give the hashes of old frames it knows (in BeforeFrameHashes).
  virtual void PrepareRecord(TFileChange& change) { (void)change; }
  // A recorded change that was given up before its file was touched.
  virtual TResult RecordNotMade(std::int64_t record) = 0;
  // Several of them at once, as a pass that stops gives up the changes it had recorded ahead: a
  // journal that can keeps them in one go, else they are given up one by one.
  virtual TResult RecordNoneMade(const std::vector<std::int64_t>& records);
  // The new file a rewrite has made beside the song, when its name is not the one foreseen.
  virtual TResult RecordTemporaryName(std::int64_t record, const std::string& name) = 0;
  // The file as the change left it, under the name it now has.
  virtual TResult RecordAfter(std::int64_t record, const std::string& pathAfter, TFileAfter after) = 0;
};

// Records one change ahead of it and, once done, what became of the file; with no journal it does
// nothing. While it runs, the name of a new file that a rewrite makes beside the song is recorded
// too, when it is not the one foreseen.
class TChangeRecording {
 public:
  explicit TChangeRecording(TChangeJournal* journal) : journal_(journal) {}
  TChangeRecording(const TChangeRecording&) = delete;
  TChangeRecording& operator=(const TChangeRecording&) = delete;
  ~TChangeRecording();

  // Keeps the change; on failure the file must not be touched.
  TResult Begin(TFileChange change);
  // Goes on with a change the journal already keeps as record.
  void Resume(TFileChange change, std::int64_t record);
  // Records the file as it now is under pathAfter. Without that, the record stays unfinished and
  // the next start, or an undo, judges the file from its bytes.
  void Finish(const std::string& pathAfter);
  // The same when the file's state is already known.
  void Finish(const std::string& pathAfter, TFileAfter after);
  // The same for a change carried out whole: the state of the tag written it foresaw, when it did,
  // stands as long as the file has the size foreseen; else the file is read.
  void FinishAsForeseen(const std::string& pathAfter);
  const TFileChange& Change() const { return change_; }
  std::int64_t Record() const { return record_; }

 private:
  void StopObserving();
  void Observe();

  TChangeJournal* journal_;
  TFileChange change_;
  std::int64_t record_ = 0;
  bool observing_ = false;
  std::function<void(const std::string&)> previousObserver_;
};

// What a change of the file at path (to be renamed to newPath) replaces: its tag bytes when
// writesTag, its permission bits, and the name a rewrite would give its new file.
TResultOf<TFileChange> CaptureBefore(const std::string& path, const std::string& newPath, bool writesTag);

// The same from a snapshot of the song already read, and its mode. The name of a rewrite's new
// file is left to ForeseeTemporaryName.
TFileChange ChangeFromSnapshot(const std::string& path, const std::string& newPath, bool writesTag,
                               TTagSnapshot snapshot, mode_t mode);

// The name a rewrite of the song (songPath, links followed) would give its new file, for a change
// that writes a tag.
void ForeseeTemporaryName(TFileChange& change, const std::string& songPath);

// The names in the folders of the songs a pass changes, each folder read once for all of its
// songs rather than each name asked for. A name that appears later is met by the rewrite, which
// then takes the next one and has it recorded (TChangeJournal::RecordTemporaryName).
class TFolderNames {
 public:
  // The names in folder (ending with a slash); null when it cannot be read.
  const std::unordered_set<std::string>* Of(const std::string& folder);

 private:
  std::map<std::string, std::optional<std::unordered_set<std::string>>> folders_;
};

// ForeseeTemporaryName for many changes, of the songs at songPaths, from the names in folders.
void ForeseeTemporaryNames(std::vector<TFileChange>& changes, const std::vector<std::string>& songPaths,
                           TFolderNames& folders);

// The file open as fd, just written with the tags written, after a change whose middle and form
// the change holds: the rest is looked up, and the tail read when it is not the trailer written.
// The large frames taken over from the old tag whose hashes the change knows are not hashed again.
TResultOf<TFileAfter> CaptureAfter(int fd, const TWrittenTags& written, const TFileChange& change,
                                   const std::string& fileName);

// The file at path as it is now, for a change whose middle and form CaptureBefore found.
TResultOf<TFileAfter> CaptureAfter(const std::string& path, const TFileChange& change);

// The same for the file open as fd, whose change foresaw what it would hold: only its time and
// permission bits are looked up when it has the size foreseen.
TResultOf<TFileAfter> ConfirmAfter(int fd, const TWrittenTags& written, const TFileChange& change,
                                   const std::string& fileName);

// Whether the file at path still holds the tag bytes and size of the snapshot.
bool StillAsBefore(const std::string& path, const TTagSnapshot& before);

// Whether the file at path is still as After describes it (tag bytes, trailer and size); the head
// and tail read are left in seen, when given and the file is.
bool StillAsAfter(const std::string& path, const TFileChange& change, TTagSnapshot* seen = nullptr);

// What a tag write will leave in a song read as before, when its new tags are written: the file's
// size, head and tail as After records them (not its time or permission bits). knownFrame gives
// the hashes of frames copied from the old tag that are known already. Nothing when the writer
// does not keep the song's middle as the snapshot sees it.
std::optional<TFileAfter> ForeseeAfter(const TTagSnapshot& before, const TComposedTags& composed,
                                       const TKnownFrameHash& knownFrame = nullptr);

// The stretches of the old tag that a write of composed leaves in the file, for KeptInAfter: none
// when the new tag does not take exactly the old one's place (a small song seen whole, say).
std::vector<TCopiedFrame> KeptStretches(const TTagSnapshot& before, const TComposedTags& composed);

// The stretches a write in place of composed puts over the old tag (before), with their bytes; a
// large frame moved within the tag is named by where it was.
std::vector<TNewBytes> NewBytesInPlace(const TComposedTags& composed, std::string_view before);

// The stretches where the tag after differs from the tag before, of the same size, with the bytes
// of after: what a write of after in place changes.
std::vector<TNewBytes> DifferingBytes(std::string_view before, std::string_view after);
// The same for putting the old tag back in place of the tag now there, a large frame that tag
// moved named by its place now.
std::vector<TNewBytes> BytesPuttingBack(std::string_view now, std::string_view old);

// The hash of a frame copied into a new tag, when the old tag's frame it came from has a hash
// known: for ForeseeAfter and CaptureAfter.
TKnownFrameHash CopiedFrameHashes(const std::vector<TCopiedFrame>& copied, const std::vector<TFrameHash>& known);

// Nanoseconds since the epoch, now.
std::int64_t NowNs();

}  // namespace tagwright

// What the window tests share: folders of real song files, a window on them, and ways to read and
// drive its song list.
#pragma once

#include <QStringList>
#include <QtTest>
#include <memory>
#include <string>

#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"
#include "tests/ui/recording_dialogs.h"
#include "ui/main_window.h"

namespace tagwright::testing {

// A temporary folder of songs: silent MPEG audio, with or without tags.
class TSongFolder {
 public:
  const std::string& Path() const { return folder_.Path(); }
  QString QPath() const { return QString::fromStdString(folder_.Path()); }
  std::string operator/(std::string_view name) const { return folder_ / name; }
  // A song without tags.
  std::string AddSong(std::string_view name) const;
  // A song with ID3 tags.
  std::string AddTaggedSong(std::string_view name, const TID3Info& tags) const;
  std::string AddFile(std::string_view name, std::string_view bytes = {}) const { return folder_.WriteFile(name, bytes); }
  std::string MakeFolder(std::string_view name) const { return folder_.MakeFolder(name); }

 private:
  TTempFolder folder_;
};

TID3Info Tags(const std::string& artist, const std::string& title, const std::string& album = {},
              std::uint8_t track = 0, const std::string& genre = {}, const std::string& year = {});

// The window, shown on the offscreen screen, with recording dialogs.
struct TWindowUnderTest {
  TWindowUnderTest();
  ~TWindowUnderTest();
  TRecordingDialogs Dialogs;
  std::unique_ptr<TfrmRo3VavMain> Window;
  TfrmRo3VavMain* operator->() const { return Window.get(); }
};

QStringList RowTexts(const TfrmRo3VavMain& window);
// Clicks a row of the song list, with modifiers such as Qt::ControlModifier.
void ClickRow(TfrmRo3VavMain& window, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
// The row whose text ends with the given text, or -1.
int RowEndingWith(const TfrmRo3VavMain& window, const QString& end);
// The enabled state of the eight filter buttons, as a string of 0 and 1 in their order.
QString EnabledFilters(const TfrmRo3VavMain& window);

}  // namespace tagwright::testing

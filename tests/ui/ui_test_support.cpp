#include "tests/ui/ui_test_support.h"

#include <QtGlobal>

#include <QAbstractButton>
#include <QButtonGroup>

#include "ui/song_list_box.h"

namespace tagwright::testing {

namespace {

std::string SilentAudio() { return SongAudio(8 * 417); }

}  // namespace

std::string TSongFolder::AddSong(std::string_view name) const { return folder_.WriteFile(name, SilentAudio()); }

std::string TSongFolder::AddTaggedSong(std::string_view name, const TID3Info& tags) const {
  const std::string path = AddSong(name);
  if (!WriteID3Tags(path, tags).Ok()) qFatal("cannot write the tags of %s", path.c_str());
  return path;
}

TID3Info Tags(const std::string& artist, const std::string& title, const std::string& album, std::uint8_t track,
              const std::string& genre, const std::string& year) {
  TID3Info info;
  info.Artist = artist;
  info.Title = title;
  info.Album = album;
  info.Track = track;
  info.Genre = genre;
  info.Year = year;
  return info;
}

TWindowUnderTest::TWindowUnderTest() : Window(std::make_unique<TfrmRo3VavMain>(Dialogs)) {
  Window->show();
  if (!QTest::qWaitForWindowExposed(Window.get())) qWarning("the window was not exposed");
}

TWindowUnderTest::~TWindowUnderTest() { Window.reset(); }

QStringList RowTexts(const TfrmRo3VavMain& window) {
  QStringList texts;
  const QAbstractItemModel* model = window.lstFiles->model();
  for (int row = 0; row < model->rowCount(); ++row) texts << model->index(row, 0).data().toString();
  return texts;
}

void ClickRow(TfrmRo3VavMain& window, int row, Qt::KeyboardModifiers modifiers) {
  TSongListBox* list = window.lstFiles;
  const QRect rect = list->visualRect(list->model()->index(row, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, rect.center());
}

int RowEndingWith(const TfrmRo3VavMain& window, const QString& end) {
  const QStringList texts = RowTexts(window);
  for (int row = 0; row < texts.size(); ++row) {
    if (texts[row].endsWith(end)) return row;
  }
  return -1;
}

QString EnabledFilters(const TfrmRo3VavMain& window) {
  QString enabled;
  for (int filter = 0; filter < 8; ++filter) enabled += window.filterButtons->button(filter)->isEnabled() ? '1' : '0';
  return enabled;
}

}  // namespace tagwright::testing

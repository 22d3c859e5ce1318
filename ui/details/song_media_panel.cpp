#include "ui/details/song_media_panel.h"

#include <QContextMenuEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

#include "ui/hints.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

constexpr int kCoverSize = 128;  // pixels on each side
constexpr int kFactsWidth = 170;

QString FactsLines(const TSelectionFacts& facts) {
  QStringList lines;
  if (facts.Songs > 1) {
    lines << QStringLiteral("%1 songs").arg(facts.Songs);
    lines << QStringLiteral("Duration: %1").arg(ToQString(DurationText(facts.TotalMs)));
    lines << QStringLiteral("Size: %1").arg(ToQString(SizeText(facts.TotalBytes)));
    return lines.join(QLatin1Char('\n'));
  }
  if (!facts.One) return {};
  const TSongAudio& audio = *facts.One;
  if (audio.Facts) {
    const TAudioFacts& a = *audio.Facts;
    lines << QStringLiteral("Duration: %1").arg(ToQString(DurationText(a.DurationMs)));
    lines << QStringLiteral("Bitrate: %1").arg(ToQString(BitrateText(a)));
    lines << QStringLiteral("Sample rate: %1 Hz").arg(a.SampleRate);
    lines << QStringLiteral("Channels: %1 (%2)").arg(a.Channels).arg(ToQString(a.ChannelMode));
    lines << QStringLiteral("MPEG %1").arg(ToQString(a.MpegText()));
  } else {
    lines << QStringLiteral("No audio facts: %1").arg(ToQString(audio.NoFactsReason));
  }
  lines << QStringLiteral("Tags: %1").arg(ToQString(audio.TagVersions));
  if (audio.SizeBytes >= 0) lines << QStringLiteral("Size: %1").arg(ToQString(SizeText(audio.SizeBytes)));
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

TCoverArtView::TCoverArtView(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("coverArtView"));
  setFixedSize(kCoverSize, kCoverSize);
  setAlignment(Qt::AlignCenter);
  setFrameShape(QFrame::StyledPanel);
  setAcceptDrops(true);
  CreateMenu();
  ShowCover({});
}

void TCoverArtView::CreateMenu() {
  menu_ = new QMenu(this);
  menu_->setObjectName(QStringLiteral("coverMenu"));
  const std::pair<TCoverChoice, std::pair<const char*, const char*>> entries[] = {
      {TCoverChoice::SetFromFile, {"Set Front Cover...", "setCoverEntry"}},
      {TCoverChoice::AddFromFile, {"Add Front Cover...", "addCoverEntry"}},
      {TCoverChoice::FromFolder, {"Use the Folder's Cover", "folderCoverEntry"}},
      {TCoverChoice::RemoveFront, {"Remove Front Cover", "removeCoverEntry"}},
      {TCoverChoice::RemoveAll, {"Remove All Pictures", "removeAllPicturesEntry"}},
      {TCoverChoice::SaveNextToSong, {"Save Cover Next to the Song", "saveCoverEntry"}}};
  for (const auto& [choice, entry] : entries) {
    QAction* item = menu_->addAction(QString::fromLatin1(entry.first));
    item->setObjectName(QString::fromLatin1(entry.second));
    connect(item, &QAction::triggered, this, [this, choice = choice] { Q_EMIT CoverChangeRequested(choice); });
  }
}

void TCoverArtView::contextMenuEvent(QContextMenuEvent* event) { menu_->popup(event->globalPos()); }

namespace {

// The first local file among things dragged; empty for none.
QString DraggedFile(const QMimeData* data) {
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile()) return url.toLocalFile();
  }
  return {};
}

}  // namespace

void TCoverArtView::dragEnterEvent(QDragEnterEvent* event) {
  if (!DraggedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TCoverArtView::dropEvent(QDropEvent* event) {
  const QString file = DraggedFile(event->mimeData());
  if (file.isEmpty()) return;
  event->acceptProposedAction();
  Q_EMIT PictureDropped(file);
}

void TCoverArtView::ShowCover(const TCoverArt& cover) {
  cover_ = cover;
  clear();
  if (cover.Image.isNull()) {
    // A picture that cannot be decoded is said, in place of the cover; none leaves the place empty.
    setText(cover.Broken ? QStringLiteral("Picture\ncannot be shown") : QStringLiteral("No cover"));
    SetHint(this, cover.Broken ? QStringLiteral("%1 of %2 bytes that is no picture this program can show")
                                     .arg(cover.Origin)
                                     .arg(cover.Bytes)
                               : QStringLiteral("No cover: no picture in the tag nor cover.jpg in the folder"));
    return;
  }
  setPixmap(
      QPixmap::fromImage(cover.Image.scaled(contentsRect().size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
  SetHint(this, QStringLiteral("%1, %2 \u00d7 %3 pixels, %4 bytes (double-click: full size)")
                    .arg(cover.Origin)
                    .arg(cover.Image.width())
                    .arg(cover.Image.height())
                    .arg(QLocale().toString(cover.Bytes)));
}

void TCoverArtView::mouseDoubleClickEvent(QMouseEvent* event) {
  QLabel::mouseDoubleClickEvent(event);
  if (cover_.Image.isNull()) return;
  delete fullSize_;
  auto* dialog = new QDialog(window());
  dialog->setObjectName(QStringLiteral("coverArtWindow"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setWindowTitle(cover_.Origin);
  auto* layout = new QVBoxLayout(dialog);
  auto* scroll = new QScrollArea(dialog);
  auto* image = new QLabel(scroll);
  image->setObjectName(QStringLiteral("fullSizeCover"));
  image->setPixmap(QPixmap::fromImage(cover_.Image));
  scroll->setWidget(image);
  layout->addWidget(scroll);
  dialog->resize(cover_.Image.size().boundedTo(QSize(1000, 800)) + QSize(40, 40));
  fullSize_ = dialog;
  dialog->show();
}

TSongMediaPanel::TSongMediaPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("songMediaPanel"));
  reader_ = new TSongFactsReader(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 8, 8, 6);
  cover_ = new TCoverArtView(this);
  facts_ = new QLabel(this);
  facts_->setObjectName(QStringLiteral("audioFactsView"));
  facts_->setFixedWidth(kFactsWidth);
  facts_->setWordWrap(true);
  facts_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  facts_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(cover_, 0, Qt::AlignHCenter);
  layout->addWidget(facts_, 1);
  connect(reader_, &TSongFactsReader::SelectionRead, this, &TSongMediaPanel::ShowFacts);
}

void TSongMediaPanel::ShowSongs(std::vector<std::string> files) {
  ++request_;  // a reading still running for another selection is no longer shown
  if (files.empty()) {
    ShowFacts({}, request_);
    return;
  }
  reader_->ReadSelection(std::move(files), request_);
}

void TSongMediaPanel::ShowFacts(const TSelectionFacts& facts, int request) {
  if (request != request_) return;  // an older selection's
  shownRequest_ = request;
  cover_->ShowCover(facts.Cover);
  facts_->setText(FactsLines(facts));
}

QString TSongMediaPanel::FactsText() const { return facts_->text(); }

QSize TSongMediaPanel::minimumSizeHint() const { return {0, 0}; }

void TSongMediaPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const bool room = width() >= sizeHint().width();
  cover_->setVisible(room);
  facts_->setVisible(room);
}

}  // namespace tagwright

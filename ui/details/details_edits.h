// What the user has typed into the song details panel and not yet stamped: the texts each field
// showed for the song are kept, a field whose text differs is marked (bold and italic), and the
// panel hears whether anything differs at all.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class QLineEdit;

namespace tagwright {

class TDetailsEdits : public QObject {
  Q_OBJECT
 public:
  // The fields must outlive this object; their order is the order of Texts().
  TDetailsEdits(std::vector<QLineEdit*> fields, QObject* parent);

  // The fields' texts now are the song's: nothing is changed.
  void TakeShownTexts();
  // Stops watching until the next TakeShownTexts: no song, or several, are shown.
  void Forget();
  // The fields' texts now are the values several songs share; not watched, but TypedFields tells
  // what was typed over them.
  void TakeCommonTexts();
  bool HasChanges() const;
  // The fields, in their order.
  const std::vector<QLineEdit*>& Fields() const { return fields_; }
  // Every field's text, in the fields' order.
  QStringList Texts() const;
  // Puts texts back into the fields (after a stamp that did not happen), marked as changed.
  void RestoreTexts(const QStringList& texts);
  // The fields (by their place in Fields()) whose texts differ from those shown for the song or
  // the songs, with their texts; and those put back into the fields, once the songs are shown
  // afresh.
  using TTypedFields = std::vector<std::pair<std::size_t, QString>>;
  TTypedFields TypedFields() const;
  void RestoreTypedFields(const TTypedFields& typed);

 Q_SIGNALS:
  void ChangesChanged(bool changed);

 private:
  void Mark();

  std::vector<QLineEdit*> fields_;
  QStringList shown_;   // empty while nothing is watched
  QStringList common_;  // the values several songs share, as shown
  bool changed_ = false;
};

}  // namespace tagwright

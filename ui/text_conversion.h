// Between the core's UTF-8 byte strings and Qt's texts and file paths.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tagwright {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string ToStdString(const QString& text) { return text.toStdString(); }

// A path as the file system spells it, and back; names that are not UTF-8 survive the round trip
// as far as Qt allows.
QString PathToQString(const std::string& path);
std::string QStringToPath(const QString& path);

}  // namespace tagwright

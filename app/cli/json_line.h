// One JSON object written on one line. Texts are UTF-8; a byte that is not part of valid UTF-8 is
// written as the escape "\udcNN" (NN its value), as Python's "surrogateescape" reads it, so a file
// name that is not valid UTF-8 comes through whole and can be turned back into its exact bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tagwright::cli {

class TJsonLine {
 public:
  TJsonLine& Add(std::string_view key, std::string_view text);
  TJsonLine& Add(std::string_view key, const char* text) { return Add(key, std::string_view(text)); }
  TJsonLine& Add(std::string_view key, bool value);
  TJsonLine& Add(std::string_view key, std::int64_t value);
  TJsonLine& Add(std::string_view key, int value) { return Add(key, static_cast<std::int64_t>(value)); }
  // A number in its shortest exact form; null when it is no finite number.
  TJsonLine& Add(std::string_view key, double value);
  TJsonLine& Add(std::string_view key, const TJsonLine& object);
  TJsonLine& AddNull(std::string_view key);

  // The object's text, without a line break.
  std::string Text() const;

 private:
  void AddKey(std::string_view key);
  std::string body_;
};

// Appends text as a quoted JSON string.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace tagwright::cli

#include "songs/known_spellings.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "songs/shipped_spellings.h"
#include "text/ascii_text.h"
#include "text/letters.h"

namespace tagwright {

namespace {

std::string_view FirstWord(std::string_view text) {
  std::size_t end = 0;
  while (end < text.size() && !IsSpellingBoundary(text[end])) ++end;
  return text.substr(0, end);
}

}  // namespace

bool IsSpellingBoundary(char c) {
  switch (c) {
    case ' ':
    case '(':
    case ')':
    case '[':
    case ']':
    case '{':
    case '}':
    case '-':
    case ',': return true;
    default: return false;
  }
}

const TKnownSpellings& TKnownSpellings::Shipped() {
  static const TKnownSpellings shipped = [] {
    TKnownSpellings list;
    // The shipped file is part of the build and always UTF-8.
    (void)list.AddLines(kShippedSpellings);
    return list;
  }();
  return shipped;
}

void TKnownSpellings::Add(std::string_view spelling) {
  spelling = TrimView(spelling);
  // A spelling must start a word: one starting at a boundary could never match.
  if (spelling.empty() || IsSpellingBoundary(spelling.front())) return;
  std::vector<std::string>& entries = byFirstWord_[AsciiLowerCase(FirstWord(spelling))];
  const auto same = std::find_if(entries.begin(), entries.end(), [&](const std::string& entry) {
    return entry.size() == spelling.size() && EqualsIgnoringAsciiCase(entry, spelling);
  });
  if (same != entries.end()) {
    same->assign(spelling);
    return;
  }
  entries.emplace_back(spelling);
  ++count_;
  std::stable_sort(entries.begin(), entries.end(),
                   [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
}

bool TKnownSpellings::AddLines(std::string_view text) {
  if (!IsValidUtf8(text)) return false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = TrimView(text.substr(0, end));
    if (!line.empty() && line.front() != '#') Add(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return true;
}

TResult TKnownSpellings::AddFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return TResult::FromErrno(TFailureKind::Open, path);
  std::string text;
  char buffer[8192];
  while (true) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      TResult failed = TResult::FromErrno(TFailureKind::Read, path);
      ::close(fd);
      return failed;
    }
    if (got == 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  if (!AddLines(text))
    return TResult::Failure(TFailureKind::Read, path, std::make_error_code(std::errc::illegal_byte_sequence));
  return {};
}

std::vector<std::string> TKnownSpellings::Spellings() const {
  std::vector<std::string> all;
  all.reserve(count_);
  for (const auto& [key, entries] : byFirstWord_) all.insert(all.end(), entries.begin(), entries.end());
  std::sort(all.begin(), all.end(),
            [](const std::string& a, const std::string& b) { return CompareAsciiUpper(a, b) < 0; });
  return all;
}

const std::string* TKnownSpellings::MatchAt(std::string_view text, std::size_t at) const {
  if (byFirstWord_.empty()) return nullptr;
  // One key buffer per thread, so that looking a word up allocates nothing.
  thread_local std::string key;
  const std::string_view word = FirstWord(text.substr(at));
  key.assign(word);
  for (char& c : key) c = AsciiLower(c);
  const auto found = byFirstWord_.find(key);
  if (found == byFirstWord_.end()) return nullptr;
  for (const std::string& entry : found->second) {
    const std::size_t end = at + entry.size();
    if (end > text.size() || (end < text.size() && !IsSpellingBoundary(text[end]))) continue;
    if (EqualsIgnoringCase(text.substr(at, entry.size()), entry)) return &entry;
  }
  return nullptr;
}

}  // namespace tagwright

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

std::uint64_t HashOf(std::string_view word) { return TKnownSpellings::WordHash(word); }

std::string Replaced(std::string_view text, char from, char to) {
  std::string result(text);
  std::replace(result.begin(), result.end(), from, to);
  return result;
}

// The forms a file name gives a spelling: a slash, which no name holds, as this program's names
// write it (a comma) or as a dash; dashes as spaces; and an initialism's last dot left out.
std::vector<std::string> NameForms(std::string_view spelling) {
  std::vector<std::string> forms{std::string(spelling)};
  const auto vary = [&forms](const auto& change) {
    const std::size_t count = forms.size();
    for (std::size_t i = 0; i < count; ++i) {
      std::string varied = change(forms[i]);
      if (varied != forms[i]) forms.push_back(std::move(varied));
    }
  };
  if (spelling.find('/') != std::string_view::npos) {
    forms.push_back(Replaced(spelling, '/', ','));
    forms.push_back(Replaced(spelling, '/', '-'));
  }
  vary([](const std::string& form) { return Replaced(form, '-', ' '); });
  vary([](const std::string& form) {
    const bool initialism = form.size() > 2 && form.back() == '.' && form.find('.') < form.size() - 2;
    return initialism ? form.substr(0, form.size() - 1) : form;
  });
  return forms;
}

}  // namespace

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
  if (AddForm(spelling, spelling)) ++count_;
  const std::vector<std::string> forms = NameForms(spelling);
  for (std::size_t i = 1; i < forms.size(); ++i) {
    if (!IsSpellingBoundary(forms[i].front())) AddForm(forms[i], spelling);
  }
}

bool TKnownSpellings::AddForm(std::string_view form, std::string_view spelling) {
  const std::string_view firstWord = FirstWord(form);
  std::vector<TSpellingForm>& entries = BucketFor(firstWord, HashOf(firstWord)).Entries;
  const auto same = std::find_if(entries.begin(), entries.end(), [&](const TSpellingForm& entry) {
    return entry.Form.size() == form.size() && EqualsIgnoringAsciiCase(entry.Form, form);
  });
  const bool spellingItself = form == spelling;
  if (same != entries.end()) {
    // A spelling stays what it is; a form stands for the newest spelling it is a form of.
    const bool wasSpelling = same->Form == same->Spelling;
    if (spellingItself || !wasSpelling) *same = {std::string(form), std::string(spelling)};
    return spellingItself && !wasSpelling;
  }
  entries.push_back({std::string(form), std::string(spelling)});
  std::stable_sort(entries.begin(), entries.end(),
                   [](const TSpellingForm& a, const TSpellingForm& b) { return a.Form.size() > b.Form.size(); });
  return spellingItself;
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
  for (const TBucket& bucket : table_) {
    for (const TSpellingForm& entry : bucket.Entries) {
      if (entry.Form == entry.Spelling) all.push_back(entry.Spelling);
    }
  }
  std::sort(all.begin(), all.end(),
            [](const std::string& a, const std::string& b) { return CompareAsciiUpper(a, b) < 0; });
  return all;
}

TKnownSpellings::TBucket& TKnownSpellings::BucketFor(std::string_view firstWord, std::uint64_t hash) {
  // At most a quarter full, so that a word that is no spelling meets an empty bucket at once.
  if ((used_ + 1) * 4 > table_.size()) {
    std::vector<TBucket> old = std::move(table_);
    table_.assign(std::max<std::size_t>(64, old.size() * 2), TBucket());
    used_ = 0;
    for (TBucket& bucket : old) {
      if (bucket.Used) BucketFor(bucket.FirstWord, bucket.Hash) = std::move(bucket);
    }
  }
  const std::size_t mask = table_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    TBucket& bucket = table_[at];
    if (!bucket.Used) {
      filter_[hash >> 58] |= std::uint64_t{1} << ((hash >> 52) & 63);
      bucket.Used = true;
      bucket.Hash = hash;
      bucket.FirstWord = AsciiLowerCase(firstWord);
      ++used_;
      return bucket;
    }
    if (bucket.Hash == hash && EqualsIgnoringAsciiCase(bucket.FirstWord, firstWord)) return bucket;
  }
}

const TSpellingForm* TKnownSpellings::MatchAt(std::string_view text, std::size_t at, TLetters letters) const {
  const std::string_view word = FirstWord(text.substr(at));
  return MatchAt(text, at, at + word.size(), HashOf(word), letters);
}

const TSpellingForm* TKnownSpellings::MatchAt(std::string_view text, std::size_t at, std::size_t wordEnd,
                                              std::uint64_t hash, TLetters letters) const {
  if (table_.empty() || !MayStartWith(hash)) return nullptr;
  const std::string_view word = text.substr(at, wordEnd - at);
  const std::size_t mask = table_.size() - 1;
  for (std::size_t slot = hash & mask; table_[slot].Used; slot = (slot + 1) & mask) {
    const TBucket& bucket = table_[slot];
    if (bucket.Hash != hash || !EqualsIgnoringAsciiCase(bucket.FirstWord, word)) continue;
    for (const TSpellingForm& entry : bucket.Entries) {
      const std::size_t end = at + entry.Form.size();
      if (end > text.size() || (end < text.size() && !IsSpellingBoundary(text[end]))) continue;
      if (EqualsIgnoringCase(text.substr(at, entry.Form.size()), entry.Form, letters)) return &entry;
    }
    return nullptr;
  }
  return nullptr;
}

}  // namespace tagwright

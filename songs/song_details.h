// What the program knows about one song: thirteen texts, how they were recognised, and whether they
// hold values from the file name that the tag does not have yet.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tagwright {

// How a song's details were obtained.
enum class TRecognition : std::uint8_t {
  Failed,        // nothing matched
  Pattern,       // the file name matched a pattern
  ID3Tag,        // the file has a tag, and it was used
  LoosePattern,  // the file name matched once digit runs were read as words
};

// The thirteen text fields, in their declared order.
enum class TSongField : std::uint8_t {
  Artist,
  Title,
  Mix,
  Track,
  Album,
  Featuring,
  Genre,
  Comment,
  Year,
  URL,
  Copy,
  CD,
  Mix2,
};
inline constexpr std::size_t kSongFieldCount = 13;

class TSongDetails {
 public:
  TSongDetails() = default;
  virtual ~TSongDetails() = default;
  TSongDetails(const TSongDetails&) = default;
  TSongDetails& operator=(const TSongDetails&) = default;

  // All texts empty, Recognition Failed, UnsavedID3 and TidiedName false.
  virtual void Clear();
  // Copies every detail through the setters; Track arrives in its padded form.
  virtual void Assign(const TSongDetails& source);

  const std::string& Field(TSongField field) const { return fields_[static_cast<std::size_t>(field)]; }
  // Stores the text with leading and trailing blanks and control codes removed; Genre is stored as is.
  void SetField(TSongField field, std::string_view text);

  const std::string& Artist() const { return Field(TSongField::Artist); }
  const std::string& Title() const { return Field(TSongField::Title); }
  const std::string& Mix() const { return Field(TSongField::Mix); }
  const std::string& Track() const { return Field(TSongField::Track); }
  const std::string& Album() const { return Field(TSongField::Album); }
  const std::string& Featuring() const { return Field(TSongField::Featuring); }
  const std::string& Genre() const { return Field(TSongField::Genre); }
  const std::string& Comment() const { return Field(TSongField::Comment); }
  const std::string& Year() const { return Field(TSongField::Year); }
  const std::string& URL() const { return Field(TSongField::URL); }
  const std::string& Copy() const { return Field(TSongField::Copy); }
  const std::string& CD() const { return Field(TSongField::CD); }
  const std::string& Mix2() const { return Field(TSongField::Mix2); }

  void SetArtist(std::string_view text) { SetField(TSongField::Artist, text); }
  void SetTitle(std::string_view text) { SetField(TSongField::Title, text); }
  void SetMix(std::string_view text) { SetField(TSongField::Mix, text); }
  void SetTrack(std::string_view text) { SetField(TSongField::Track, text); }
  void SetAlbum(std::string_view text) { SetField(TSongField::Album, text); }
  void SetFeaturing(std::string_view text) { SetField(TSongField::Featuring, text); }
  void SetGenre(std::string_view text) { SetField(TSongField::Genre, text); }
  void SetComment(std::string_view text) { SetField(TSongField::Comment, text); }
  void SetYear(std::string_view text) { SetField(TSongField::Year, text); }
  void SetURL(std::string_view text) { SetField(TSongField::URL, text); }
  void SetCopy(std::string_view text) { SetField(TSongField::Copy, text); }
  void SetCD(std::string_view text) { SetField(TSongField::CD, text); }
  void SetMix2(std::string_view text) { SetField(TSongField::Mix2, text); }

  TRecognition Recognition() const { return recognition_; }
  void SetRecognition(TRecognition value) { recognition_ = value; }
  bool UnsavedID3() const { return unsavedID3_; }
  void SetUnsavedID3(bool value) { unsavedID3_ = value; }
  // Whether the name was recognised only after tidying it (More Name Styles).
  bool TidiedName() const { return tidiedName_; }
  void SetTidiedName(bool value) { tidiedName_ = value; }

  // The title, followed by " (" mix ")" when there is a mix.
  std::string FullTitle() const;
  // The track with "0" read as empty and a single character given a leading zero.
  std::string PaddedTrack() const;
  // One-line summary such as "Artist: Moby, Title: Porcelain (Remix), Track: 03"; empty when no
  // detail other than the comment and the year is known.
  std::string AsText() const;

 private:
  std::array<std::string, kSongFieldCount> fields_;
  TRecognition recognition_ = TRecognition::Failed;
  bool unsavedID3_ = false;
  bool tidiedName_ = false;
};

}  // namespace tagwright

#include "songs/name_pattern.h"

#include <gtest/gtest.h>

#include "songs/pattern_composition.h"
#include "songs/pattern_matching.h"

namespace tagwright {
namespace {

// The parts of a pattern in a short form: {field} or {track:N}, 'literal', / for a folder level;
// for a mistake "@position message".
std::string Parts(std::string_view text) {
  const TPatternParse parse = ParseNamePattern(text);
  if (!parse.Ok()) return "@" + std::to_string(parse.Error.Position) + " " + parse.Error.Message;
  std::string shown;
  for (const TPatternPart& part : parse.Pattern->Parts) {
    if (!shown.empty()) shown += ' ';
    switch (part.Kind) {
      case TPatternPartKind::Literal: shown += "'" + part.Literal + "'"; break;
      case TPatternPartKind::FolderLevel: shown += "/"; break;
      case TPatternPartKind::Field:
        shown += "{" + std::string(PatternFieldName(part.Field));
        if (part.Width > 0) shown += ":" + std::to_string(part.Width);
        shown += "}";
        break;
    }
  }
  return shown;
}

struct TParseCase {
  const char* Pattern;
  const char* Parts;
};

class PatternParsing : public ::testing::TestWithParam<TParseCase> {};

TEST_P(PatternParsing, GivesThePartsOrThePlaceOfTheMistake) {
  EXPECT_EQ(Parts(GetParam().Pattern), GetParam().Parts) << GetParam().Pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PatternParsing,
    ::testing::Values(TParseCase{"{artist} - {title}", "{artist} ' - ' {title}"},
                      TParseCase{"{track} {title}", "{track:2} ' ' {title}"},
                      TParseCase{"{track:3}. {title}", "{track:3} '. ' {title}"},
                      TParseCase{"{mix}-{album}_{year}~{genre}+{comment}#{featuring}%{cd}",
                                 "{mix} '-' {album} '_' {year} '~' {genre} '+' {comment} '#' {featuring} '%' {cd}"},
                      TParseCase{"{artist} - {album} ({year})/{track} - {title}",
                                 "{artist} ' - ' {album} ' (' {year} ')' / {track:2} ' - ' {title}"},
                      TParseCase{"{{{title}}}", "'{' {title} '}'"}, TParseCase{"a{{b}}c {title}", "'a{b}c ' {title}"},
                      TParseCase{"{artist}/{artist} - {title}", "{artist} / {artist} ' - ' {title}"},
                      TParseCase{"Best of/{title}", "'Best of' / {title}"},
                      // Mistakes, with the 0-based place where they are.
                      TParseCase{"", "@0 the pattern holds no field"},
                      TParseCase{"just text", "@0 the pattern holds no field"},
                      TParseCase{"{artist} - {titel}", "@12 unknown field {titel}"},
                      TParseCase{"{Artist}", "@1 unknown field {Artist}"}, TParseCase{"{}", "@1 unknown field {}"},
                      TParseCase{"{artist} - {title", "@11 the brace is not closed"},
                      TParseCase{"{artist {title}", "@0 the brace is not closed"},
                      TParseCase{"{artist} - title}", "@16 the brace is not opened"},
                      TParseCase{"{artist}}", "@8 the brace is not opened"},
                      TParseCase{"{title:3}", "@6 only {track} takes a number of digits"},
                      TParseCase{"{track:0}", "@7 the number of digits must be 1 to 9"},
                      TParseCase{"{track:12}", "@7 the number of digits must be 1 to 9"},
                      TParseCase{"{track}{title}", "@7 two fields need text between them"},
                      TParseCase{"{artist} - {track}{title}", "@18 two fields need text between them"},
                      TParseCase{"/{title}", "@0 a folder level must hold a field or a name"},
                      TParseCase{"{album}//{title}", "@8 a folder level must hold a field or a name"},
                      TParseCase{"{album}/", "@7 a folder level must hold a field or a name"},
                      TParseCase{"../{title}", "@0 a folder level must hold a field or a name"},
                      TParseCase{"{album}/..", "@8 a folder level must hold a field or a name"}));

// What a path gives under a pattern, in a short form "field=value;...", or "-" when it does not fit.
std::string Read(const char* pattern, const char* path) {
  const TPatternParse parse = ParseNamePattern(pattern);
  EXPECT_TRUE(parse.Ok()) << pattern;
  if (!parse.Ok()) return "bad pattern";
  const std::optional<TSongDetails> details = MatchNamePattern(*parse.Pattern, path);
  if (!details) return "-";
  std::string shown;
  for (std::size_t field = 0; field < kSongFieldCount; ++field) {
    const std::string& value = details->Field(static_cast<TSongField>(field));
    if (value.empty()) continue;
    shown += std::string(PatternFieldName(static_cast<TSongField>(field))) + "=" + value + ";";
  }
  return shown;
}

struct TMatchCase {
  const char* Pattern;
  const char* Path;
  const char* Values;
};

class PatternMatching : public ::testing::TestWithParam<TMatchCase> {};

TEST_P(PatternMatching, ReadsTheValuesOrNoneWhenTheNameDoesNotFit) {
  EXPECT_EQ(Read(GetParam().Pattern, GetParam().Path), GetParam().Values) << GetParam().Pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PatternMatching,
    ::testing::Values(TMatchCase{"{track} - {artist} - {title}", "/m/01 - Daft Punk - One More Time.mp3",
                                 "artist=Daft Punk;title=One More Time;track=01;"},
                      // The shortest value first: the rest of the name belongs to the last field.
                      TMatchCase{"{artist} - {title}", "/m/A - B - C.mp3", "artist=A;title=B - C;"},
                      TMatchCase{"{artist}  -  {title}", "/m/ A  -  B .mp3", "artist=A;title=B;"},
                      TMatchCase{"{artist} - {title} ({mix})", "/m/Moby - Porcelain (Club Mix).mp3",
                                 "artist=Moby;title=Porcelain;mix=Club Mix;"},
                      // Digits only for the track: "A" cannot be one, so the artist takes it.
                      TMatchCase{"{artist} - {track} - {title}", "/m/A - B - C.mp3", "-"},
                      TMatchCase{"{artist} - {track} - {title}", "/m/Side - A - 3 - X.mp3",
                                 "artist=Side - A;title=X;track=3;"},
                      TMatchCase{"{title} ({year})", "/m/Song (99).mp3", "-"},
                      TMatchCase{"{title} ({year})", "/m/Song (1999).mp3", "title=Song;year=1999;"},
                      TMatchCase{"{artist} - {album} ({year})/{track} - {title}",
                                 "/music/Daft Punk - Discovery (2001)/01 - One More Time.mp3",
                                 "artist=Daft Punk;title=One More Time;track=01;album=Discovery;year=2001;"},
                      TMatchCase{"{artist}/{album}/{title}", "/a/b/c.mp3", "artist=a;title=c;album=b;"},
                      TMatchCase{"{artist}/{album}/{title}", "b/c.mp3", "-"},
                      TMatchCase{"{artist}/{title}", "/x/Folder/Name.mp3", "artist=Folder;title=Name;"},
                      // No field reaches across a folder level; literal parts must be there exactly.
                      TMatchCase{"{artist} - {title}", "/m/A - B/C.mp3", "-"},
                      TMatchCase{"{artist} - {title}", "/m/A-B.mp3", "-"},
                      TMatchCase{"{artist} - {title}", "/m/ - B.mp3", "-"},
                      TMatchCase{"[{genre}] {title}", "/m/[Trance] Song.mp3", "title=Song;genre=Trance;"},
                      TMatchCase{"{{{title}}}", "/m/{Song}.mp3", "title=Song;"},
                      // A field twice keeps its first value.
                      TMatchCase{"{artist}/{artist} - {title}", "/m/A/B - T.mp3", "artist=A;title=T;"}));

struct TComposeCase {
  const char* Pattern;
  const char* Name;  // or "!problem"
};

class PatternComposition : public ::testing::TestWithParam<TComposeCase> {};

TEST_P(PatternComposition, ComposesTheNameOrSaysWhyNone) {
  TSongDetails song;
  song.SetArtist("AC/DC");
  song.SetTitle("What? Now");
  song.SetMix("Live");
  song.SetTrack("7");
  song.SetAlbum(".Hidden Album");
  song.SetYear("1980");
  const TPatternParse parse = ParseNamePattern(GetParam().Pattern);
  ASSERT_TRUE(parse.Ok());
  const TPatternName name = ComposeWithPattern(*parse.Pattern, song);
  EXPECT_EQ(name.Ok() ? name.Path : "!" + name.Problem, GetParam().Name) << GetParam().Pattern;
}

INSTANTIATE_TEST_SUITE_P(Table, PatternComposition,
                         ::testing::Values(TComposeCase{"{artist} - {title}", "AC,DC - What Now (Live).mp3"},
                                           TComposeCase{"{track} {title} [{mix}]", "07 What Now [Live].mp3"},
                                           TComposeCase{"{track:3}. {artist}", "007. AC,DC.mp3"},
                                           TComposeCase{"{track:1} {year}/{title}", "7 1980/What Now (Live).mp3"},
                                           TComposeCase{"{{{year}}}", "{1980}.mp3"},
                                           TComposeCase{"{artist} - {comment}", "!the song has no comment"},
                                           TComposeCase{"{album}/{title}", "!a folder name would begin with \".\""},
                                           TComposeCase{"{year}/{album}", "!the file name would begin with \".\""}));

}  // namespace
}  // namespace tagwright

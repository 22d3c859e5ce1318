// Composing a song file's name from its details, and testing names against details.
#pragma once

#include <string>
#include <string_view>

#include "files/paths.h"
#include "songs/song_file.h"
#include "text/letters.h"

namespace tagwright {

// Replaces what file names on common systems cannot hold: "/" and "\" become ",", ":" "*" "?" go,
// double quotes become "'", "<" ">" become "(" ")", " ," becomes ",", and runs of spaces collapse.
// Control codes (1-31 and 127) go too.
// The text is not trimmed.
std::string MakeFileNameSafe(std::string_view text);

// The new full path in the folder of path: "[NN - ][Artist - ]Full Title.mp3".
std::string ComposeFileName(const TSongDetails& song, std::string_view path);

// True when the file's name (without extension) begins with the name composed from its details.
bool IsFileRenamed(const TSongFile& song);
// The same with the name composed from its details already at hand.
bool IsFileRenamed(const TSongFile& song, std::string_view composedPath);

// Letters and digits only, each run of other characters turned into one space, trimmed.
std::string AlnumWords(std::string_view text, TLetters letters = TLetters::Ascii);

// True when the file name (without folder and extension) holds nothing beyond the song's details.
bool FileNameHoldsOnlyDetails(const TSongDetails& song, std::string_view name, TLetters letters = TLetters::Ascii);
// True when the text holds nothing beyond the song's details: removing each detail's words once, in
// field order and ignoring case, leaves no letter or digit. Always false for a song without details.
bool TextHoldsOnlyDetails(const TSongDetails& song, std::string_view text, TLetters letters = TLetters::Ascii);

}  // namespace tagwright

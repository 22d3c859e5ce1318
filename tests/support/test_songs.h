// The songs the tests write. One kind of audio for every test, so that a byte of it that a write
// moves or loses shows wherever it happens.
#pragma once

#include <cstddef>
#include <string>

namespace tagwright::testing {

// size bytes of audio: an MPEG frame header every 418 bytes and varied bytes between them.
std::string SongAudio(std::size_t size = 600);

}  // namespace tagwright::testing

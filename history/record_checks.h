// The hashes that guard each record of the history: every byte a record would write back, and
// every place it names, must be as recorded before any of it is used.
#pragma once

#include <cstdint>
#include <string>

#include "commands/change_journal.h"

namespace tagwright {

// The check of what a record holds of the file before its change: the tag bytes by their hashes.
std::int64_t BeforeCheck(const TFileChange& change, std::uint64_t headHash, std::uint64_t tailHash);

// The check of what a record holds of the file after its change.
std::int64_t AfterCheck(const std::string& pathAfter, const TFileAfter& after);

// The hash of the tag a record keeps, with the hashes of its large frames already worked out.
std::uint64_t HeadHashBefore(const TFileChange& change);

}  // namespace tagwright

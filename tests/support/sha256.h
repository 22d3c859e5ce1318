// SHA-256 of bytes and of files, so that tests can say a file is byte for byte what it was.
#pragma once

#include <string>
#include <string_view>

namespace tagwright::testing {

// The digest as 64 lowercase hex digits.
std::string Sha256(std::string_view bytes);
// The digest of the file's bytes; "missing" when it cannot be read.
std::string FileSha256(const std::string& path);

}  // namespace tagwright::testing

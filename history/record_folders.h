// How a record keeps the folders its change made or took away: their paths, each ended by a zero
// byte (which no path holds).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tagwright {

std::string JoinFolders(const std::vector<std::string>& folders);

// The folders kept, less any that does not lie between base's folder and path (IsFolderBetween).
std::vector<std::string> SplitFolders(std::string_view kept, const std::string& base, const std::string& path);

}  // namespace tagwright

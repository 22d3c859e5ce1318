// The names offered by the details panel's genre box.
#pragma once

#include <string>
#include <vector>

namespace tagwright {

// The genre table's names and "Unknown", sorted alphabetically ignoring letter case and hyphens.
const std::vector<std::string>& GenreChoices();

}  // namespace tagwright

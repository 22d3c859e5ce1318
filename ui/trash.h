// The window's words for why a song could not go to the desktop's trash (files/trash.h).
#pragma once

#include <string>

#include "files/result.h"

namespace tagwright {

// "Cannot move file NAME to the trash: " and why: "no trash was found", "the trash folder cannot be
// made", or the system's reason.
std::string TrashFailureText(const TResult& failure, const std::string& fileName);

}  // namespace tagwright

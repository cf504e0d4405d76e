// Creating one folder level. Kept apart from the file operations because only set-up code needs it.
#pragma once

#include <cstdint>
#include <string>

namespace zel::platform {

// Creates the folder `path` (its parent must exist); returns 0 or the system error code, which for
// an existing entry is EEXIST.
int32_t CreateFolder(const std::u16string& path);

// Like CreateFolder, but only the current user may enter, list or change the new folder.
int32_t CreatePrivateFolder(const std::u16string& path);

}  // namespace zel::platform

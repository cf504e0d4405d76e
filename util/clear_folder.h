// Emptying a private temporary folder that an earlier run may have left full.
#pragma once

#include <string>

namespace vesku {

// Removes every file and subfolder below `root` and keeps `root` itself. Never throws and reports
// nothing: a missing or unlistable root does nothing, and whatever cannot be removed stays.
// Symbolic links to folders are left in place (their targets are never entered); links to files
// are removed as links.
void ClearFolderContents(const std::u16string& root);

}  // namespace vesku

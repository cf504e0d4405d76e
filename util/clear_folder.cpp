#include "util/clear_folder.h"

#include "util/dir_scanner.h"

namespace vesku {

void ClearFolderContents(const std::u16string& root) {
  if (root.empty()) return;
  try {
    CDirScanner<CFolderDeleterStategy<kWaitUntilGone>> scanner(root);
    scanner.Scan();
  } catch (...) {
    // Clean-up is best effort: a root that cannot be listed, or running out of memory, leaves
    // the rest of the folder as it is.
  }
}

}  // namespace vesku

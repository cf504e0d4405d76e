// Tells video files by their extension, so that tools scanning folders of pictures skip them.
#pragma once

#include <string>

namespace zel {

bool IsVideoFileName(const std::u16string& name);

}  // namespace zel

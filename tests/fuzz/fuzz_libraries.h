// Process-wide set-up shared by the fuzz targets that decode files: the image library (with one
// thread and an emptied temporary folder of its own) and the PDF library, done once before the
// first input, as the host does before its first request.
#pragma once

namespace zel_fuzz {

void SetUpDecodingLibraries();

}  // namespace zel_fuzz

// Every limit the host puts on the image library and on its own memory, sized in one place from
// the machine's memory and the reply budget so that they stay consistent with each other: the
// library fails cleanly (an error reply) well before the process as a whole runs out.
#pragma once

#include <cstdint>

namespace zel {

struct ImageLibraryLimits {
  uint64_t pixelMemory = 0;     // all pixel caches together; they never go to a disk file
  uint64_t imagePixels = 0;     // columns × rows of one image
  uint64_t imageSide = 0;       // columns or rows of one image
  uint64_t frameCount = 0;      // images read from one file
  uint64_t largestRequest = 0;  // one allocation of the library other than a pixel cache
};

// A quarter of the machine's memory for pixels, between 1 GiB (a 24-megapixel photo still fits
// twice) and 4 GiB.
ImageLibraryLimits ImageLibraryLimitsFor(uint64_t physicalMemory);

// What the whole process may hold in data (heap and private mappings): the library's pixels, the
// reply-sized buffers of a document page (rendered page and its file image), and room for the
// decoders' and the document layout's own buffers. The shared channels are not data.
uint64_t ProcessDataLimitFor(uint64_t physicalMemory, int32_t byteBudget);

}  // namespace zel

// The convert tool's options: where its files go, the limits handed to the decoder, which frames
// are saved as pictures, and whether animations are checked against an independent rendering.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

struct ConvertOptions {
  std::u16string outDir;  // ends in a separator
  int32_t maxBytes = 104857600;
  int32_t maxWidth = 0;
  int32_t maxHeight = 0;
  bool allFrames = false;
  std::vector<int32_t> selectedFrames;
  bool compare = false;
  bool oldScaling = false;

  // Selection only decides which frames are saved as pictures; every frame is decoded.
  bool IsSelected(int32_t index) const;
};

// Reads the options in `arguments` from index `first` on into `options`. Returns the index of the
// first argument that is not an option, is an option without its value, or has a value that does
// not scan; −1 when every argument was taken.
int32_t ParseConvertOptions(const std::vector<std::u16string>& arguments, size_t first,
                            ConvertOptions& options);

}  // namespace zel

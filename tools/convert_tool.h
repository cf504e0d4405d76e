// "zelHost --convert": one file pushed through the bitmap path, measured, with its frames listed
// and optionally saved and compared against an independent rendering.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel {

// `argv` is the whole command line: the program, "--convert", the input file, the output folder
// (which must exist), then options. Returns the exit code; failures of the conversion itself are
// raised.
int32_t RunConvertTool(const std::vector<std::u16string>& argv);

}  // namespace zel

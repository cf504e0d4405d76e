// The debugger output of the host: a channel for the rare lines that are neither a reply nor a
// console message (a failed conversion, a channel that could not be restricted). On Linux there is
// no debugger string sink, so the text goes to the standard error stream unchanged.
#pragma once

#include <string>

namespace zel::platform {

void OutputDebugText(const std::string& text);

}  // namespace zel::platform

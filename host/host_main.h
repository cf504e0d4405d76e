// The host's entry point behind main: mode selection, start-up and exit codes.
#pragma once

#include <string>
#include <vector>

namespace zel {

// `arguments` excludes the program name. Returns the process exit code.
int HostMain(const std::vector<std::u16string>& arguments);

}  // namespace zel

// Process environment variables. Libraries that read their settings from the environment at
// start-up (the image library's temporary folder) are configured through this before they
// initialise.
#pragma once

#include <cstdint>
#include <string>

namespace zel::platform {

// Sets (or replaces) a variable of this process's environment; name and value in UTF-8. Returns 0
// or the system error code.
int32_t SetEnvironmentVariable(const std::string& name, const std::string& value);

}  // namespace zel::platform

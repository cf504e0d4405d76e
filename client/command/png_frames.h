// Writing decoded frames as PNG files, for people and tests to look at.
#pragma once

#include <string>

#include "client/replies.h"

namespace zel::client {

// Writes one BGRA frame as a PNG file with its alpha channel.
void WritePng(const Frame& frame, const std::string& path);

}  // namespace zel::client

// The CRC-32 that guards every PNG chunk (over its type and data).
#pragma once

#include <cstddef>
#include <cstdint>

namespace zel {

uint32_t PngCrc(const uint8_t* data, size_t length);

}  // namespace zel

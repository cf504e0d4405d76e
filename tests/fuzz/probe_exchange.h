// The partial-data probe driven the way a viewer drives it: the first bytes of a file, then as
// many bytes from each end as the probe asks for, until it answers or gives up. Shared by the JPEG
// and PNG probe targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zel_fuzz {

// Runs the exchange over the whole of `data` as the file, starting with `firstHead` bytes, and
// aborts when the probe asks for something a viewer could not send or for nothing new.
void RunProbeExchange(const uint8_t* data, size_t size, const std::string& mimeType,
                      const std::u16string& name, int32_t firstHead);

}  // namespace zel_fuzz

// Random identifiers for names that must not collide with anything else in a shared folder.
#pragma once

#include <cstdint>
#include <string>

namespace zel::platform {

// A new random (version 4) UUID in its 36-character text form, lower case, for example
// "0f8e2a4c-6b1d-4e3f-9a7b-2c5d8e1f0a3b". Returns 0, or the system error code when no random bytes
// could be had (then `text` is untouched).
int32_t CreateUuidText(std::u16string& text);

}  // namespace zel::platform

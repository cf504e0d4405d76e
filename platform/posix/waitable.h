// Objects that can be waited for expose one 32-bit futex word: non-zero means signalled. An
// auto-reset object's signal is consumed by the waiter that sees it.
#pragma once

#include <cstdint>

namespace zel::platform {

class Waitable {
 public:
  virtual ~Waitable() = default;
  virtual uint32_t* Word() = 0;
  virtual bool AutoReset() const = 0;

  // Takes the signal if there is one: clears it (1 to 0) for an auto-reset object, only reads it
  // for the others.
  bool TryConsume();
};

}  // namespace zel::platform

// The parts common to every named object kept in shared memory: the descriptor of the object and
// the translation of object names into shared-memory names.
#pragma once

#include <cstdint>
#include <string>

#include "platform/posix/kernel_object.h"
#include "platform/shared_memory.h"

namespace zel::platform {

struct SharedObject : KernelObject {
  explicit SharedObject(int descriptor) : fd(descriptor) {}
  ~SharedObject() override;
  int fd;
};

// "/" followed by the name in UTF-8 (unpaired surrogates become U+FFFD).
std::string SharedObjectName(const std::u16string& name);

// Opens the named object, creating it with the attributes' mode when it does not exist, and
// grows it to at least `size` bytes. Returns the descriptor, or -1 with errno set.
int OpenOrCreate(const std::u16string& name, int64_t size, const SecurityAttributes* attributes);

// Opens (creating when missing) a small object of `size` bytes and maps all of it. Returns the
// descriptor and the view, or -1 with errno set and nothing left open.
int OpenSmallObject(const std::u16string& name, int64_t size, const SecurityAttributes* attributes,
                    void*& view);

}  // namespace zel::platform

// Named shared-memory objects: the page-file backed file mappings of the channels and the small
// objects that carry their mutex and event. Names are the system-independent object names (UTF-16,
// no leading separator). Functions return a null handle, false or a non-zero code on failure,
// with the system error code as LastError() (or as the returned code).
#pragma once

#include <cstdint>
#include <string>

#include "platform/handle.h"

namespace zel::platform {

// Access given to an object this process creates. Without attributes only the current user may
// open it.
struct SecurityAttributes {
  uint32_t mode = 0600;
};

// Creates the object, or opens it when it exists; it is grown to at least `size` bytes.
Handle CreateSharedMemory(const std::u16string& name, int64_t size,
                          const SecurityAttributes* attributes);

// Opens an existing object for reading and writing.
Handle OpenSharedMemory(const std::u16string& name);

// Maps `size` bytes of the object from offset 0, shared with every other mapping of it. Fails
// (EINVAL) when the object is smaller than `size`, because touching the missing part would kill
// the process.
void* MapView(Handle sharedMemory, int64_t size);
void UnmapView(void* view, int64_t size) noexcept;

// Gives the object (a shared-memory object, named mutex or named event) to the current user and
// takes every access away from anyone else. Returns 0 or the system error code.
int32_t RestrictToOwner(Handle object);

// Removes the name; objects stay alive while handles or views refer to them. Returns 0 or the
// system error code.
int32_t RemoveSharedObject(const std::u16string& name);

}  // namespace zel::platform

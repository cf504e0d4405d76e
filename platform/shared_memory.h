// Named shared-memory objects: the page-file backed file mappings of the channels and the small
// objects that carry their mutex and event. Names are the system-independent object names (UTF-16,
// no leading separator).
#pragma once

#include <cstdint>
#include <string>

#include "platform/guard.h"
#include "platform/handle.h"

namespace zel::platform {

// Access given to an object this process creates. Without attributes only the current user may
// open it.
struct SecurityAttributes {
  uint32_t mode = 0600;
};

// Creates the object, or opens it when it exists; it is grown to at least `size` bytes.
int32_t CreateSharedMemory(const std::u16string& name, int64_t size,
                           const SecurityAttributes* attributes, HandleGuard& sharedMemory);

// Opens an existing object for reading and writing.
int32_t OpenSharedMemory(const std::u16string& name, HandleGuard& sharedMemory);

// A view of an object's memory in this process.
struct View {
  void* address = nullptr;
  int64_t size = 0;
  bool operator==(const View&) const = default;
};
struct ViewTraits {
  using Resource = View;
  static void Close(View view) noexcept;
};
using MappedView = Guard<ViewTraits>;

// Maps `size` bytes of the object from offset 0, shared with every other mapping of it. Fails
// (EINVAL) when the object is smaller than `size`, because touching the missing part would kill
// the process.
int32_t MapView(Handle sharedMemory, int64_t size, MappedView& view);

// Gives the object (a shared-memory object, named mutex or named event) to the current user and
// takes every access away from anyone else.
int32_t RestrictToOwner(Handle object);

// Removes the name; objects stay alive while handles or views refer to them.
int32_t RemoveSharedObject(const std::u16string& name);

}  // namespace zel::platform

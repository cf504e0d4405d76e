// Loading shared libraries by bare name from the system's own library directories, looking up
// their functions and naming loaded modules. The layer above turns the failures reported here into
// exceptions.
#pragma once

#include <cstdint>
#include <string>

#include "platform/guard.h"

namespace zel::platform {

// A loaded module. On POSIX it is the loader's handle of the module.
using ModuleHandle = void*;

// Releases one reference taken by OpenSystemLibrary.
void CloseLibrary(ModuleHandle module);

struct LibraryTraits {
  using Resource = ModuleHandle;
  static void Close(ModuleHandle module) noexcept { CloseLibrary(module); }
};
using LibraryGuard = Guard<LibraryTraits>;

// Loads the library `bareName` (already checked to hold no path) from the system library
// directories only; the current folder, the program's folder and the loader's search path are
// never consulted. `flags` are extra platform loader flags (0 for the default). Returns 0 or
// kErrorModuleNotFound.
int32_t OpenSystemLibrary(const std::string& bareName, int32_t flags, LibraryGuard& module);

// The address of the export `name`. Returns 0 or kErrorProcedureNotFound.
int32_t FindLibraryFunction(ModuleHandle module, const std::string& name, void*& address);

// The module that holds `address` (an object or function inside it); null when none does. No
// reference is taken: the module stays loaded because the caller's own code lives in it.
ModuleHandle ModuleContaining(const void* address);

// The full path of a loaded module's file (null means the program itself), UTF-8. Returns 0,
// kErrorModuleNotFound for a handle the loader does not know, or the system error code.
int32_t ModuleFileName(ModuleHandle module, std::string& path);

}  // namespace zel::platform

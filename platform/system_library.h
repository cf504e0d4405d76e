// Loading shared libraries by bare name from the system's own library directories, looking up
// their functions and naming loaded modules. The layer above turns the failures reported here
// (a null result with the last error set) into exceptions.
#pragma once

#include <cstdint>
#include <string>

namespace zel::platform {

// A loaded module. On POSIX it is the loader's handle of the module.
using ModuleHandle = void*;

// Loads the library `bareName` (already checked to hold no path) from the system library
// directories only; the current folder, the program's folder and the loader's search path are
// never consulted. `flags` are extra platform loader flags (0 for the default). Returns null on
// failure with the last error set to 0 when the platform loader gives no code.
ModuleHandle OpenSystemLibrary(const std::string& bareName, int32_t flags);

// Releases one reference taken by OpenSystemLibrary.
void CloseLibrary(ModuleHandle module);

// The address of the export `name`, or null with the last error set to 127 (procedure not found).
void* FindLibraryFunction(ModuleHandle module, const std::string& name);

// The module that holds `address` (an object or function inside it); null when none does. No
// reference is taken: the module stays loaded because the caller's own code lives in it.
ModuleHandle ModuleContaining(const void* address);

// The full path of a loaded module's file (null means the program itself), UTF-8. Returns false
// with the last error set when it cannot be found.
bool ModuleFileName(ModuleHandle module, std::string& path);

}  // namespace zel::platform

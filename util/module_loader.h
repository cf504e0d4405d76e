// Loading system libraries at run time. A library is named without a path and taken from the
// system's library directories only, so a planted file in the current folder, the program's
// folder or the search path can never be loaded in its place.
#pragma once

#include <cstdint>
#include <string>

#include "platform/system_library.h"

namespace vesku {

using ModuleHandle = zel::platform::ModuleHandle;

// Loads the bare library name `name` from the system library directories. A null or empty name,
// or one holding a backslash, a slash or a colon, is refused with the last error 87 (invalid
// parameter) and nothing is loaded. Returns null with the last error set on failure; never throws.
ModuleHandle LoadSystemLibrary(const char16_t* name, int32_t flags);

// Owns one library loaded with LoadSystemLibrary; the addresses it hands out stay valid while it
// lives. Classes that bind a library keep one of these and one function pointer per export.
class CLibrary {
 public:
  // Throws CWinException "Dll not found: " + name with the loader's code: 87 for a name that is not
  // bare, 126 for a library that cannot be found or loaded.
  explicit CLibrary(const std::u16string& name);
  CLibrary(const CLibrary&) = delete;
  CLibrary& operator=(const CLibrary&) = delete;

  // Throws CWinException "Function not found: " + functionName with code 127.
  void* GetFunction(const std::string& functionName) const;

  template <typename Function>
  Function GetFunctionAs(const std::string& functionName) const {
    return reinterpret_cast<Function>(GetFunction(functionName));
  }

  ModuleHandle module() const { return module_.Get(); }

 private:
  zel::platform::LibraryGuard module_;
};

}  // namespace vesku

// The Windows Runtime entry points, looked up at run time so that the helper also loads on
// systems that have no Windows Runtime.
#pragma once

#include <inspectable.h>
#include <windows.h>
#include <winstring.h>

namespace zel {

class WinRtFunctions {
 public:
  using CreateStringReferenceFn = HRESULT(WINAPI*)(PCWSTR, UINT32, HSTRING_HEADER*, HSTRING*);
  using ActivateInstanceFn = HRESULT(WINAPI*)(HSTRING, IInspectable**);

  // Loads the runtime's library from the system folder; available() is false when it or one of
  // its entry points is missing.
  WinRtFunctions();
  ~WinRtFunctions();
  WinRtFunctions(const WinRtFunctions&) = delete;
  WinRtFunctions& operator=(const WinRtFunctions&) = delete;

  bool available() const { return createStringReference_ != nullptr && activateInstance_; }
  CreateStringReferenceFn createStringReference() const { return createStringReference_; }
  ActivateInstanceFn activateInstance() const { return activateInstance_; }

 private:
  HMODULE module_ = nullptr;
  CreateStringReferenceFn createStringReference_ = nullptr;
  ActivateInstanceFn activateInstance_ = nullptr;
};

}  // namespace zel

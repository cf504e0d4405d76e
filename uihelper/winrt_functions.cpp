#include "winrt_functions.h"

namespace zel {

namespace {

template <typename Fn>
Fn LookUp(HMODULE module, const char* name) {
  // GetProcAddress returns a generic function pointer; the cast through void* goes to the real
  // signature.
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

WinRtFunctions::WinRtFunctions()
    : module_(LoadLibraryExW(L"combase.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
  if (module_ == nullptr) return;
  createStringReference_ = LookUp<CreateStringReferenceFn>(module_, "WindowsCreateStringReference");
  activateInstance_ = LookUp<ActivateInstanceFn>(module_, "RoActivateInstance");
}

WinRtFunctions::~WinRtFunctions() {
  if (module_ != nullptr) FreeLibrary(module_);
}

}  // namespace zel

#include "util/module_loader.h"

#include <sstream>
#include <string_view>

#include "platform/error_codes.h"
#include "platform/last_error.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace vesku {

ModuleHandle LoadSystemLibrary(const char16_t* name, int32_t flags) {
  const std::u16string_view bare = name == nullptr ? std::u16string_view() : name;
  if (bare.empty() || bare.find_first_of(u"\\/:") != std::u16string_view::npos) {
    zel::platform::SetLastError(zel::platform::kErrorInvalidParameter);
    return nullptr;
  }
  const std::string narrow = ToUtf8(std::u16string(bare));
  if (narrow.empty()) {
    zel::platform::SetLastError(zel::platform::kErrorInvalidParameter);
    return nullptr;
  }
  zel::platform::LibraryGuard module;
  if (const int32_t error = zel::platform::OpenSystemLibrary(narrow, flags, module); error != 0) {
    zel::platform::SetLastError(error);
    return nullptr;
  }
  // The caller owns the reference from here; a CLibrary, or nobody for good.
  return module.Release();
}

CLibrary::CLibrary(const std::u16string& name) : module_(LoadSystemLibrary(name.c_str(), 0)) {
  if (!module_.Empty()) return;
  const int32_t code = zel::platform::LastError();
  std::ostringstream message;
  message << "Dll not found: " << ToAnsi(name);
  // Set last: converting the name may itself touch the last-error value.
  zel::platform::SetLastError(code);
  throw CWinException(message.str(), code);
}

void* CLibrary::GetFunction(const std::string& functionName) const {
  void* address = nullptr;
  if (const int32_t error =
          zel::platform::FindLibraryFunction(module_.Get(), functionName, address);
      error != 0) {
    std::ostringstream message;
    message << "Function not found: " << functionName;
    throw CWinException(message.str(), error);
  }
  return address;
}

}  // namespace vesku

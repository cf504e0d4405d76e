#include "util/module_loader.h"

#include <sstream>
#include <string_view>

#include "platform/last_error.h"
#include "util/exceptions.h"
#include "util/utf_text.h"

namespace vesku {

namespace {

constexpr int32_t kInvalidParameter = 87;
constexpr int32_t kModuleNotFound = 126;
constexpr size_t kModuleNameLimit = 1024;

// Any static object of the program locates the program's own module.
const char kModuleAnchor = 0;

}  // namespace

ModuleHandle LoadSystemLibrary(const char16_t* name, int32_t flags) {
  const std::u16string_view bare = name == nullptr ? std::u16string_view() : name;
  if (bare.empty() || bare.find_first_of(u"\\/:") != std::u16string_view::npos) {
    zel::platform::SetLastError(kInvalidParameter);
    return nullptr;
  }
  const std::string narrow = NarrowText(bare);
  if (narrow.empty()) {
    zel::platform::SetLastError(kInvalidParameter);
    return nullptr;
  }
  return zel::platform::OpenSystemLibrary(narrow, flags);
}

CLibrary::~CLibrary() { zel::platform::CloseLibrary(module_); }

CLibrary::CLibrary(const std::u16string& name) : module_(LoadSystemLibrary(name.c_str(), 0)) {
  if (module_ != nullptr) return;
  const int32_t error = zel::platform::LastError();
  const int32_t code = error != 0 ? error : kModuleNotFound;
  zel::platform::SetLastError(code);
  std::ostringstream message;
  message << "Dll not found: " << NarrowText(name);
  throw CWinException(message.str(), code);
}

void* CLibrary::GetFunction(const std::string& functionName) const {
  void* address = zel::platform::FindLibraryFunction(module_, functionName);
  if (address == nullptr) {
    std::ostringstream message;
    message << "Function not found: " << functionName;
    throw CWinException(message.str(), zel::platform::LastError());
  }
  return address;
}

std::u16string GetModuleName(ModuleHandle module) {
  std::string path;
  if (!zel::platform::ModuleFileName(module, path)) {
    throw CWinException("VESKU.GetModuleName.Failed", zel::platform::LastError());
  }
  std::u16string name = WideText(path);
  if (name.size() > kModuleNameLimit) name.resize(kModuleNameLimit);
  return name;
}

ModuleHandle GetCurrentModule() { return zel::platform::ModuleContaining(&kModuleAnchor); }

}  // namespace vesku

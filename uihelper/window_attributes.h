// Window manager attributes set by the helper, and how the dark title bar's number is chosen.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace zel {

constexpr DWORD kCloakAttribute = 13;
// The dark title bar: its number on Windows 10 and later, and the earlier number used elsewhere.
constexpr DWORD kImmersiveDarkModeAttribute = 20;
constexpr DWORD kImmersiveDarkModeAttributeEarlier = 19;

// The full path of the already loaded kernelbase.dll; empty when it is not loaded or its path
// does not fit.
std::optional<std::wstring> LoadedKernelBasePath();

// The product major version of the kernelbase.dll at `kernelBasePath`, from its version resource;
// empty when the file carries no readable version.
std::optional<WORD> KernelBaseProductMajorVersion(const wchar_t* kernelBasePath);

constexpr DWORD DarkModeAttribute(std::optional<WORD> productMajorVersion) {
  return productMajorVersion.has_value() && *productMajorVersion >= 10
             ? kImmersiveDarkModeAttribute
             : kImmersiveDarkModeAttributeEarlier;
}

}  // namespace zel

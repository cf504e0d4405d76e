// Window manager attributes set by the helper, and how the dark title bar's number is chosen.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace zel {

constexpr DWORD kCloakAttribute = 13;
// Windows 10 builds before 20H1 know the dark title bar under 19; later ones under 20.
constexpr DWORD kImmersiveDarkModeAttribute = 20;
constexpr DWORD kImmersiveDarkModeAttributeBefore20H1 = 19;

// The full path of the already loaded kernelbase.dll; empty when it is not loaded or its path
// does not fit.
std::optional<std::wstring> LoadedKernelBasePath();

// The product major version of the kernelbase.dll at `kernelBasePath`, from its version resource;
// empty when the file carries no readable version.
std::optional<WORD> KernelBaseProductMajorVersion(const wchar_t* kernelBasePath);

constexpr DWORD DarkModeAttribute(std::optional<WORD> productMajorVersion) {
  return productMajorVersion.has_value() && *productMajorVersion >= 10
             ? kImmersiveDarkModeAttribute
             : kImmersiveDarkModeAttributeBefore20H1;
}

}  // namespace zel

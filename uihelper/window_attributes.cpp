#include "window_attributes.h"

#include <string>
#include <vector>

namespace zel {

std::optional<std::wstring> LoadedKernelBasePath() {
  // Only asks for the module already in the process: the helper must not load system libraries
  // on the viewer's behalf just to read a version number.
  const HMODULE module = GetModuleHandleW(L"kernelbase.dll");
  if (module == nullptr) return std::nullopt;
  constexpr DWORD kPathCapacity = 2048;
  std::wstring path(kPathCapacity, L'\0');
  const DWORD length = GetModuleFileNameW(module, path.data(), kPathCapacity);
  // A full buffer means the path was cut short; a cut path would name another file.
  if (length == 0 || length >= kPathCapacity) return std::nullopt;
  path.resize(length);
  return path;
}

std::optional<WORD> KernelBaseProductMajorVersion(const wchar_t* kernelBasePath) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(kernelBasePath, &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> block(size);
  if (!GetFileVersionInfoW(kernelBasePath, 0, size, block.data())) return std::nullopt;
  void* fixed = nullptr;
  UINT fixedSize = 0;
  if (!VerQueryValueW(block.data(), L"\\", &fixed, &fixedSize) || fixed == nullptr ||
      fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  return HIWORD(static_cast<const VS_FIXEDFILEINFO*>(fixed)->dwProductVersionMS);
}

}  // namespace zel

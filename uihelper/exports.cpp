#include <dwmapi.h>
#include <windows.h>

#include "dark_color.h"
#include "ui_color.h"
#include "window_attributes.h"
#include "zel_win10_helper.h"

namespace {

constexpr INT32 kBackgroundColorType = 0;

HRESULT SetFlagAttribute(HWND window, DWORD attribute, BOOL flag) {
  const DWORD value = flag ? 1 : 0;
  return DwmSetWindowAttribute(window, attribute, &value, sizeof(value));
}

}  // namespace

BOOL WINAPI CloakWindow(HWND window, BOOL cloak) {
  return SUCCEEDED(SetFlagAttribute(window, zel::kCloakAttribute, cloak));
}

BOOL WINAPI DetectDarkMode() {
  COLORREF background = 0;
  if (!zel::LookUpUiColor(kBackgroundColorType, &background)) return FALSE;
  return zel::IsDarkColor(background);
}

BOOL WINAPI EnableBlackTheme(HWND window, BOOL enable) {
  const auto kernelBasePath = zel::LoadedKernelBasePath();
  if (!kernelBasePath) return FALSE;
  const DWORD attribute =
      zel::DarkModeAttribute(zel::KernelBaseProductMajorVersion(kernelBasePath->c_str()));
  // Systems that do not know the attribute refuse it; the title bar then simply stays light,
  // which is nothing the caller needs to hear about.
  SetFlagAttribute(window, attribute, enable);
  return TRUE;
}

BOOL WINAPI GetUIColorType(INT32 colorType, COLORREF* color) {
  return zel::LookUpUiColor(colorType, color);
}

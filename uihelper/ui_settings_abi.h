// The few pieces of the Windows Runtime ABI that reading a UI colour needs, declared here
// because the toolchain ships no Windows.UI.ViewManagement headers. Layouts and identifiers are
// those of the Windows metadata and must not change.
#pragma once

#include <inspectable.h>
#include <windows.h>

namespace zel {

// Windows.UI.Color: one byte per channel, alpha first.
struct UiColor {
  BYTE A;
  BYTE R;
  BYTE G;
  BYTE B;
};

// Windows.UI.ViewManagement.IUISettings3. Only the first method of its own is declared; the
// two event methods that follow it in the table are never called.
struct IUISettings3 : IInspectable {
  virtual HRESULT STDMETHODCALLTYPE GetColorValue(INT32 desiredColor, UiColor* value) = 0;
};

// {03021BE4-5254-4781-8194-5168F7D06D7B}
constexpr IID kIidUiSettings3 = {
    0x03021BE4, 0x5254, 0x4781, {0x81, 0x94, 0x51, 0x68, 0xF7, 0xD0, 0x6D, 0x7B}};

constexpr wchar_t kUiSettingsClassName[] = L"Windows.UI.ViewManagement.UISettings";

}  // namespace zel

// A stand-in for dwmapi.dll that records the last attribute call, so the tests can see exactly
// which attribute and value the helper passes. Like the real window manager it refuses handles
// that name no window.
#include <windows.h>

namespace {

struct AttributeCall {
  HWND window;
  DWORD attribute;
  DWORD value;
  DWORD size;
};

AttributeCall lastCall{};
LONG callCount = 0;

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI
    DwmSetWindowAttribute(HWND window, DWORD attribute, LPCVOID value, DWORD size) {
  lastCall = {window, attribute, size >= sizeof(DWORD) ? *static_cast<const DWORD*>(value) : ~0u,
              size};
  ++callCount;
  return IsWindow(window) ? S_OK : E_HANDLE;
}

// Number of calls so far; copies the last one into the out parameters.
extern "C" __declspec(dllexport) LONG
    FakeDwmLastCall(HWND* window, DWORD* attribute, DWORD* value, DWORD* size) {
  *window = lastCall.window;
  *attribute = lastCall.attribute;
  *value = lastCall.value;
  *size = lastCall.size;
  return callCount;
}

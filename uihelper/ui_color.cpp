#include "ui_color.h"

#include "ui_settings_abi.h"
#include "winrt_functions.h"

namespace zel {

namespace {

// Releases a COM interface on scope exit.
template <typename Interface>
class ComRef {
 public:
  ComRef() = default;
  ~ComRef() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;

  Interface* get() const { return pointer_; }
  Interface** put() { return &pointer_; }

 private:
  Interface* pointer_ = nullptr;
};

// Asks a fresh settings object for the colour; leaves `value` unchanged when anything fails.
void ReadSettingsColor(const WinRtFunctions& winrt, INT32 colorType, UiColor* value) {
  HSTRING_HEADER header;
  HSTRING className = nullptr;
  const HRESULT created = winrt.createStringReference()(
      kUiSettingsClassName, ARRAYSIZE(kUiSettingsClassName) - 1, &header, &className);
  if (FAILED(created)) {
    // A reference to a constant name cannot fail unless the runtime itself is broken; that is
    // not something to paper over with a default colour.
    RaiseException(static_cast<DWORD>(created), EXCEPTION_NONCONTINUABLE, 0, nullptr);
  }

  ComRef<IUISettings3> settings;
  {
    ComRef<IInspectable> instance;
    if (FAILED(winrt.activateInstance()(className, instance.put()))) return;
    if (FAILED(instance.get()->QueryInterface(kIidUiSettings3,
                                              reinterpret_cast<void**>(settings.put())))) {
      return;
    }
  }
  // A failing call leaves the colour as it was; the caller's default stands.
  settings.get()->GetColorValue(colorType, value);
}

}  // namespace

bool LookUpUiColor(INT32 colorType, COLORREF* color) {
  if (color == nullptr) return false;
  UiColor value{255, 255, 255, 255};
  const WinRtFunctions winrt;
  if (winrt.available()) ReadSettingsColor(winrt, colorType, &value);
  *color = RGB(value.R, value.G, value.B);
  return true;
}

}  // namespace zel

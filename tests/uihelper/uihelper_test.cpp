// Tests of ZELWin10Helper.dll, run under Wine (or on Windows): loads the DLL named on the command
// line and drives its four exports. When the DLL's folder holds the recording stand-in for
// dwmapi.dll (and Wine is told to prefer it), the exact window attributes are checked as well.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include <optional>
#include <vector>

#include "uihelper/dark_color.h"
#include "uihelper/window_attributes.h"

namespace {

int passed = 0;
int failed = 0;

void Check(bool condition, const char* what, int line) {
  if (condition) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAILED line %d: %s\n", line, what);
  }
}

#define CHECK(condition) Check((condition), #condition, __LINE__)

using CloakWindowFn = BOOL(WINAPI*)(HWND, BOOL);
using DetectDarkModeFn = BOOL(WINAPI*)();
using EnableBlackThemeFn = BOOL(WINAPI*)(HWND, BOOL);
using GetUIColorTypeFn = BOOL(WINAPI*)(INT32, COLORREF*);
using FakeDwmLastCallFn = LONG (*)(HWND*, DWORD*, DWORD*, DWORD*);
using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
using RoInitializeFn = HRESULT(WINAPI*)(int);
using RoUninitializeFn = void(WINAPI*)();

template <typename Fn>
Fn LookUp(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct Helper {
  CloakWindowFn cloakWindow;
  DetectDarkModeFn detectDarkMode;
  EnableBlackThemeFn enableBlackTheme;
  GetUIColorTypeFn getUiColorType;
};

// A real, hidden top-level window, destroyed at scope exit.
class TestWindow {
 public:
  TestWindow()
      : window_(CreateWindowExW(0, L"STATIC", L"uihelper test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {}
  ~TestWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
  }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

// A handle value that names no window.
HWND NoWindow() { return reinterpret_cast<HWND>(static_cast<INT_PTR>(0x7ffe0123)); }

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kSentinel = 0x12345678;

void TestDarkColorThresholds() {
  CHECK(zel::IsDarkColor(RGB(0, 0, 0)));
  CHECK(!zel::IsDarkColor(RGB(255, 255, 255)));
  // The greys on either side of the limit: 127 sums to a hair below 127.0.
  CHECK(zel::IsDarkColor(RGB(127, 127, 127)));
  CHECK(!zel::IsDarkColor(RGB(128, 128, 128)));
  // Blue weighs least and green most.
  CHECK(zel::IsDarkColor(RGB(0, 0, 255)));
  CHECK(zel::IsDarkColor(RGB(255, 0, 0)));
  CHECK(!zel::IsDarkColor(RGB(0, 255, 0)));
}

// Without the Windows Runtime on the calling thread the settings class cannot be activated: every
// kind reads as white and the background is not dark.
void TestColorsWithoutRuntime(const Helper& helper) {
  bool allWhite = true;
  for (INT32 kind = 0; kind <= 9; ++kind) {
    COLORREF color = kSentinel;
    allWhite = allWhite && helper.getUiColorType(kind, &color) && color == kWhite;
  }
  CHECK(allWhite);
  COLORREF color = kSentinel;
  CHECK(helper.getUiColorType(42, &color) && color == kWhite);
  CHECK(!helper.detectDarkMode());
  CHECK(!helper.getUiColorType(0, nullptr));
}

// With the runtime initialised the settings class may or may not exist (Wine 8 has none); either
// way the answers must agree with each other and carry no alpha.
void TestColorsWithRuntime(const Helper& helper) {
  const HMODULE combase = LoadLibraryW(L"combase.dll");
  const auto roInitialize = LookUp<RoInitializeFn>(combase, "RoInitialize");
  const auto roUninitialize = LookUp<RoUninitializeFn>(combase, "RoUninitialize");
  if (roInitialize == nullptr || roUninitialize == nullptr) {
    std::printf("note: no Windows Runtime here; initialised-thread checks skipped\n");
    if (combase != nullptr) FreeLibrary(combase);
    return;
  }
  const HRESULT initialised = roInitialize(1 /* RO_INIT_MULTITHREADED */);
  CHECK(SUCCEEDED(initialised));

  COLORREF background = kSentinel;
  CHECK(helper.getUiColorType(0, &background));
  CHECK((background & 0xFF000000) == 0);
  CHECK(helper.detectDarkMode() == (zel::IsDarkColor(background) ? TRUE : FALSE));
  COLORREF foreground = kSentinel;
  CHECK(helper.getUiColorType(1, &foreground));
  CHECK((foreground & 0xFF000000) == 0);
  std::printf(
      "note: UI settings %s (background %06lx, foreground %06lx)\n",
      background == kWhite && foreground == kWhite ? "unavailable, white fallback" : "available",
      static_cast<unsigned long>(background), static_cast<unsigned long>(foreground));

  if (SUCCEEDED(initialised)) roUninitialize();
  FreeLibrary(combase);
}

// What every system must show, whatever its window manager does with the attributes.
void TestWindowAttributes(const Helper& helper, HMODULE dwmapi) {
  TestWindow window;
  CHECK(window.get() != nullptr);
  CHECK(helper.enableBlackTheme(window.get(), TRUE));
  CHECK(helper.enableBlackTheme(window.get(), FALSE));
  CHECK(helper.enableBlackTheme(NoWindow(), TRUE));

  // The cloak answer is the window manager's own verdict on the same call.
  const auto setAttribute = LookUp<DwmSetWindowAttributeFn>(dwmapi, "DwmSetWindowAttribute");
  CHECK(setAttribute != nullptr);
  if (setAttribute == nullptr) return;
  const DWORD on = 1;
  const DWORD off = 0;
  for (HWND target : {window.get(), NoWindow()}) {
    const BOOL expectedOn = SUCCEEDED(setAttribute(target, 13, &on, sizeof(on)));
    CHECK(helper.cloakWindow(target, TRUE) == expectedOn);
    const BOOL expectedOff = SUCCEEDED(setAttribute(target, 13, &off, sizeof(off)));
    CHECK(helper.cloakWindow(target, FALSE) == expectedOff);
  }
}

struct Recorded {
  LONG count;
  HWND window;
  DWORD attribute;
  DWORD value;
  DWORD size;
};

Recorded LastDwmCall(FakeDwmLastCallFn lastCall) {
  Recorded r{};
  r.count = lastCall(&r.window, &r.attribute, &r.value, &r.size);
  return r;
}

// The dark title bar's number as this system should get it, read independently of the helper:
// Wine's kernelbase.dll carries no version resource and gets the earlier number.
DWORD ExpectedDarkModeAttribute() {
  wchar_t path[2048];
  const DWORD length = GetModuleFileNameW(GetModuleHandleW(L"kernelbase.dll"), path, 2048);
  if (length == 0 || length >= 2048) return 0;
  DWORD ignored = 0;
  std::vector<BYTE> block(GetFileVersionInfoSizeW(path, &ignored));
  void* fixed = nullptr;
  UINT fixedSize = 0;
  const bool major10 = !block.empty() && GetFileVersionInfoW(path, 0, block.size(), block.data()) &&
                       VerQueryValueW(block.data(), L"\\", &fixed, &fixedSize) &&
                       fixedSize >= sizeof(VS_FIXEDFILEINFO) &&
                       HIWORD(static_cast<VS_FIXEDFILEINFO*>(fixed)->dwProductVersionMS) >= 10;
  std::printf("note: dark title bar attribute on this system: %d\n", major10 ? 20 : 19);
  return major10 ? 20 : 19;
}

void TestDarkModeAttributeChoice() {
  CHECK(zel::DarkModeAttribute(WORD{10}) == 20);
  CHECK(zel::DarkModeAttribute(WORD{11}) == 20);
  CHECK(zel::DarkModeAttribute(WORD{6}) == 19);
  CHECK(zel::DarkModeAttribute(WORD{9}) == 19);
  CHECK(zel::DarkModeAttribute(std::nullopt) == 19);
}

// Only with the recording stand-ins: the exact attribute numbers, values and results.
void TestRecordedAttributes(const Helper& helper, FakeDwmLastCallFn lastCall) {
  TestWindow window;

  CHECK(helper.cloakWindow(window.get(), TRUE));
  Recorded r = LastDwmCall(lastCall);
  CHECK(r.window == window.get() && r.attribute == 13 && r.value == 1 && r.size == 4);
  CHECK(helper.cloakWindow(window.get(), FALSE));
  r = LastDwmCall(lastCall);
  CHECK(r.attribute == 13 && r.value == 0);
  // Any non-zero flag is true.
  CHECK(helper.cloakWindow(window.get(), 7));
  CHECK(LastDwmCall(lastCall).value == 1);
  // A refused attribute is reported.
  CHECK(!helper.cloakWindow(NoWindow(), TRUE));
  CHECK(LastDwmCall(lastCall).window == NoWindow());

  const DWORD darkMode = ExpectedDarkModeAttribute();
  CHECK(helper.enableBlackTheme(window.get(), TRUE));
  r = LastDwmCall(lastCall);
  CHECK(r.window == window.get() && r.attribute == darkMode && r.value == 1 && r.size == 4);
  CHECK(helper.enableBlackTheme(window.get(), FALSE));
  CHECK(LastDwmCall(lastCall).value == 0);
  // Refused by the window manager, still reported as made.
  const LONG before = LastDwmCall(lastCall).count;
  CHECK(helper.enableBlackTheme(NoWindow(), TRUE));
  r = LastDwmCall(lastCall);
  CHECK(r.count == before + 1 && r.window == NoWindow() && r.attribute == darkMode);
}

// `name` taken relative to the folder of this program, so that the test needs no path mapping
// between the host and Wine.
std::wstring NextToProgram(const wchar_t* name) {
  std::wstring path(MAX_PATH * 8, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path.substr(0, path.find_last_of(L'\\') + 1) + name;
}

}  // namespace

// uihelper_test DLL [--stand-ins]: DLL is relative to this program's folder; --stand-ins demands
// the recording stand-ins and checks the exact attributes.
int wmain(int argc, wchar_t** argv) {
  const bool standIns = argc == 3 && std::wcscmp(argv[2], L"--stand-ins") == 0;
  if (argc != 2 && !standIns) {
    std::printf("usage: uihelper_test DLL [--stand-ins]\n");
    return 2;
  }
  // The helper's own imports are searched for next to it first, which is where the recording
  // stand-ins live in the run that uses them.
  const std::wstring helperPath = NextToProgram(argv[1]);
  const HMODULE helperModule =
      LoadLibraryExW(helperPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  CHECK(helperModule != nullptr);
  if (helperModule == nullptr) {
    std::printf("cannot load %ls (error %lu)\n", helperPath.c_str(), GetLastError());
    return 1;
  }
  const Helper helper{LookUp<CloakWindowFn>(helperModule, "CloakWindow"),
                      LookUp<DetectDarkModeFn>(helperModule, "DetectDarkMode"),
                      LookUp<EnableBlackThemeFn>(helperModule, "EnableBlackTheme"),
                      LookUp<GetUIColorTypeFn>(helperModule, "GetUIColorType")};
  CHECK(helper.cloakWindow != nullptr && helper.detectDarkMode != nullptr &&
        helper.enableBlackTheme != nullptr && helper.getUiColorType != nullptr);
  if (failed != 0) return 1;

  const HMODULE dwmapi = GetModuleHandleW(L"dwmapi.dll");
  const auto fakeDwm = LookUp<FakeDwmLastCallFn>(dwmapi, "FakeDwmLastCall");
  CHECK(standIns == (fakeDwm != nullptr));

  TestDarkColorThresholds();
  TestDarkModeAttributeChoice();
  TestColorsWithoutRuntime(helper);
  TestColorsWithRuntime(helper);
  TestWindowAttributes(helper, dwmapi);
  if (standIns && fakeDwm != nullptr) TestRecordedAttributes(helper, fakeDwm);

  FreeLibrary(helperModule);
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}

// The exports of ZELWin10Helper.dll, which the viewer loads to make its windows follow the
// Windows 10 colour scheme. Plain C functions with the standard calling convention.
#pragma once

#include <windows.h>

#ifdef ZEL_WIN10_HELPER_BUILD
#define ZEL_WIN10_HELPER_API extern "C" __declspec(dllexport)
#else
#define ZEL_WIN10_HELPER_API extern "C" __declspec(dllimport)
#endif

// Sets or clears the window manager's cloak attribute; true when the window manager accepted it.
ZEL_WIN10_HELPER_API BOOL WINAPI CloakWindow(HWND window, BOOL cloak);

// True when the system's app background colour is dark.
ZEL_WIN10_HELPER_API BOOL WINAPI DetectDarkMode();

// Switches the window's title bar to the dark look (or back); true when the attribute call was
// made, whatever the window manager answered.
ZEL_WIN10_HELPER_API BOOL WINAPI EnableBlackTheme(HWND window, BOOL enable);

// Reads the system UI colour `colorType` (a Windows.UI.ViewManagement.UIColorType value) into
// `color` as a COLORREF. Falls back to white when the settings cannot be read.
ZEL_WIN10_HELPER_API BOOL WINAPI GetUIColorType(INT32 colorType, COLORREF* color);

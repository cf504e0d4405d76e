// Reading one of the system's UI colours through Windows.UI.ViewManagement.UISettings.
#pragma once

#include <windows.h>

namespace zel {

// Writes the colour of kind `colorType` to `color` as a COLORREF and returns true. When the
// settings class cannot be activated or does not answer, the colour is white: the viewer then
// simply keeps its light look. Returns false only for a missing output. The calling thread's
// Windows Runtime state is used as it is; this never initialises it.
bool LookUpUiColor(INT32 colorType, COLORREF* color);

}  // namespace zel

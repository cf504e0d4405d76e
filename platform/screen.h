// The screen's resolution in dots per inch, per axis, read fresh on every call. There is no
// screen on Linux, so the layer answers 96 dots per inch unless a test has set another value.
#pragma once

namespace zel::platform {

int ScreenDotsPerInchX();
int ScreenDotsPerInchY();

// Replaces the answer of both queries (for tests); 0 restores the default.
void SetScreenDotsPerInchForTesting(int dpiX, int dpiY);

}  // namespace zel::platform

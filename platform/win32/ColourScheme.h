// The user's colour scheme against the colours the design fixes, and the
// frame the program draws itself so that its caption follows the scheme.
#pragma once

#include <windows.h>

namespace win32 {

// Whether the user's colour scheme must win over a colour the design fixes:
// high contrast is on, or black text would be hard to read on the button face.
bool schemeWins();

// Sets `dc` for text the design draws black on the button face, in the
// scheme's button text instead where the scheme wins; returns the brush
// that fills behind it.
HBRUSH blackTextColours(HDC dc, bool schemeWins);

// Answers the messages that paint a group box holding controls: its
// background always, and where the scheme wins its line and caption too.
// True when `message` was one of them, with its `result`.
bool paintFrame(HWND frame, UINT message, WPARAM wParam, UINT dpi, bool schemeWins, LRESULT& result);

}  // namespace win32

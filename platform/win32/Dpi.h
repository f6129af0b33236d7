// The DPI the window is laid out for, and the frame and metrics at a DPI.
// Newer Windows answer per monitor; where a call is missing (Windows 7 and 8
// lack them all) the system DPI stands in, which is then the DPI of every
// window, so the layout comes out the same.
#pragma once

#include <windows.h>

namespace win32 {

// WM_GETDPISCALEDSIZE, sent from Windows 10 1703 on; the headers hide it at
// Windows 7's level.
inline constexpr UINT kGetDpiScaledSize = 0x02E4;

UINT systemDpi();
UINT windowDpi(HWND window);
// The outer rectangle for a client rectangle at the given DPI.
void adjustWindowRect(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);
// A GetSystemMetrics value at the given DPI.
int systemMetric(int index, UINT dpi);

// Pixels at `from` DPI (96 unless said) as many at `dpi`, rounded to nearest.
inline int scaleToDpi(int pixels, UINT dpi, UINT from = USER_DEFAULT_SCREEN_DPI) {
    return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(from));
}

}  // namespace win32

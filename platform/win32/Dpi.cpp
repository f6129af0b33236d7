#include "platform/win32/Dpi.h"

#include "platform/win32/Handles.h"
#include "platform/win32/SystemCalls.h"

namespace win32 {

namespace {

struct ScreenDcTraits {
    using Value = HDC;
    static Value empty() { return nullptr; }
    static bool release(Value dc) { return ReleaseDC(nullptr, dc) != 0; }
};

constexpr int kEffectiveDpi = 0;  // MONITOR_DPI_TYPE's MDT_EFFECTIVE_DPI

}  // namespace

UINT systemDpi() {
    if (const auto forSystem = systemCalls().getDpiForSystem) return forSystem();
    const Owned<ScreenDcTraits> screen(GetDC(nullptr));
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

UINT windowDpi(HWND window) {
    const SystemCalls& calls = systemCalls();
    if (calls.getDpiForWindow) return calls.getDpiForWindow(window);
    UINT x = 0, y = 0;
    if (calls.getDpiForMonitor &&
        SUCCEEDED(calls.getDpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) &&
        y > 0)
        return y;
    return systemDpi();
}

void adjustWindowRect(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) {
    // Before Windows 10 the frame is drawn at the system DPI whatever the
    // window's DPI, which is what the plain call measures.
    if (const auto forDpi = systemCalls().adjustWindowRectExForDpi)
        forDpi(&rect, style, FALSE, exStyle, dpi);
    else
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

int systemMetric(int index, UINT dpi) {
    if (const auto forDpi = systemCalls().getSystemMetricsForDpi) return forDpi(index, dpi);
    return scaleToDpi(GetSystemMetrics(index), dpi, systemDpi());
}

}  // namespace win32

#include "platform/win32/Dpi.h"

#include <bit>

#include "platform/win32/Handles.h"

namespace win32 {

namespace {

// Looked up by name at run time: a call imported by name that the system
// lacks stops the loader before the program runs.
template <class Function>
Function lookUp(HMODULE module, const char* name) {
    return module ? std::bit_cast<Function>(GetProcAddress(module, name)) : nullptr;
}

template <class Function>
Function user32Function(const char* name) {
    return lookUp<Function>(GetModuleHandleW(L"user32.dll"), name);
}

// Windows 8.1 and Windows 10 before version 1607 have a monitor's DPI, not a
// window's. Only from the system folder, and kept loaded.
template <class Function>
Function shcoreFunction(const char* name) {
    return lookUp<Function>(LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), name);
}

struct ScreenDcTraits {
    using Value = HDC;
    static Value empty() { return nullptr; }
    static bool release(Value dc) { return ReleaseDC(nullptr, dc) != 0; }
};

constexpr int kEffectiveDpi = 0;  // MONITOR_DPI_TYPE's MDT_EFFECTIVE_DPI

}  // namespace

UINT systemDpi() {
    static const auto getDpiForSystem = user32Function<UINT(WINAPI*)()>("GetDpiForSystem");
    if (getDpiForSystem) return getDpiForSystem();
    const Owned<ScreenDcTraits> screen(GetDC(nullptr));
    const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

UINT windowDpi(HWND window) {
    static const auto getDpiForWindow = user32Function<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (getDpiForWindow) return getDpiForWindow(window);
    static const auto getDpiForMonitor =
        shcoreFunction<HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*)>("GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (getDpiForMonitor &&
        SUCCEEDED(getDpiForMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y)) &&
        y > 0)
        return y;
    return systemDpi();
}

void adjustWindowRect(RECT& rect, DWORD style, DWORD exStyle, UINT dpi) {
    static const auto adjustForDpi =
        user32Function<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>("AdjustWindowRectExForDpi");
    // Before Windows 10 the frame is drawn at the system DPI whatever the
    // window's DPI, which is what the plain call measures.
    if (adjustForDpi)
        adjustForDpi(&rect, style, FALSE, exStyle, dpi);
    else
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
}

int systemMetric(int index, UINT dpi) {
    static const auto getForDpi = user32Function<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    if (getForDpi) return getForDpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(systemDpi()));
}

}  // namespace win32

// What newer Windows versions add, in one table: each function is found by
// name once, at start-up, and is null where the system lacks it. A call
// imported by name that the system lacks would stop the loader before the
// program runs, so every caller reads this table and has a way without it.
// A test fills the table as Windows 7, 8.1 or 10 would, and runs each way.
#pragma once

#include <windows.h>

namespace win32 {

struct SystemCalls {
    // Windows 10 1607 and later: a window's own DPI, and the system's; the
    // frame and metrics at a given DPI.
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    UINT(WINAPI* getDpiForSystem)() = nullptr;
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
    // Windows 8.1 and later (shcore.dll): a monitor's DPI, by MONITOR_DPI_TYPE.
    HRESULT(WINAPI* getDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
    // Common controls 6: an icon drawn from the nearest larger image.
    HRESULT(WINAPI* loadIconWithScaleDown)(HINSTANCE, PCWSTR, int, int, HICON*) = nullptr;
    // Windows 8, and Windows 7 with KB2533623: where the loader looks for DLLs.
    BOOL(WINAPI* setDefaultDllDirectories)(DWORD) = nullptr;
    // Windows 7 and later, once updated: the search order of SearchPath.
    BOOL(WINAPI* setSearchPathMode)(DWORD) = nullptr;
};

// The calls this system has, looked up by name.
SystemCalls findSystemCalls();

// The table every caller reads: filled by findSystemCalls() on first use,
// which is at start-up. Tests may assign another and put it back.
SystemCalls& systemCalls();

}  // namespace win32

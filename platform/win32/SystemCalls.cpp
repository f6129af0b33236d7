#include "platform/win32/SystemCalls.h"

#include <bit>

namespace win32 {

namespace {

template <class Function>
void lookUp(HMODULE module, const char* name, Function& into) {
    into = module ? std::bit_cast<Function>(GetProcAddress(module, name)) : nullptr;
}

}  // namespace

SystemCalls findSystemCalls() {
    SystemCalls calls;
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    lookUp(user32, "GetDpiForWindow", calls.getDpiForWindow);
    lookUp(user32, "GetDpiForSystem", calls.getDpiForSystem);
    lookUp(user32, "AdjustWindowRectExForDpi", calls.adjustWindowRectExForDpi);
    lookUp(user32, "GetSystemMetricsForDpi", calls.getSystemMetricsForDpi);
    // A window's own DPI makes the monitor's needless; loading shcore.dll
    // only where it is missing (Windows 8.1 to 10 1511) keeps the start-up
    // of every other system free of it. From the system folder only.
    if (!calls.getDpiForWindow)
        lookUp(LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32), "GetDpiForMonitor",
               calls.getDpiForMonitor);
    // The manifest's common controls 6, already mapped by the time any
    // window exists; the version-5 DLL that has no such function is mapped
    // under the same name where the manifest was lost.
    lookUp(GetModuleHandleW(L"comctl32.dll"), "LoadIconWithScaleDown", calls.loadIconWithScaleDown);
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    lookUp(kernel32, "SetDefaultDllDirectories", calls.setDefaultDllDirectories);
    lookUp(kernel32, "SetSearchPathMode", calls.setSearchPathMode);
    return calls;
}

SystemCalls& systemCalls() {
    static SystemCalls calls = findSystemCalls();
    return calls;
}

}  // namespace win32

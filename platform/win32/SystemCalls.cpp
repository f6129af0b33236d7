#include "platform/win32/SystemCalls.h"

namespace win32 {

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
    // Mapped into every process before its first instruction.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    lookUp(ntdll, "NtCreateFile", calls.ntCreateFile);
    lookUp(ntdll, "NtQueryDirectoryFile", calls.ntQueryDirectoryFile);
    lookUp(ntdll, "NtQueryInformationFile", calls.ntQueryInformationFile);
    lookUp(ntdll, "NtSetInformationFile", calls.ntSetInformationFile);
    lookUp(ntdll, "NtQueryObject", calls.ntQueryObject);
    lookUp(ntdll, "RtlNtStatusToDosError", calls.rtlNtStatusToDosError);
    return calls;
}

SystemCalls& systemCalls() {
    static SystemCalls calls = findSystemCalls();
    return calls;
}

const SystemCalls& comCalls() {
    SystemCalls& calls = systemCalls();
    if (calls.comLookedUp) return calls;
    calls.comLookedUp = true;
    // From the system folder only, and kept loaded while the table points
    // into it. Windows 7 without the update that knows this flag fails
    // here; what COM is wanted for means nothing there.
    const HMODULE ole32 = LoadLibraryExW(L"ole32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    lookUp(ole32, "CoInitializeEx", calls.coInitializeEx);
    lookUp(ole32, "CoCreateInstance", calls.coCreateInstance);
    lookUp(ole32, "CoUninitialize", calls.coUninitialize);
    return calls;
}

}  // namespace win32

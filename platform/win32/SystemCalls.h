// Every function Pellmora finds by name at run time, in one table: what
// newer Windows versions add, what ntdll offers without an import library,
// and COM's entry points. Each group says the DLL it comes from and when it
// is filled. A call imported by name that the system lacks would stop the
// loader before the program runs, so every caller reads this table, and a
// null entry has a way without it. A test fills the table as Windows 7, 8.1
// or 10 would, and runs each way.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <winternl.h>

#include <bit>

namespace win32 {

// The one place a function is looked up by name: null where `module` is
// null or lacks it.
template <class Function>
void lookUp(HMODULE module, const char* name, Function& into) {
    into = module ? std::bit_cast<Function>(GetProcAddress(module, name)) : nullptr;
}

struct SystemCalls {
    // --- Filled at start-up (findSystemCalls) ---
    // user32.dll, Windows 10 1607 and later: a window's own DPI, and the
    // system's; the frame and metrics at a given DPI.
    UINT(WINAPI* getDpiForWindow)(HWND) = nullptr;
    UINT(WINAPI* getDpiForSystem)() = nullptr;
    BOOL(WINAPI* adjustWindowRectExForDpi)(RECT*, DWORD, BOOL, DWORD, UINT) = nullptr;
    int(WINAPI* getSystemMetricsForDpi)(int, UINT) = nullptr;
    // shcore.dll, Windows 8.1 and later: a monitor's DPI, by MONITOR_DPI_TYPE.
    // Loaded only where user32 gives no window's DPI.
    HRESULT(WINAPI* getDpiForMonitor)(HMONITOR, int, UINT*, UINT*) = nullptr;
    // comctl32.dll, common controls 6: an icon drawn from the nearest larger image.
    HRESULT(WINAPI* loadIconWithScaleDown)(HINSTANCE, PCWSTR, int, int, HICON*) = nullptr;
    // kernel32.dll, Windows 8, and Windows 7 with KB2533623: where the
    // loader looks for DLLs.
    BOOL(WINAPI* setDefaultDllDirectories)(DWORD) = nullptr;
    // kernel32.dll, Windows 7 and later, once updated: the search order of SearchPath.
    BOOL(WINAPI* setSearchPathMode)(DWORD) = nullptr;
    // ntdll.dll, every Windows NT: opening, listing and deleting relative to
    // a folder's handle. Always there, but named by no import library.
    decltype(&NtCreateFile) ntCreateFile = nullptr;
    NTSTATUS(NTAPI* ntQueryDirectoryFile)(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG,
                                          FILE_INFORMATION_CLASS, BOOLEAN, PUNICODE_STRING, BOOLEAN) = nullptr;
    decltype(&NtQueryInformationFile) ntQueryInformationFile = nullptr;
    decltype(&NtSetInformationFile) ntSetInformationFile = nullptr;
    decltype(&NtQueryObject) ntQueryObject = nullptr;
    decltype(&RtlNtStatusToDosError) rtlNtStatusToDosError = nullptr;

    // --- Filled on first use (comCalls), as an accessibility client first asks ---
    // ole32.dll, every Windows: COM, for what such a client reads beyond the
    // system's own. Nothing of ole32 loads while no client runs.
    bool comLookedUp = false;
    HRESULT(WINAPI* coInitializeEx)(void*, DWORD) = nullptr;
    HRESULT(WINAPI* coCreateInstance)(REFCLSID, IUnknown*, DWORD, REFIID, void**) = nullptr;
    void(WINAPI* coUninitialize)() = nullptr;
};

// The start-up entries this system has, looked up by name.
SystemCalls findSystemCalls();

// The table every caller reads: filled by findSystemCalls() on first use,
// which is at start-up. Tests may assign another and put it back.
SystemCalls& systemCalls();

// The table with its ole32 entries filled, loading ole32 the first time.
const SystemCalls& comCalls();

}  // namespace win32

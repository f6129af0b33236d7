// For programs that start another program and drive its window from outside
// (the Wine tests and the benchmarks): waiting with a deadline, finding a
// process's window and a control in it, and reading text without hanging on
// a busy window.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace driving {

// Polls `done` until it holds or `timeoutMs` has passed; whether it held.
template <class Done>
bool waitFor(Done done, DWORD timeoutMs) {
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; !done(); Sleep(5))
        if (GetTickCount64() >= end) return false;
    return true;
}

// A visible top-level window of the process, of the class given (any class
// when null): "#32770" is a message box.
inline HWND windowOf(DWORD processId, const wchar_t* windowClass = nullptr) {
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, windowClass, nullptr)) != nullptr;) {
        DWORD owner = 0;
        if (GetWindowThreadProcessId(w, &owner) && owner == processId && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

// The descendant with the control ID, wherever it sits among containers.
inline HWND descendant(HWND window, int controlId) {
    std::pair<int, HWND> search{controlId, nullptr};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM s) CALLBACK -> BOOL {
            auto& [wanted, found] = *reinterpret_cast<std::pair<int, HWND>*>(s);
            return GetDlgCtrlID(child) == wanted ? (found = child, FALSE) : TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// A window's text, asked of its own thread (an edit box answers with what
// was typed); nothing when it does not answer in time.
inline std::optional<std::wstring> textOf(HWND window, DWORD timeoutMs = 5000) {
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, timeoutMs,
                             &copied))
        return std::nullopt;
    return std::wstring(text, copied);
}

// Another process's window text as the system keeps it: never waits for
// that process, which may be busy in a long operation.
inline std::wstring storedTextOf(HWND window) {
    wchar_t text[512];
    const int n = GetWindowTextW(window, text, 512);
    return std::wstring(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

// Whether the window's thread takes sent messages within the time: a sent
// message comes back only once the thread looks at its queue.
inline bool answers(HWND window, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

}  // namespace driving

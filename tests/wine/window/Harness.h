// Runs Pellmora.exe as a user would and looks at it from outside, through the
// window system: a fresh copy in its own folder per test, bounded waits, and
// key presses sent as real input to the foreground window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ControlSpec.h"

namespace harness {

// The Pellmora.exe under test, a Windows path.
const std::wstring& pellmoraExe();
void setPellmoraExe(std::wstring path);

std::wstring widen(std::string_view text);
std::string narrow(std::wstring_view text);

// Polls `done` until it holds or `timeoutMs` has passed; says whether it held.
template <class Done>
bool waitFor(Done done, DWORD timeoutMs = 5000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(10);
    }
}

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }
    void reset(HANDLE h = nullptr) {
        if (h_ != nullptr && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
        h_ = h;
    }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

std::optional<std::string> readFile(const std::wstring& path);
bool writeFile(const std::wstring& path, std::string_view bytes);

// A folder of its own under the temporary folder, removed with its files.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::wstring& path() const { return path_; }
    std::wstring file(std::wstring_view name) const { return path_ + L"\\" + std::wstring(name); }

private:
    std::wstring path_;
};

// Text of a window of another process (WM_GETTEXT is marshalled).
std::wstring windowText(HWND hwnd);
std::wstring className(HWND hwnd);
// Outer rectangle in the client coordinates of the window's parent.
RECT rectInParent(HWND hwnd);

// One run of Pellmora.exe, copied into a fresh folder, optionally with a
// Pellmora.ini written beforehand. The destructor ends the process if it
// still runs and removes the folder.
class PellmoraRun {
public:
    explicit PellmoraRun(std::optional<std::string_view> ini = std::nullopt);
    PellmoraRun(const PellmoraRun&) = delete;
    PellmoraRun& operator=(const PellmoraRun&) = delete;
    ~PellmoraRun();

    // Starts the process without arguments; again, in the same folder, once
    // the previous run has ended. False (with a test failure recorded) when
    // it cannot be started.
    bool start();

    // The main window once it is visible and the program waits for input;
    // nullptr after `timeoutMs`.
    HWND waitForWindow(DWORD timeoutMs = 10000);
    // The program's message box (a #32770 window of the process), if one is
    // open or opens within `timeoutMs`.
    HWND waitForDialog(DWORD timeoutMs);
    bool waitForExit(DWORD timeoutMs);
    bool running() const;

    HWND window() const { return window_; }
    HWND control(platform::ControlId id) const;
    // The control of the main window that has the keyboard focus, or None
    // when the focus is elsewhere (or nowhere).
    platform::ControlId focus() const;

    // Keyboard input to the foreground window, which is made to be ours.
    void pressKey(WORD vk, bool withShift = false);
    void typeText(std::wstring_view text);
    // Presses `vk` and waits (bounded) until the focus has moved.
    platform::ControlId pressAndFollowFocus(WORD vk, bool withShift = false);
    // Presses Tab until `id` has the focus; false if it never does.
    bool focusByTab(platform::ControlId id);

    std::wstring iniPath() const { return folder_.file(L"Pellmora.ini"); }
    std::optional<std::string> iniBytes() const { return readFile(iniPath()); }
    DWORD processId() const { return processId_; }
    HANDLE process() const { return process_.get(); }
    ULONGLONG startedAt() const { return startedAt_; }

private:
    void makeForeground() const;

    TempFolder folder_;
    std::wstring exe_;
    Handle process_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    ULONGLONG startedAt_ = 0;
    HWND window_ = nullptr;
};

// Top-level windows of a process with the given class name.
std::vector<HWND> topLevelWindows(DWORD processId, std::wstring_view cls);

// Every child of `parent` (all levels) with the given class name.
std::vector<HWND> descendants(HWND parent, std::wstring_view cls);

// Reads a structure or text out of another process's memory for the common
// control messages that take pointers and are not marshalled.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, std::size_t bytes);
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer();
    void* address() const { return address_; }
    bool write(const void* data, std::size_t bytes, std::size_t offset = 0) const;
    bool read(void* data, std::size_t bytes, std::size_t offset = 0) const;

private:
    HANDLE process_;
    void* address_;
};

// Caption of tab `index` of a tab control in another process.
std::optional<std::wstring> tabCaption(HANDLE process, HWND tab, int index);

}  // namespace harness

// Drives a copy of Pellmora.exe through its real window: a fresh program
// folder and mail-client installation per run, the process inside a job so
// that the client it starts goes away with it, and real key input.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ControlSpec.h"

namespace autorun {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using platform::ControlId;

struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h != nullptr && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The six lines of Pellmora.ini, as the program writes them.
struct Options {
    std::string path;
    int autoRun, deleteAds, runJuno, closePellmora;
};
std::string iniBytes(const Options& o);

// <temp>\pellmora-autorun-<pid>-<n>\ with app\Pellmora.exe and an
// installation juno\BIN\Juno.exe, juno\ads\ holding ad folders and one loose
// file. Removed again on destruction.
class Installation {
public:
    explicit Installation(int adFolders = 3);
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    const std::wstring& appFolder() const { return app_; }
    // The installation folder as the options file holds it, without a final
    // backslash.
    std::string junoPath() const;
    void writeIni(const Options& o) const;
    std::string readIni() const;
    // Names directly inside juno\ads\, without "." and "..".
    std::vector<std::wstring> adsEntries() const;
    bool adsFolderExists() const;
    // What the stand-in client wrote when it was started; empty if it never was.
    std::string startedLog() const;

private:
    std::wstring root_, app_, juno_;
};

class Pellmora {
public:
    // Starts app\Pellmora.exe with `arguments` after the program's name.
    Pellmora(const Installation& where, const std::wstring& arguments);
    ~Pellmora();
    Pellmora(const Pellmora&) = delete;
    Pellmora& operator=(const Pellmora&) = delete;

    Clock::time_point startedAt() const { return startedAt_; }
    // The main window, once it exists and is visible; nullptr on timeout.
    HWND waitForWindow(milliseconds timeout);
    HWND window() const { return window_; }
    HWND control(ControlId id) const;
    std::optional<std::wstring> text(ControlId id) const;
    // Polls the control's text; the moment it was first seen, or nullopt.
    std::optional<Clock::time_point> waitForText(ControlId id, const std::wstring& expected,
                                                 milliseconds timeout) const;
    LRESULT send(ControlId id, UINT message, WPARAM w = 0, LPARAM l = 0) const;
    void click(ControlId id) const { send(id, BM_CLICK); }
    int checkState(ControlId id) const { return static_cast<int>(send(id, BM_GETCHECK)); }
    HWND focus() const;
    // Makes the window the foreground window, so that SendInput reaches it.
    bool bringToFront() const;

    bool running() const;
    // True when the process ended within the timeout.
    bool waitForExit(milliseconds timeout) const;

private:
    UniqueHandle job_, process_;
    DWORD processId_ = 0;
    Clock::time_point startedAt_;
    HWND window_ = nullptr;
};

// Real keyboard input, through the system's input queue.
void keyDown(WORD vk);
void keyUp(WORD vk);
void pressKey(WORD vk);
void typeText(const std::wstring& text);

// Holds a key down for its lifetime, so that a failing test never leaves it
// pressed for the next one.
class KeyHeld {
public:
    explicit KeyHeld(WORD vk) : vk_(vk) { keyDown(vk_); }
    ~KeyHeld() { keyUp(vk_); }
    KeyHeld(const KeyHeld&) = delete;
    KeyHeld& operator=(const KeyHeld&) = delete;

private:
    WORD vk_;
};

// Polls `condition` every few milliseconds until it holds or time runs out.
template <class F>
bool waitUntil(milliseconds timeout, F condition) {
    const auto end = Clock::now() + timeout;
    for (;;) {
        if (condition()) return true;
        if (Clock::now() >= end) return false;
        Sleep(10);
    }
}

std::string narrow(const std::wstring& text);

}  // namespace autorun

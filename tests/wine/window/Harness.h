// Runs Pellmora.exe as a user would, a fresh copy in its own folder per run,
// and looks at it from outside through the window system, with bounded waits
// and real key presses.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "window/ControlTable.h"

namespace harness {

namespace fs = std::filesystem;
using platform::ControlId;
using platform::ControlKind;

// The Pellmora.exe under test: the one of the build folder three levels up.
inline const fs::path exe = fs::path(_pgmptr).parent_path() / "../../../Pellmora.exe";

template <class Done>
bool waitFor(Done done, DWORD timeoutMs = 5000) {
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; !done(); Sleep(10))
        if (GetTickCount64() >= end) return false;
    return true;
}

inline std::wstring windowText(HWND hwnd) {  // WM_GETTEXT is marshalled between processes
    wchar_t text[512] = {};
    SendMessageW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
    return text;
}

class PellmoraRun {
public:
    explicit PellmoraRun(std::optional<std::string_view> ini = std::nullopt) {
        static int n = 0;
        fs::create_directories(folder_ /= "pellmora-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++n));
        fs::copy_file(exe, folder_ / L"Pellmora.exe", fs::copy_options::overwrite_existing);
        if (ini) std::ofstream(folder_ / L"Pellmora.ini", std::ios::binary) << *ini;
    }
    ~PellmoraRun() {  // a process that has just ended may hold its executable for a moment
        if (pi_.hProcess) TerminateProcess(pi_.hProcess, 1), waitForExit(5000), CloseHandle(pi_.hProcess);
        waitFor([&] { std::error_code e; return fs::remove_all(folder_, e), !e; }, 3000);
    }

    // Starts the program, again in the same folder once a previous run ended;
    // its main window once that waits for input (nullptr if it never does).
    HWND start(bool untilWindow = true) {
        if (pi_.hProcess) CloseHandle(pi_.hProcess), CloseHandle(pi_.hThread);
        STARTUPINFOW si{sizeof si};
        EXPECT_TRUE(CreateProcessW((folder_ / L"Pellmora.exe").c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                                   folder_.c_str(), &si, &pi_));
        return untilWindow ? waitForWindow() : nullptr;
    }
    HWND waitForWindow() {
        waitFor([&] { return (window_ = find(L"PellmoraMain")) || waitForExit(0); }, 10000);
        // A sent message comes back once the message loop runs.
        return window_ && SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr) ? window_ : nullptr;
    }
    HWND dialog() const { return find(L"#32770"); }  // the program's message box, if one is open
    bool waitForExit(DWORD ms) const { return WaitForSingleObject(pi_.hProcess, ms) == WAIT_OBJECT_0; }

    HWND control(ControlId id) const {  // control IDs are 100 + the row's index
        const ControlId container = pellmora::controlSpec(id).container;
        return GetDlgItem(container == ControlId::None ? window_ : control(container), 100 + static_cast<int>(id));
    }
    HWND focus() const {
        GUITHREADINFO info{sizeof info};
        return GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info) ? info.hwndFocus : nullptr;
    }
    // A key pressed and released as real input to our window, made foreground.
    void press(WORD vk) const {
        SetForegroundWindow(window_);
        EXPECT_TRUE(waitFor([&] { return GetForegroundWindow() == window_; }, 2000));
        INPUT in[2] = {{INPUT_KEYBOARD, {.ki = {vk}}}, {INPUT_KEYBOARD, {.ki = {vk, 0, KEYEVENTF_KEYUP}}}};
        SendInput(2, in, sizeof(INPUT));
    }
    std::string ini() const {
        std::ifstream in(folder_ / L"Pellmora.ini", std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
    }

private:
    HWND find(const wchar_t* cls) const {  // a visible top-level window of the process
        DWORD pid = 0;
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, cls, nullptr)) != nullptr;)
            if (GetWindowThreadProcessId(w, &pid) && pid == pi_.dwProcessId && IsWindowVisible(w)) return w;
        return nullptr;
    }
    fs::path folder_ = fs::temp_directory_path();
    PROCESS_INFORMATION pi_{};
    HWND window_ = nullptr;
};

}  // namespace harness

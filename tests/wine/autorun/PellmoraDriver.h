// Drives a copy of Pellmora.exe through its real window: a fresh program
// folder and mail-client installation per run, the process inside a job so
// that the client it starts goes away with it, and real key input.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/ControlSpec.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using namespace std::chrono_literals;
using platform::ControlId;

// Polls `condition` every few milliseconds until it holds or time runs out.
template <class F>
bool waitUntil(milliseconds timeout, F condition) {
    for (const auto end = Clock::now() + timeout; !condition(); Sleep(10))
        if (Clock::now() >= end) return false;
    return true;
}

inline long long msSince(Clock::time_point t) { return (Clock::now() - t) / 1ms; }

// The six lines of Pellmora.ini, as the program writes them.
inline std::string iniBytes(const std::string& path, int autoRun, int deleteAds, int runJuno, int close) {
    std::string bytes = "\"[GENERAL]\"\r\n\"" + path + "\"\r\n";
    for (const int v : {autoRun, deleteAds, runJuno, close}) bytes += std::to_string(v) + "\r\n";
    return bytes;
}

inline std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// <temp>\pellmora-autorun-<ticks>\ with app\Pellmora.exe and an installation
// juno\BIN\Juno.exe whose juno\ads\ holds three ad folders and one loose file.
struct Installation {
    fs::path root = fs::temp_directory_path() / ("pellmora-autorun-" + std::to_string(GetTickCount64()));
    fs::path app = root / "app", juno = root / "juno";

    Installation() {
        wchar_t self[MAX_PATH] = L"";
        GetModuleFileNameW(nullptr, self, MAX_PATH);  // <build>\tests\wine\autorun\autorun_tests.exe
        const fs::path build = fs::path(self).parent_path().parent_path().parent_path().parent_path();
        for (const fs::path& folder : {app, juno / "BIN"}) fs::create_directories(folder);
        fs::copy_file(build / "Pellmora.exe", app / "Pellmora.exe");
        fs::copy_file(build / "tools" / "juno" / "Juno.exe", juno / "BIN" / "Juno.exe");
        for (const char* ad : {"ad1", "ad2", "ad3", ""}) {  // "": a loose file in ads\ itself
            fs::create_directories(juno / "ads" / ad);
            std::ofstream(juno / "ads" / ad / "banner.gif") << "GIF89a";
        }
    }
    ~Installation() {
        // A process that was just ended may still hold its files for a moment.
        waitUntil(5s, [&] { std::error_code e; return fs::remove_all(root, e), !e; });
    }
    std::string readIni() const { return readFile(app / "Pellmora.ini"); }
    // Throws when the ads folder itself is gone.
    long adsCount() const { return std::distance(fs::directory_iterator(juno / "ads"), {}); }
    // One line per start of the stand-in client; empty if it never started.
    std::string startedLog() const { return readFile(juno / "BIN" / "started.txt"); }
};

// Writes the options file, starts the program with `arguments` and waits up
// to 20 s for its visible main window (`window` stays null otherwise).
struct Pellmora {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    PROCESS_INFORMATION info{};
    HWND window = nullptr;

    Pellmora(const Installation& where, const std::string& ini, const std::wstring& arguments = L"") {
        std::ofstream(where.app / "Pellmora.ini", std::ios::binary) << ini;
        const std::wstring exe = (where.app / "Pellmora.exe").wstring();
        std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        STARTUPINFOW startup{sizeof startup};
        // Suspended until it is in the job, so that the client it starts joins too.
        CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                       where.app.c_str(), &startup, &info);
        AssignProcessToJobObject(job, info.hProcess);
        ResumeThread(info.hThread);
        waitUntil(20s, [&] {
            DWORD pid = 0;
            GetWindowThreadProcessId(window = FindWindowW(L"PellmoraMain", nullptr), &pid);
            return pid == info.dwProcessId && IsWindowVisible(window);
        });
    }
    ~Pellmora() {
        TerminateJobObject(job, 1);
        WaitForSingleObject(info.hProcess, 5000);
        for (HANDLE h : {info.hProcess, info.hThread, job}) CloseHandle(h);
    }
    // Controls sit inside the panel and the frame, each with the ID 100 + its index.
    HWND control(ControlId id) const {
        std::pair<int, HWND> s{100 + int(platform::index(id)), nullptr};
        EnumChildWindows(window, [](HWND w, LPARAM p) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<std::pair<int, HWND>*>(p);
            return GetDlgCtrlID(w) == s.first ? (s.second = w, FALSE) : TRUE;
        }, LPARAM(&s));
        return s.second;
    }
    LRESULT send(ControlId id, UINT message, WPARAM w = 0, LPARAM l = 0) const {
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(control(id), message, w, l, SMTO_NORMAL, 5000, &result) ? LRESULT(result) : -1;
    }
    // WM_GETTEXT: only an edit control itself knows its typed text.
    std::wstring text(ControlId id) const {
        wchar_t buffer[512] = L"";
        return send(id, WM_GETTEXT, 512, LPARAM(buffer)) >= 0 ? buffer : L"<no answer>";
    }
    std::wstring status() const { return text(ControlId::labStatus); }
    bool waitForText(ControlId id, const std::wstring& expected, milliseconds timeout) const {
        return waitUntil(timeout, [&] { return text(id) == expected; });
    }
    // Makes the window the foreground window, so that real key input reaches it.
    bool bringToFront() const {
        return waitUntil(3s, [&] { return SetForegroundWindow(window), GetForegroundWindow() == window; });
    }
    bool waitForExit(auto t) const { return WaitForSingleObject(info.hProcess, DWORD(t / 1ms)) == WAIT_OBJECT_0; }
};

// Real keyboard input through the system's input queue: a virtual key, or a
// character when `c` is given.
inline void sendKey(WORD vk, DWORD flags, wchar_t c = 0) {
    INPUT input{INPUT_KEYBOARD};
    input.ki = {vk, WORD(c ? c : MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)), flags | (c ? KEYEVENTF_UNICODE : 0)};
    SendInput(1, &input, sizeof input);
}
inline void pressKey(WORD vk, wchar_t c = 0) {
    for (const DWORD flags : {0, KEYEVENTF_KEYUP}) sendKey(vk, flags, c);
}

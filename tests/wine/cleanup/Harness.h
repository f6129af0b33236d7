// Runs the real Pellmora.exe against real folders and looks at the outcome
// from outside: trees made and checked with the plain file API, the window
// driven through its controls' IDs, every wait bounded.
#pragma once

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

namespace cleanup {

// run.sh names, by their Windows paths, the programs under test and the
// folder it made for this run (with links in it) and removes afterwards.
inline std::wstring fromRunSh(const wchar_t* name) { return _wgetenv(name) ? _wgetenv(name) : L""; }
inline const std::wstring pellmoraExe = fromRunSh(L"CLEANUP_PELLMORA"), junoExe = fromRunSh(L"CLEANUP_JUNO"),
                          scratch = fromRunSh(L"CLEANUP_SCRATCH");

// Control IDs of the main window: 100 plus the control's creation index.
enum ControlId : int { kBtnRunJuno = 111, kBtnDeleteAds = 114, kLabStatus = 118 };
using Names = std::vector<std::wstring>;

// The extended-length form, so that paths past the classic limit work.
inline std::wstring longForm(const std::wstring& path) { return L"\\\\?\\" + path; }
inline bool makeFolder(const std::wstring& path) { return CreateDirectoryW(longForm(path).c_str(), nullptr); }
inline DWORD attributes(const std::wstring& path) { return GetFileAttributesW(longForm(path).c_str()); }
inline bool exists(const std::wstring& path) { return attributes(path) != INVALID_FILE_ATTRIBUTES; }

inline bool makeFile(const std::wstring& path, const std::string& bytes = "sample ad") {
    return static_cast<bool>(std::ofstream(std::filesystem::path(longForm(path)), std::ios::binary) << bytes);
}

// Every name in a folder but "." and "..", hidden ones too, sorted.
inline Names namesIn(const std::wstring& folder) {
    Names names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(longForm(folder + L"\\*").c_str(), &data);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &data))
        if (std::wstring_view name = data.cFileName; name != L"." && name != L"..") names.emplace_back(name);
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

inline bool poll(const std::function<bool()>& done, DWORD timeoutMs) {
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; !done(); Sleep(10))
        if (GetTickCount64() >= end) return false;
    return true;
}

inline std::wstring windowText(HWND hwnd) {
    wchar_t text[1024];
    return std::wstring(text, static_cast<std::size_t>(std::max(GetWindowTextW(hwnd, text, 1024), 0)));
}

// The first visible top-level window of class `cls` that process `pid` owns.
inline HWND windowOf(DWORD pid, const wchar_t* cls) {
    DWORD owner = 0;
    for (HWND hwnd = nullptr; (hwnd = FindWindowExW(nullptr, hwnd, cls, nullptr)) != nullptr;)
        if (GetWindowThreadProcessId(hwnd, &owner) && owner == pid && IsWindowVisible(hwnd)) return hwnd;
    return nullptr;
}

inline bool answers(HWND hwnd, DWORD ms) { return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, ms, nullptr); }

// A copy of Pellmora.exe in a folder of its own with a Pellmora.ini naming
// `junoPath` (with the trailing backslash a user types; auto-run off),
// started; `window` is set once it is up and answers. The destructor ends it.
struct Pellmora {
    explicit Pellmora(const std::wstring& junoPath) {
        static int runs = 0;
        const std::wstring appFolder = scratch + L"\\app" + std::to_wstring(++runs);
        const std::wstring exe = appFolder + L"\\Pellmora.exe";
        std::string ini = "\"[GENERAL]\"\r\n\"";  // six CR LF lines of 8-bit text; these paths are ASCII
        for (wchar_t c : junoPath) ini += static_cast<char>(c);
        EXPECT_TRUE(makeFolder(appFolder) && CopyFileW(pellmoraExe.c_str(), exe.c_str(), TRUE) &&
                    makeFile(appFolder + L"\\Pellmora.ini", ini + "\"\r\n0\r\n1\r\n1\r\n1\r\n"))
            << "run this suite through run.sh, after building the windows preset";
        STARTUPINFOW startup{sizeof startup};
        std::wstring commandLine = L"\"" + exe + L"\"";
        if (CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, appFolder.c_str(),
                           &startup, &process))
            poll([&] { return (window = windowOf(process.dwProcessId, L"PellmoraMain")) && answers(window, 10000); },
                 60000);  // slow under load
    }
    ~Pellmora() {
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    HWND control(int id) const {
        std::pair<int, HWND> search{id, nullptr};
        EnumChildWindows(window, [](HWND hwnd, LPARAM param) CALLBACK -> BOOL {
            auto& s = *reinterpret_cast<std::pair<int, HWND>*>(param);
            return GetDlgCtrlID(hwnd) == s.first ? (s.second = hwnd, FALSE) : TRUE;
        }, reinterpret_cast<LPARAM>(&search));
        return search.second;
    }
    void click(int id) const { PostMessageW(control(id), BM_CLICK, 0, 0); }
    std::wstring status() const { return windowText(control(kLabStatus)); }
    // Clicks "Delete Ads Now": the end text, or empty if none came in time.
    std::wstring deleteAds(DWORD timeoutMs = 60000) const {
        auto ended = [&] {
            return status() == L"Delete Ads Successful." || status().ends_with(L" folders could not be deleted.");
        };
        EXPECT_TRUE(window && !ended()) << "Pellmora did not start, or a cleanup already ended";
        click(kBtnDeleteAds);
        return window && poll(ended, timeoutMs) && answers(window, timeoutMs) ? status() : L"";
    }

    PROCESS_INFORMATION process{};
    HWND window = nullptr;
};

}  // namespace cleanup

// Drives Pellmora.exe under Wine for the fault cases: a fresh folder tree per
// case (program folder, mail-client installation, things outside it), Unix
// links made by the Linux side's own ln, snapshots of the tree that never
// follow a link, and the program's window and message boxes seen from outside.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace robust_wine {

inline constexpr int kPbStatus = 106, kBtnApply = 104, kBtnDeleteAds = 114, kTxtJunoPath = 115, kLabStatus = 118;
inline const std::string kOptionsMessage =
    "An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

inline std::string convert(std::wstring_view wide, UINT page = CP_UTF8) {
    std::string bytes(wide.size() * 4, '\0');
    const int size = int(wide.size());
    bytes.resize(WideCharToMultiByte(page, 0, wide.data(), size, bytes.data(), int(bytes.size()), nullptr, nullptr));
    return bytes;
}
inline std::wstring widen(std::string_view utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), int(wide.size())));
    return wide;
}

inline std::optional<std::string> readFile(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), {});
}
inline bool writeFile(const std::wstring& path, std::string_view bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    return bool(out.write(bytes.data(), std::streamsize(bytes.size())));
}
inline bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
inline void makeFolders(const std::wstring& path) {
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
}

inline std::string iniFile(std::string_view path, const char* options = "0\r\n1\r\n1\r\n1\r\n") {
    return "\"[GENERAL]\"\r\n\"" + std::string(path) + "\"\r\n" + options;
}

template <class Done>
bool waitFor(Done done, DWORD timeoutMs) {
    for (const ULONGLONG end = GetTickCount64() + timeoutMs; !done(); Sleep(20))
        if (GetTickCount64() >= end) return false;
    return true;
}

// Every file and folder under a root (relative path: attributes, size, and
// a file's write time), links included but never followed.
using Tree = std::map<std::wstring, std::tuple<DWORD, DWORD, std::uint64_t>>;
inline void walk(const std::wstring& root, const std::wstring& relative, Tree& tree) {
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((root + relative + L"\\*").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found)) {
        const std::wstring name = found.cFileName, path = relative + L"\\" + name;
        const bool folder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        if (name == L"." || name == L"..") continue;
        const FILETIME& t = found.ftLastWriteTime;
        tree[path] = {found.dwFileAttributes, found.nFileSizeLow,
                      folder ? 0 : (std::uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime};
        if (folder && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) walk(root, path, tree);
    }
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
}
inline Tree snapshot(const std::wstring& root) {
    Tree tree;
    walk(root, L"", tree);
    return tree;
}
// The names directly in a folder.
inline std::size_t entries(const std::wstring& folder) {
    const Tree tree = snapshot(folder);
    const auto direct = [](const auto& e) { return e.first.find(L'\\', 1) == std::wstring::npos; };
    return std::count_if(tree.begin(), tree.end(), direct);
}

// Starts a Linux program (Wine runs ELF binaries as they are); callers wait
// for its effect, as the handle Wine gives back ends at once.
inline void runUnix(std::wstring line) {
    STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}
inline std::wstring unixPath(const std::wstring& path) {
    const auto toUnix = reinterpret_cast<char*(CDECL*)(LPCWSTR)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = toUnix(path.c_str());
    const std::wstring quoted = L"\"" + widen(name) + L"\"";
    HeapFree(GetProcessHeap(), 0, name);
    return quoted;
}
inline bool unixLink(const std::wstring& target, const std::wstring& link) {
    runUnix(L"/bin/ln -s " + unixPath(target) + L" " + unixPath(link));
    return waitFor([&] { return exists(link); }, 5000);
}

// <temp>\pellmora-robust-<pid>-<n>: app\Pellmora.exe (a copy), juno\BIN\Juno.exe
// and outside\; removed by rm -rf, which does not follow links.
struct Case {
    std::wstring root;
    Case() {
        static int counter = 0;
        wchar_t temp[MAX_PATH], self[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        root = temp + (L"pellmora-robust-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(++counter));
        makeFolders(path(L"app"));
        makeFolders(path(L"juno\\BIN"));
        makeFolders(path(L"outside"));
        // <build>\tests\wine\robust\robust_wine_tests.exe beside <build>\Pellmora.exe
        std::wstring exe(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
        for (int up = 0; up < 4; ++up) exe.resize(exe.find_last_of(L'\\'));
        CopyFileW((exe + L"\\Pellmora.exe").c_str(), path(L"app\\Pellmora.exe").c_str(), FALSE);
        writeFile(path(L"juno\\BIN\\Juno.exe"), "not started by these cases");
    }
    ~Case() { runUnix(L"/bin/rm -rf " + unixPath(root)); }
    std::wstring path(std::wstring_view relative) const { return root + L"\\" + std::wstring(relative); }
    std::wstring ini() const { return path(L"app\\Pellmora.ini"); }
    std::wstring ads() const { return path(L"juno\\ads"); }
    std::string junoPath() const { return convert(path(L"juno")); }
};

// One run of the copy of Pellmora.exe in a case's app folder, seen from outside.
class Pellmora {
public:
    explicit Pellmora(const Case& where) {
        std::wstring exe = where.path(L"app\\Pellmora.exe"), line = L"\"" + exe + L"\"";
        STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
        PROCESS_INFORMATION process{};
        if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, where.root.c_str(), &startup,
                            &process))
            return;
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        id_ = process.dwProcessId;
    }
    ~Pellmora() {
        if (running()) TerminateProcess(process_, 1), WaitForSingleObject(process_, 10000);
        if (process_) CloseHandle(process_);
    }
    bool running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    // The visible top-level window of a class; a message box is "#32770".
    HWND find(const wchar_t* cls, DWORD timeoutMs) {
        std::pair<DWORD, HWND> search{id_, nullptr};
        waitFor([&] {
            search.second = FindWindowExW(nullptr, nullptr, cls, nullptr);
            for (; search.second; search.second = FindWindowExW(nullptr, search.second, cls, nullptr)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(search.second, &owner);
                if (owner == id_ && IsWindowVisible(search.second)) return true;
            }
            return !running();
        }, timeoutMs);
        return search.second;
    }
    HWND waitForWindow() { return window_ = find(L"PellmoraMain", 20000); }
    bool dialogOpens(DWORD timeoutMs) { return find(L"#32770", timeoutMs) != nullptr; }
    // The message box's text, then OK; nullopt when none came.
    std::optional<std::string> answerDialog(DWORD timeoutMs = 10000) {
        const HWND dialog = find(L"#32770", timeoutMs);
        if (dialog == nullptr) return std::nullopt;
        std::string text;
        if (windowText(dialog) == L"Pellmora")  // the message is its longest static text
            for (HWND child = nullptr; (child = FindWindowExW(dialog, child, L"Static", nullptr));)
                if (const std::string t = convert(windowText(child)); t.size() > text.size()) text = t;
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        waitFor([&] { return !IsWindow(dialog); }, 10000);
        return text;
    }
    // A control, wherever it sits among the window's descendants.
    HWND control(int id) const {
        std::pair<int, HWND> search{id, nullptr};
        EnumChildWindows(window_, [](HWND child, LPARAM s) CALLBACK {
            auto& [wanted, found] = *reinterpret_cast<std::pair<int, HWND>*>(s);
            return GetDlgCtrlID(child) == wanted ? (found = child, FALSE) : TRUE;
        }, reinterpret_cast<LPARAM>(&search));
        return search.second;
    }
    std::wstring text(int id) const { return windowText(control(id)); }
    void click(int id) const { PostMessageW(control(id), BM_CLICK, 0, 0); }
    std::optional<std::wstring> waitForCleanupEnd(DWORD timeoutMs) const {
        static const std::wregex kEnd(L"Delete Ads Successful\\.|[1-9][0-9]* folders could not be deleted\\.");
        std::wstring last;
        if (!waitFor([&] { return std::regex_match(last = text(kLabStatus), kEnd); }, timeoutMs)) return std::nullopt;
        return last;
    }
    // The progress bar's position and maximum.
    std::pair<int, int> progress() const {
        DWORD_PTR position = 0, maximum = 0;
        SendMessageTimeoutW(control(kPbStatus), PBM_GETPOS, 0, 0, SMTO_NORMAL, 60000, &position);
        SendMessageTimeoutW(control(kPbStatus), PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, 60000, &maximum);
        return {int(position), int(maximum)};
    }
    bool close() {
        PostMessageW(window_, WM_CLOSE, 0, 0);
        return WaitForSingleObject(process_, 10000) == WAIT_OBJECT_0;
    }

private:
    static std::wstring windowText(HWND hwnd) {
        wchar_t text[1024] = {};
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 60000, &copied);
        return std::wstring(text, copied);
    }
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    HWND window_ = nullptr;
};

}  // namespace robust_wine

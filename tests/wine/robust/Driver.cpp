#include "tests/wine/robust/Driver.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <regex>

namespace robust_wine {

namespace {

std::wstring pellmoraExe() {
    if (const char* given = std::getenv("PELLMORA_EXE"); given != nullptr && *given != '\0') return widen(given);
    // <build>\tests\wine\robust\robust_wine_tests.exe beside <build>\Pellmora.exe
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), MAX_PATH));
    for (int up = 0; up < 4; ++up) self = self.substr(0, self.find_last_of(L"\\/"));
    return self + L"\\Pellmora.exe";
}

// The Linux path of a Windows path, through Wine's own export.
std::optional<std::string> unixPath(const std::wstring& path) {
    using Convert = char*(CDECL*)(LPCWSTR);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr) return std::nullopt;
    char* name = convert(path.c_str());
    if (name == nullptr) return std::nullopt;
    std::string result(name);
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Starts a Linux program (Wine runs ELF binaries as they are). It runs on
// its own: the handle Wine gives back ends at once, so callers wait for the
// program's effect instead.
bool runUnix(const std::wstring& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

std::wstring quoted(const std::string& unix) { return L"\"" + widen(unix) + L"\""; }

std::uint64_t combine(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

void walk(const std::wstring& root, const std::wstring& relative, Tree& tree) {
    const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = relative.empty() ? name : relative + L"\\" + name;
        const bool folderEntry = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        // A folder's time follows its children's changes, which are compared
        // on their own.
        tree[path] = Entry{found.dwFileAttributes, combine(found.nFileSizeHigh, found.nFileSizeLow),
                           folderEntry ? 0 : combine(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime)};
        if (folderEntry && !link) walk(root, path, tree);
    } while (FindNextFileW(h, &found));
    FindClose(h);
}

bool under(const std::wstring& path, const std::wstring& target) {
    return path == target || path.starts_with(target + L"\\");
}

std::vector<HWND> processWindows(DWORD processId, const wchar_t* cls) {
    struct Search {
        DWORD processId;
        const wchar_t* cls;
        std::vector<HWND> found;
    } search{processId, cls, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            wchar_t name[64] = {};
            GetClassNameW(hwnd, name, 64);
            if (owner == s.processId && IsWindowVisible(hwnd) && std::wstring_view(name) == s.cls)
                s.found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring windowText(HWND hwnd, DWORD timeoutMs = 60000) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, timeoutMs, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL,
                             timeoutMs, &copied))
        return {};
    text.resize(copied);
    return text;
}

template <class Done>
bool waitFor(Done done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(20);
    }
}

}  // namespace

// --- Text and files -----------------------------------------------------------

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string narrow(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n, nullptr, nullptr);
    return bytes;
}

std::optional<std::string> ansi(std::wstring_view wide) {
    if (wide.empty()) return std::string();
    BOOL usedDefault = FALSE;
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, bytes.data(), n, nullptr, &usedDefault);
    return bytes;
}

std::optional<std::string> readFile(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(h, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(h);
    return bytes;
}

bool writeFile(const std::wstring& path, std::string_view bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(h);
    return ok;
}

bool makeFolders(const std::wstring& path) {
    for (std::size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool unixLink(const std::wstring& target, const std::wstring& link) {
    const auto from = unixPath(target), to = unixPath(link);
    if (!from || !to) return false;
    runUnix(L"/bin/ln -s " + quoted(*from) + L" " + quoted(*to));
    // Wine shows a link to a folder as a reparse point, a link to a file as
    // a plain file; either way it is there once it is listed.
    const std::size_t cut = link.find_last_of(L'\\');
    const std::wstring folder = link.substr(0, cut), name = link.substr(cut + 1);
    return waitFor(
        [&] {
            const std::vector<std::wstring> listed = entries(folder);
            return std::find(listed.begin(), listed.end(), name) != listed.end();
        },
        5000);
}

bool fillUnix(const std::wstring& folder, int count) {
    const auto unix = unixPath(folder);
    if (!unix) return false;
    const std::wstring script = L"import os,sys\n"
                                L"for i in range(int(sys.argv[2])):\n"
                                L" d=os.path.join(sys.argv[1],'ad%d'%i); os.mkdir(d)\n"
                                L" open(os.path.join(d,'a.gif'),'w').write('ad')\n";
    if (!runUnix(L"/usr/bin/python3 -c \"" + script + L"\" " + quoted(*unix) + L" " + std::to_wstring(count)))
        return false;
    const std::wstring last = folder + L"\\ad" + std::to_wstring(count - 1) + L"\\a.gif";
    return waitFor([&] { return exists(last); }, 120000);
}

std::vector<std::wstring> entries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return names;
}

std::string iniFile(std::string_view path, int autoRun, int deleteAds, int runJuno, int closePellmora) {
    std::string text = "\"[GENERAL]\"\r\n\"";
    text += path;
    text += "\"\r\n";
    for (int value : {autoRun, deleteAds, runJuno, closePellmora}) text += std::to_string(value) + "\r\n";
    return text;
}

Tree snapshot(const std::wstring& root) {
    Tree tree;
    walk(root, L"", tree);
    return tree;
}

std::vector<std::wstring> touchedOutside(const Tree& before, const Tree& after, const std::vector<std::wstring>& targets) {
    const auto allowed = [&](const std::wstring& path) {
        for (const std::wstring& target : targets)
            if (under(path, target)) return true;
        return false;
    };
    std::vector<std::wstring> touched;
    for (const auto& [path, entry] : before) {
        const auto it = after.find(path);
        if ((it == after.end() || !(it->second == entry)) && !allowed(path)) touched.push_back(path);
    }
    for (const auto& [path, entry] : after)
        if (!before.contains(path) && !allowed(path)) touched.push_back(path);
    return touched;
}

// --- Case ---------------------------------------------------------------------

Case::Case() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + L"pellmora-robust-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    makeFolders(path(L"app"));
    makeFolders(path(L"juno\\BIN"));
    makeFolders(path(L"outside"));
    CopyFileW(pellmoraExe().c_str(), path(L"app\\Pellmora.exe").c_str(), FALSE);
    writeFile(path(L"juno\\BIN\\Juno.exe"), "not started by these cases");
}

Case::~Case() {
    if (const auto unix = unixPath(root_)) runUnix(L"/bin/rm -rf " + quoted(*unix));
}

// --- Pellmora -----------------------------------------------------------------

Pellmora::Pellmora(const Case& where) {
    const std::wstring exe = where.path(L"app\\Pellmora.exe");
    std::wstring line = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, where.root().c_str(), &startup,
                        &process))
        return;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    processId_ = process.dwProcessId;
}

Pellmora::~Pellmora() {
    if (process_ == nullptr) return;
    if (running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
}

bool Pellmora::running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

HWND Pellmora::waitForWindow(DWORD timeoutMs) {
    waitFor(
        [&] {
            const auto found = processWindows(processId_, L"PellmoraMain");
            window_ = found.empty() ? nullptr : found.front();
            return window_ != nullptr || !running();
        },
        timeoutMs);
    return window_;
}

HWND Pellmora::waitForDialog(DWORD timeoutMs) {
    HWND dialog = nullptr;
    waitFor(
        [&] {
            const auto found = processWindows(processId_, L"#32770");
            dialog = found.empty() ? nullptr : found.front();
            return dialog != nullptr || !running();
        },
        timeoutMs);
    return dialog;
}

std::optional<Pellmora::Message> Pellmora::answerDialog(DWORD timeoutMs) {
    const HWND dialog = waitForDialog(timeoutMs);
    if (dialog == nullptr) return std::nullopt;
    Message message{.text = {}, .title = narrow(windowText(dialog))};
    // The message is the dialog's longest static text (the icon has none).
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM context) -> BOOL {
            wchar_t name[32] = {};
            GetClassNameW(child, name, 32);
            if (_wcsicmp(name, L"Static") == 0) {
                auto& best = *reinterpret_cast<std::string*>(context);
                const std::string text = narrow(windowText(child));
                if (text.size() > best.size()) best = text;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&message.text));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    waitFor([&] { return !IsWindow(dialog); }, 10000);
    return message;
}

HWND Pellmora::control(int id) const {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        window_,
        [](HWND child, LPARAM context) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(context);
            if (GetDlgCtrlID(child) != s.id) return TRUE;
            s.found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring Pellmora::text(int id) const { return windowText(control(id)); }

void Pellmora::click(int id) const { PostMessageW(control(id), BM_CLICK, 0, 0); }

std::optional<std::wstring> Pellmora::waitForCleanupEnd(DWORD timeoutMs) const {
    static const std::wregex kEnd(L"Delete Ads Successful\\.|[1-9][0-9]* folders could not be deleted\\.");
    std::wstring last;
    if (!waitFor(
            [&] {
                last = text(kLabStatus);
                return std::regex_match(last, kEnd);
            },
            timeoutMs))
        return std::nullopt;
    return last;
}

int Pellmora::progressPosition() const {
    DWORD_PTR position = 0;
    SendMessageTimeoutW(control(kPbStatus), PBM_GETPOS, 0, 0, SMTO_NORMAL, 60000, &position);
    return static_cast<int>(position);
}

int Pellmora::progressMaximum() const {
    DWORD_PTR maximum = 0;
    SendMessageTimeoutW(control(kPbStatus), PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, 60000, &maximum);
    return static_cast<int>(maximum);
}

bool Pellmora::close(DWORD timeoutMs) {
    if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

}  // namespace robust_wine

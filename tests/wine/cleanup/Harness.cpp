#include "Harness.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <commctrl.h>

namespace cleanup {

namespace {

// Closes a handle when it goes out of scope.
class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h) {}
    ~Handle() {
        if (valid()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) FindClose(h_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

bool isDots(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

template <class Done>
bool poll(Done done, DWORD timeoutMs, DWORD stepMs = 5) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(stepMs);
    }
}

std::string toCodePage(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring imagePathOf(DWORD processId) {
    Handle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.valid()) return {};
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) return {};
    path.resize(size);
    return path;
}

}  // namespace

Config& config() {
    static Config c;
    return c;
}

std::wstring widen(std::string_view text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string narrow(std::wstring_view text) { return toCodePage(text, CP_UTF8); }

std::wstring dosPathOf(const std::wstring& unixPath) {
    using Convert = WCHAR*(CDECL*)(const char*);
    const auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
    if (convert == nullptr) return {};
    WCHAR* dos = convert(narrow(unixPath).c_str());
    if (dos == nullptr) return {};
    std::wstring result(dos);
    HeapFree(GetProcessHeap(), 0, dos);
    return result;
}

// --- Trees on disk ---------------------------------------------------------

std::wstring longForm(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
    return path;
}

bool makeFolder(const std::wstring& path) { return CreateDirectoryW(longForm(path).c_str(), nullptr) != 0; }

bool makeFile(const std::wstring& path, std::string_view bytes) {
    Handle file(CreateFileW(longForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                            nullptr));
    DWORD written = 0;
    return file.valid() && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

DWORD attributes(const std::wstring& path) { return GetFileAttributesW(longForm(path).c_str()); }

bool exists(const std::wstring& path) { return attributes(path) != INVALID_FILE_ATTRIBUTES; }

std::optional<std::string> readFile(const std::wstring& path) {
    Handle file(CreateFileW(longForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

std::vector<std::wstring> namesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(longForm(folder + L"\\*").c_str(), &data));
    if (!find.valid()) return names;
    do {
        if (!isDots(data.cFileName)) names.emplace_back(data.cFileName);
    } while (FindNextFileW(find.get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

void removeTree(const std::wstring& path) {
    const DWORD attrs = attributes(path);
    if (attrs == INVALID_FILE_ATTRIBUTES) return;
    const std::wstring target = longForm(path);
    if (attrs & FILE_ATTRIBUTE_REPARSE_POINT) {
        if (!RemoveDirectoryW(target.c_str())) DeleteFileW(target.c_str());
        return;
    }
    if (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL | (attrs & FILE_ATTRIBUTE_DIRECTORY));
    if (attrs & FILE_ATTRIBUTE_DIRECTORY) {
        for (const std::wstring& name : namesIn(path)) removeTree(path + L"\\" + name);
        RemoveDirectoryW(target.c_str());
    } else {
        DeleteFileW(target.c_str());
    }
}

Scratch::Scratch() {
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base(temp, n);
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = base + L"\\pellmora-cleanup-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter) + L"-" + std::to_wstring(GetTickCount64() % 100000);
        if (makeFolder(path_)) return;
    }
    ADD_FAILURE() << "no scratch folder could be made under " << narrow(base);
}

Scratch::~Scratch() { removeTree(path_); }

// --- The program -----------------------------------------------------------

Pellmora::Pellmora(const std::wstring& appFolder, const std::wstring& junoPath) : exe_(appFolder + L"\\Pellmora.exe") {
    if (!exists(appFolder)) makeFolder(appFolder);
    EXPECT_TRUE(CopyFileW(config().pellmoraExe.c_str(), exe_.c_str(), FALSE))
        << "cannot copy " << narrow(config().pellmoraExe);
    // Six CR LF lines, 8-bit text in the Windows code page; auto-run off.
    EXPECT_TRUE(makeFile(appFolder + L"\\Pellmora.ini",
                         "\"[GENERAL]\"\r\n\"" + toCodePage(junoPath, CP_ACP) + "\"\r\n0\r\n1\r\n1\r\n1\r\n"));
}

Pellmora::~Pellmora() {
    if (process_.hProcess == nullptr) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        if (HWND cancel = window_ ? control(kBtnCancel) : nullptr) PostMessageW(cancel, BM_CLICK, 0, 0);
        if (WaitForSingleObject(process_.hProcess, 5000) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 5000);
        }
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

::testing::AssertionResult Pellmora::start() {
    std::wstring commandLine = L"\"" + exe_ + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    const std::wstring folder = exe_.substr(0, exe_.find_last_of(L'\\'));
    if (!CreateProcessW(exe_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process_))
        return ::testing::AssertionFailure() << "cannot start " << narrow(exe_) << ", error " << GetLastError();
    processId_ = process_.dwProcessId;
    const bool shown = poll(
        [&] {
            for (HWND hwnd : topLevelWindows(processId_, L"PellmoraMain"))
                if (IsWindowVisible(hwnd)) window_ = hwnd;
            return window_ != nullptr || WaitForSingleObject(process_.hProcess, 0) != WAIT_TIMEOUT;
        },
        20000, 20);
    if (!shown || window_ == nullptr)
        return ::testing::AssertionFailure() << "no visible PellmoraMain window of " << narrow(exe_);
    WaitForInputIdle(process_.hProcess, 10000);
    if (!waitUntilIdle(10000)) return ::testing::AssertionFailure() << "Pellmora does not answer messages";
    return ::testing::AssertionSuccess();
}

HWND Pellmora::control(int id) const {
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        window_,
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (GetDlgCtrlID(hwnd) != s->id) return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Pellmora::click(int id) const {
    HWND button = control(id);
    if (button == nullptr) {
        ADD_FAILURE() << "no control with ID " << id;
        return;
    }
    PostMessageW(button, BM_CLICK, 0, 0);
}

std::wstring Pellmora::status() const {
    // Another process's window text comes from the window system, so this
    // does not wait while Pellmora is busy.
    wchar_t text[1024];
    const int n = GetWindowTextW(control(kLabStatus), text, 1024);
    return std::wstring(text, static_cast<std::size_t>(std::max(n, 0)));
}

std::optional<std::wstring> Pellmora::waitForStatus(const std::function<bool(const std::wstring&)>& done,
                                                    DWORD timeoutMs) const {
    std::wstring text;
    if (poll([&] { return done(text = status()); }, timeoutMs)) return text;
    return std::nullopt;
}

bool Pellmora::waitUntilIdle(DWORD timeoutMs) const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

std::optional<std::wstring> Pellmora::deleteAds(DWORD timeoutMs) const {
    EXPECT_FALSE(isEndText(status())) << "a cleanup run already ended in this window";
    click(kBtnDeleteAds);
    const auto text = waitForStatus(isEndText, timeoutMs);
    EXPECT_TRUE(waitUntilIdle(timeoutMs));
    return text;
}

int Pellmora::progressPosition() const {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control(kPbStatus), PBM_GETPOS, 0, 0, SMTO_NORMAL, 5000, &result);
    return static_cast<int>(result);
}

int Pellmora::progressMaximum() const {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(control(kPbStatus), PBM_GETRANGE, FALSE, 0, SMTO_NORMAL, 5000, &result);
    return static_cast<int>(result);
}

HWND Pellmora::waitForMessageBox(DWORD timeoutMs) const {
    HWND box = nullptr;
    poll(
        [&] {
            for (HWND hwnd : topLevelWindows(processId_, L"#32770"))
                if (IsWindowVisible(hwnd)) box = hwnd;
            return box != nullptr;
        },
        timeoutMs, 20);
    return box;
}

bool isEndText(const std::wstring& text) {
    constexpr std::wstring_view kLeft = L" folders could not be deleted.";
    return text == L"Delete Ads Successful." ||
           (text.size() > kLeft.size() && text.compare(text.size() - kLeft.size(), kLeft.size(), kLeft) == 0);
}

std::wstring endTextFor(std::size_t entriesLeft) {
    return entriesLeft == 0 ? L"Delete Ads Successful."
                            : std::to_wstring(entriesLeft) + L" folders could not be deleted.";
}

std::vector<HWND> topLevelWindows(DWORD processId, std::wstring_view cls) {
    struct Search {
        DWORD processId;
        std::wstring_view cls;
        std::vector<HWND> found;
    } search{processId, cls, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->processId && className(hwnd) == s->cls) s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring windowText(HWND hwnd) {
    wchar_t text[1024];
    const int n = GetWindowTextW(hwnd, text, 1024);
    return std::wstring(text, static_cast<std::size_t>(std::max(n, 0)));
}

std::wstring className(HWND hwnd) {
    wchar_t name[256];
    const int n = GetClassNameW(hwnd, name, 256);
    return std::wstring(name, static_cast<std::size_t>(std::max(n, 0)));
}

int closeProgramsAt(const std::wstring& exePath) {
    std::vector<DWORD> ids;
    Handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    if (snapshot.valid() && Process32FirstW(snapshot.get(), &entry)) {
        do {
            const std::wstring image = imagePathOf(entry.th32ProcessID);
            if (!image.empty() && CompareStringOrdinal(image.c_str(), -1, exePath.c_str(), -1, TRUE) == CSTR_EQUAL)
                ids.push_back(entry.th32ProcessID);
        } while (Process32NextW(snapshot.get(), &entry));
    }
    for (DWORD id : ids) {
        Handle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id));
        EnumWindows(
            [](HWND hwnd, LPARAM param) -> BOOL {
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                if (owner == static_cast<DWORD>(param)) PostMessageW(hwnd, WM_CLOSE, 0, 0);
                return TRUE;
            },
            static_cast<LPARAM>(id));
        if (process.valid() && WaitForSingleObject(process.get(), 5000) == WAIT_TIMEOUT) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
        }
    }
    return static_cast<int>(ids.size());
}

}  // namespace cleanup

#include "PellmoraDriver.h"

#include <shellapi.h>

#include <atomic>
#include <stdexcept>

namespace autorun {

namespace {

constexpr int kControlIdBase = 100;  // the window gives each control 100 + its index

std::runtime_error failure(const std::string& what) {
    return std::runtime_error(what + " failed, error " + std::to_string(GetLastError()));
}

std::wstring ownFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring parentOf(const std::wstring& folder, int levels) {
    std::wstring p = folder;
    for (int i = 0; i < levels; ++i) p = p.substr(0, p.find_last_of(L'\\'));
    return p;
}

// autorun_tests.exe [Pellmora.exe [Juno.exe]]; by default both are taken from
// the build folder this program was built in (<build>\tests\wine\autorun).
struct Programs {
    std::wstring pellmora, juno;
};

const Programs& programs() {
    static const Programs found = [] {
        const std::wstring build = parentOf(ownFolder(), 3);
        Programs p{build + L"\\Pellmora.exe", build + L"\\tools\\juno\\Juno.exe"};
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        std::vector<std::wstring> given;
        for (int i = 1; argv != nullptr && i < argc; ++i)
            if (argv[i][0] != L'-') given.emplace_back(argv[i]);
        LocalFree(argv);
        if (given.size() > 0) p.pellmora = given[0];
        if (given.size() > 1) p.juno = given[1];
        return p;
    }();
    return found;
}

void makeFolder(const std::wstring& path) {
    if (!CreateDirectoryW(path.c_str(), nullptr)) throw failure("CreateDirectory " + narrow(path));
}

void writeFile(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) throw failure("CreateFile " + narrow(path));
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw failure("WriteFile " + narrow(path));
}

std::optional<std::string> readFile(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

struct FindCloser {
    void operator()(HANDLE h) const {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
};

template <class F>
void forEachEntry(const std::wstring& folder, F visit) {
    WIN32_FIND_DATAW data;
    std::unique_ptr<void, FindCloser> find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find.get() == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") visit(name, data.dwFileAttributes);
    } while (FindNextFileW(find.get(), &data));
}

bool removeTree(const std::wstring& folder) {
    bool ok = true;
    forEachEntry(folder, [&](const std::wstring& name, DWORD attributes) {
        const std::wstring path = folder + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            ok = removeTree(path) && ok;
        else if (!DeleteFileW(path.c_str()) && !RemoveDirectoryW(path.c_str()))
            ok = false;
    });
    return RemoveDirectoryW(folder.c_str()) && ok;
}

std::wstring tempRoot() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) throw failure("GetTempPath");
    std::wstring base(temp, n);
    if (base.back() == L'\\') base.pop_back();
    return base + L"\\pellmora-autorun-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(++counter);
}

std::wstring quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

void sendKey(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (SendInput(1, &input, sizeof input) != 1) throw failure("SendInput");
}

}  // namespace

std::string narrow(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string iniBytes(const Options& o) {
    return "\"[GENERAL]\"\r\n\"" + o.path + "\"\r\n" + std::to_string(o.autoRun) + "\r\n" +
           std::to_string(o.deleteAds) + "\r\n" + std::to_string(o.runJuno) + "\r\n" +
           std::to_string(o.closePellmora) + "\r\n";
}

// --- Installation ---------------------------------------------------------

Installation::Installation(int adFolders) : root_(tempRoot()), app_(root_ + L"\\app"), juno_(root_ + L"\\juno") {
    makeFolder(root_);
    makeFolder(app_);
    if (!CopyFileW(programs().pellmora.c_str(), (app_ + L"\\Pellmora.exe").c_str(), FALSE))
        throw failure("copying " + narrow(programs().pellmora));
    makeFolder(juno_);
    makeFolder(juno_ + L"\\BIN");
    if (!CopyFileW(programs().juno.c_str(), (juno_ + L"\\BIN\\Juno.exe").c_str(), FALSE))
        throw failure("copying " + narrow(programs().juno));
    const std::wstring ads = juno_ + L"\\ads";
    makeFolder(ads);
    for (int i = 0; i < adFolders; ++i) {
        const std::wstring folder = ads + L"\\ad" + std::to_wstring(1000 + i);
        makeFolder(folder);
        writeFile(folder + L"\\banner.gif", "GIF89a");
        if (i % 2 == 0) writeFile(folder + L"\\index.html", "<html></html>");
    }
    writeFile(ads + L"\\loose.dat", "loose");
}

Installation::~Installation() {
    // A process that was just terminated may still hold its files for a moment.
    waitUntil(milliseconds(5000), [&] { return removeTree(root_); });
}

std::string Installation::junoPath() const { return narrow(juno_); }

void Installation::writeIni(const Options& o) const { writeFile(app_ + L"\\Pellmora.ini", iniBytes(o)); }

std::string Installation::readIni() const { return readFile(app_ + L"\\Pellmora.ini").value_or("<missing>"); }

std::vector<std::wstring> Installation::adsEntries() const {
    std::vector<std::wstring> names;
    forEachEntry(juno_ + L"\\ads", [&](const std::wstring& name, DWORD) { names.push_back(name); });
    return names;
}

bool Installation::adsFolderExists() const {
    const DWORD a = GetFileAttributesW((juno_ + L"\\ads").c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string Installation::startedLog() const {
    return readFile(juno_ + L"\\BIN\\started.txt").value_or("");
}

// --- Pellmora -------------------------------------------------------------

Pellmora::Pellmora(const Installation& where, const std::wstring& arguments) {
    const std::wstring exe = where.appFolder() + L"\\Pellmora.exe";
    std::wstring commandLine = quoted(exe);
    if (!arguments.empty()) commandLine += L" " + arguments;

    // Everything the program starts joins its job, so that closing the job
    // also ends the stand-in client it launched.
    job_.reset(CreateJobObjectW(nullptr, nullptr));
    if (!job_) throw failure("CreateJobObject");
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        where.appFolder().c_str(), &startup, &info))
        throw failure("CreateProcess " + narrow(exe));
    process_.reset(info.hProcess);
    UniqueHandle thread(info.hThread);
    processId_ = info.dwProcessId;
    if (!AssignProcessToJobObject(job_.get(), process_.get())) {
        TerminateProcess(process_.get(), 1);
        throw failure("AssignProcessToJobObject");
    }
    startedAt_ = Clock::now();
    ResumeThread(thread.get());
}

Pellmora::~Pellmora() {
    TerminateJobObject(job_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
    waitUntil(milliseconds(5000), [&] {
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        return !QueryInformationJobObject(job_.get(), JobObjectBasicAccountingInformation, &accounting,
                                          sizeof accounting, nullptr) ||
               accounting.ActiveProcesses == 0;
    });
}

HWND Pellmora::waitForWindow(milliseconds timeout) {
    struct Search {
        DWORD pid;
        HWND found;
    } search{processId_, nullptr};
    waitUntil(timeout, [&] {
        search.found = nullptr;
        EnumWindows(
            [](HWND w, LPARAM p) -> BOOL {
                auto& s = *reinterpret_cast<Search*>(p);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                wchar_t cls[64];
                if (pid == s.pid && GetClassNameW(w, cls, 64) > 0 && std::wstring(cls) == L"PellmoraMain" &&
                    IsWindowVisible(w)) {
                    s.found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    window_ = search.found;
    return window_;
}

HWND Pellmora::control(ControlId id) const {
    struct Search {
        int id;
        HWND found;
    } search{kControlIdBase + static_cast<int>(platform::index(id)), nullptr};
    // Controls sit inside the panel and the frame, so search all descendants.
    EnumChildWindows(
        window_,
        [](HWND w, LPARAM p) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(p);
            if (GetDlgCtrlID(w) != s.id) return TRUE;
            s.found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

LRESULT Pellmora::send(ControlId id, UINT message, WPARAM w, LPARAM l) const {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(control(id), message, w, l, SMTO_NORMAL, 5000, &result)) return -1;
    return static_cast<LRESULT>(result);
}

std::optional<std::wstring> Pellmora::text(ControlId id) const {
    // WM_GETTEXT rather than GetWindowText: an edit control's typed text is
    // only known to the control itself. A busy program answers later.
    const HWND w = control(id);
    DWORD_PTR length = 0;
    if (w == nullptr || !SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 200, &length))
        return std::nullopt;
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 200,
                             &copied))
        return std::nullopt;
    text.resize(copied);
    return text;
}

std::optional<Clock::time_point> Pellmora::waitForText(ControlId id, const std::wstring& expected,
                                                       milliseconds timeout) const {
    std::optional<Clock::time_point> seen;
    waitUntil(timeout, [&] {
        if (text(id) == expected) seen = Clock::now();
        return seen.has_value();
    });
    return seen;
}

HWND Pellmora::focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window_, nullptr), &info)) return nullptr;
    return info.hwndFocus;
}

bool Pellmora::bringToFront() const {
    return waitUntil(milliseconds(3000), [&] {
        if (GetForegroundWindow() == window_) return true;
        const DWORD target = GetWindowThreadProcessId(window_, nullptr);
        const DWORD self = GetCurrentThreadId();
        const bool attached = AttachThreadInput(self, target, TRUE) != FALSE;
        BringWindowToTop(window_);
        SetForegroundWindow(window_);
        if (attached) AttachThreadInput(self, target, FALSE);
        return false;
    });
}

bool Pellmora::running() const { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

bool Pellmora::waitForExit(milliseconds timeout) const {
    return WaitForSingleObject(process_.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
}

// --- Input ----------------------------------------------------------------

void keyDown(WORD vk) { sendKey(vk, false); }
void keyUp(WORD vk) { sendKey(vk, true); }

void pressKey(WORD vk) {
    keyDown(vk);
    keyUp(vk);
}

void typeText(const std::wstring& text) {
    for (const wchar_t c : text) {
        INPUT input[2]{};
        for (auto& i : input) {
            i.type = INPUT_KEYBOARD;
            i.ki.wScan = c;
            i.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        input[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        if (SendInput(2, input, sizeof input[0]) != 2) throw failure("SendInput");
    }
}

}  // namespace autorun

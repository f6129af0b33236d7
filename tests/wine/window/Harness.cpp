#include "Harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <utility>

#include "window/ControlTable.h"

namespace harness {

using platform::ControlId;

namespace {

std::wstring& exePath() {
    static std::wstring path;
    return path;
}

constexpr int kFirstControlId = 100;  // control ID of ControlId index 0

}  // namespace

const std::wstring& pellmoraExe() { return exePath(); }
void setPellmoraExe(std::wstring path) { exePath() = std::move(path); }

std::wstring widen(std::string_view text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string narrow(std::wstring_view text) {
    if (text.empty()) return {};
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::optional<std::string> readFile(const std::wstring& path) {
    Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    return bytes;
}

bool writeFile(const std::wstring& path, std::string_view bytes) {
    Handle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// --- TempFolder ------------------------------------------------------------

TempFolder::TempFolder() {
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    std::wstring base(temp, n);
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    for (int attempt = 0; attempt < 100; ++attempt) {
        path_ = base + L"\\pellmora-window-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter);
        if (CreateDirectoryW(path_.c_str(), nullptr)) return;
    }
    ADD_FAILURE() << "cannot create a temporary folder under " << narrow(base);
}

TempFolder::~TempFolder() {
    // A process that has just ended may hold its executable for a moment.
    waitFor(
        [&] {
            WIN32_FIND_DATAW found;
            HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &found);
            if (find != INVALID_HANDLE_VALUE) {
                do {
                    const std::wstring name = found.cFileName;
                    if (name == L"." || name == L"..") continue;
                    const std::wstring full = path_ + L"\\" + name;
                    SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileW(full.c_str());
                } while (FindNextFileW(find, &found));
                FindClose(find);
            }
            return RemoveDirectoryW(path_.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND ||
                   GetLastError() == ERROR_PATH_NOT_FOUND;
        },
        3000);
}

// --- Windows of another process ----------------------------------------------

std::wstring windowText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return L"<no reply>";
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        2000, &copied);
    text.resize(copied);
    return text;
}

std::wstring className(HWND hwnd) {
    wchar_t name[256];
    const int n = GetClassNameW(hwnd, name, 256);
    return std::wstring(name, n > 0 ? static_cast<std::size_t>(n) : 0);
}

RECT rectInParent(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

std::vector<HWND> topLevelWindows(DWORD processId, std::wstring_view cls) {
    struct Search {
        DWORD processId;
        std::wstring_view cls;
        std::vector<HWND> found;
    } search{processId, cls, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            DWORD pid = 0;
            GetWindowThreadProcessId(hwnd, &pid);
            if (pid == s.processId && className(hwnd) == s.cls) s.found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<HWND> descendants(HWND parent, std::wstring_view cls) {
    struct Search {
        std::wstring_view cls;
        std::vector<HWND> found;
    } search{cls, {}};
    EnumChildWindows(
        parent,
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(param);
            if (className(hwnd) == s.cls) s.found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RemoteBuffer::RemoteBuffer(HANDLE process, std::size_t bytes)
    : process_(process), address_(VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}

RemoteBuffer::~RemoteBuffer() {
    if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteBuffer::write(const void* data, std::size_t bytes, std::size_t offset) const {
    SIZE_T done = 0;
    return address_ != nullptr &&
           WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, bytes, &done) && done == bytes;
}

bool RemoteBuffer::read(void* data, std::size_t bytes, std::size_t offset) const {
    SIZE_T done = 0;
    return address_ != nullptr &&
           ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, bytes, &done) && done == bytes;
}

std::optional<std::wstring> tabCaption(HANDLE process, HWND tab, int index) {
    constexpr int kChars = 256;
    RemoteBuffer remote(process, sizeof(TCITEMW) + kChars * sizeof(wchar_t));
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.address()) + sizeof(TCITEMW));
    item.cchTextMax = kChars;
    const wchar_t empty = L'\0';
    if (!remote.write(&item, sizeof item) || !remote.write(&empty, sizeof empty, sizeof(TCITEMW))) return std::nullopt;
    DWORD_PTR ok = 0;
    if (!SendMessageTimeoutW(tab, TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote.address()),
                             SMTO_ABORTIFHUNG, 2000, &ok) ||
        !ok)
        return std::nullopt;
    // The control may point pszText at its own copy instead of filling ours.
    TCITEMW back{};
    if (!remote.read(&back, sizeof back)) return std::nullopt;
    wchar_t text[kChars] = {};
    SIZE_T done = 0;
    if (!ReadProcessMemory(process, back.pszText, text, sizeof text - sizeof(wchar_t), &done)) return std::nullopt;
    return std::wstring(text);
}

// --- PellmoraRun ---------------------------------------------------------------

PellmoraRun::PellmoraRun(std::optional<std::string_view> ini) : exe_(folder_.file(L"Pellmora.exe")) {
    if (!CopyFileW(pellmoraExe().c_str(), exe_.c_str(), FALSE))
        ADD_FAILURE() << "cannot copy " << narrow(pellmoraExe()) << " (error " << GetLastError() << ")";
    if (ini && !writeFile(iniPath(), *ini)) ADD_FAILURE() << "cannot write " << narrow(iniPath());
}

// Terminated rather than closed: under Wine an orderly exit takes about two
// seconds, and nothing is checked after the test.
PellmoraRun::~PellmoraRun() {
    if (running()) {
        TerminateProcess(process_.get(), 1);
        waitForExit(5000);
    }
}

bool PellmoraRun::start() {
    std::wstring commandLine = L"\"" + exe_ + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.path().c_str(),
                        &si, &pi)) {
        ADD_FAILURE() << "cannot start " << narrow(exe_) << " (error " << GetLastError() << ")";
        return false;
    }
    startedAt_ = GetTickCount64();
    window_ = nullptr;
    CloseHandle(pi.hThread);
    process_.reset(pi.hProcess);
    processId_ = pi.dwProcessId;
    threadId_ = pi.dwThreadId;
    return true;
}

bool PellmoraRun::running() const {
    return process_.get() != nullptr && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool PellmoraRun::waitForExit(DWORD timeoutMs) {
    return process_.get() != nullptr && WaitForSingleObject(process_.get(), timeoutMs) == WAIT_OBJECT_0;
}

HWND PellmoraRun::waitForWindow(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    const bool shown = waitFor(
        [&] {
            for (HWND w : topLevelWindows(processId_, L"PellmoraMain"))
                if (IsWindowVisible(w)) {
                    window_ = w;
                    return true;
                }
            return !running();
        },
        timeoutMs);
    if (!shown || window_ == nullptr) return nullptr;
    threadId_ = GetWindowThreadProcessId(window_, nullptr);
    const ULONGLONG now = GetTickCount64();
    const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
    WaitForInputIdle(process_.get(), left);
    // A sent message comes back only once the thread is in its message loop.
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_NORMAL, left + 1, &ignored)) return nullptr;
    return window_;
}

HWND PellmoraRun::waitForDialog(DWORD timeoutMs) {
    HWND dialog = nullptr;
    waitFor(
        [&] {
            const auto found = topLevelWindows(processId_, L"#32770");
            for (HWND w : found)
                if (IsWindowVisible(w)) dialog = w;
            return dialog != nullptr || !running();
        },
        timeoutMs);
    return dialog;
}

HWND PellmoraRun::control(ControlId id) const {
    const auto& row = pellmora::controlSpec(id);
    const HWND parent = row.container == ControlId::None ? window_ : control(row.container);
    if (parent == nullptr) return nullptr;
    return GetDlgItem(parent, kFirstControlId + static_cast<int>(platform::index(id)));
}

ControlId PellmoraRun::focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId_, &info) || info.hwndFocus == nullptr) return ControlId::None;
    const int n = GetDlgCtrlID(info.hwndFocus) - kFirstControlId;
    if (n < 0 || n >= static_cast<int>(platform::kControlCount)) return ControlId::None;
    const auto id = static_cast<ControlId>(n);
    return control(id) == info.hwndFocus ? id : ControlId::None;
}

void PellmoraRun::makeForeground() const {
    if (GetForegroundWindow() == window_) return;
    SetForegroundWindow(window_);
    if (!waitFor([&] { return GetForegroundWindow() == window_; }, 2000))
        ADD_FAILURE() << "Pellmora's window does not become the foreground window";
}

void PellmoraRun::pressKey(WORD vk, bool withShift) {
    makeForeground();
    std::vector<INPUT> inputs;
    auto key = [&](WORD code, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = code;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(code, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(in);
    };
    if (withShift) key(VK_SHIFT, false);
    key(vk, false);
    key(vk, true);
    if (withShift) key(VK_SHIFT, true);
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void PellmoraRun::typeText(std::wstring_view text) {
    makeForeground();
    std::vector<INPUT> inputs;
    for (wchar_t c : text)
        for (DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wScan = c;
            in.ki.dwFlags = KEYEVENTF_UNICODE | up;
            inputs.push_back(in);
        }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

ControlId PellmoraRun::pressAndFollowFocus(WORD vk, bool withShift) {
    const ControlId before = focus();
    pressKey(vk, withShift);
    waitFor([&] { return focus() != before; }, 1000);
    return focus();
}

bool PellmoraRun::focusByTab(ControlId id) {
    for (std::size_t i = 0; i <= platform::kControlCount && focus() != id; ++i) pressAndFollowFocus(VK_TAB);
    return focus() == id;
}

}  // namespace harness

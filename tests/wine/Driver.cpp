#include "tests/wine/Driver.h"

#include <climits>
#include <fstream>

#include "platform/win32/Paths.h"
#include "options/OptionsFile.h"
#include "platform/win32/SystemCalls.h"
#include "platform/win32/Text.h"

namespace wine {

namespace {

// Starts a Linux program, which Wine runs as it is; the handle Wine gives
// back ends at once, so callers wait for its effect.
void run(std::wstring commandLine) {
    STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
    PROCESS_INFORMATION started{};
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
        CloseHandle(started.hThread), CloseHandle(started.hProcess);
}

// A Windows path as the Linux side names it, quoted for a command line.
std::wstring unixArgument(const fs::path& path) {
    char*(CDECL * toUnix)(LPCWSTR) = nullptr;
    win32::lookUp(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name", toUnix);
    char* name = toUnix(path.c_str());
    const std::wstring quoted = L"\"" + win32::widen(name) + L"\"";
    HeapFree(GetProcessHeap(), 0, name);
    return quoted;
}

// Every name under `root` (to `depth` levels) with its attributes and, with
// `bytes`, a file's bytes, through the extended-length form.
void walk(const fs::path& root, const std::wstring& relative, std::map<std::wstring, std::string>& tree,
          int depth = INT_MAX, bool bytes = true) {
    WIN32_FIND_DATAW found;
    const std::wstring folder = win32::extendedLengthForm(root.wstring()) + relative;
    const win32::FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &found));
    for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &found)) {
        const std::wstring name = found.cFileName, path = relative + L"\\" + name;
        if (name == L"." || name == L"..") continue;
        const DWORD attributes = found.dwFileAttributes;
        const bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        // A file's bytes by their hash: a failure then prints one line a file.
        const std::string content = isFolder || !bytes ? "" : readFile(folder + L"\\" + name);
        tree[path] = std::to_string(attributes) + " " + std::to_string(content.size()) + " " +
                     std::to_string(std::hash<std::string>{}(content));
        if (isFolder && depth > 1 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
            walk(root, path, tree, depth - 1, bytes);
    }
}

}  // namespace

fs::path buildFolder() {
    // <build>\tests\wine\wine_tests.exe
    return fs::path(_wpgmptr).parent_path().parent_path().parent_path();
}

UINT prefixDpi() {
    const char* const setting = std::getenv("PELLMORA_DPI");
    return setting ? static_cast<UINT>(std::atoi(setting)) : USER_DEFAULT_SCREEN_DPI;
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "<missing>";
}

void writeFile(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary);
    EXPECT_TRUE(out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()))) << file;
}

std::string iniFile(std::string_view path, int autoRun, int deleteAds, int runJuno, int close) {
    const auto byte = [](int v) { return static_cast<std::uint8_t>(v); };
    std::string bytes;
    for (const std::string& line : pellmora::optionLines(
             {std::string(path), byte(autoRun), byte(deleteAds), byte(runJuno), byte(close)}))
        bytes += line + "\r\n";
    return bytes;
}

// --- Scratch ---------------------------------------------------------------

Scratch::Scratch() {
    static int cases = 0;
    root_ = fs::temp_directory_path() /
            ("pellmora-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++cases));
    fs::create_directories(root_);
}

Scratch::~Scratch() { run(L"/bin/rm -rf " + unixArgument(root_)); }

// Through the extended-length form, so that paths past the classic limit work.
void Scratch::file(const fs::path& relative, std::string_view bytes) const {
    const fs::path full = path(relative).make_preferred();
    for (fs::path folder = root_; const fs::path& part : full.parent_path().lexically_relative(root_))
        CreateDirectoryW(win32::extendedLengthForm((folder /= part).wstring()).c_str(), nullptr);
    writeFile(win32::extendedLengthForm(full.wstring()), bytes);
}

void Scratch::link(const fs::path& target, const fs::path& relative) const {
    fs::create_directories(path(relative).parent_path());
    run(L"/bin/ln -s " + unixArgument(path(target)) + L" " + unixArgument(path(relative)));
    EXPECT_TRUE(waitFor([&] { return GetFileAttributesW(path(relative).c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000))
        << relative;
}

void Scratch::shell(std::string_view script) const {
    writeFile(path("script.sh"), "cd \"$(dirname \"$0\")\"\n" + std::string(script));
    run(L"/bin/sh " + unixArgument(path("script.sh")));
}

std::vector<std::wstring> Scratch::namesIn(const fs::path& relative) const {
    std::map<std::wstring, std::string> tree;
    walk(path(relative).make_preferred(), L"", tree, 1, false);
    std::vector<std::wstring> names;
    for (const auto& [name, what] : tree) names.push_back(name.substr(1));
    return names;
}

std::map<std::wstring, std::string> Scratch::snapshot(const fs::path& relative) const {
    std::map<std::wstring, std::string> tree;
    walk(path(relative).make_preferred(), L"", tree);
    return tree;
}

// --- Input -----------------------------------------------------------------

void HeldShift::press(bool down) {
    run(down ? L"/usr/bin/xdotool keydown shift" : L"/usr/bin/xdotool keyup shift");
    EXPECT_TRUE(waitFor([&] { return (GetAsyncKeyState(VK_SHIFT) < 0) == down; }, 5000)) << "Shift did not move";
}

// --- Pellmora --------------------------------------------------------------

Pellmora::Pellmora(const fs::path& app, std::optional<std::string_view> ini, const std::wstring& arguments)
    : app_(app), job_(CreateJobObjectW(nullptr, nullptr)) {
    fs::create_directories(app_);
    fs::copy_file(buildFolder() / "Pellmora.exe", app_ / "Pellmora.exe", fs::copy_options::overwrite_existing);
    if (ini) writeFile(app_ / "Pellmora.ini", *ini);
    const std::wstring exe = (app_ / "Pellmora.exe").wstring();
    std::wstring commandLine = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
    // Suspended until it is in the job, so that a client it starts joins too.
    EXPECT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                               app_.c_str(), &startup, &process_));
    AssignProcessToJobObject(job_.get(), process_.hProcess);
    ResumeThread(process_.hThread);
}

Pellmora::~Pellmora() {
    TerminateJobObject(job_.get(), 1);
    WaitForSingleObject(process_.hProcess, 10000);
    CloseHandle(process_.hThread), CloseHandle(process_.hProcess);
}

HWND Pellmora::window(DWORD timeoutMs) {
    if (window_) return window_;
    waitFor([&] { return (window_ = driving::windowOf(process_.dwProcessId, L"PellmoraMain")) || exited(0); },
            timeoutMs);
    return window_ && driving::answers(window_, timeoutMs) ? window_ : (window_ = nullptr);
}

bool Pellmora::waitForText(ControlId id, const std::wstring& wanted, DWORD timeoutMs) const {
    return waitFor([&] { return text(id) == wanted; }, timeoutMs);
}

bool Pellmora::exited(DWORD timeoutMs) const {
    return WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

// A key down and up, once the window is in front.
void Pellmora::keys(WORD virtualKey, wchar_t c, DWORD flags) const {
    EXPECT_TRUE(waitFor([&] { return SetForegroundWindow(window_), GetForegroundWindow() == window_; }, 3000));
    INPUT input[2] = {{INPUT_KEYBOARD, {.ki = {virtualKey, WORD(c), flags}}},
                      {INPUT_KEYBOARD, {.ki = {virtualKey, WORD(c), flags | KEYEVENTF_KEYUP}}}};
    SendInput(2, input, sizeof(INPUT));
}

}  // namespace wine

// A stand-in for the mail client, so that Pellmora's tests and demo have
// something to clean up after and to start. It keeps the client's layout: it
// lives in <installation>\BIN\Juno.exe and its ads are the entries of
// <installation>\ads.
//
//   Juno.exe                    shows its window; every start is appended to
//                               started.txt beside the exe (its command line),
//                               and the folder it was started in is written
//                               to current.txt there
//   Juno.exe --exit-after MS    the same, closing itself after MS milliseconds
//   Juno.exe --refill-ads [N]   adds N sample ad folders (default 8) to the
//                               ads folder and exits without a window; such a
//                               run is upkeep, not a start, and is not recorded
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <string_view>

#include "platform/win32/Handles.h"
#include "platform/win32/Paths.h"
#include "platform/win32/Text.h"

namespace {

constexpr int kDefaultRefill = 8;
constexpr int kMaxRefill = 1000000;
constexpr UINT_PTR kExitTimer = 1;
constexpr int kIdRefill = 101;
constexpr int kIdClose = 102;

std::wstring exePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring parentOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring binFolder() { return parentOf(exePath()); }
std::wstring adsFolder() { return parentOf(binFolder()) + L"\\ads"; }

bool writeAll(HANDLE file, std::string_view bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

bool writeFile(const std::wstring& path, std::string_view bytes, DWORD disposition = CREATE_NEW) {
    const win32::FileHandle file(CreateFileW(win32::extendedLengthForm(path).c_str(), GENERIC_WRITE, 0, nullptr, disposition,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && writeAll(file.get(), bytes);
}

// One line per start: the command line exactly as this process received it,
// so that tests can see how the program was named and quoted; and the folder
// it was started in.
void recordStart() {
    const win32::FileHandle file(CreateFileW(win32::extendedLengthForm(binFolder() + L"\\started.txt").c_str(), FILE_APPEND_DATA,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) writeAll(file.get(), win32::narrow(GetCommandLineW()) + "\r\n");
    std::wstring current(GetCurrentDirectoryW(0, nullptr), L'\0');
    current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()), current.data()));
    writeFile(binFolder() + L"\\current.txt", win32::narrow(current), CREATE_ALWAYS);
}

std::size_t countAds() {
    WIN32_FIND_DATAW data;
    const win32::FindHandle find(FindFirstFileW(win32::extendedLengthForm(adsFolder() + L"\\*").c_str(), &data));
    if (!find) return 0;
    std::size_t count = 0;
    do {
        if (std::wcscmp(data.cFileName, L".") != 0 && std::wcscmp(data.cFileName, L"..") != 0) ++count;
    } while (FindNextFileW(find.get(), &data));
    return count;
}

// A 1x1 transparent GIF: the smallest picture an ad could carry.
constexpr unsigned char kPixelGif[] = {
    0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00,
    0xFF, 0xFF, 0xFF, 0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B,
};

// Adds `count` sample ad folders under fresh names; the folder is made when
// missing. Returns how many were made whole.
int refillAds(int count) {
    const std::wstring ads = adsFolder();
    CreateDirectoryW(win32::extendedLengthForm(ads).c_str(), nullptr);
    int made = 0;
    unsigned number = 1;
    for (int i = 0; i < count; ++i) {
        std::wstring folder;
        for (;; ++number) {
            wchar_t name[32];
            std::swprintf(name, 32, L"ad%05u", number);
            folder = ads + L"\\" + name;
            if (GetFileAttributesW(win32::extendedLengthForm(folder).c_str()) == INVALID_FILE_ATTRIBUTES) break;
        }
        ++number;
        if (!CreateDirectoryW(win32::extendedLengthForm(folder).c_str(), nullptr)) continue;
        const std::string tag = win32::narrow(folder.substr(ads.size() + 1));
        const bool whole =
            writeFile(folder + L"\\ad.htm", "<html><body><img src=\"banner.gif\"><p>Sample ad " + tag +
                                                   " from the Juno stand-in.</p></body></html>\r\n") &&
            writeFile(folder + L"\\banner.gif",
                         std::string_view(reinterpret_cast<const char*>(kPixelGif), sizeof kPixelGif)) &&
            writeFile(folder + L"\\ad.ini", "[ad]\r\nname=" + tag + "\r\nshown=0\r\n");
        if (whole) ++made;
    }
    return made;
}

// A whole non-negative number, or -1.
long long parseCount(const wchar_t* text) {
    if (text == nullptr || *text == L'\0') return -1;
    long long value = 0;
    for (const wchar_t* p = text; *p; ++p) {
        if (*p < L'0' || *p > L'9') return -1;
        value = value * 10 + (*p - L'0');
        if (value > kMaxRefill) return -1;
    }
    return value;
}

struct Options {
    bool refill = false;
    int refillCount = kDefaultRefill;
    long long exitAfterMs = -1;
};

Options parseOptions() {
    Options options;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) return options;
    for (int i = 1; i < argc; ++i) {
        const std::wstring_view arg = argv[i];
        if (arg == L"--refill-ads") {
            options.refill = true;
            if (i + 1 < argc && parseCount(argv[i + 1]) >= 0) options.refillCount = static_cast<int>(parseCount(argv[++i]));
        } else if (arg == L"--exit-after" && i + 1 < argc && parseCount(argv[i + 1]) >= 0) {
            options.exitAfterMs = parseCount(argv[++i]);
        }
        // Anything else is ignored, as a client started with odd arguments would.
    }
    LocalFree(argv);
    return options;
}

// --- The window ------------------------------------------------------------

struct Window {
    HWND hwnd = nullptr;
    HWND status = nullptr;
    HFONT font = nullptr;
    int dpi = 96;
    int px(int units) const { return MulDiv(units, dpi, 96); }
};

Window g_window;  // the program's one window, reached from its procedure

void showAdCount(const std::wstring& prefix) {
    const std::wstring text =
        prefix + L"The ads folder " + adsFolder() + L" holds " + std::to_wstring(countAds()) + L" entries.";
    SetWindowTextW(g_window.status, text.c_str());
}

HWND addChild(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND child = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, g_window.px(x), g_window.px(y),
                                 g_window.px(w), g_window.px(h), parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(g_window.font), FALSE);
    return child;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        addChild(hwnd, L"STATIC",
                 L"This window stands in for the Juno mail client in Pellmora's tests and demo. It is not the "
                 L"mail client: it only notes each start in started.txt beside itself and can put sample ads "
                 L"back into its ads folder.",
                 SS_LEFT, 12, 12, 416, 64, -1);
        g_window.status = addChild(hwnd, L"STATIC", L"", SS_LEFT, 12, 84, 416, 48, -1);
        addChild(hwnd, L"BUTTON", L"&Refill Ads Folder", BS_PUSHBUTTON | WS_TABSTOP, 12, 142, 140, 26, kIdRefill);
        addChild(hwnd, L"BUTTON", L"&Close", BS_DEFPUSHBUTTON | WS_TABSTOP, 340, 142, 88, 26, kIdClose);
        showAdCount(L"");
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == kIdRefill) {
            const int made = refillAds(kDefaultRefill);
            showAdCount(L"Added " + std::to_wstring(made) + L" sample ads. ");
        } else if (LOWORD(wParam) == kIdClose || LOWORD(wParam) == IDCANCEL) {
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_TIMER:
        if (wParam == kExitTimer) DestroyWindow(hwnd);
        return 0;
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

int runWindow(HINSTANCE instance, int show, long long exitAfterMs) {
    HDC screen = GetDC(nullptr);
    g_window.dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        g_window.font = CreateFontIndirectW(&metrics.lfMessageFont);
    if (g_window.font == nullptr) g_window.font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = windowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    cls.lpszClassName = L"JunoStandIn";
    if (!RegisterClassExW(&cls)) return 1;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT rect{0, 0, g_window.px(440), g_window.px(180)};
    AdjustWindowRect(&rect, style, FALSE);
    g_window.hwnd = CreateWindowExW(0, cls.lpszClassName, L"Juno stand-in", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                    rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, nullptr);
    if (g_window.hwnd == nullptr) return 1;
    if (exitAfterMs >= 0) SetTimer(g_window.hwnd, kExitTimer, static_cast<UINT>(exitAfterMs), nullptr);
    ShowWindow(g_window.hwnd, show);
    UpdateWindow(g_window.hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(g_window.hwnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const Options options = parseOptions();
    if (options.refill) return refillAds(options.refillCount) == options.refillCount ? 0 : 1;
    recordStart();
    return runWindow(instance, show, options.exitAfterMs);
}

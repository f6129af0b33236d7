// The floor for Pellmora's start-up: the same window written the plainest
// way in Win32. The same controls, texts, styles, places, fonts, timer, icon
// and manifest; it reads the options file beside it and shows what it holds,
// centres itself and shows. No layer, no table of its own making, no fitting
// of fonts: what any program showing this window must do.
#include <windows.h>

#include <commctrl.h>

#include <initializer_list>

namespace {

constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
constexpr wchar_t kNotice[] =
    L"Pellmora Version 1.01. Copyright 2026 by the Pellmora developers. All rights reserved. "
    L"Pellmora comes with no warranty of any kind. Juno is a trademark of its owner; Pellmora "
    L"is not made, endorsed or supported by its owner.";

int dpi = USER_DEFAULT_SCREEN_DPI;
HFONT dialogFont, boldFont;
HWND edit, checks[4];

int px(int twips) { return MulDiv(twips, dpi, 1440); }

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, int left, int top,
           int width, int height, int id, HFONT font) {
    HWND hwnd = CreateWindowExW(exStyle, cls, text, kChild | style, px(left), px(top), px(width), px(height), parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return hwnd;
}

LRESULT CALLBACK forwardProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND || message == WM_NOTIFY || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC))
        return SendMessageW(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void createControls(HWND hwnd) {
    const HFONT f = dialogFont;
    child(hwnd, L"Button", L"&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 1200, 4260, 1095, 375, IDOK, f);
    child(hwnd, L"Button", L"&Cancel", WS_TABSTOP, 0, 2340, 4260, 1095, 375, IDCANCEL, f);
    child(hwnd, L"Button", L"&Apply", WS_TABSTOP, 0, 3480, 4260, 1095, 375, 3, f);
    HWND panel = child(hwnd, L"PlainPanel", L"", 0, WS_EX_CONTROLPARENT, 120, 420, 4395, 3735, 4, f);
    HWND progress = child(panel, PROGRESS_CLASSW, L"", 0, 0, 120, 2700, 4155, 315, 5, f);
    SendMessageW(progress, PBM_SETRANGE32, 0, 100);
    checks[0] = child(panel, L"Button", L"&Use AutoRun When Pellmora Starts", WS_TABSTOP | BS_3STATE, 0, 120, 420,
                      3075, 255, 6, f);
    // The frame's controls, placed in the panel; the group box after them,
    // so that it lies beneath them.
    constexpr int fx = 120, fy = 720;
    child(panel, L"Button", L"&Close Pellmora Now", WS_TABSTOP, 0, fx + 2340, fy + 1080, 1755, 375, 8, f);
    checks[3] = child(panel, L"Button", L"C&lose Pellmora", WS_TABSTOP | BS_3STATE, 0, fx + 120, fy + 1080, 1575, 375, 9, f);
    child(panel, L"Button", L"&Run Juno Now", WS_TABSTOP, 0, fx + 2340, fy + 660, 1755, 375, 10, f);
    checks[2] = child(panel, L"Button", L"Run &Juno", WS_TABSTOP | BS_3STATE, 0, fx + 120, fy + 660, 1335, 375, 11, f);
    checks[1] = child(panel, L"Button", L"D&elete All Ads", WS_TABSTOP | BS_3STATE, 0, fx + 120, fy + 240, 1335, 375, 12, f);
    child(panel, L"Button", L"&Delete Ads Now", WS_TABSTOP, 0, fx + 2340, fy + 240, 1755, 375, 13, f);
    child(panel, L"Button", L"AutoRun Settings", BS_GROUPBOX, 0, fx, fy, 4155, 1575, 7, f);
    edit = child(panel, L"Edit", L"", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 1500, 60, 2775, 315, 14, f);
    child(panel, L"Static", kNotice, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, 3750, 3390, 16500, 255, 15, f);
    child(panel, L"Static", L"Pellmora - E-Mail was meant to be free of ads.", SS_CENTER | SS_NOPREFIX, 0, 0, 3120,
          4395, 255, 16, boldFont);
    child(panel, L"Static", L"", SS_CENTER | SS_NOPREFIX | WS_BORDER, 0, 120, 2400, 4155, 255, 17, f);
    ShowWindow(child(panel, L"Static", L"Progress:", SS_RIGHT | SS_NOPREFIX, 0, 30, 2760, 735, 255, 18, f), SW_HIDE);
    child(panel, L"Static", L"Location Of Juno:", SS_RIGHT | SS_NOPREFIX, 0, 0, 120, 1395, 255, 19, f);
    HWND tabs = child(hwnd, WC_TABCONTROLW, L"", WS_TABSTOP | TCS_TOOLTIPS, 0, 0, 0, 4620, 4215, 20, f);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"General");
    SendMessageW(tabs, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    SetWindowPos(tabs, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// The options file's path line and four numbers, shown as they are.
void showOptions() {
    wchar_t name[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
    wchar_t* slash = name + length;
    while (slash > name && *slash != L'\\') --slash;
    lstrcpyW(slash, L"\\Pellmora.ini");
    HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char bytes[1024] = {};
    DWORD read = 0;
    if (file != INVALID_HANDLE_VALUE) ReadFile(file, bytes, sizeof bytes - 1, &read, nullptr), CloseHandle(file);
    char* line = bytes;
    for (int item = 0; item < 6 && *line; ++item) {
        char* end = line;
        while (*end && *end != '\r') ++end;
        *end = '\0';
        if (item == 1) {
            wchar_t path[MAX_PATH] = {};
            MultiByteToWideChar(CP_ACP, 0, line + 1, static_cast<int>(end - line) - 2, path, MAX_PATH - 1);
            SetWindowTextW(edit, path);
        }
        if (item >= 2) SendMessageW(checks[item - 2], BM_SETCHECK, static_cast<WPARAM>(line[0] - '0'), 0);
        line = end + 2;
    }
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpfnWndProc = forwardProc;
    cls.lpszClassName = L"PlainPanel";
    RegisterClassExW(&cls);
    cls.lpfnWndProc = windowProc;
    cls.lpszClassName = L"PlainMain";
    if (!RegisterClassExW(&cls)) return 1;

    const HDC screen = GetDC(nullptr);
    dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    dialogFont = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Shell Dlg");
    boldFont = CreateFontW(-MulDiv(825, dpi, 7200), 0, 0, 0, 700, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS Sans Serif");

    RECT outer{0, 0, px(4635), px(4665)};
    AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
    const int width = outer.right - outer.left, height = outer.bottom - outer.top;
    HWND hwnd = CreateWindowExW(WS_EX_CONTROLPARENT, L"PlainMain", L"Pellmora Version 1.01", kStyle,
                                (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                                width, height, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) return 1;
    for (const WPARAM kind : {ICON_BIG, ICON_SMALL}) {
        const int size = GetSystemMetrics(kind == ICON_BIG ? SM_CXICON : SM_CXSMICON);
        SendMessageW(hwnd, WM_SETICON, kind,
                     reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0)));
    }
    createControls(hwnd);
    SetTimer(hwnd, 1, 250, nullptr);
    showOptions();
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
    SetFocus(edit);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(hwnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

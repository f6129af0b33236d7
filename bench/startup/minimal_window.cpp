// The yardstick for Pellmora's start-up: a fixed dialog-frame window of the
// same size with a few standard and common controls, and nothing else.
#include <windows.h>

#include <commctrl.h>

namespace {

constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU;

HWND child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
    HWND hwnd = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return hwnd;
}

void createControls(HWND hwnd) {
    HWND tab = child(hwnd, WC_TABCONTROLW, L"", WS_CLIPSIBLINGS, 0, 0, 308, 281, 1);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(L"General");
    SendMessageW(tab, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    child(hwnd, L"Static", L"Location:", SS_RIGHT, 8, 36, 93, 17, 2);
    child(hwnd, L"Edit", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 108, 32, 185, 21, 3);
    child(hwnd, L"Button", L"&Check", WS_TABSTOP | BS_3STATE, 16, 56, 205, 17, 4);
    child(hwnd, WC_STATICW, L"", SS_CENTER | WS_BORDER, 16, 188, 277, 17, 5);
    child(hwnd, PROGRESS_CLASSW, L"", 0, 16, 208, 277, 21, 6);
    child(hwnd, L"Button", L"&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 80, 284, 73, 25, IDOK);
    child(hwnd, L"Button", L"&Cancel", WS_TABSTOP | BS_PUSHBUTTON, 156, 284, 73, 25, IDCANCEL);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createControls(hwnd);
        return 0;
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
    const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = windowProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = L"MinimalMain";
    if (!RegisterClassExW(&cls)) return 1;

    RECT outer{0, 0, 309, 311};
    AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    HWND hwnd = CreateWindowExW(0, cls.lpszClassName, L"Minimal window", kStyle,
                                (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr, nullptr,
                                instance, nullptr);
    if (hwnd == nullptr) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(hwnd, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

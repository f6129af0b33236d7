#include "platform/win32/WindowClass.h"

#include <stdexcept>

#include "platform/win32/Text.h"

namespace win32 {

void registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW existing{sizeof existing};
    if (GetClassInfoExW(instance, name, &existing)) return;
    WNDCLASSEXW wc{sizeof wc};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    if (!RegisterClassExW(&wc)) throw std::runtime_error("The window class " + narrow(name) + " could not be registered.");
}

}  // namespace win32

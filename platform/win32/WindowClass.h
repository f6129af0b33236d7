// The window classes of this program: the main window's and the panel's.
#pragma once

#include <windows.h>

namespace win32 {

// Registers a window class of this program, in the dialogs' colours, once.
void registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc);

}  // namespace win32

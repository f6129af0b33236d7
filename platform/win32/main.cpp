// Pellmora.exe: the one place that composes the Win32 platform with the
// window's logic. Builds the window from the logic's control table, runs the
// load handler before the window is first shown, then the messages.
#include <windows.h>

#include <commctrl.h>

#include "platform/win32/Loader.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Window.h"
#include "window/ControlTable.h"
#include "window/frmMain.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    win32::restrictDllSearch();
    try {
        const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);

        win32::Win32FileSystem files;
        win32::Win32Processes processes;
        win32::Win32Form form(instance, pellmora::kFormLayout);
        win32::Win32WindowSystem windows(form);
        pellmora::frmMain main(form, windows, files, processes);

        main.Form_Load();
        if (!form.visible()) form.show();
        return form.run();
    } catch (...) {
        win32::reportException(nullptr);
        return 1;
    }
}

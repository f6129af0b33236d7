#include "platform/win32/Win32Processes.h"

#include <windows.h>

#include "platform/win32/Handles.h"
#include "platform/win32/Paths.h"
#include "platform/win32/Text.h"

namespace win32 {

std::string Win32Processes::commandLine() const { return narrow(argumentsAfterProgramName(GetCommandLineW())); }

bool Win32Processes::startProgram(const std::string& path) {
    // The program is named as the application itself, so the system never
    // searches for it by cutting an unquoted command line at a blank.
    if (path.find('\0') != std::string::npos) return false;  // would start a shorter path
    const std::wstring program = widen(path);
    // Its own folder as its current one, where it looks for its files.
    const std::wstring folder = folderOf(program);
    if (folder.empty()) return false;
    std::wstring commandLine = commandLineFor(program);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &started))
        return false;
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
    return true;
}

}  // namespace win32

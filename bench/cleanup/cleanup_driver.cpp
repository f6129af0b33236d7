// Times one way of emptying an ads folder and prints the figures as
// "key value" lines for bench.py:
//   cleanup_driver pellmora PELLMORA-EXE   Pellmora's own cleanup, from the
//                                          click on "Delete Ads Now" to the
//                                          end text (start-up not timed)
//   cleanup_driver plain ADS-FOLDER\       the plain FindFirstFileW, DeleteFileW
//                                          and RemoveDirectoryW loop, the floor
//   cleanup_driver rd FOLDER               cmd /c rd /s /q FOLDER, and cmd's
//                                          own start-up on its own
#include <windows.h>

#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/Layout.h"
#include "platform/win32/Text.h"
#include "tools/driving/Driving.h"
#include "window/ControlTable.h"

namespace {

using pellmora::ControlId;
using win32::narrow;

int controlId(ControlId id) { return win32::controlIdOf(pellmora::row(id)); }

double nowMs() {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / perMs;
}

bool isEndText(const std::wstring& text) {
    const std::wstring left = L" folders could not be deleted.";
    return text == L"Delete Ads Successful." ||
           (text.size() > left.size() && text.compare(text.size() - left.size(), left.size(), left) == 0);
}

// --- Pellmora through its window -------------------------------------------

int timePellmora(const std::wstring& exe) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\'));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s\n", narrow(exe).c_str());
        return 1;
    }
    int result = 1;
    HWND window = nullptr;
    driving::waitFor([&] { return (window = driving::windowOf(process.dwProcessId, L"PellmoraMain")) != nullptr; },
                     20000);
    HWND button = window ? driving::descendant(window, controlId(ControlId::btnDeleteAds)) : nullptr;
    HWND status = window ? driving::descendant(window, controlId(ControlId::labStatus)) : nullptr;
    DWORD_PTR unused = 0;
    if (button && status) {
        WaitForInputIdle(process.hProcess, 10000);
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &unused);
        Sleep(200);  // let start-up painting settle

        const double start = nowMs();
        PostMessageW(button, BM_CLICK, 0, 0);
        // Each wait returns as soon as Pellmora handles messages again, which
        // it does only once its cleanup has returned; no busy polling.
        std::wstring text;
        const double deadline = start + 30 * 60 * 1000.0;
        while (!isEndText(text = driving::storedTextOf(status)) && nowMs() < deadline)
            if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 50, &unused)) Sleep(1);
        const double elapsed = nowMs() - start;
        std::printf("elapsed_ms %.3f\ntext %s\n", elapsed, narrow(text).c_str());
        result = isEndText(text) ? 0 : 1;
    } else {
        std::fprintf(stderr, "no Pellmora window with its controls\n");
    }
    if (HWND cancel = window ? driving::descendant(window, controlId(ControlId::btnCancel)) : nullptr)
        PostMessageW(cancel, BM_CLICK, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::fflush(stdout);
    return result;
}

// --- The plain loop ----------------------------------------------------------

// The floor: the plainest code that does the same work in the same order
// (collect the entries, then empty each and delete it as a file or remove it
// as a folder), by path, with nothing of Pellmora's own.
int timePlain(const std::wstring& adsFolder) {
    const auto isDot = [](std::wstring_view name) { return name == L"." || name == L".."; };
    const double start = nowMs();
    std::vector<std::wstring> entries;
    WIN32_FIND_DATAW found;
    {
        const win32::FindHandle find(FindFirstFileW((adsFolder + L"*").c_str(), &found));
        for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &found))
            if (!isDot(found.cFileName)) entries.emplace_back(found.cFileName);
    }
    std::size_t notDeleted = 0;
    for (const std::wstring& name : entries) {
        const std::wstring entry = adsFolder + name;
        const win32::FindHandle find(FindFirstFileW((entry + L"\\*").c_str(), &found));
        for (bool more = static_cast<bool>(find); more; more = FindNextFileW(find.get(), &found))
            if (!isDot(found.cFileName)) DeleteFileW((entry + L"\\" + found.cFileName).c_str());
        if (!DeleteFileW(entry.c_str()) && !RemoveDirectoryW(entry.c_str())) ++notDeleted;
    }
    const double elapsed = nowMs() - start;
    std::printf("elapsed_ms %.3f\nentries %zu\nnot_deleted %zu\n", elapsed, entries.size(), notDeleted);
    return notDeleted == 0 ? 0 : 1;
}

// --- rd ----------------------------------------------------------------------

// Runs cmd.exe with `arguments` and waits; -1 when it cannot start.
double timeCmd(const std::wstring& arguments) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    std::wstring commandLine = L"\"" + cmd + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = nowMs();
    if (!CreateProcessW(cmd.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    const double elapsed = nowMs() - start;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

int timeRd(const std::wstring& folder) {
    const double startup = timeCmd(L"/c rem");
    const double elapsed = timeCmd(L"/c rd /s /q \"" + folder + L"\"");
    if (startup < 0 || elapsed < 0) {
        std::fprintf(stderr, "cannot start cmd.exe\n");
        return 1;
    }
    std::printf("elapsed_ms %.3f\ncmd_startup_ms %.3f\n", elapsed, startup);
    return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"pellmora") return timePellmora(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"plain") return timePlain(argv[2]);
    if (argc == 3 && std::wstring(argv[1]) == L"rd") return timeRd(argv[2]);
    std::fprintf(stderr, "usage: cleanup_driver pellmora EXE | plain ADS-FOLDER\\ | rd FOLDER\n");
    return 2;
}

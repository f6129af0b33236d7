// startup_launcher.exe <Pellmora.exe> <plain_window.exe> [runs]
//
// Starts both programs in turn, alternating, from copies in one temporary
// folder, and measures each run: time from CreateProcess to the window being
// shown and the program idle in its message loop, and the peak working set
// at that moment. Prints the medians and the ratios Pellmora / plain, where
// the plain program is the same window written in plain Win32.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/SystemCalls.h"
#include "tools/driving/Driving.h"

namespace {

constexpr DWORD kTimeoutMs = 15000;

std::wstring windowsPath(std::wstring path) {
    // Wine passes Unix paths through unchanged; map them to its drives.
    if (!path.empty() && path[0] == L'/') {
        WCHAR* (*toDos)(const char*) = nullptr;
        win32::lookUp(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name", toDos);
        std::string unix(path.begin(), path.end());
        if (toDos != nullptr)
            if (WCHAR* dos = toDos(unix.c_str())) {
                path = dos;
                HeapFree(GetProcessHeap(), 0, dos);
            }
    }
    return path;
}

struct Run {
    double ms;
    double peakKiB;
};

struct Program {
    const char* label;
    std::wstring exe;  // the copy that is started
    std::vector<Run> runs;
};

bool measure(Program& program, std::vector<Run>* into) {
    std::wstring commandLine = L"\"" + program.exe + L"\"";
    const std::wstring folder = program.exe.substr(0, program.exe.find_last_of(L'\\'));
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!CreateProcessW(program.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &si, &pi)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", program.label, GetLastError());
        return false;
    }
    bool ok = WaitForInputIdle(pi.hProcess, kTimeoutMs) == 0;
    HWND window = nullptr;
    const ULONGLONG deadline = GetTickCount64() + kTimeoutMs;
    while (ok && (window = driving::windowOf(pi.dwProcessId)) == nullptr) {
        if (GetTickCount64() > deadline || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) ok = false;
        Sleep(1);
    }
    // Comes back only once the program's thread is waiting in its loop.
    ok = ok && driving::answers(window, kTimeoutMs);
    QueryPerformanceCounter(&end);

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    ok = ok && GetProcessMemoryInfo(pi.hProcess, &memory, sizeof memory);
    if (!ok) std::fprintf(stderr, "%s did not show an idle window\n", program.label);
    TerminateProcess(pi.hProcess, 0);
    WaitForSingleObject(pi.hProcess, kTimeoutMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (ok && into != nullptr)
        into->push_back({static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                             static_cast<double>(frequency.QuadPart),
                         static_cast<double>(memory.PeakWorkingSetSize) / 1024.0});
    return ok;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double fileKiB(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<double>((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow) / 1024.0;
}

// values: Pellmora, plain, ratio
void row(const char* what, const char* unit, const double values[3], const char* target, bool met) {
    std::printf("%-18s %10.1f %-3s %10.1f %-3s %7.3f   %-21s %s\n", what, values[0], unit, values[1], unit,
                values[2], target, met ? "met" : "MISSED");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: startup_launcher <Pellmora.exe> <plain_window.exe> [runs]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 15;
    const std::wstring sources[2] = {windowsPath(argv[1]), windowsPath(argv[2])};

    // Copies in a folder of their own: Pellmora writes Pellmora.ini beside
    // itself, and both start from the same disk.
    wchar_t temp[MAX_PATH + 1];
    std::wstring folder(temp, GetTempPathW(MAX_PATH + 1, temp));
    folder += L"pellmora-startup-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder.c_str(), nullptr);
    Program programs[2] = {{"Pellmora.exe", folder + L"\\Pellmora.exe", {}},
                           {"plain window", folder + L"\\plain_window.exe", {}}};
    int status = 0;
    for (int i = 0; i < 2 && status == 0; ++i)
        if (!CopyFileW(sources[i].c_str(), programs[i].exe.c_str(), FALSE)) {
            std::fprintf(stderr, "cannot copy %ls (error %lu)\n", sources[i].c_str(), GetLastError());
            status = 1;
        }

    // One unmeasured start each warms the caches (and writes Pellmora.ini);
    // then the order alternates so that drift favours neither.
    for (auto& p : programs)
        if (status == 0 && !measure(p, nullptr)) status = 1;
    for (int r = 0; r < runs && status == 0; ++r)
        for (int k = 0; k < 2 && status == 0; ++k) {
            Program& p = programs[(r + k) % 2];
            if (!measure(p, &p.runs)) status = 1;
        }

    if (status == 0) {
        // Each round's two runs are side by side in time, so the median of
        // the rounds' ratios is steadier than the ratio of the medians when
        // the machine's load drifts.
        auto summary = [&](double Run::*field, double out[3]) {
            std::vector<double> a, b, ratios;
            for (int r = 0; r < runs; ++r) {
                a.push_back(programs[0].runs[static_cast<std::size_t>(r)].*field);
                b.push_back(programs[1].runs[static_cast<std::size_t>(r)].*field);
                ratios.push_back(a.back() / b.back());
            }
            out[0] = median(a);
            out[1] = median(b);
            out[2] = median(ratios);
        };
        double ms[3], peak[3];
        summary(&Run::ms, ms);
        summary(&Run::peakKiB, peak);
        const double size[3] = {fileKiB(programs[0].exe), fileKiB(programs[1].exe),
                                fileKiB(programs[0].exe) / fileKiB(programs[1].exe)};
        std::printf("Start-up of Pellmora.exe against the same window in plain Win32, same Wine, %d alternating rounds\n"
                    "(medians of the runs; ratio: median of the rounds' ratios)\n\n",
                    runs);
        std::printf("%-18s %14s %14s %7s   %-21s\n", "", "Pellmora.exe", "plain", "ratio", "target");
        row("start-up to idle", "ms", ms, "ratio <= 1.05", ms[2] <= 1.05);
        row("peak working set", "KiB", peak, "ratio <= 1.20", peak[2] <= 1.2);
        row("file size", "KiB", size, "Pellmora < 1024 KiB", size[0] < 1024);
    }

    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
    return status;
}

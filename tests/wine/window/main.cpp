// window_tests.exe [gtest flags] [path\to\Pellmora.exe]
// Without a path, the Pellmora.exe of the build folder three levels up.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "Harness.h"

namespace {

// Wine hands Unix paths over unchanged; map them to its drive letters.
std::wstring windowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/') {
        using ToDos = WCHAR* (*)(const char*);
        const auto toDos = reinterpret_cast<ToDos>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
        if (toDos != nullptr) {
            if (WCHAR* dos = toDos(harness::narrow(path).c_str())) {
                path = dos;
                HeapFree(GetProcessHeap(), 0, dos);
            }
        }
    }
    wchar_t full[MAX_PATH * 4];
    const DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH * 4, full, nullptr);
    return n > 0 && n < MAX_PATH * 4 ? std::wstring(full, n) : path;
}

std::wstring besideBuildFolder() {
    wchar_t self[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    std::wstring path(self, n);
    path.resize(path.find_last_of(L'\\') + 1);
    return windowsPath(path + L"..\\..\\..\\Pellmora.exe");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    testing::InitGoogleTest(&argc, argv);
    harness::setPellmoraExe(argc > 1 ? windowsPath(argv[1]) : besideBuildFolder());
    if (GetFileAttributesW(harness::pellmoraExe().c_str()) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "no Pellmora.exe at %s\n", harness::narrow(harness::pellmoraExe()).c_str());
        return 2;
    }
    return RUN_ALL_TESTS();
}

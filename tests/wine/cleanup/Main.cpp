// The cleanup suite's entry point. Options after GoogleTest's own:
//   --pellmora=PATH      the Pellmora.exe under test
//   --juno=PATH          the stand-in client
//   --unix-scratch=PATH  a Linux folder prepared by run.sh (links)
// The two programs default to their places in the windows build folder.
#include "Harness.h"

#include <shellapi.h>

#include <cstdio>

namespace {

std::wstring folderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }

std::wstring ownPath() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);

    // <build>/tests/wine/cleanup/cleanup_tests.exe
    const std::wstring build = folderOf(folderOf(folderOf(folderOf(ownPath()))));
    cleanup::Config& config = cleanup::config();
    config.pellmoraExe = build + L"\\Pellmora.exe";
    config.junoExe = build + L"\\tools\\juno\\Juno.exe";

    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; args != nullptr && i < count; ++i) {
        const std::wstring arg = args[i];
        auto value = [&](std::wstring_view name) -> const wchar_t* {
            return arg.rfind(name, 0) == 0 ? arg.c_str() + name.size() : nullptr;
        };
        if (const wchar_t* v = value(L"--pellmora=")) config.pellmoraExe = v;
        else if (const wchar_t* v = value(L"--juno=")) config.junoExe = v;
        else if (const wchar_t* v = value(L"--unix-scratch=")) config.unixScratch = v;
    }
    LocalFree(args);

    for (const std::wstring* exe : {&config.pellmoraExe, &config.junoExe}) {
        if (!cleanup::exists(*exe)) {
            std::fprintf(stderr, "%s is missing: build the windows preset first\n", cleanup::narrow(*exe).c_str());
            return 1;
        }
    }
    return RUN_ALL_TESTS();
}

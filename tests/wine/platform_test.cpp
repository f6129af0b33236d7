// The Win32 platform layer in this process: the file system on real folders,
// starting a program, where the loader looks. The ANSI code page: Window.
#include <algorithm>
#include <fstream>
#include <map>
#include <thread>

#include "platform/win32/Loader.h"
#include "platform/win32/SystemCalls.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "tests/wine/Driver.h"

#include <commctrl.h>

namespace wine {
namespace {

using platform::FileError;
const wchar_t* const kReportVariable = L"PELLMORA_PLATFORM_TEST_REPORT";

struct Files : Scratch {
    // The UTF-8 path the platform's interface takes.
    std::string name(const std::string& relative) const { return win32::narrow(path(relative).wstring()); }
    win32::Win32FileSystem files;
};

TEST(FileSystem, PathsGiveErrors53_76_70OrAreRefusedWithANulAndASaveWaitsForAReaderButReplacesNoKeptFile) {
    Files f;
    // A path holding a NUL (a hand-edited Pellmora.ini) names a shorter one
    // to the system, outside the ads folder: refused.
    f.file("victim/keep.txt", "keep");
    std::unique_ptr<platform::Folder> folder;
    EXPECT_EQ(f.files.openFolder(f.name("victim") + '\0' + "\\ads\\", folder), FileError::PathNotFound);
    EXPECT_EQ(f.files.deleteFile(f.name("victim\\keep.txt") + '\0'), FileError::PathNotFound);
    EXPECT_EQ(readFile(f.path("victim/keep.txt")), "keep");
    EXPECT_EQ(f.files.openInput(1, f.name("missing.ini")), FileError::FileNotFound);
    EXPECT_EQ(f.files.openInput(1, f.name("no folder\\missing.ini")), FileError::PathNotFound);
    f.file("locked.ini", "x");
    const win32::FileHandle lock(
        CreateFileW(f.path("locked.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_EQ(f.files.openInput(1, f.name("locked.ini")), FileError::PermissionDenied);
    // A file the user marked read-only is read, a folder in the file's place
    // is not; neither is replaced, nor is a file another program holds open
    // throughout, which outlasts the wait for a reader below.
    f.file("read-only.ini", "keep"), f.file("folder.ini/inside.txt");
    ASSERT_TRUE(SetFileAttributesW(f.path("read-only.ini").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(f.files.openInput(2, f.name("read-only.ini")), FileError::None);
    EXPECT_EQ(f.files.close(2), FileError::None);
    EXPECT_NE(f.files.openInput(2, f.name("folder.ini")), FileError::None);
    for (const char* kept : {"read-only.ini", "folder.ini", "locked.ini"}) {
        f.file("new.tmp", "new");
        EXPECT_NE(f.files.replaceFile(f.name("new.tmp"), f.name(kept)), FileError::None) << kept;
    }
    EXPECT_EQ(readFile(f.path("read-only.ini")) + readFile(f.path("folder.ini/inside.txt")), "keepad");
    // A save replacing it while another program reads it (a scanner, say)
    // waits for the reader to let go. The bytes a save writes: Window.
    f.file("Pellmora.ini", "old"), f.file("Pellmora.ini.tmp", "new");
    win32::FileHandle reader(CreateFileW(f.path("Pellmora.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, 0, nullptr));
    const std::jthread scanner([&] { Sleep(300); reader.reset(); });
    EXPECT_EQ(f.files.replaceFile(f.name("Pellmora.ini.tmp"), f.name("Pellmora.ini")), FileError::None);
    EXPECT_EQ(readFile(f.path("Pellmora.ini")), "new");
}

// A folder emptied through the interface: more names than one listing call
// returns are all given, hidden and system entries are not, a read-only file,
// one held open and a sub-folder are not deleted as files, and the folder
// goes only when remove() asks.
TEST(FileSystem, AFolderEmptiedIsWhollyListedAndGoesOnlyWhenRemoved) {
    Files f;
    for (int i = 0; i < 300; ++i) f.file("ads/many/" + std::string(100, 'n') + std::to_string(i));
    for (const char* file : {"a.gif", "ro.gif", "open.gif", "hidden.gif", "system.dat", "sub/inner.gif"})
        f.file("ads/kept/" + std::string(file));
    ASSERT_TRUE(SetFileAttributesW(f.path("ads/kept/ro.gif").c_str(), FILE_ATTRIBUTE_READONLY) &&
                SetFileAttributesW(f.path("ads/kept/hidden.gif").c_str(), FILE_ATTRIBUTE_HIDDEN) &&
                SetFileAttributesW(f.path("ads/kept/system.dat").c_str(), FILE_ATTRIBUTE_SYSTEM));
    const win32::FileHandle open(
        CreateFileW(f.path("ads/kept/open.gif").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    std::unique_ptr<platform::Folder> ads, many, kept;
    ASSERT_EQ(f.files.openFolder(f.name("ads"), ads), FileError::None);
    const auto empty = [&](const char* name, std::unique_ptr<platform::Folder>& entry) {
        std::map<std::string, bool> deleted;  // each name listed, and whether it went
        EXPECT_EQ(ads->openFolder(name, entry), FileError::None);
        for (std::string listed; entry && entry->next(listed);)
            deleted[listed] = entry->deleteFile(listed) == FileError::None;
        return deleted;
    };
    const std::map<std::string, bool> fromMany = empty("many", many);
    EXPECT_TRUE(fromMany.size() == 300 && std::ranges::all_of(fromMany, [](const auto& name) { return name.second; }));
    EXPECT_EQ(empty("kept", kept), (std::map<std::string, bool>{{"a.gif", true}, {"open.gif", false},
                                                                {"ro.gif", false}, {"sub", false}}));
    EXPECT_EQ(many->remove(), FileError::None);
    many.reset();  // it goes when let go
    EXPECT_EQ(f.namesIn("ads"), std::vector<std::wstring>{L"kept"});
}

// A started copy of this program writes the tail of its command line (empty
// here; the tail's rules are the unit tests'), the whole line, its own path
// and its current folder, which is its own, to the file its environment names.
TEST(Processes, StartsByTheFullPathBehindABlankInItsOwnFolderAndGivesTheTailOfTheCommandLine) {
    Files f;
    const std::string client = f.name("Program Files\\Juno.exe");
    fs::create_directories(f.path("Program Files"));
    ASSERT_TRUE(CopyFileW(_wpgmptr, win32::widen(client).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(_wpgmptr, f.path("Program.exe").c_str(), FALSE));  // what a split line would run
    const fs::path reportFile = f.path("report");
    SetEnvironmentVariableW(kReportVariable, reportFile.c_str());
    const auto report = [&](bool started) {
        std::string text;
        waitFor([&] { return started && std::ranges::count(text = readFile(reportFile), '\n') >= 4; }, 10000);
        DeleteFileW(reportFile.c_str());
        return text;
    };
    EXPECT_EQ(report(win32::Win32Processes().startProgram(client)),
              "\n\"" + client + "\"\n" + client + "\n" + f.name("Program Files") + "\n");
}

// The build puts pellmora_planted.dll beside this program, as someone could
// put a DLL beside Pellmora.exe; the system has no DLL of that name.
TEST(Loader, ABareNameIsLookedForInTheSystemFolderOnlyAndWithoutTheUpdateNotInTheCurrentOne) {
    // Windows 7 before KB2533623: only the current folder leaves the search.
    const win32::SystemCalls all = win32::systemCalls();
    win32::systemCalls().setDefaultDllDirectories = nullptr;
    SetDllDirectoryW(L"C:\\");
    win32::restrictDllSearch();
    wchar_t folder[4] = L"?";
    EXPECT_TRUE(GetDllDirectoryW(4, folder) == 0 && folder[0] == 0) << folder;
    EXPECT_FALSE(all.setSearchPathMode(BASE_SEARCH_PATH_DISABLE_SAFE_SEARCHMODE));  // made permanent
    const HMODULE planted = LoadLibraryW(L"pellmora_planted.dll");
    EXPECT_TRUE(planted && FreeLibrary(planted));
    // Everywhere else, as at Pellmora's start-up.
    win32::systemCalls() = all;
    win32::restrictDllSearch();
    EXPECT_EQ(LoadLibraryW(L"pellmora_planted.dll"), nullptr);
}

}  // namespace
}  // namespace wine

int main(int argc, char** argv) {
    wchar_t report[MAX_PATH];
    if (GetEnvironmentVariableW(wine::kReportVariable, report, MAX_PATH) > 0)
        return !(std::ofstream(std::filesystem::path(report), std::ios::binary)
                 << win32::Win32Processes().commandLine() << "\n" << win32::narrow(GetCommandLineW()) << "\n"
                 << win32::narrow(_wpgmptr) << "\n" << win32::narrow(std::filesystem::current_path().wstring()) << "\n");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

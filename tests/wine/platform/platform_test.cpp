// The Win32 platform layer in-process, under Wine: the file system on real
// folders, starting a program, and the window's controls, timers and key
// routing through the real window system.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/Layout.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Window.h"
#include "window/ControlTable.h"

namespace {

using platform::ControlId;
using platform::DirEntry;
using platform::FileError;

constexpr const wchar_t* kReportVariable = L"PELLMORA_PLATFORM_TEST_REPORT";

// --- A scratch folder per test -------------------------------------------------

std::wstring tempRoot() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, buffer);
    return std::wstring(buffer, length);  // ends in "\"
}

void removeTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &data));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

// Whole files by wide path, past the C library.
void writeBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

std::string readBytes(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(h, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(h);
    return bytes;
}

class Scratch : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = L"\\\\?\\" + tempRoot() + L"pellmora-platform-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++serial_);
        ASSERT_TRUE(CreateDirectoryW(root_.c_str(), nullptr));
        dir = win32::narrow(root_.substr(4));  // the plain form, as the logic gives paths
    }
    void TearDown() override { removeTree(root_); }

    std::wstring wide(const std::string& name) const { return root_ + L"\\" + win32::widen(name); }
    void makeFile(const std::string& name, const std::string& bytes, DWORD attributes = 0) const {
        writeBytes(wide(name), bytes);
        if (attributes) SetFileAttributesW(wide(name).c_str(), attributes);
    }
    void makeFolder(const std::string& name, DWORD attributes = 0) const {
        CreateDirectoryW(wide(name).c_str(), nullptr);
        if (attributes) SetFileAttributesW(wide(name).c_str(), attributes);
    }
    bool exists(const std::string& name) const { return GetFileAttributesW(wide(name).c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::string bytesOf(const std::string& name) const { return readBytes(wide(name)); }
    std::string path(const std::string& name) const { return dir + "\\" + name; }

    std::string dir;
    win32::Win32FileSystem files;

private:
    std::wstring root_;
    static inline int serial_ = 0;
};

std::vector<std::string> listAll(win32::Win32FileSystem& files, const std::string& folder) {
    std::vector<std::string> names;
    DirEntry entry;
    for (bool more = files.findFirst(folder, entry); more; more = files.findNext(entry))
        names.push_back(entry.name + (entry.isFolder ? "\\" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

// --- File system -----------------------------------------------------------------

using FileSystem = Scratch;

TEST_F(FileSystem, OpenInputMapsEachFailureToItsErrorNumber) {
    EXPECT_EQ(files.openInput(1, path("missing.ini")), FileError::FileNotFound);
    EXPECT_EQ(files.openInput(1, path("no folder\\missing.ini")), FileError::PathNotFound);
    // Locked by another handle that shares nothing.
    makeFile("locked.ini", "x");
    HANDLE lock = CreateFileW(wide("locked.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(files.openInput(1, path("locked.ini")), FileError::PermissionDenied);
    CloseHandle(lock);
    // A number in use is refused until it is closed; closing twice is harmless.
    ASSERT_EQ(files.openInput(1, path("locked.ini")), FileError::None);
    EXPECT_EQ(files.openInput(1, path("locked.ini")), FileError::Failed);
    EXPECT_EQ(files.close(1), FileError::None);
    EXPECT_EQ(files.close(1), FileError::None);
    std::string text;
    EXPECT_EQ(files.readAll(1, text), FileError::Failed);
}

TEST_F(FileSystem, LinesAreWrittenInTheAnsiCodePageWithCrLfAndReadBackAsUtf8) {
    if (GetACP() != 1252) GTEST_SKIP() << "the byte checks assume code page 1252";
    ASSERT_EQ(files.openOutput(1, path("Pellmora.ini")), FileError::None);
    EXPECT_EQ(files.writeLine(1, "\"[GENERAL]\""), FileError::None);
    EXPECT_EQ(files.writeLine(1, "\"C:\\Programme\\Caf\xC3\xA9\""), FileError::None);  // é
    EXPECT_EQ(files.writeLine(1, ""), FileError::None);
    // No best-fit stand-in for a character the code page lacks, and no
    // bytes for a line that is not UTF-8: both refused.
    EXPECT_NE(files.writeLine(1, "\xE6\x97\xA5"), FileError::None);  // 日
    EXPECT_NE(files.writeLine(1, "\xC3"), FileError::None);
    ASSERT_EQ(files.close(1), FileError::None);
    EXPECT_EQ(bytesOf("Pellmora.ini"), "\"[GENERAL]\"\r\n\"C:\\Programme\\Caf\xE9\"\r\n\r\n");

    std::string text;
    ASSERT_EQ(files.openInput(1, path("Pellmora.ini")), FileError::None);
    ASSERT_EQ(files.readAll(1, text), FileError::None);
    EXPECT_EQ(files.close(1), FileError::None);
    EXPECT_EQ(text, "\"[GENERAL]\"\r\n\"C:\\Programme\\Caf\xC3\xA9\"\r\n\r\n");
}

TEST_F(FileSystem, OpenOutputTruncatesAndAnInputNumberTakesNoLines) {
    makeFile("Pellmora.ini", "a much longer earlier content\r\n");
    ASSERT_EQ(files.openOutput(2, path("Pellmora.ini")), FileError::None);
    EXPECT_EQ(files.writeLine(2, "1"), FileError::None);
    EXPECT_EQ(files.writeLine(3, "1"), FileError::Failed);  // never opened
    ASSERT_EQ(files.close(2), FileError::None);
    EXPECT_EQ(bytesOf("Pellmora.ini"), "1\r\n");
    ASSERT_EQ(files.openInput(1, path("Pellmora.ini")), FileError::None);
    EXPECT_EQ(files.writeLine(1, "2"), FileError::Failed);
    files.close(1);
    EXPECT_EQ(files.openOutput(1, path("no folder\\x.ini")), FileError::PathNotFound);
    makeFolder("Pellmora.ini.tmp");
    EXPECT_EQ(files.openOutput(1, path("Pellmora.ini.tmp")), FileError::PermissionDenied);
    EXPECT_EQ(files.close(1), FileError::None);
}

TEST_F(FileSystem, FileExistsIsFalseOnlyWhenCertainlyMissing) {
    makeFile("here.ini", "");
    makeFolder("folder");
    EXPECT_TRUE(files.fileExists(path("here.ini")));
    EXPECT_TRUE(files.fileExists(path("folder")));
    EXPECT_FALSE(files.fileExists(path("gone.ini")));
    EXPECT_FALSE(files.fileExists(path("no folder\\gone.ini")));
    // A name the system cannot even look up may still be something.
    EXPECT_TRUE(files.fileExists(path("bad?name.ini")));
}

TEST_F(FileSystem, ReplaceFilePutsTheNewFileInPlace) {
    makeFile("Pellmora.ini", "old");
    makeFile("Pellmora.ini.tmp", "new");
    EXPECT_EQ(files.replaceFile(path("Pellmora.ini.tmp"), path("Pellmora.ini")), FileError::None);
    EXPECT_EQ(bytesOf("Pellmora.ini"), "new");
    EXPECT_FALSE(exists("Pellmora.ini.tmp"));
    EXPECT_EQ(files.replaceFile(path("Pellmora.ini.tmp"), path("Pellmora.ini")), FileError::FileNotFound);
    EXPECT_EQ(bytesOf("Pellmora.ini"), "new");
}

TEST_F(FileSystem, ListingShowsFoldersAndFilesButNeverHiddenOrSystemEntries) {
    makeFolder("ads");
    makeFolder("ads\\ad1");
    makeFolder("ads\\secret", FILE_ATTRIBUTE_HIDDEN);
    makeFile("ads\\loose.gif", "g");
    makeFile("ads\\hidden.gif", "h", FILE_ATTRIBUTE_HIDDEN);
    makeFile("ads\\system.dat", "s", FILE_ATTRIBUTE_SYSTEM);
    makeFile("ads\\readonly.gif", "r", FILE_ATTRIBUTE_READONLY);
    const std::vector<std::string> expected{"..\\", ".\\", "ad1\\", "loose.gif", "readonly.gif"};  // sorted
    EXPECT_EQ(listAll(files, path("ads\\")), expected);
    // Forward slashes and a relative form reach the same folder.
    std::wstring here(MAX_PATH, L'\0');
    here.resize(GetCurrentDirectoryW(MAX_PATH, here.data()));
    SetCurrentDirectoryW(win32::widen(dir).c_str());
    EXPECT_EQ(listAll(files, "ads\\"), expected);
    SetCurrentDirectoryW(here.c_str());
    std::string slashed = path("ads/");
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    EXPECT_EQ(listAll(files, slashed), expected);
}

TEST_F(FileSystem, StartingAListingEndsThePreviousOneAndAFailedStartEndsIt) {
    makeFolder("a");
    makeFolder("b");
    makeFile("a\\1", "");
    makeFile("a\\2", "");
    makeFile("b\\only", "");
    DirEntry entry;
    ASSERT_TRUE(files.findFirst(path("a\\"), entry));
    ASSERT_TRUE(files.findFirst(path("b\\"), entry));
    std::vector<std::string> names{entry.name};
    while (files.findNext(entry)) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "only"}));
    EXPECT_FALSE(files.findNext(entry));  // exhausted stays exhausted

    ASSERT_TRUE(files.findFirst(path("a\\"), entry));
    EXPECT_FALSE(files.findFirst(path("missing\\"), entry));
    EXPECT_FALSE(files.findNext(entry));  // a's listing went with the failed start
}

TEST_F(FileSystem, DeletingLeavesReadOnlyAndInUseFilesAsTheyAre) {
    makeFolder("ads");
    makeFolder("ads\\full");
    makeFile("ads\\full\\x.gif", "x");
    makeFile("ads\\plain.gif", "p");
    makeFile("ads\\readonly.gif", "r", FILE_ATTRIBUTE_READONLY);
    makeFile("ads\\busy.gif", "b");
    EXPECT_EQ(files.deleteFile(path("ads\\plain.gif")), FileError::None);
    EXPECT_FALSE(exists("ads\\plain.gif"));
    EXPECT_EQ(files.deleteFile(path("ads\\plain.gif")), FileError::FileNotFound);
    EXPECT_EQ(files.deleteFile(path("ads\\readonly.gif")), FileError::PermissionDenied);
    EXPECT_EQ(GetFileAttributesW(wide("ads\\readonly.gif").c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));  // never changed to force it
    HANDLE busy = CreateFileW(wide("ads\\busy.gif").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_EQ(files.deleteFile(path("ads\\busy.gif")), FileError::PermissionDenied);
    CloseHandle(busy);
    EXPECT_TRUE(exists("ads\\busy.gif"));
    // A folder is no file, and only an empty folder is removed.
    EXPECT_NE(files.deleteFile(path("ads\\full")), FileError::None);
    EXPECT_NE(files.removeFolder(path("ads\\full")), FileError::None);
    EXPECT_TRUE(exists("ads\\full\\x.gif"));
    EXPECT_NE(files.removeFolder(path("ads\\readonly.gif")), FileError::None);
    EXPECT_EQ(files.deleteFile(path("ads\\full\\x.gif")), FileError::None);
    EXPECT_EQ(files.removeFolder(path("ads\\full")), FileError::None);
    EXPECT_FALSE(exists("ads\\full"));
}

TEST_F(FileSystem, PathsBeyondTheClassicLimitWorkLikeAnyOther) {
    std::string deep = "ads";
    makeFolder(deep);
    while (path(deep).size() < 300) {
        deep += "\\" + std::string(40, 'd');
        makeFolder(deep);
    }
    ASSERT_TRUE(exists(deep));
    const std::string file = path(deep + "\\ad.gif");
    ASSERT_GT(file.size(), 300u);
    ASSERT_EQ(files.openOutput(1, file), FileError::None);
    EXPECT_EQ(files.writeLine(1, "deep"), FileError::None);
    ASSERT_EQ(files.close(1), FileError::None);
    EXPECT_TRUE(files.fileExists(file));
    EXPECT_EQ(listAll(files, path(deep + "\\")), (std::vector<std::string>{"..\\", ".\\", "ad.gif"}));
    EXPECT_EQ(files.deleteFile(file), FileError::None);
    EXPECT_FALSE(files.fileExists(file));
    EXPECT_EQ(files.removeFolder(path(deep)), FileError::None);
}

TEST(SystemPath, AbsoluteExtendedFormsForDriveUncAndRelativePaths) {
    EXPECT_EQ(win32::systemPath("C:\\Juno\\ads\\"), L"\\\\?\\C:\\Juno\\ads\\");
    EXPECT_EQ(win32::systemPath("C:\\Juno\\..\\ads"), L"\\\\?\\C:\\ads");
    EXPECT_EQ(win32::systemPath("\\\\server\\share\\ads"), L"\\\\?\\UNC\\server\\share\\ads");
    std::wstring here(MAX_PATH, L'\0');
    here.resize(GetCurrentDirectoryW(MAX_PATH, here.data()));
    if (here.back() != L'\\') here += L'\\';
    EXPECT_EQ(win32::systemPath("ads"), L"\\\\?\\" + here + L"ads");
    EXPECT_EQ(win32::systemPath("\\\\?\\C:\\as is"), L"\\\\?\\C:\\as is");
}

TEST(ProgramFolder, IsTheExecutablesFolderWithoutATrailingBackslash) {
    wchar_t own[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    const std::wstring exe(own, length);
    const std::string folder = win32::Win32FileSystem().programFolder();
    EXPECT_EQ(win32::widen(folder), exe.substr(0, exe.find_last_of(L'\\')));
    EXPECT_NE(folder.back(), '\\');
}

// --- Processes -------------------------------------------------------------------

// The started copy of this program writes what it was given and ends.
int reportAsChild(const std::wstring& reportPath) {
    wchar_t own[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    wchar_t here[MAX_PATH];
    const DWORD hereLength = GetCurrentDirectoryW(MAX_PATH, here);
    std::ostringstream out;
    out << win32::narrow(std::wstring(own, length)) << "\n"
        << win32::narrow(GetCommandLineW()) << "\n"
        << ((startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1) << "\n"
        << win32::narrow(std::wstring(here, hereLength)) << "\n"
        << win32::Win32Processes().commandLine() << "\n";
    writeBytes(reportPath, out.str());
    return 0;
}

using Processes = Scratch;

TEST_F(Processes, StartsTheProgramByItsFullPathEvenBehindABlank) {
    // Copies of this program as the client and as the trap a split
    // command line would run instead.
    wchar_t own[MAX_PATH];
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    makeFolder("Program Files");
    makeFolder("Program Files\\Juno");
    makeFolder("Program Files\\Juno\\BIN");
    ASSERT_TRUE(CopyFileW(own, wide("Program Files\\Juno\\BIN\\Juno.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(own, wide("Program.exe").c_str(), FALSE));
    const std::wstring report = wide("report.txt");
    SetEnvironmentVariableW(kReportVariable, report.c_str());

    win32::Win32Processes processes;
    const std::string client = path("Program Files\\Juno\\BIN\\Juno.exe");
    const bool started = processes.startProgram(client);
    SetEnvironmentVariableW(kReportVariable, nullptr);
    ASSERT_TRUE(started);
    // The child may still be writing: wait for its last line.
    const auto lineCount = [&] {
        const std::string text = bytesOf("report.txt");
        return std::count(text.begin(), text.end(), '\n');
    };
    for (int i = 0; i < 400 && lineCount() < 5; ++i) Sleep(50);
    std::istringstream lines(bytesOf("report.txt"));
    std::string module, commandLine, show, folder;
    std::getline(lines, module);
    std::getline(lines, commandLine);
    std::getline(lines, show);
    std::getline(lines, folder);
    EXPECT_EQ(module, client);
    EXPECT_EQ(commandLine, "\"" + client + "\"");
    EXPECT_EQ(show, std::to_string(SW_SHOWNORMAL));
    wchar_t here[MAX_PATH];
    EXPECT_EQ(folder, win32::narrow(std::wstring(here, GetCurrentDirectoryW(MAX_PATH, here))));  // none given

    EXPECT_FALSE(processes.startProgram(path("Program Files\\Juno\\BIN\\Missing.exe")));
    EXPECT_FALSE(processes.startProgram(""));
}

// What a copy of this program reports when started with `commandLine`.
std::vector<std::string> runChild(const std::wstring& exe, std::wstring commandLine, const std::wstring& report) {
    DeleteFileW(report.c_str());
    SetEnvironmentVariableW(kReportVariable, report.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const BOOL started =
        CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableW(kReportVariable, nullptr);
    if (!started) return {};
    WaitForSingleObject(child.hProcess, 20000);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    std::istringstream in(readBytes(report));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST_F(Processes, CommandLineIsWhatFollowsTheProgramsOwnName) {
    wchar_t own[MAX_PATH];
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    makeFolder("With Blank");
    const std::wstring exe = wide("With Blank\\Pellmora.exe");
    ASSERT_TRUE(CopyFileW(own, exe.c_str(), FALSE));
    const std::wstring plain = win32::widen(path("With Blank\\Pellmora.exe"));
    const std::wstring report = wide("report.txt");
    const auto tail = [&](const std::wstring& line) {
        const std::vector<std::string> lines = runChild(plain, line, report);
        return lines.size() >= 5 ? lines[4] : std::string("(no report)");
    };
    EXPECT_EQ(tail(L"\"" + plain + L"\""), "");
    EXPECT_EQ(tail(L"\"" + plain + L"\" /"), "/");
    EXPECT_EQ(tail(L"\"" + plain + L"\"   /x  \"y z\""), "/x  \"y z\"");
    EXPECT_EQ(tail(L"Pellmora.exe \t-a"), "-a");
    EXPECT_EQ(tail(L"Pellmora.exe   "), "");
}

}  // namespace

int main(int argc, char** argv) {
    wchar_t report[MAX_PATH];
    if (GetEnvironmentVariableW(kReportVariable, report, MAX_PATH) > 0) return reportAsChild(report);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

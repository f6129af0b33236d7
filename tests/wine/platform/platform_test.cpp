// The Win32 platform layer in-process, under Wine: the file system on real
// folders, starting a program, and the main window's controls and timers.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/win32/Text.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Processes.h"
#include "platform/win32/Win32Window.h"

using platform::ControlId;
using platform::FileError;
static const wchar_t* const kReportVariable = L"PELLMORA_PLATFORM_TEST_REPORT";

static std::string readBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Starts a Windows program, or a Linux one (Wine runs those as they are), without waiting for it.
static bool started(std::wstring line, const wchar_t* exe = nullptr) {
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION child{};  // its handles are left to this program's end
    return CreateProcessW(exe, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child);
}

// The Linux path of a Windows one, quoted for a command line.
static std::wstring unixArg(const std::wstring& path) {
    static const auto convert = reinterpret_cast<char*(CDECL*)(LPCWSTR)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    return L"\"" + win32::widen(convert(path.c_str())) + L"\"";
}

class FileSystem : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(CreateDirectoryW(root.c_str(), nullptr)); }
    void TearDown() override { started(L"/bin/rm -rf " + unixArg(root)); }
    std::wstring wide(const std::string& name) const { return root + L"\\" + win32::widen(name); }
    std::string path(const std::string& name) const { return win32::narrow(root.substr(4)) + "\\" + name; }
    bool exists(const std::string& n) const { return GetFileAttributesW(wide(n).c_str()) != INVALID_FILE_ATTRIBUTES; }
    // A folder, or with `bytes` a file.
    void make(const std::string& name, DWORD attributes = 0, const char* bytes = nullptr) const {
        bytes ? void(std::ofstream(std::filesystem::path(wide(name)), std::ios::binary) << bytes)
              : void(CreateDirectoryW(wide(name).c_str(), nullptr));
        ASSERT_TRUE(exists(name) && (!attributes || SetFileAttributesW(wide(name).c_str(), attributes))) << name;
    }
    // A Unix symbolic link, as a user would make one on the Linux side.
    void link(const std::string& target, const std::string& name) const {
        started(L"/bin/ln -s " + unixArg(wide(target)) + L" " + unixArg(wide(name)));
        for (int i = 0; i < 100 && !exists(name); ++i) Sleep(50);
        ASSERT_TRUE(exists(name)) << name;
    }

    std::wstring root = L"\\\\?\\" + (std::filesystem::temp_directory_path() / "pellmora-").wstring() +
                        win32::widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
    win32::Win32FileSystem files;
};

TEST_F(FileSystem, TextFilesGiveErrors53_76_70AndAreWrittenInTheAnsiCodePage) {
    EXPECT_EQ(files.openInput(1, path("missing.ini")), FileError::FileNotFound);
    EXPECT_EQ(files.openInput(1, path("no folder\\missing.ini")), FileError::PathNotFound);
    make("locked.ini", 0, "x");
    HANDLE lock = CreateFileW(wide("locked.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(files.openInput(1, path("locked.ini")), FileError::PermissionDenied);
    CloseHandle(lock);
    // The bytes below are code page 1252's, the prefix's.
    ASSERT_EQ(files.openOutput(1, path("Pellmora.ini")), FileError::None);
    EXPECT_EQ(files.writeLine(1, "\"C:\\Caf\xC3\xA9\""), FileError::None);
    EXPECT_NE(files.writeLine(1, "\xE6\x97\xA5"), FileError::None);  // no best-fit stand-in
    ASSERT_EQ(files.close(1), FileError::None);
    EXPECT_EQ(readBytes(wide("Pellmora.ini")), "\"C:\\Caf\xE9\"\r\n");
}

TEST_F(FileSystem, ListingSkipsHiddenAndSystemEntriesAndFlagsLinks) {
    for (const char* folder : {"ads", "ads\\ad1"}) make(folder);
    make("ads\\secret", FILE_ATTRIBUTE_HIDDEN);
    make("ads\\loose.gif", 0, "g");
    make("ads\\system.dat", FILE_ATTRIBUTE_SYSTEM, "s");
    link("ads\\ad1", "ads\\linked");
    std::vector<std::string> names;
    platform::DirEntry entry;
    for (bool more = files.findFirst(path("ads\\"), entry); more; more = files.findNext(entry))
        names.push_back(entry.name + (entry.isFolder ? "\\" : "") + (entry.isLink ? "@" : ""));
    std::ranges::sort(names);
    EXPECT_EQ(names, (std::vector<std::string>{"..\\", ".\\", "ad1\\", "linked\\@", "loose.gif"}));
}

TEST_F(FileSystem, DeletingSparesReadOnlyAndInUseFilesAndALinksTargetButReachesPastTheClassicLimit) {
    std::string deep = "ads";
    for (make(deep); path(deep).size() < 270; make(deep)) deep += "\\" + std::string(40, 'd');
    make(deep + "\\ad.gif", 0, "ad");
    EXPECT_EQ(files.deleteFile(path(deep + "\\ad.gif")), FileError::None);
    EXPECT_FALSE(exists(deep + "\\ad.gif"));
    make("ads\\readonly.gif", FILE_ATTRIBUTE_READONLY, "r");
    EXPECT_EQ(files.deleteFile(path("ads\\readonly.gif")), FileError::PermissionDenied);
    EXPECT_NE(GetFileAttributesW(wide("ads\\readonly.gif").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);  // not forced
    make("keep.txt", 0, "keep");
    HANDLE busy = CreateFileW(wide("keep.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(files.deleteFile(path("keep.txt")), FileError::PermissionDenied);
    CloseHandle(busy);
    // Wine shows a link to a file as a plain file: the link may go or stay, its target stays.
    link("keep.txt", "ads\\file-link");
    EXPECT_EQ(files.deleteFile(path("ads\\file-link")) == FileError::None, !exists("ads\\file-link"));
    EXPECT_EQ(readBytes(wide("keep.txt")), "keep");
}

using Processes = FileSystem;

// A started copy of this program reports the tail of its command line, the whole line and its own path.
TEST_F(Processes, StartsByTheFullPathBehindABlankAndGivesTheTailOfTheCommandLine) {
    const std::string client = path("Program Files\\Juno.exe");
    make("Program Files");
    ASSERT_TRUE(CopyFileW(_wpgmptr, win32::widen(client).c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(_wpgmptr, wide("Program.exe").c_str(), FALSE));  // what a split line would run
    SetEnvironmentVariableW(kReportVariable, wide("report").c_str());
    const auto report = [&](bool ok) {
        std::string text;
        for (int i = 0; ok && i < 200 && std::ranges::count(text = readBytes(wide("report")), '\n') < 3; ++i) Sleep(50);
        DeleteFileW(wide("report").c_str());
        return text;
    };
    EXPECT_EQ(report(win32::Win32Processes().startProgram(client)), "\n\"" + client + "\"\n" + client + "\n");
    const auto tail = [&](const std::wstring& line) { return report(started(line, win32::widen(client).c_str())); };
    EXPECT_EQ(tail(L"\"" + win32::widen(client) + L"\"   /x  \"y z\"").find("/x  \"y z\"\n"), 0u);
    EXPECT_EQ(tail(L"Juno.exe \t-a   ").find("-a   \n"), 0u);
}

TEST(Window, CodeChangesAreMirroredAndRaiseTheirEventOnceTwipsStayExactAndTimersRestart) {
    win32::Win32Form form{GetModuleHandleW(nullptr)};
    win32::Win32WindowSystem windows{form};
    int clicks = 0, changes = 0, ticks = 0;
    form.get<platform::CheckBox>(ControlId::chkRunJuno).onClick = [&] { ++clicks; };
    for (std::int16_t value : {2, 0, 1, 1}) {
        form.get<platform::CheckBox>(ControlId::chkRunJuno).setValue(value);
        EXPECT_EQ(SendMessageW(form.windowOf(ControlId::chkRunJuno), BM_GETCHECK, 0, 0), value);  // grey is 2
    }
    EXPECT_EQ(clicks, 3);  // setting the value it has is no change
    form.get<platform::TextBox>(ControlId::txtJunoPath).onChange = [&] { ++changes; };
    form.get<platform::TextBox>(ControlId::txtJunoPath).setText("C:\\Juno");
    EXPECT_EQ(changes, 1);  // not again for the edit box's own notice

    // The pixel figures below are for 96 DPI, the virtual display's.
    platform::Label& notice = form.get<platform::Label>(ControlId::Label2);
    const auto noticeX = [&](float twips) {
        notice.setLeft(twips);
        POINT origin{};
        MapWindowPoints(form.windowOf(ControlId::Label2), form.windowOf(ControlId::Picture1), &origin, 1);
        return origin.x;
    };
    EXPECT_EQ(noticeX(3742.5f), 250);  // 249.5 pixels
    EXPECT_EQ(noticeX(3742.4f), 249);  // 249.49
    EXPECT_EQ(notice.left(), 3742.4f);

    // Re-enabled more often than it falls due (250 ms), a running timer never ticks.
    form.timer(ControlId::timScroll).onTick = [&] { ++ticks; };
    for (int i = 0; i < 10; ++i, form.timer(ControlId::timScroll).setEnabled(true))
        for (const ULONGLONG end = GetTickCount64() + 100; GetTickCount64() < end; Sleep(5)) windows.doEvents();
    EXPECT_EQ(ticks, 0);
    for (const ULONGLONG end = GetTickCount64() + 600; GetTickCount64() < end && !ticks; Sleep(5)) windows.doEvents();
    EXPECT_EQ(ticks, 1);
}

int main(int argc, char** argv) {
    wchar_t report[MAX_PATH];
    if (GetEnvironmentVariableW(kReportVariable, report, MAX_PATH) > 0)
        return !(std::ofstream(std::filesystem::path(report), std::ios::binary)
                 << win32::Win32Processes().commandLine() << "\n" << win32::narrow(GetCommandLineW()) << "\n"
                 << win32::narrow(_wpgmptr) << "\n");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

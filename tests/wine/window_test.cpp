// The real window, its keys with real input, and Pellmora.ini on disk.
#include "platform/Keyboard.h"
#include "platform/win32/Text.h"
#include "tests/wine/Driver.h"

namespace wine {
namespace {

// The window the user starts: its title, a caption and close box only, and
// centred on the screen. Where each control stands, at every DPI: Dpi.
TEST(Window, TitledFixedAndCentred) {
    Scratch s;
    Pellmora p(s.path("app"), std::nullopt);
    const HWND w = p.window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(driving::textOf(w), L"Pellmora Version 1.01");
    EXPECT_EQ(GetWindowLongW(w, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              WS_CAPTION | WS_SYSMENU)
        << "a caption and close box; no resizing, minimising or maximising";
    RECT outer{};
    GetWindowRect(w, &outer);
    EXPECT_LE(std::abs(outer.left - (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2), 1);
    EXPECT_LE(std::abs(outer.top - (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2), 1);
}

// One line, commas, the section marker without quotes: read, but never
// written in this form, so any save shows.
constexpr std::string_view kHandWritten = "[GENERAL],\"D:\\Mail, Juno\",0,2,1,7\r\n";

// Tab walks the table's Tab order across the panel and the frame (the panel
// may take the focus once on the way); Enter in the path field presses OK,
// which saves what was typed and ends; Esc and the close box end without
// saving.
TEST(Window, TabEnterEscAndTheCloseBoxWithRealKeys) {
    Scratch s;
    Pellmora p(s.path("app"), kHandWritten);
    ASSERT_NE(p.window(), nullptr);
    EXPECT_EQ(p.send(ControlId::chkDeleteAds, BM_GETCHECK), BST_INDETERMINATE) << "2 is grey";
    const auto focused = [&] {
        GUITHREADINFO info{sizeof info};
        GetGUIThreadInfo(GetWindowThreadProcessId(p.window(), nullptr), &info);
        return info.hwndFocus;
    };
    // From the path field, which has the focus at start, round to it again.
    std::vector<HWND> expected, seen{focused()};
    for (platform::Row at : platform::keyboardRules(pellmora::kFormLayout.controls).tabOrder)
        expected.push_back(p.control(ControlId(at)));
    expected.push_back(expected.front());
    for (std::size_t presses = 0; presses < expected.size() + 1 && seen.size() < expected.size(); ++presses) {
        p.press(VK_TAB);
        waitFor([&] { return focused() != seen.back(); }, 1000);
        if (focused() != p.control(ControlId::Picture1)) seen.push_back(focused());
    }
    EXPECT_EQ(seen, expected);
    p.send(ControlId::txtJunoPath, EM_SETSEL, 0, -1);
    p.typeText(L"E:\\Typed, Here");
    ASSERT_TRUE(p.waitForText(ControlId::txtJunoPath, L"E:\\Typed, Here", 5000));
    p.press(VK_RETURN);
    ASSERT_TRUE(p.exited(5000)) << "Enter did not end the program";
    EXPECT_EQ(p.ini(), iniFile("E:\\Typed, Here", 0, 2, 1, 7));

    for (const bool esc : {true, false}) {
        SCOPED_TRACE(esc ? "Esc" : "close box");
        Pellmora q(s.path(esc ? "esc" : "close"), kHandWritten);
        ASSERT_NE(q.window(), nullptr);
        esc ? q.press(VK_ESCAPE) : void(PostMessageW(q.window(), WM_SYSCOMMAND, SC_CLOSE, 0));
        ASSERT_TRUE(q.exited(5000)) << "the program did not end";
        EXPECT_EQ(q.ini(), kHandWritten);
    }
}

constexpr std::wstring_view kOptionsMessage =
    L"An Unexpected error has occured while trying to read Pellmora.ini. Pellmora will try to rebuild this file.";

// A read-only file is read without a word; a locked file or a folder in its
// place is said once. A save that cannot replace it (a lock held throughout
// outlasts the wait for a reader) is said once, leaves it as it was, and the
// program goes on.
TEST(OptionsFile, ReadOnlyLockedOrAFolderIsNeverReplaced) {
    for (const char* kind : {"read-only", "locked", "folder"}) {
        SCOPED_TRACE(kind);
        Scratch s;
        const fs::path ini = s.path("app/Pellmora.ini");
        const std::string good = iniFile("D:\\Juno", 0, 1, 0, 1);
        const bool folder = kind == std::string_view("folder"), locked = kind == std::string_view("locked");
        s.file(folder ? "app/Pellmora.ini/keep.txt" : "app/Pellmora.ini", good);
        if (!folder && !locked) { ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY)); }
        win32::FileHandle lock(
            locked ? CreateFileW(ini.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                   : INVALID_HANDLE_VALUE);
        Pellmora p(s.path("app"), std::nullopt);
        const auto before = s.snapshot("app");
        if (folder || locked) { EXPECT_EQ(p.answerMessageBox(20000), kOptionsMessage); }
        ASSERT_NE(p.window(), nullptr);
        EXPECT_EQ(p.text(ControlId::txtJunoPath), folder || locked ? L"" : L"D:\\Juno");
        p.click(ControlId::btnApply);
        EXPECT_EQ(p.answerMessageBox(), kOptionsMessage);
        EXPECT_FALSE(p.answerMessageBox(1500)) << "said more than once";
        EXPECT_FALSE(p.exited(0));
        EXPECT_EQ(s.snapshot("app"), before);
        lock.reset();
        if (!folder) { EXPECT_EQ(readFile(ini), good); }
        SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

// A path typed in any script is kept: Apply writes it and the next start
// shows it whole. Where the prefix's ANSI code page holds it, the file is in
// that code page's bytes, as it always was; where not, UTF-8 behind its mark.
// Run in the main prefix (1252) and in a Cyrillic one (1251).
TEST(OptionsFile, APathTypedInAnyScriptIsKept) {
    const UINT codePage = GetACP();
    ASSERT_TRUE(codePage == 1252 || codePage == 1251) << codePage;
    // Each path with its bytes in 1252 and in 1251; none where that code page lacks a letter.
    const std::tuple<std::wstring, std::optional<std::string>, std::optional<std::string>> rows[] = {
        {L"C:\\Программы\\Juno", std::nullopt, "C:\\\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB\\Juno"},
        {L"C:\\Café\\Juno", "C:\\Caf\xE9\\Juno", std::nullopt},
        {L"C:\\Mail \xD835\xDC00", std::nullopt, std::nullopt},  // a letter outside the BMP
    };
    for (const auto& [path, in1252, in1251] : rows) {
        SCOPED_TRACE(win32::narrow(path));
        Scratch s;
        Pellmora p(s.path("app"), iniFile("D:\\Old", 0, 1, 1, 1));
        ASSERT_NE(p.window(), nullptr);
        p.send(ControlId::txtJunoPath, EM_SETSEL, 0, -1);
        p.typeText(path);
        ASSERT_TRUE(p.waitForText(ControlId::txtJunoPath, path, 5000));
        p.click(ControlId::btnApply);
        const std::optional<std::string> ansi = codePage == 1252 ? in1252 : in1251;
        const std::string expected =
            ansi ? iniFile(*ansi, 0, 1, 1, 1) : "\xEF\xBB\xBF" + iniFile(win32::narrow(path), 0, 1, 1, 1);
        EXPECT_TRUE(waitFor([&] { return p.ini() == expected; }, 5000)) << p.ini();
        p.press(VK_ESCAPE);
        ASSERT_TRUE(p.exited(5000));
        Pellmora again(s.path("app"), std::nullopt);
        ASSERT_NE(again.window(), nullptr);
        EXPECT_EQ(again.text(ControlId::txtJunoPath), path);
    }
}

// While a long cleanup runs, the window answers what other programs send it
// within a second; a click sent and a key posted meanwhile take effect only
// once the cleanup is over.
TEST(LongCleanup, AnswersSentMessagesAndTakesInputOnlyAfterwards) {
    Scratch s;
    for (int i = 0; i < 3000; ++i) s.file("juno/ads/ad" + std::to_string(i) + "/banner.gif");
    const std::string ini = iniFile(s.path("juno").string() + "\\", 0, 1, 1, 1);
    Pellmora p(s.path("app"), ini);
    ASSERT_NE(p.window(), nullptr);
    const auto running = [&] {
        return driving::textOf(p.control(ControlId::labStatus), 1000).value_or(L"").ends_with(L" folders left.");
    };
    p.click(ControlId::btnDeleteAds);
    ASSERT_TRUE(waitFor(running, 20000)) << "no answer within a second during the cleanup";
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(SendMessageTimeoutW(p.control(ControlId::btnApply), BM_CLICK, 0, 0, SMTO_NORMAL, 1000, &ignored));
    PostMessageW(p.control(ControlId::txtJunoPath), WM_KEYDOWN, VK_ESCAPE, 0);
    const std::string saved = p.ini();
    const bool ended = p.exited(200);
    ASSERT_TRUE(running()) << "the cleanup ended too soon to tell";
    EXPECT_EQ(saved, ini) << "Apply ran during the cleanup";
    EXPECT_FALSE(ended) << "Esc ran during the cleanup";
    // Afterwards Apply saves the path the cleanup shortened, then Esc ends.
    EXPECT_TRUE(p.exited(60000));
    EXPECT_EQ(p.ini(), iniFile(s.path("juno").string(), 0, 1, 1, 1));
}

}  // namespace
}  // namespace wine

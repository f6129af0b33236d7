// The real window, its keys with real input, and Pellmora.ini on disk.
#include "platform/Keyboard.h"
#include "platform/win32/Text.h"
#include "tests/wine/Driver.h"

namespace wine {
namespace {

// One line, commas, the section marker without quotes: read, but never
// written in this form, so any save shows.
constexpr std::string_view kHandWritten = "[GENERAL],\"D:\\Mail, Juno\",0,2,1,7\r\n";

// Tab walks the table's Tab order across the panel and the frame (the panel
// may take the focus once on the way). A path typed is kept in any script,
// in the ANSI code page's bytes where they hold it, else as UTF-8 behind its
// mark; Enter in the path field presses OK, which saves and ends. Esc and
// the close box end without saving. Run under code pages 1252 and 1251.
TEST(Window, RealKeysTabThroughSaveAPathInAnyScriptAndEnd) {
    Scratch s;
    Pellmora p(s.path("app"), kHandWritten);
    ASSERT_NE(p.window(), nullptr);
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
    // Paths typed, with their bytes in code pages 1252 and 1251, or none where
    // the code page lacks a letter (or has only a look-alike: "e" for "ē").
    // Apply saves the first two, as its click tells the window, the focus
    // left in the field; Esc ends, the next start shows the second whole, and
    // OK (Enter) saves the last.
    const std::tuple<std::wstring, std::optional<std::string>, std::optional<std::string>> typed[] = {
        {L"E:\\Hērē", std::nullopt, std::nullopt},
        {L"E:\\Программы", std::nullopt, "E:\\\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB"},
        {L"E:\\Café, Here", "E:\\Caf\xE9, Here", std::nullopt}};
    const Pellmora* run = &p;
    std::optional<Pellmora> again;
    for (const auto& [path, in1252, in1251] : typed) {
        SendMessageW(run->control(ControlId::txtJunoPath), EM_SETSEL, 0, -1);
        run->typeText(path);
        ASSERT_TRUE(run->waitForText(ControlId::txtJunoPath, path, 5000));
        const HWND apply = run->control(ControlId::btnApply);
        run == &p ? void(PostMessageW(GetParent(apply), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(apply), BN_CLICKED),
                                      reinterpret_cast<LPARAM>(apply)))
                  : run->press(VK_RETURN);
        const std::optional<std::string> ansi = GetACP() == 1251 ? in1251 : in1252;
        const std::string saved =
            ansi ? iniFile(*ansi, 0, 2, 1, 7) : "\xEF\xBB\xBF" + iniFile(win32::narrow(path), 0, 2, 1, 7);
        EXPECT_TRUE(waitFor([&] { return run->ini() == saved; }, 5000)) << run->ini();
        if (run != &p || &path == &std::get<0>(typed[0])) continue;
        p.press(VK_ESCAPE);
        ASSERT_TRUE(p.exited(5000)) << "Esc did not end the program";
        run = &again.emplace(s.path("app"), std::nullopt);
        ASSERT_NE(again->window(), nullptr);
        EXPECT_EQ(again->text(ControlId::txtJunoPath), path);
    }
    ASSERT_TRUE(again->exited(5000)) << "Enter did not end the program";

    for (const bool esc : {true, false}) {
        SCOPED_TRACE(esc ? "Esc" : "close box");
        Pellmora q(s.path(esc ? "esc" : "close"), kHandWritten);
        ASSERT_NE(q.window(), nullptr);
        esc ? q.press(VK_ESCAPE) : void(PostMessageW(q.window(), WM_SYSCOMMAND, SC_CLOSE, 0));
        ASSERT_TRUE(q.exited(5000)) << "the program did not end";
        EXPECT_EQ(q.ini(), kHandWritten);
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

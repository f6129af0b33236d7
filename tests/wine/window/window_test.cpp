// The main window and its controls as the window system shows them at 96 DPI
// (15 twips a pixel), against the control table; and its keyboard handling.
#include <cmath>

#include "Harness.h"

namespace harness {

int pixels(float twips) { return static_cast<int>(std::lround(twips / 15)); }

TEST(Window, TitleFrameSizePositionAndEveryControlOfTheTable) {
    PellmoraRun run;
    const HWND w = run.start();
    ASSERT_NE(w, nullptr) << "no visible PellmoraMain window";
    EXPECT_EQ(windowText(w), L"Pellmora Version 1.01");
    EXPECT_EQ(GetWindowLongW(w, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
              WS_CAPTION | WS_SYSMENU)
        << "a caption and close box; no resizing, minimising or maximising";
    RECT client{}, outer{};
    GetClientRect(w, &client);
    EXPECT_EQ(std::pair(client.right, client.bottom), std::pair(309L, 311L));
    GetWindowRect(w, &outer);
    EXPECT_LE(std::abs(outer.left - (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2), 1);
    EXPECT_LE(std::abs(outer.top - (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2), 1);

    // Every control with the class, parent and place of its row.
    const wchar_t* const kClassByKind[] = {L"",       L"Button", L"Button",        L"Edit",           L"Static",
                                           L"Button", L"PellmoraPanel", L"SysTabControl32", L"msctls_progress32"};
    for (const auto& row : pellmora::controlTable()) {
        if (row.kind == ControlKind::Timer) continue;
        SCOPED_TRACE(std::string(row.name));
        const HWND hwnd = run.control(row.id);
        wchar_t cls[32] = {};
        GetClassNameW(hwnd, cls, 32);
        EXPECT_STREQ(cls, kClassByKind[static_cast<int>(row.kind)]);
        EXPECT_EQ(GetParent(hwnd), row.container == ControlId::None ? w : run.control(row.container));
        RECT r{};
        GetWindowRect(hwnd, &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&r), 2);
        // The notice scrolls to the left from its place.
        EXPECT_TRUE(row.id == ControlId::Label2 ? r.left <= pixels(row.left) : r.left == pixels(row.left)) << r.left;
        EXPECT_EQ(r.top, pixels(row.top));
        EXPECT_EQ(r.right - r.left, pixels(row.width));
        EXPECT_EQ(r.bottom - r.top, pixels(row.height));
    }
}

// One line, commas, the section marker without quotes: read, but never
// written in this form, so any save shows.
constexpr std::string_view kHandWritten = "[GENERAL],\"D:\\Mail, Juno\",0,2,1,7\r\n";

// Tab walks the tab indexes across the panel and the frame (the panel may take
// the focus once on the way); Enter on the path field presses OK, which saves
// and ends; Esc presses Cancel, which ends without saving.
TEST(Keyboard, TabOrderOnceRoundEnterSavesAndEscCancels) {
    PellmoraRun run(kHandWritten);
    ASSERT_NE(run.start(), nullptr);
    EXPECT_EQ(SendMessageW(run.control(ControlId::chkDeleteAds), BM_GETCHECK, 0, 0), BST_INDETERMINATE) << "2 is grey";
    auto tab = [&] {  // presses Tab; the control that then has the focus
        const HWND before = run.focus();
        run.press(VK_TAB);
        waitFor([&] { return run.focus() != before; }, 1000);
        const auto i = static_cast<std::size_t>(GetDlgCtrlID(run.focus()) - 100);  // control IDs: 100 + row index
        return i < platform::kControlCount ? std::string(pellmora::controlTable()[i].name) : "<elsewhere>";
    };
    std::vector<std::string> seen{tab()};
    for (int i = 0; i < 30 && seen[0] != "txtJunoPath"; ++i) seen[0] = tab();
    for (bool panelPassed = false; seen.size() < 13;)
        if (const std::string next = tab(); next != "Picture1" || std::exchange(panelPassed, true)) seen.push_back(next);
    EXPECT_EQ(seen, (std::vector<std::string>{"txtJunoPath", "chkDeleteAds", "btnApply", "btnCancel", "btnOK",
                                              "btnDeleteAds", "chkAutoRun", "chkRunJuno", "btnRunJuno",
                                              "chkClosePellmora", "btnClosePellmora", "TabStrip1", "txtJunoPath"}));
    run.press(VK_RETURN);
    ASSERT_TRUE(run.waitForExit(5000)) << "Enter did not end the program";
    EXPECT_EQ(run.ini(), "\"[GENERAL]\"\r\n\"D:\\Mail, Juno\"\r\n0\r\n2\r\n1\r\n7\r\n");

    PellmoraRun cancelled(kHandWritten);
    ASSERT_NE(cancelled.start(), nullptr);
    cancelled.press(VK_ESCAPE);
    ASSERT_TRUE(cancelled.waitForExit(5000)) << "Esc did not end the program";
    EXPECT_EQ(cancelled.ini(), kHandWritten);
}

}  // namespace harness

// Keyboard navigation of the real window: Tab order across the panel and the
// frame, and the default and cancel buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Harness.h"
#include "window/ControlTable.h"

namespace {

using harness::PellmoraRun;
using platform::ControlId;

std::string nameOf(ControlId id) {
    return id == ControlId::None ? "<no control>" : std::string(pellmora::controlSpec(id).name);
}

std::vector<std::string> names(const std::vector<ControlId>& ids) {
    std::vector<std::string> out;
    for (ControlId id : ids) out.push_back(nameOf(id));
    return out;
}

// Presses Tab (or Shift+Tab) `steps` times and records where the focus goes.
// The panel may take the focus too; where it does, it is passed over.
std::vector<ControlId> walk(PellmoraRun& run, std::size_t steps, bool backwards) {
    std::vector<ControlId> seen{run.focus()};
    bool panelSkipped = false;
    while (seen.size() <= steps) {
        const ControlId next = run.pressAndFollowFocus(VK_TAB, backwards);
        if (next == ControlId::Picture1 && !panelSkipped) {
            panelSkipped = true;
            continue;
        }
        seen.push_back(next);
    }
    return seen;
}

// A file the program reads but never writes in this form: one line, commas,
// the section marker without quotes, a grey value and one beyond 2.
constexpr std::string_view kHandWritten = "[GENERAL],\"D:\\Mail, Juno\",0,2,1,7\r\n";

int checkState(PellmoraRun& run, ControlId id) {
    return static_cast<int>(SendMessageW(run.control(id), BM_GETCHECK, 0, 0));
}

TEST(Keyboard, TabAndShiftTabFollowTheTabIndexesAcrossContainers) {
    PellmoraRun run;
    ASSERT_TRUE(run.start());
    ASSERT_NE(run.waitForWindow(), nullptr);
    ASSERT_TRUE(run.focusByTab(ControlId::txtJunoPath)) << "focus stays on " << nameOf(run.focus());

    const std::vector<ControlId> forward{
        ControlId::txtJunoPath, ControlId::chkDeleteAds,     ControlId::btnApply,         ControlId::btnCancel,
        ControlId::btnOK,       ControlId::btnDeleteAds,     ControlId::chkAutoRun,       ControlId::chkRunJuno,
        ControlId::btnRunJuno,  ControlId::chkClosePellmora, ControlId::btnClosePellmora, ControlId::TabStrip1,
        ControlId::txtJunoPath,
    };
    EXPECT_EQ(names(walk(run, forward.size() - 1, false)), names(forward));

    ASSERT_EQ(run.focus(), ControlId::txtJunoPath);
    const std::vector<ControlId> backward(forward.rbegin(), forward.rend());
    EXPECT_EQ(names(walk(run, backward.size() - 1, true)), names(backward));
}

// Typing and a click by Space reach the option set; Enter on a control that
// is not a command button presses OK, which saves and ends.
TEST(Keyboard, EnterPressesOkWhichSavesTheShownOptions) {
    PellmoraRun run(kHandWritten);
    ASSERT_TRUE(run.start());
    ASSERT_NE(run.waitForWindow(), nullptr);
    ASSERT_EQ(checkState(run, ControlId::chkDeleteAds), BST_INDETERMINATE);

    ASSERT_TRUE(run.focusByTab(ControlId::txtJunoPath));
    const HWND path = run.control(ControlId::txtJunoPath);
    run.pressKey(VK_END);
    run.typeText(L"Q");
    EXPECT_TRUE(harness::waitFor([&] { return harness::windowText(path) == L"D:\\Mail, JunoQ"; }, 2000))
        << harness::narrow(harness::windowText(path));

    EXPECT_EQ(run.pressAndFollowFocus(VK_TAB), ControlId::chkDeleteAds);
    run.pressKey(VK_SPACE);
    EXPECT_TRUE(harness::waitFor([&] { return checkState(run, ControlId::chkDeleteAds) == BST_CHECKED; }, 2000))
        << "a click on a grey box ticks it";

    run.pressKey(VK_RETURN);
    ASSERT_TRUE(run.waitForExit(5000)) << "Enter did not end the program";
    EXPECT_EQ(run.iniBytes().value_or("<missing>"), "\"[GENERAL]\"\r\n\"D:\\Mail, JunoQ\"\r\n0\r\n1\r\n1\r\n7\r\n");
}

TEST(Keyboard, EscPressesCancelWhichEndsWithoutSaving) {
    PellmoraRun run(kHandWritten);
    ASSERT_TRUE(run.start());
    ASSERT_NE(run.waitForWindow(), nullptr);

    ASSERT_TRUE(run.focusByTab(ControlId::chkRunJuno));
    run.pressKey(VK_SPACE);
    EXPECT_TRUE(harness::waitFor([&] { return checkState(run, ControlId::chkRunJuno) == BST_UNCHECKED; }, 2000));

    run.pressKey(VK_ESCAPE);
    ASSERT_TRUE(run.waitForExit(5000)) << "Esc did not end the program";
    EXPECT_EQ(run.iniBytes().value_or("<missing>"), kHandWritten);
}

}  // namespace

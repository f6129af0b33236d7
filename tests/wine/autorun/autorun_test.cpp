// The unattended run, the Shift hold, the automatic close, the dialog keys
// and buttons and the crawling notice, seen through the real window with real
// input and the stand-in mail client.
#include <gtest/gtest.h>

#include <cmath>

#include "PellmoraDriver.h"
#include "window/ControlTable.h"

using namespace autorun;
using namespace std::chrono_literals;

namespace {

const std::wstring kHoldShift = L"Hold shift to keep Pellmora open.";

// The countdown is 3000 ms; the machine is shared, so allow for slow starts
// and late ticks, but not for a close without a countdown or a lost one.
constexpr milliseconds kCountdownMin{2500};
constexpr milliseconds kCountdownMax{5000};
// The end of the countdown is timed by the save that the close makes. The
// process itself goes a little later: Wine without a window manager waits up
// to 2 s for one when a window is taken off the screen.
constexpr milliseconds kEndAfterSave{4000};

constexpr milliseconds kStartTimeout{20000};

long long msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<milliseconds>(to - from).count();
}

// The moment the options file first holds `expected`.
std::optional<Clock::time_point> waitForIni(const Installation& inst, const std::string& expected,
                                            milliseconds timeout) {
    std::optional<Clock::time_point> seen;
    waitUntil(timeout, [&] {
        if (inst.readIni() == expected) seen = Clock::now();
        return seen.has_value();
    });
    return seen;
}

}  // namespace

// auto-run 1 without arguments: the window shows while the work is still to
// do, the ads go, the client starts, and about three seconds after the status
// asks for Shift the program saves (the path now shortened) and ends.
TEST(AutoRun, UnattendedRunCleansStartsClientAndClosesAfterCountdown) {
    Installation inst(200);
    inst.writeIni({inst.junoPath() + "\\", 1, 1, 1, 1});
    Pellmora p(inst, L"");

    ASSERT_NE(p.waitForWindow(kStartTimeout), nullptr);
    // Deleting 200 entries takes a while; the window must be up before.
    EXPECT_GT(inst.adsEntries().size(), 0u) << "the window appeared only after the ads were deleted";

    const auto asked = p.waitForText(ControlId::labStatus, kHoldShift, kStartTimeout);
    ASSERT_TRUE(asked) << "status never showed the Shift prompt; last text: "
                       << narrow(p.text(ControlId::labStatus).value_or(L"<busy>"));
    const auto saved = waitForIni(inst, iniBytes({inst.junoPath(), 1, 1, 1, 1}), 10s);
    ASSERT_TRUE(saved) << "not saved, or not with the shortened path: " << inst.readIni();
    const long long countdown = msBetween(*asked, *saved);
    EXPECT_GE(countdown, kCountdownMin.count());
    EXPECT_LE(countdown, kCountdownMax.count());
    EXPECT_TRUE(p.waitForExit(kEndAfterSave)) << "saved but did not end";

    EXPECT_TRUE(inst.adsFolderExists());
    EXPECT_TRUE(inst.adsEntries().empty()) << inst.adsEntries().size() << " entries left";
    EXPECT_TRUE(waitUntil(5s, [&] { return !inst.startedLog().empty(); })) << "the client was not started";
    const std::string log = inst.startedLog();
    EXPECT_NE(log.find("Juno.exe"), std::string::npos) << log;
    EXPECT_EQ(log.find('\n'), log.rfind('\n')) << "started more than once:\n" << log;
}

// A Shift key-down during the countdown ends it in "Ready." with the window
// open and nothing saved; a later "&Close Pellmora Now" counts down afresh
// and then closes, saving.
TEST(AutoRun, ShiftDuringCountdownKeepsWindowOpenUntilCloseNow) {
    Installation inst;
    inst.writeIni({inst.junoPath() + "\\", 1, 1, 0, 1});
    const std::string before = inst.readIni();
    Pellmora p(inst, L"");

    ASSERT_NE(p.waitForWindow(kStartTimeout), nullptr);
    const auto asked = p.waitForText(ControlId::labStatus, kHoldShift, kStartTimeout);
    ASSERT_TRUE(asked);
    ASSERT_TRUE(p.bringToFront()) << "cannot make Pellmora the foreground window";
    {
        KeyHeld shift(VK_SHIFT);
        Sleep(150);
    }
    const auto ready = p.waitForText(ControlId::labStatus, L"Ready.", 10s);
    ASSERT_TRUE(ready) << "status: " << narrow(p.text(ControlId::labStatus).value_or(L"<busy>"))
                       << (p.running() ? "" : " (the program ended)");
    const long long countdown = msBetween(*asked, *ready);
    EXPECT_GE(countdown, kCountdownMin.count());
    EXPECT_LE(countdown, kCountdownMax.count());

    // The countdown is off now: one more interval passes without a close.
    EXPECT_FALSE(p.waitForExit(4000ms)) << "closed although Shift was held";
    EXPECT_EQ(inst.readIni(), before);
    EXPECT_TRUE(inst.adsEntries().empty());

    p.click(ControlId::btnClosePellmora);
    const auto clicked = Clock::now();
    EXPECT_EQ(p.text(ControlId::labStatus), L"Ready.") << "the button alone changes no status";
    const auto saved = waitForIni(inst, iniBytes({inst.junoPath(), 1, 1, 0, 1}), 10s);
    ASSERT_TRUE(saved) << "\"&Close Pellmora Now\" did not close and save: " << inst.readIni();
    const long long second = msBetween(clicked, *saved);
    EXPECT_GE(second, kCountdownMin.count());
    EXPECT_LE(second, kCountdownMax.count());
    EXPECT_TRUE(p.waitForExit(kEndAfterSave)) << "saved but did not end";
}

// Auto-run needs exactly 1 and an empty command line: a single slash, or the
// grey value 2, opens the window with the options shown and does nothing.
TEST(AutoRun, ArgumentOrValueTwoOpensWindowWithoutRunning) {
    Installation withSlash, grey;
    withSlash.writeIni({withSlash.junoPath() + "\\", 1, 1, 1, 1});
    grey.writeIni({grey.junoPath() + "\\", 2, 1, 1, 1});
    struct Case {
        const char* name;
        Installation& inst;
        Pellmora p;
        int shownAutoRun;
    } cases[] = {{"argument /", withSlash, Pellmora(withSlash, L"/"), BST_CHECKED},
                 {"auto-run 2", grey, Pellmora(grey, L""), BST_INDETERMINATE}};

    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.p.waitForWindow(kStartTimeout), nullptr);
        // The file was read: otherwise doing nothing would prove nothing.
        EXPECT_EQ(c.p.checkState(ControlId::chkAutoRun), c.shownAutoRun);
        EXPECT_EQ(narrow(c.p.text(ControlId::txtJunoPath).value_or(L"")), c.inst.junoPath() + "\\");
    }
    // Longer than a countdown would have taken after the work.
    Sleep(static_cast<DWORD>(kCountdownMax.count()) - 1000);
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(c.p.running());
        EXPECT_EQ(c.p.text(ControlId::labStatus), L"");
        EXPECT_EQ(c.inst.adsEntries().size(), 4u);
        EXPECT_EQ(c.inst.startedLog(), "");
        EXPECT_EQ(c.inst.readIni(), iniBytes({c.inst.junoPath() + "\\", c.shownAutoRun, 1, 1, 1}));
    }
}

// Enter with the focus in the path field is OK: the typed path is saved and
// the program ends. Esc is Cancel: it ends without saving a changed option.
TEST(DialogKeys, EnterSavesTypedPathEscEndsWithoutSaving) {
    {
        SCOPED_TRACE("Enter");
        Installation inst;
        inst.writeIni({"C:\\Old Juno\\", 0, 1, 0, 1});
        Pellmora p(inst, L"");
        ASSERT_NE(p.waitForWindow(kStartTimeout), nullptr);
        ASSERT_TRUE(p.bringToFront());
        ASSERT_EQ(p.focus(), p.control(ControlId::txtJunoPath)) << "the path field should have the focus";
        p.send(ControlId::txtJunoPath, EM_SETSEL, 0, -1);
        const std::wstring typed = L"D:\\Mail, Client\\Juno";
        typeText(typed);
        ASSERT_TRUE(p.waitForText(ControlId::txtJunoPath, typed, 5s))
            << narrow(p.text(ControlId::txtJunoPath).value_or(L"<busy>"));
        pressKey(VK_RETURN);
        ASSERT_TRUE(p.waitForExit(5s)) << "Enter did not end the program";
        EXPECT_EQ(inst.readIni(), iniBytes({narrow(typed), 0, 1, 0, 1}));
    }
    {
        SCOPED_TRACE("Esc");
        Installation inst;
        inst.writeIni({inst.junoPath(), 0, 1, 1, 1});
        const std::string before = inst.readIni();
        Pellmora p(inst, L"");
        ASSERT_NE(p.waitForWindow(kStartTimeout), nullptr);
        p.click(ControlId::chkAutoRun);
        ASSERT_EQ(p.checkState(ControlId::chkAutoRun), BST_CHECKED);
        ASSERT_TRUE(p.bringToFront());
        pressKey(VK_ESCAPE);
        ASSERT_TRUE(p.waitForExit(5s)) << "Esc did not end the program";
        EXPECT_EQ(inst.readIni(), before);
    }
}

// Apply writes the file at once and the program goes on; closing the window
// through its frame, by either route, ends it without saving later changes.
TEST(DialogButtons, ApplySavesAndKeepsRunningCloseBoxDoesNotSave) {
    const struct {
        const char* name;
        UINT message;
        WPARAM w;
    } ways[] = {{"WM_CLOSE", WM_CLOSE, 0}, {"SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE}};
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Installation inst;
        inst.writeIni({inst.junoPath(), 0, 1, 1, 1});
        Pellmora p(inst, L"");
        ASSERT_NE(p.waitForWindow(kStartTimeout), nullptr);

        p.click(ControlId::chkClosePellmora);
        p.click(ControlId::btnApply);
        const std::string applied = iniBytes({inst.junoPath(), 0, 1, 1, 0});
        EXPECT_TRUE(waitUntil(3s, [&] { return inst.readIni() == applied; })) << inst.readIni();

        // Still running and still answering clicks.
        p.click(ControlId::chkAutoRun);
        ASSERT_EQ(p.checkState(ControlId::chkAutoRun), BST_CHECKED) << "the program stopped after Apply";
        ASSERT_TRUE(p.running());
        PostMessageW(p.window(), way.message, way.w, 0);
        ASSERT_TRUE(p.waitForExit(5s)) << "the close box did not end the program";
        EXPECT_EQ(inst.readIni(), applied);
    }
}

// The notice starts at its table position and crawls left 4 twips a tick,
// 16 twips a second: about one pixel a second at 15 twips per pixel.
TEST(Notice, CrawlsLeftAboutOnePixelPerSecond) {
    Installation inst;
    inst.writeIni({inst.junoPath(), 0, 1, 1, 1});
    Pellmora p(inst, L"");
    ASSERT_NE(p.waitForWindow(kStartTimeout), nullptr);
    const HWND label = p.control(ControlId::Label2);
    ASSERT_NE(label, nullptr);
    const auto pixelLeft = [&] {
        RECT r{};
        GetWindowRect(label, &r);
        POINT topLeft{r.left, r.top};
        MapWindowPoints(HWND_DESKTOP, GetParent(label), &topLeft, 1);
        return static_cast<int>(topLeft.x);
    };
    constexpr double kTwipsPerPixel = 15, kTwipsPerTick = 4, kTickMs = 250;
    const double startPx = pellmora::controlSpec(ControlId::Label2).left / kTwipsPerPixel;

    const auto firstAt = Clock::now();
    const int first = pixelLeft();
    // No tick can have come sooner than every 250 ms since the process began.
    const double maxTicksSoFar = msBetween(p.startedAt(), firstAt) / kTickMs + 1;
    EXPECT_LE(first, startPx);
    EXPECT_GE(first, std::floor(startPx - maxTicksSoFar * kTwipsPerTick / kTwipsPerPixel) - 1);

    int previous = first, last = first;
    auto lastAt = firstAt;
    while (Clock::now() - firstAt < 4000ms) {
        Sleep(200);
        last = pixelLeft();
        lastAt = Clock::now();
        EXPECT_LE(last, previous) << "the notice moved right";
        previous = last;
    }
    ASSERT_TRUE(p.running());
    const double ms = static_cast<double>(msBetween(firstAt, lastAt));
    const double expected = ms / kTickMs * kTwipsPerTick / kTwipsPerPixel;  // about 4.3
    const int moved = first - last;
    EXPECT_GE(moved, std::floor(expected / 2)) << "over " << ms << " ms";
    EXPECT_LE(moved, std::floor((ms / kTickMs + 1) * kTwipsPerTick / kTwipsPerPixel) + 1) << "over " << ms << " ms";
}

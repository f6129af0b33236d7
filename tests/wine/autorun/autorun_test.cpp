// The unattended run, the Shift hold, the automatic close, the dialog keys,
// the close box and the crawling notice, seen through the real window with
// real input and the stand-in mail client.
#include <gtest/gtest.h>

#include <algorithm>

#include "PellmoraDriver.h"

// The countdown is 3000 ms; the machine is shared, so 2500 to 5000 ms allows
// for slow starts and late ticks, but not for a close without a countdown.
#define EXPECT_COUNTDOWN_SINCE(start) EXPECT_NEAR(msSince(start), 3750, 1250)

// Auto-run 1 and no arguments: the ads go, the client starts once, and about
// three seconds after the status asks for Shift the program saves (the path
// without its final backslash) and ends.
TEST(AutoRun, UnattendedRunCleansStartsClientAndClosesAfterCountdown) {
    Installation inst;
    Pellmora p(inst, iniBytes(inst.juno.string() + "\\", 1, 1, 1, 1));
    ASSERT_NE(p.window, nullptr);
    ASSERT_TRUE(p.waitForText(ControlId::labStatus, L"Hold shift to keep Pellmora open.", 20s)) << p.status();
    const auto asked = Clock::now();
    ASSERT_TRUE(waitUntil(10s, [&] { return inst.readIni() == iniBytes(inst.juno.string(), 1, 1, 1, 1); }))
        << "not saved, or not with the shortened path: " << inst.readIni();
    EXPECT_COUNTDOWN_SINCE(asked);
    // Wine without a window manager waits up to 2 s for one when a window goes.
    EXPECT_TRUE(p.waitForExit(4s)) << "saved but did not end";
    EXPECT_EQ(inst.adsCount(), 0);
    // The client notes each start, its command line, as a line of its own.
    EXPECT_TRUE(waitUntil(5s, [&] { return inst.startedLog().find("Juno.exe") != std::string::npos; }));
    EXPECT_EQ(std::ranges::count(inst.startedLog(), '\n'), 1) << inst.startedLog();
}

// Shift during the countdown turns its end into "Ready.": the window stays
// open past another countdown and nothing is saved.
TEST(AutoRun, ShiftDuringCountdownKeepsWindowOpen) {
    Installation inst;
    const std::string ini = iniBytes(inst.juno.string() + "\\", 1, 1, 0, 1);
    Pellmora p(inst, ini);
    ASSERT_NE(p.window, nullptr);
    ASSERT_TRUE(p.waitForText(ControlId::labStatus, L"Hold shift to keep Pellmora open.", 20s)) << p.status();
    const auto asked = Clock::now();
    ASSERT_TRUE(p.bringToFront()) << "cannot make Pellmora the foreground window";
    sendKey(VK_SHIFT, 0);
    Sleep(150);
    sendKey(VK_SHIFT, KEYEVENTF_KEYUP);
    ASSERT_TRUE(p.waitForText(ControlId::labStatus, L"Ready.", 10s)) << p.status();
    EXPECT_COUNTDOWN_SINCE(asked);
    EXPECT_FALSE(p.waitForExit(4s)) << "closed although Shift was held";
    EXPECT_EQ(p.status(), L"Ready.");
    EXPECT_EQ(inst.readIni(), ini);
}

// Auto-run needs an empty command line: with the argument "/" the window
// shows the options it read and nothing is deleted, started or saved.
TEST(AutoRun, ArgumentSlashOpensWindowWithoutRunning) {
    Installation inst;
    const std::string ini = iniBytes(inst.juno.string() + "\\", 1, 1, 1, 1);
    Pellmora p(inst, ini, L"/");
    ASSERT_NE(p.window, nullptr);
    // The file was read: otherwise doing nothing would prove nothing.
    EXPECT_EQ(p.send(ControlId::chkAutoRun, BM_GETCHECK), BST_CHECKED);
    EXPECT_FALSE(p.waitForExit(4s)) << "longer than a countdown would have taken after the work";
    EXPECT_EQ(p.status(), L"");
    EXPECT_EQ(inst.adsCount(), 4);
    EXPECT_EQ(inst.startedLog(), "");
    EXPECT_EQ(inst.readIni(), ini);
}

// Enter in the path field, which has the focus at start, is OK: the typed
// path is saved and the program ends.
TEST(DialogKeys, EnterInPathFieldSavesTypedPathAndEnds) {
    Installation inst;
    Pellmora p(inst, iniBytes("C:\\Old Juno\\", 0, 1, 0, 1));
    ASSERT_NE(p.window, nullptr);
    ASSERT_TRUE(p.bringToFront());
    p.send(ControlId::txtJunoPath, EM_SETSEL, 0, -1);
    const std::wstring typed = L"D:\\Mail, Client\\Juno";
    for (const wchar_t c : typed) pressKey(0, c);
    ASSERT_TRUE(p.waitForText(ControlId::txtJunoPath, typed, 5s)) << p.text(ControlId::txtJunoPath);
    pressKey(VK_RETURN);
    ASSERT_TRUE(p.waitForExit(5s)) << "Enter did not end the program";
    EXPECT_EQ(inst.readIni(), iniBytes("D:\\Mail, Client\\Juno", 0, 1, 0, 1));
}

// Esc (Cancel) and the window's close box end the program without saving a
// changed option.
TEST(DialogKeys, EscAndCloseBoxEndWithoutSaving) {
    for (const bool esc : {true, false}) {
        SCOPED_TRACE(esc ? "Esc" : "close box");
        Installation inst;
        const std::string ini = iniBytes(inst.juno.string(), 0, 1, 1, 1);
        Pellmora p(inst, ini);
        ASSERT_NE(p.window, nullptr);
        p.send(ControlId::chkAutoRun, BM_CLICK);
        ASSERT_EQ(p.send(ControlId::chkAutoRun, BM_GETCHECK), BST_CHECKED);
        ASSERT_TRUE(p.bringToFront());
        esc ? pressKey(VK_ESCAPE) : void(PostMessageW(p.window, WM_SYSCOMMAND, SC_CLOSE, 0));
        ASSERT_TRUE(p.waitForExit(5s)) << "the program did not end";
        EXPECT_EQ(inst.readIni(), ini);
    }
}

// The notice crawls left 4 twips every 250 ms: about one pixel a second at 15
// twips a pixel, so about 4.3 pixels in 4 s.
TEST(Notice, CrawlsLeftAboutOnePixelPerSecond) {
    Installation inst;
    Pellmora p(inst, iniBytes(inst.juno.string(), 0, 1, 1, 1));
    ASSERT_NE(p.window, nullptr);
    const HWND label = p.control(ControlId::Label2);
    const auto left = [&] { RECT r{}; return GetWindowRect(label, &r), int(r.left); };
    const auto firstAt = Clock::now();
    const int first = left();
    int last = first;
    while (msSince(firstAt) < 4000) {
        Sleep(200);
        EXPECT_LE(left(), last) << "the notice moved right";
        last = left();
    }
    const double pixels = msSince(firstAt) / 250.0 * 4 / 15;
    EXPECT_GE(first - last, int(pixels / 2)) << pixels << " pixels expected";
    EXPECT_LE(first - last, int(pixels + 4.0 / 15) + 1) << pixels << " pixels expected";
}

// The Shift hold during an unattended run, through the real window with real
// input and the stand-in client. The run itself, step by step, and the
// argument that keeps the window open: the unit tests.
#include "tests/wine/Driver.h"

namespace wine {
namespace {

// app\ for Pellmora, and juno\ with the stand-in client in BIN\ and three ad
// folders and a loose file in ads\.
struct Installation : Scratch {
    Installation() {
        fs::create_directories(path("juno/BIN"));
        fs::copy_file(buildFolder() / "tools/juno/Juno.exe", path("juno/BIN/Juno.exe"));
        for (const char* ad : {"ad1/banner.gif", "ad2/banner.gif", "ad3/banner.gif", "banner.gif"})
            file(fs::path("juno/ads") / ad, "GIF89a");
    }
    std::string juno() const { return path("juno").string(); }
};

// Shift turns the countdown's end into "Ready." and nothing is saved, when
// pressed in Pellmora's window and when held down while the client the
// auto-run started has the focus and gets the key-down: still down at the
// tick, the key counts, and "Ready." comes at the next one.
TEST(AutoRun, ShiftPressedOrHeldWhileTheClientHasTheFocusKeepsTheWindowOpen) {
    for (const bool pressed : {true, false}) {
        SCOPED_TRACE(pressed ? "pressed in Pellmora's window" : "held while the client has the focus");
        Installation inst;
        const std::string ini = iniFile(inst.juno() + "\\", 1, 1, pressed ? 0 : 1, 1);
        Pellmora p(inst.path("app"), ini);
        ASSERT_NE(p.window(), nullptr);
        ASSERT_TRUE(p.waitForText(ControlId::labStatus, L"Hold shift to keep Pellmora open.", 20000));
        // The countdown runs from here, however long the client then takes
        // to come to the front; Shift goes down before its first tick.
        const ULONGLONG asked = GetTickCount64();
        const auto clientInFront = [] { return GetForegroundWindow() == FindWindowW(L"JunoStandIn", nullptr); };
        ASSERT_TRUE(pressed || waitFor(clientInFront, 2500)) << "the client came to the front after the first tick";
        std::optional<HeldShift> held;
        pressed ? p.press(VK_SHIFT) : void(held.emplace());
        ASSERT_TRUE(p.waitForText(ControlId::labStatus, L"Ready.", 10000)) << p.text(ControlId::labStatus);
        // The countdown is 3000 ms; the machine is shared, so 2500 to 5000 ms
        // allows for slow starts and late ticks, but not for a close without one.
        EXPECT_NEAR(static_cast<double>(GetTickCount64() - asked), pressed ? 3750 : 6750, 1250);
        EXPECT_TRUE(pressed || clientInFront()) << "the client lost the focus";
        EXPECT_FALSE(p.exited(4000)) << "closed although Shift was held";
        EXPECT_EQ(p.ini(), ini);
    }
}

}  // namespace
}  // namespace wine

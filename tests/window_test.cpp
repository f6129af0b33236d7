// The main window as event sequences: start-up, auto-run, the Shift hold
// and the countdown, the option controls and dialog buttons, the notice.
#include <gtest/gtest.h>

#include "platform/headless/Headless.h"
#include "window/frmMain.h"

namespace {

using headless::FsOp;
using headless::kShiftMask;
using pellmora::OptionSet;
using platform::ControlId;

constexpr const char* kIni = "C:\\Pellmora\\Pellmora.ini";
constexpr const char* kExe = "C:\\Juno\\BIN\\Juno.exe";

std::string ini(std::string_view path, int a, int b, int c, int d) {
    return "\"[GENERAL]\"\r\n\"" + std::string(path) + "\"\r\n" + std::to_string(a) + "\r\n" + std::to_string(b) +
           "\r\n" + std::to_string(c) + "\r\n" + std::to_string(d) + "\r\n";
}

struct App {
    headless::Headless h;
    headless::MemoryFileSystem& fs = h.files();
    pellmora::frmMain f{h.form(), h, h.files(), h};
    OptionSet set() const { return f; }
    void start(const std::string& file) {
        fs.addFile(kIni, file);
        h.load([&] { f.Form_Load(); });
    }
    void juno() {
        fs.addFile(kExe, "MZ");
        fs.addFile("C:\\Juno\\ads\\A\\1.gif", "x");
    }
};

// --- Start-up ------------------------------------------------------------------

TEST(StartUp, CentresByRoundedHalvesWithoutClamping) {
    struct Row {
        float screenW, screenH, frameW, frameH, left, top;
    };
    const Row rows[] = {
        {15360, 11520, 90, 435, 7680 - 2362, 5760 - 2550},      // outer 4725 x 5100: odd halves truncate
        {15361.5f, 11520.5f, 89.6f, 436.5f, 7681 - 2362, 5760 - 2551},  // 15362, 11520 (even), 4725, 5102
        {3000, 2000, 90, 435, 1500 - 2362, 1000 - 2550},        // larger than the screen: negative
    };
    for (const Row& row : rows) {
        App a;
        a.h.screenWidthTwips = row.screenW;
        a.h.screenHeightTwips = row.screenH;
        a.h.form().frameWidth = row.frameW;
        a.h.form().frameHeight = row.frameH;
        a.h.load([&] { a.f.Form_Load(); });
        EXPECT_EQ(a.h.form().leftTwips(), row.left) << row.screenW;
        EXPECT_EQ(a.h.form().topTwips(), row.top) << row.screenH;
    }
}

TEST(StartUp, FillsTheControlsInOrderFromTheOptions) {
    App a;
    a.start(ini("D:\\Mail\\", 2, 0, 2, 0));
    EXPECT_EQ(a.h.logOf({"txtJunoPath", "chk"}),
              (std::vector<std::string>{"txtJunoPath text=D:\\Mail\\", "chkAutoRun value=2", "chkDeleteAds value=0",
                                        "chkRunJuno value=2", "chkClosePellmora value=0"}));
    EXPECT_EQ(a.set(), (OptionSet{"D:\\Mail\\", 2, 0, 2, 0}));
    EXPECT_FALSE(a.h.logOf({"form show"}).empty());
    EXPECT_EQ(a.f.labStatus.caption(), "");  // auto-run 2 is not 1: nothing ran
    EXPECT_TRUE(a.h.started.empty());
}

TEST(StartUp, FirstStartShowsEmptyPathAndClearBoxesWhileTheFileHoldsTheDefaults) {
    App a;
    a.h.load([&] { a.f.Form_Load(); });
    EXPECT_TRUE(a.h.messageBoxes.empty());
    EXPECT_EQ(a.f.txtJunoPath.text(), "");
    for (auto* box : {&a.f.chkAutoRun, &a.f.chkDeleteAds, &a.f.chkRunJuno, &a.f.chkClosePellmora})
        EXPECT_EQ(box->value(), 0);
    EXPECT_EQ(a.set(), OptionSet{});
    EXPECT_EQ(a.fs.contents(kIni), ini("C:\\Program Files\\Juno\\", 0, 1, 1, 1));
    EXPECT_TRUE(a.h.form().visible());
}

// A box cannot show 3..255: it shows grey, and the byte keeps its value, so
// a save writes it back, until the user clicks that box.
TEST(StartUp, BytesABoxCannotShowAreKeptUntilClicked) {
    App a;
    a.start(ini("D:\\J", 3, 200, 255, 1));
    EXPECT_EQ(a.f.chkAutoRun.value(), 2);
    EXPECT_EQ(a.f.chkDeleteAds.value(), 2);
    EXPECT_EQ(a.f.chkRunJuno.value(), 2);
    EXPECT_EQ(a.f.chkClosePellmora.value(), 1);
    EXPECT_EQ(a.set(), (OptionSet{"D:\\J", 3, 200, 255, 1}));
    EXPECT_TRUE(a.h.started.empty());
    a.h.click(ControlId::btnApply);
    a.h.idle();
    EXPECT_EQ(a.fs.contents(kIni), ini("D:\\J", 3, 200, 255, 1));
    a.h.click(ControlId::chkDeleteAds);
    a.h.click(ControlId::btnApply);
    a.h.idle();
    EXPECT_EQ(a.f.chkDeleteAds.value(), 1);
    EXPECT_EQ(a.fs.contents(kIni), ini("D:\\J", 3, 1, 255, 1));
}

// --- Auto-run ----------------------------------------------------------------------

TEST(AutoRun, RunsTheChosenStepsInOrderAfterShowingTheWindow) {
    for (int mask = 0; mask < 8; ++mask) {
        const bool del = mask & 1, run = mask & 2, close = mask & 4;
        SCOPED_TRACE("delete " + std::to_string(del) + " run " + std::to_string(run) + " close " +
                     std::to_string(close));
        App a;
        a.juno();
        // The steps count as on when non-zero, not only when 1.
        a.start(ini("C:\\Juno\\", 1, del ? 1 : 0, run ? 2 : 0, close ? 255 : 0));
        std::vector<std::string> expected = {"form show", "form refresh"};
        if (del)
            expected.insert(expected.end(), {"labStatus=1 folders left.", "labStatus=0 folders left.", "form refresh",
                                             "labStatus=Delete Ads Successful."});
        if (run) expected.insert(expected.end(), {"start C:\\Juno\\BIN\\Juno.exe", "labStatus=Run Juno Successful."});
        if (close) expected.insert(expected.end(), {"labStatus=Hold shift to keep Pellmora open.", "timAutoClose on"});
        EXPECT_EQ(a.h.logOf({"form", "labStatus=", "start", "timAutoClose"}), expected);
        EXPECT_EQ(a.fs.exists("C:\\Juno\\ads\\A"), !del);

        a.h.runFor(2999);
        EXPECT_FALSE(a.h.ended());
        a.h.runFor(1);
        EXPECT_EQ(a.h.ended(), close);
        const std::string saved = ini(del || run ? "C:\\Juno" : "C:\\Juno\\", 1, del ? 1 : 0, run ? 2 : 0, 255);
        if (close) {
            EXPECT_EQ(a.fs.contents(kIni), saved);
        }
    }
}

TEST(AutoRun, AnyArgumentOrAValueOtherThanOneSuppressesIt) {
    const std::pair<int, std::string> rows[] = {{1, "/"}, {1, " "}, {1, "-x"}, {2, ""}, {0, ""}, {255, ""}};
    for (const auto& [autoRun, arguments] : rows) {
        SCOPED_TRACE("auto-run " + std::to_string(autoRun) + " arguments \"" + arguments + "\"");
        App a;
        a.juno();
        a.h.arguments = arguments;
        a.start(ini("C:\\Juno\\", autoRun, 1, 1, 1));
        EXPECT_TRUE(a.h.form().visible());
        a.h.runFor(10000);
        EXPECT_FALSE(a.h.ended());
        EXPECT_TRUE(a.fs.exists("C:\\Juno\\ads\\A\\1.gif"));
        EXPECT_TRUE(a.h.started.empty());
        EXPECT_EQ(a.f.labStatus.caption(), "");
        EXPECT_EQ(a.f.strJunoPath, "C:\\Juno\\");
    }
}

// --- Shift hold and the countdown ------------------------------------------

TEST(AutoClose, ShiftPressedDuringTheWorkKeepsTheWindowOpen) {
    App a;
    a.juno();
    a.h.msPerFileCall = 20;
    a.h.canStart = [&](const std::string&) {
        a.h.keyDown(headless::kVkShift, kShiftMask);  // pressed while the client starts
        return true;
    };
    a.start(ini("C:\\Juno\\", 1, 1, 1, 1));
    EXPECT_EQ(a.f.blnShiftHeld, 0);  // still waiting in the queue
    a.h.runFor(3000);
    EXPECT_EQ(a.f.labStatus.caption(), "Ready.");
    EXPECT_FALSE(a.f.timAutoClose.enabled());
    EXPECT_EQ(a.f.blnShiftHeld, 0);
    a.h.runFor(10000);
    EXPECT_FALSE(a.h.ended());
    EXPECT_EQ(a.fs.contents(kIni), ini("C:\\Juno\\", 1, 1, 1, 1));

    // A later press of the button starts a fresh countdown that closes.
    a.h.click(ControlId::btnClosePellmora);
    a.h.runFor(2999);
    EXPECT_EQ(a.f.labStatus.caption(), "Ready.");
    EXPECT_FALSE(a.h.ended());
    a.h.runFor(1);
    EXPECT_TRUE(a.h.ended());
    EXPECT_EQ(a.fs.contents(kIni), ini("C:\\Juno", 1, 1, 1, 1));
}

TEST(AutoClose, ShiftWaitingWhenTheTickComesIsSeenByTheCloseAndTheCountdownGoesOn) {
    App a;
    a.start(ini("C:\\Juno\\", 0, 1, 1, 1));
    a.h.click(ControlId::btnClosePellmora);
    a.h.idle();
    a.h.post([&] { a.f.timAutoClose.tick(); });  // the tick runs before the key waiting behind it
    a.h.keyDown(headless::kVkShift, kShiftMask);
    a.h.idle();
    EXPECT_FALSE(a.h.ended());
    EXPECT_TRUE(a.f.timAutoClose.enabled());
    EXPECT_EQ(a.f.blnShiftHeld, -1);
    a.h.runFor(3000);
    EXPECT_EQ(a.f.labStatus.caption(), "Ready.");
    EXPECT_FALSE(a.h.ended());
}

TEST(AutoClose, ACapitalTypedEarlierMakesTheFirstCloseEndInReady) {
    App a;
    a.start(ini("C:\\Juno\\", 0, 1, 1, 1));
    a.h.keyDown('V', 2);  // Ctrl and Alt alone are not Shift
    a.h.keyDown('F', 4);
    a.h.idle();
    EXPECT_EQ(a.f.blnShiftHeld, 0);
    a.h.keyDown('A', kShiftMask | 2);
    a.h.type(ControlId::txtJunoPath, "D:\\A");
    a.h.click(ControlId::btnClosePellmora);
    a.h.runFor(3000);
    EXPECT_EQ(a.f.labStatus.caption(), "Ready.");
    EXPECT_FALSE(a.h.ended());
    a.h.click(ControlId::btnClosePellmora);
    a.h.runFor(3000);
    EXPECT_TRUE(a.h.ended());
    EXPECT_EQ(a.fs.contents(kIni), ini("D:\\A", 0, 1, 1, 1));
}

TEST(AutoClose, CountdownRunsFromEnablingAndRestartsWhenEnabledAgain) {
    App slow;  // a long auto-run: the three seconds start when it enables the countdown
    slow.h.msPerFileCall = 20;
    for (int i = 0; i < 30; ++i) slow.fs.addFile("C:\\Juno\\ads\\e" + std::to_string(i) + "\\1.gif", "x");
    slow.fs.addFile(kExe, "MZ");
    slow.start(ini("C:\\Juno\\", 1, 1, 1, 1));
    EXPECT_GT(slow.h.milliseconds(), 3000u);
    slow.h.runFor(2999);
    EXPECT_FALSE(slow.h.ended());
    slow.h.runFor(1);
    EXPECT_TRUE(slow.h.ended());

    App a;
    a.start(ini("C:\\Juno\\", 0, 1, 1, 1));
    a.h.click(ControlId::btnClosePellmora);
    a.h.runFor(2000);
    a.h.click(ControlId::btnClosePellmora);
    a.h.runFor(2999);
    EXPECT_FALSE(a.h.ended());
    a.h.runFor(1);
    EXPECT_TRUE(a.h.ended());
}

// While a message box of ours is open, ticks go on but start no second save
// and no close.
TEST(AutoClose, AFailedSaveDuringTheCountdownIsNotEnteredAgain) {
    const std::string previous = ini("C:\\Juno\\", 0, 1, 1, 1);
    for (bool byClose : {false, true}) {
        SCOPED_TRACE(byClose ? "the countdown's own save fails" : "Apply fails while counting down");
        App a;
        a.start(previous);
        a.h.click(ControlId::btnClosePellmora);
        a.h.type(ControlId::txtJunoPath, "E:\\New");
        a.h.runFor(byClose ? 0 : 1000);
        a.fs.failNth(FsOp::OpenOutput, 1, platform::FileError::DiskFull);
        bool survived = false;
        a.h.whileMessageBox = [&] {
            a.h.whileMessageBox = nullptr;
            const std::size_t opens = a.fs.calls(FsOp::OpenOutput);
            a.h.runFor(7000);  // two countdown ticks fall due while the box is open
            EXPECT_EQ(a.fs.calls(FsOp::OpenOutput), opens);
            survived = !a.h.ended();
        };
        if (!byClose) a.h.click(ControlId::btnApply);
        a.h.runFor(byClose ? 3000 : 0);
        EXPECT_TRUE(survived);
        EXPECT_EQ(a.h.messageBoxes.size(), 1u);
        EXPECT_EQ(a.fs.contents(kIni), previous);
        EXPECT_EQ(a.h.ended(), byClose);  // a close goes on to end once its box is closed
        if (byClose) continue;
        a.h.runFor(3000);
        EXPECT_TRUE(a.h.ended());
        EXPECT_EQ(a.fs.contents(kIni), ini("E:\\New", 0, 1, 1, 1));
        EXPECT_EQ(a.h.messageBoxes.size(), 1u);
    }
}

// --- Option controls and dialog buttons --------------------------------------

TEST(OptionEditing, ControlsWriteStraightIntoTheSetAndNeverTheFile) {
    App a;
    const std::string file = ini("C:\\Juno\\", 0, 1, 1, 1);
    a.start(file);
    a.h.click(ControlId::chkAutoRun);
    a.h.click(ControlId::chkDeleteAds);
    a.h.click(ControlId::chkRunJuno);
    a.h.click(ControlId::chkClosePellmora);
    a.h.type(ControlId::txtJunoPath, " D:\\typed, as is \\");
    a.h.idle();
    EXPECT_EQ(a.set(), (OptionSet{" D:\\typed, as is \\", 1, 0, 0, 0}));
    a.f.chkRunJuno.setValue(2);  // a value set in code reaches the option too
    EXPECT_EQ(a.f.bytRunJuno, 2);
    EXPECT_EQ(a.fs.contents(kIni), file);
    EXPECT_EQ(a.fs.calls(FsOp::OpenOutput), 0u);
}

TEST(DialogButtons, CancelAndEscEndWithoutSavingApplyAndOkSave) {
    const std::string file = ini("C:\\Juno\\", 0, 1, 1, 1);
    {
        SCOPED_TRACE("click, then Cancel");
        App a;
        a.start(file);
        a.h.click(ControlId::chkAutoRun);
        a.h.click(ControlId::btnCancel);
        a.h.click(ControlId::btnApply);  // no handler runs once the program has ended
        a.h.idle();
        EXPECT_TRUE(a.h.ended());
        EXPECT_EQ(a.fs.contents(kIni), file);
    }
    {
        SCOPED_TRACE("click, Apply, then Cancel");
        App a;
        a.start(file);
        a.h.click(ControlId::chkRunJuno);
        a.h.click(ControlId::btnApply);
        a.h.click(ControlId::btnCancel);
        a.h.idle();
        EXPECT_TRUE(a.h.ended());
        EXPECT_EQ(a.fs.contents(kIni), ini("C:\\Juno\\", 0, 1, 0, 1));
    }
    {
        SCOPED_TRACE("edit the path, then Enter in the path field");
        App a;
        a.start(file);
        a.h.type(ControlId::txtJunoPath, "E:\\Juno\\");
        a.h.keyDown(headless::kVkReturn);
        a.h.idle();
        EXPECT_TRUE(a.h.ended());
        EXPECT_EQ(a.fs.contents(kIni), ini("E:\\Juno\\", 0, 1, 1, 1));
    }
    {
        SCOPED_TRACE("edit the path, then Esc");
        App a;
        a.start(file);
        a.h.type(ControlId::txtJunoPath, "E:\\Juno\\");
        a.h.keyDown(headless::kVkEscape);
        a.h.idle();
        EXPECT_TRUE(a.h.ended());
        EXPECT_EQ(a.fs.contents(kIni), file);
    }
    for (ControlId operation : {ControlId::btnDeleteAds, ControlId::btnRunJuno}) {
        SCOPED_TRACE("an operation shortened the path, then OK");
        App a;
        a.start(file);
        a.h.click(operation);
        a.h.click(ControlId::btnOK);
        a.h.idle();
        EXPECT_TRUE(a.h.ended());
        EXPECT_EQ(a.f.txtJunoPath.text(), "C:\\Juno\\");
        EXPECT_EQ(a.fs.contents(kIni), ini("C:\\Juno", 0, 1, 1, 1));
    }
}

// --- The notice --------------------------------------------------------------

TEST(Notice, MovesFourTwipsATickAndWrapsOnlyPastItsWidth) {
    App a;
    a.h.load([&] { a.f.Form_Load(); });
    EXPECT_EQ(a.f.Label2.left(), 3750);
    a.h.runFor(249);
    EXPECT_EQ(a.f.Label2.left(), 3750);
    a.h.runFor(1);
    EXPECT_EQ(a.f.Label2.left(), 3746);

    a.f.Label2.setLeft(-16496);
    a.h.runFor(250);
    EXPECT_EQ(a.f.Label2.left(), -16500);  // equal to -Width: not yet
    a.h.runFor(250);
    EXPECT_EQ(a.f.Label2.left(), 4395);
}

TEST(Notice, FirstWrapsOnTick5063ThenEvery5224th) {
    App a;
    a.h.load([&] { a.f.Form_Load(); });
    a.h.runFor(250 * 5062);
    EXPECT_EQ(a.f.Label2.left(), -16498);
    a.h.runFor(250);
    EXPECT_EQ(a.f.Label2.left(), 4395);
    a.h.runFor(250 * 5223);
    EXPECT_EQ(a.f.Label2.left(), 4395 - 4 * 5223);
    a.h.runFor(250);
    EXPECT_EQ(a.f.Label2.left(), 4395);
}

TEST(Notice, ABusySpellPausesItWithoutAJump) {
    App a;
    a.h.msPerFileCall = 20;  // a long auto-run deletion inside Form_Load
    for (int i = 0; i < 40; ++i) a.fs.addFile("C:\\Juno\\ads\\e" + std::to_string(i) + "\\1.gif", "x");
    a.start(ini("C:\\Juno\\", 1, 1, 0, 0));
    EXPECT_GT(a.h.milliseconds(), 1000u);
    EXPECT_EQ(a.f.Label2.left(), 3750);
    a.h.idle();
    EXPECT_EQ(a.f.Label2.left(), 3746);
    a.h.runFor(2500);
    EXPECT_EQ(a.f.Label2.left(), 3706);
    a.h.busy(60000);
    a.h.idle();
    EXPECT_EQ(a.f.Label2.left(), 3702);
    a.h.runFor(250);
    EXPECT_EQ(a.f.Label2.left(), 3698);
}

}  // namespace

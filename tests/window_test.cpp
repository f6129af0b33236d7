// The main window as event sequences: start-up, auto-run, the Shift hold and
// the countdown, the dialog buttons and keys, the notice.
#include <tuple>

#include "platform/Keyboard.h"
#include "platform/ReadingOrder.h"
#include "tests/Fixture.h"

namespace {

using namespace fixture;

std::string ini(std::string_view path, int a, int b, int c, int d) {
    const auto byte = [](int v) { return static_cast<std::uint8_t>(v); };
    return fileOf({std::string(path), byte(a), byte(b), byte(c), byte(d)});
}
const std::string kPlain = ini("C:\\Juno\\", 0, 1, 1, 1);

struct App : fixture::App {
    void start(const std::string& file, bool juno = false) {
        if (juno) fs.addFile("C:\\Juno\\BIN\\Juno.exe", "MZ");
        if (juno) fs.addFile("C:\\Juno\\ads\\A\\1.gif", "x");
        fs.addFile(kIni, file);
        load();
    }
    void clickAndWait(ControlId id, std::uint64_t ms) {
        click(id);
        h.runFor(ms);
    }
};

TEST(StartUp, CentresByRoundedHalvesWithoutClamping) {
    App a;  // the screen rounds half to even to 3002 x 2000; the outer 4725 x 5102 is larger
    a.h.screenWidthTwips = 3001.5f;
    a.h.screenHeightTwips = 2000.5f;
    a.h.form().frameWidth = 89.6f;
    a.h.form().frameHeight = 436.5f;
    a.load();
    EXPECT_EQ(a.h.form().leftTwips(), 1501 - 2362);  // odd halves truncate, negative is kept
    EXPECT_EQ(a.h.form().topTwips(), 1000 - 2551);
}

// A box cannot show 3..255: it shows grey and the byte is kept, until that box is clicked.
TEST(StartUp, FillsTheControlsAndKeepsBytesABoxCannotShow) {
    App a;
    a.start(ini("D:\\J", 3, 200, 255, 0));
    EXPECT_EQ(a.h.logOf({"txtJunoPath", "chk"}), (std::vector<std::string>{"txtJunoPath text=D:\\J",
                                                  "chkAutoRun value=2", "chkDeleteAds value=2",
                                                  "chkRunJuno value=2", "chkClosePellmora value=0"}));
    a.clickAndWait(ControlId::btnApply, 0);
    EXPECT_EQ(a.fs.contents(kIni), ini("D:\\J", 3, 200, 255, 0));
    a.click(ControlId::chkDeleteAds);
    a.clickAndWait(ControlId::btnApply, 0);
    EXPECT_EQ(a.f.chkDeleteAds.value(), 1);
    EXPECT_EQ(a.fs.contents(kIni), ini("D:\\J", 3, 1, 255, 0));
}

TEST(AutoRun, RunsTheChosenStepsInOrderAfterShowingTheWindow) {
    for (int mask = 0; mask < 8; ++mask) {
        const bool del = mask & 1, run = mask & 2, close = mask & 4;
        SCOPED_TRACE("steps " + std::to_string(mask));
        App a;  // a step counts as on when non-zero, not only when 1
        a.start(ini("C:\\Juno\\", 1, del ? 1 : 0, run ? 2 : 0, close ? 255 : 0), true);
        std::vector<std::string> expected = {"form show", "form refresh"};
        if (del)
            expected.insert(expected.end(), {"labStatus=1 folders left.", "labStatus=0 folders left.", "form refresh",
                                             "labStatus=Delete Ads Successful."});
        if (run) expected.insert(expected.end(), {"start C:\\Juno\\BIN\\Juno.exe", "labStatus=Run Juno Successful."});
        if (close) expected.insert(expected.end(), {"labStatus=Hold shift to keep Pellmora open.", "timAutoClose on"});
        EXPECT_EQ(a.h.logOf({"form", "labStatus=", "start", "timAutoClose"}), expected);
        a.h.runFor(2999);
        EXPECT_FALSE(a.h.ended());
        a.h.runFor(1);
        EXPECT_EQ(a.h.ended(), close);
        if (close) {
            EXPECT_EQ(a.fs.contents(kIni), ini(del || run ? "C:\\Juno" : "C:\\Juno\\", 1, del, run ? 2 : 0, 255));
        }
    }
    for (const auto& [autoRun, arguments] : std::vector<std::pair<int, std::string>>{{1, " "}, {1, "-x"}, {2, ""}}) {
        SCOPED_TRACE("auto-run " + std::to_string(autoRun) + " arguments \"" + arguments + "\"");
        App a;
        a.h.arguments = arguments;
        a.start(ini("C:\\Juno\\", autoRun, 1, 1, 1), true);
        a.h.runFor(10000);
        EXPECT_FALSE(a.h.ended());
        EXPECT_TRUE(a.fs.exists("C:\\Juno\\ads\\A\\1.gif"));
        EXPECT_TRUE(a.h.started.empty());
    }
}

// Shift pressed while the client starts counts once the events run; a key
// whose key-down went to the client counts if it is still down at a tick.
TEST(AutoClose, ShiftPressedDuringTheWorkOrDownAtTheTickKeepsTheWindowOpen) {
    // Key-down seen, key down at the tick, "Ready." at (0: the program ends).
    for (const auto& [seen, downAtTick, readyAt] :
         {std::tuple{true, false, 3000}, {false, true, 6000}, {false, false, 0}}) {
        SCOPED_TRACE(readyAt);
        App a;
        a.h.canStart = [&, seen = seen](const std::string&) {
            if (seen) a.h.keyDown(headless::kVkShift, headless::kShiftMask);
            return a.h.shiftKeyDown = true;
        };
        a.start(ini("C:\\Juno\\", 1, 1, 1, 1), true);
        a.h.shiftKeyDown = downAtTick;
        a.h.runFor(readyAt == 0 ? 3000 : readyAt - 1);
        EXPECT_EQ(a.h.ended(), readyAt == 0);
        EXPECT_EQ(a.f.labStatus.caption(), "Hold shift to keep Pellmora open.");
        a.h.runFor(10001);
        EXPECT_EQ(std::pair(a.h.ended(), a.f.labStatus.caption() == "Ready."), std::pair(readyAt == 0, readyAt != 0));
    }
}

// A second press of "&Close Pellmora Now" is needed; pressed again while
// counting, the countdown starts over.
TEST(AutoClose, ACapitalTypedEarlierMakesTheFirstCloseEndInReady) {
    App a;
    a.start(kPlain);
    a.h.keyDown('V', 2);  // Ctrl alone is not Shift
    a.h.keyDown('A', headless::kShiftMask | 2);
    a.type("D:\\A");
    a.clickAndWait(ControlId::btnClosePellmora, 3000);
    EXPECT_EQ(a.f.labStatus.caption(), "Ready.");
    a.clickAndWait(ControlId::btnClosePellmora, 2000);
    a.clickAndWait(ControlId::btnClosePellmora, 2999);
    EXPECT_FALSE(a.h.ended());
    a.h.runFor(1);
    EXPECT_TRUE(a.h.ended());
    EXPECT_EQ(a.fs.contents(kIni), ini("D:\\A", 0, 1, 1, 1));
}

// While our message box is open (a failed save's, a failed start's), ticks go
// on but start no second save and no close.
TEST(AutoClose, AFailedSaveDuringTheCountdownIsNotEnteredAgain) {
    for (bool byClose : {false, true}) {
        SCOPED_TRACE(byClose ? "the countdown's own save fails" : "Apply fails while counting down");
        App a;
        a.start(kPlain);
        a.click(ControlId::btnClosePellmora);
        a.type("E:\\New");
        a.h.runFor(byClose ? 0 : 1000);
        a.fs.failNth(headless::FsOp::OpenOutput, 1, platform::FileError::DiskFull);
        bool survived = false;
        a.h.whileMessageBox = [&] {
            a.h.whileMessageBox = nullptr;
            const std::size_t opens = a.fs.calls(headless::FsOp::OpenOutput);
            a.h.runFor(7000);  // two countdown ticks fall due while the box is open
            EXPECT_EQ(a.fs.calls(headless::FsOp::OpenOutput), opens);
            survived = !a.h.ended();
        };
        if (!byClose) a.click(ControlId::btnApply);
        a.h.runFor(byClose ? 3000 : 0);
        EXPECT_TRUE(survived);
        EXPECT_EQ(a.h.messageBoxes.size(), 1u);
        EXPECT_EQ(a.fs.contents(kIni), kPlain);
        EXPECT_EQ(a.h.ended(), byClose);  // a close goes on to end once its box is closed
        if (byClose) continue;
        a.h.runFor(3000);
        EXPECT_TRUE(a.h.ended());
        EXPECT_EQ(a.fs.contents(kIni), ini("E:\\New", 0, 1, 1, 1));
    }
    App run;
    run.start(kPlain);
    run.click(ControlId::btnClosePellmora);
    run.h.whileMessageBox = [&] { run.h.runFor(7000); };
    run.clickAndWait(ControlId::btnRunJuno, 0);
    EXPECT_FALSE(run.h.ended());
}

TEST(DialogButtons, CancelEndsWithoutSavingApplyAndOkSave) {
    const std::tuple<const char*, std::vector<ControlId>, std::string> rows[] = {
        {"click, Cancel", {ControlId::chkAutoRun, ControlId::btnCancel, ControlId::btnApply}, kPlain},
        {"click, Apply, Cancel", {ControlId::chkRunJuno, ControlId::btnApply, ControlId::btnCancel},
         ini("C:\\Juno\\", 0, 1, 0, 1)},
        {"OK", {ControlId::chkDeleteAds, ControlId::chkAutoRun, ControlId::chkClosePellmora, ControlId::btnOK},
         ini("C:\\Juno\\", 1, 0, 1, 0)},
    };
    for (const auto& [what, clicks, saved] : rows) {
        SCOPED_TRACE(what);
        App a;
        a.start(kPlain);
        for (ControlId id : clicks) a.click(id);  // no handler runs once the program has ended
        a.h.idle();
        EXPECT_TRUE(a.h.ended());
        EXPECT_EQ(a.fs.contents(kIni), saved);
    }
}

TEST(Notice, MovesFourTwipsATickAndWrapsOnlyPastItsWidth) {
    App a;
    a.load();
    a.h.runFor(249);
    EXPECT_EQ(a.f.Label2.left(), 3750);
    a.h.runFor(1 + 250 * 5061);
    EXPECT_EQ(a.f.Label2.left(), -16498);
    a.h.runFor(250);
    EXPECT_EQ(a.f.Label2.left(), 4395);  // past -Width: wraps
    a.f.Label2.setLeft(-16496);
    a.h.runFor(250);
    EXPECT_EQ(a.f.Label2.left(), -16500);  // equal to -Width: not yet
    a.h.runFor(250);
    EXPECT_EQ(a.f.Label2.left(), 4395);
    a.h.busy(60000);  // a busy spell pauses it without a jump
    a.h.idle();
    EXPECT_EQ(a.f.Label2.left(), 4391);
    a.h.runFor(250);
    EXPECT_EQ(a.f.Label2.left(), 4387);
}

// Tab walks the tab indexes across the panel and the frame, passing over what
// takes no focus; Enter presses the focused button or else OK, Esc Cancel.
TEST(KeyboardRules, TabOrderAndTheDialogKeysFollowTheTable) {
    const auto table = pellmora::kFormLayout.controls;
    const platform::KeyboardRules rules = platform::keyboardRules(table);
    std::vector<std::string_view> order;
    for (platform::Row at : rules.tabOrder) order.push_back(table[at].name);
    EXPECT_EQ(order, (std::vector<std::string_view>{"txtJunoPath", "chkDeleteAds", "btnApply", "btnCancel", "btnOK",
                                                    "btnDeleteAds", "chkAutoRun", "chkRunJuno", "btnRunJuno",
                                                    "chkClosePellmora", "btnClosePellmora", "TabStrip1"}));
    EXPECT_EQ(rules.enterTarget(table, row(ControlId::txtJunoPath)), row(ControlId::btnOK));
    EXPECT_EQ(rules.enterTarget(table, row(ControlId::btnRunJuno)), row(ControlId::btnRunJuno));
    EXPECT_EQ(rules.cancelButton, row(ControlId::btnCancel));
    // "&Cancel" and "&Close Pellmora Now" share C: it only moves the focus between them.
    const auto c = platform::findAccessKey(table, rules.tabOrder, 0, 'C');
    EXPECT_EQ(table[rules.tabOrder[static_cast<std::size_t>(c.position)]].name, "btnCancel");
    EXPECT_FALSE(c.unique);
    EXPECT_TRUE(platform::findAccessKey(table, rules.tabOrder, 0, 'J').unique);  // "Run &Juno"
    // Read by position, not Tab index: every control but the timers once,
    // each label just before the field it names, each container before what
    // it holds, and the panel, which lies within the tab strip, before it.
    const std::vector<platform::Row> read = platform::readingOrder(table);
    const auto place = [&](platform::Row at) { return std::ranges::find(read, at) - read.begin(); };
    for (platform::Row at = 0; at < table.size(); ++at) {
        EXPECT_EQ(std::ranges::count(read, at), table[at].kind == platform::ControlKind::Timer ? 0 : 1) << table[at].name;
        EXPECT_TRUE(table[at].container == platform::kWindow || place(table[at].container) < place(at)) << table[at].name;
    }
    for (const auto& [label, field] : {std::pair{ControlId::labGeneral0, ControlId::txtJunoPath},
                                       {ControlId::labGeneral1, ControlId::pbStatus}})
        EXPECT_EQ(place(row(label)) + 1, place(row(field))) << table[row(label)].name;
    EXPECT_LT(place(row(ControlId::Picture1)), place(row(ControlId::TabStrip1)));
}

}  // namespace

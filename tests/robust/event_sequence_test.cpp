// Long seeded random sequences of what a user and the clock can do to the
// window: clicks on every button and check box, key-downs with and without
// Shift, Enter and Esc, typed paths, timer ticks, bursts of inputs queued
// while the program is busy (or timers running under a message box), the
// client refilling its ads folder and now and then a failing file-system
// call. After every step the window is open and consistent or the program
// has ended, and then nothing more happens. PELLMORA_SEED and
// PELLMORA_EVENT_SEQUENCES change the seed and the number of sequences.
#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "tests/robust/Robust.h"

namespace {

using platform::ControlId;
using namespace robust;

const std::regex kStatusTexts(
    "|Delete Ads Successful\\.|[1-9][0-9]* folders could not be deleted\\.|Run Juno Successful\\."
    "|Hold shift to keep Pellmora open\\.|Ready\\.");
const std::regex kJunoMessage("Juno\\.exe was not found at [\\s\\S]*\\\\bin\\\\juno\\.exe or Juno is already open\\.");
const std::string kPaths[] = {"C:\\Juno\\", "C:\\Juno", "", "C:\\Missing\\", "C:\\Ju\"no", "C:\\Juno, Mail",
                              "C:\\J\xc3\xbcno\\", "c:\\JUNO\\\\\\", "C:\\Juno\r\n"};
// The last two end the program and come rarely, so that sequences run long.
const ControlId kClicks[] = {ControlId::btnDeleteAds,     ControlId::btnRunJuno,       ControlId::btnApply,
                             ControlId::chkAutoRun,       ControlId::chkDeleteAds,     ControlId::chkRunJuno,
                             ControlId::chkClosePellmora, ControlId::btnClosePellmora, ControlId::btnOK,
                             ControlId::btnCancel};
const std::int16_t kKeys[] = {headless::kVkShift, headless::kVkTab,    'A',
                              0x2E,               headless::kVkReturn, headless::kVkEscape};

struct Sequence {
    std::mt19937_64 rng;
    App app;
    bool timersUnderBox = false, inBox = false, nested = false;
    std::uint64_t events = 0, outside = 0;

    std::uint64_t pick(std::uint64_t n) { return std::uniform_int_distribution<std::uint64_t>(0, n - 1)(rng); }
    std::string refillAds() {
        for (auto n = pick(6); n > 0; --n)
            app.fs().addFile(kAds + "ad" + std::to_string(pick(1000)) + "\\" + std::to_string(pick(3)) + ".gif", "ad",
                             {.readOnly = pick(20) == 0});
        if (pick(10) < 3) app.fs().addLink(kAds + "link" + std::to_string(pick(10)), "C:\\Outside\\Dir");
        return "ads refilled";
    }
    // One user input, queued; the program takes it when it is free.
    std::string input() {
        ++events;
        const std::uint64_t roll = pick(1000);
        if (roll < 500) {
            const ControlId id = kClicks[roll < 2 ? 8 + roll : roll < 30 ? 7 : pick(7)];
            app.h.click(id);
            return "click " + std::to_string(int(id));
        }
        if (roll < 750) {
            const std::int16_t key = kKeys[roll < 600 ? 0 : roll < 604 ? 4 + pick(2) : 1 + pick(3)];
            const auto mask = key == headless::kVkShift ? headless::kShiftMask : static_cast<std::int16_t>(pick(8));
            app.h.keyDown(key, mask);
            return "key " + std::to_string(key) + " mask " + std::to_string(mask);
        }
        const std::string text = kPaths[pick(std::size(kPaths))] + (pick(10) < 3 ? "\\" : "");
        app.h.type(ControlId::txtJunoPath, text);
        return "type [" + text + "]";
    }
    std::string step() {
        const std::uint64_t roll = pick(100);
        if (roll < 15) return app.h.runFor(pick(4000)), "wait";
        if (roll < 18) return refillAds();
        if (roll < 21) {  // at most one fault waits at a time
            app.fs().clearFaults();
            using platform::FileError;
            app.fs().failNthCall(1 + pick(20), pick(2) ? FileError::IoError : FileError::FileNotFound);
            return "a call will fail";
        }
        std::string what = input();
        for (auto n = roll < 28 && !timersUnderBox ? 1 + pick(4) : 0; n > 0; --n) what += ", " + input();
        return what;
    }

    void check(const Snapshot& before, const std::string& after) {
        SCOPED_TRACE("after " + after);
        const pellmora::frmMain& f = app.f;
        EXPECT_FALSE(nested) << "a message box opened over another";
        for (const auto& box : app.h.messageBoxes)
            EXPECT_TRUE(box.style == 48 && box.title == "Pellmora" &&
                        (box.text == kOptionsMessage || std::regex_match(box.text, kJunoMessage)))
                << box.text;
        pellmora::OptionSet read;
        const auto ini = app.fs().contents(kIni);
        EXPECT_TRUE(!ini || (before.contains(kIni) && ini == before.at(kIni).second) ||
                    (pellmora::readOptionItems(*ini, read) == pellmora::ReadError::None && fileOf(read) == *ini))
            << "Pellmora.ini is not a file the writer wrote";
        EXPECT_TRUE(!app.fs().exists(kTemporary) && app.fs().openCount() == 0);
        const auto mayChange = [](const std::string& p) { return p.starts_with(kAds) || p == kIni; };
        outside += touchedOutside(before, snapshot(app.fs()), mayChange);
        EXPECT_EQ(outside, 0u) << "touched outside the ads folder and Pellmora.ini";
        if (app.h.ended()) {
            const std::size_t logged = app.h.log.size();
            app.h.click(ControlId::btnApply);
            app.h.keyDown(headless::kVkReturn);
            app.h.runFor(10000);
            EXPECT_TRUE(app.h.log.size() == logged && !app.h.form().visible()) << "the program went on after its end";
            return;
        }
        EXPECT_TRUE(app.h.form().visible());
        for (const auto& [box, byte] : {std::pair{&f.chkAutoRun, f.bytAutoRun}, {&f.chkDeleteAds, f.bytDeleteAds},
                                        {&f.chkRunJuno, f.bytRunJuno}, {&f.chkClosePellmora, f.bytClosePellmora}})
            EXPECT_TRUE(box->value() < 2 ? byte == box->value() : box->value() == 2 && byte >= 2) << box->row().name;
        // Cleanup and launch cut one backslash each off the path, not the box.
        const std::string& text = f.txtJunoPath.text();
        EXPECT_TRUE(text.starts_with(f.strJunoPath) &&
                    text.find_first_not_of('\\', f.strJunoPath.size()) == std::string::npos)
            << "path [" << f.strJunoPath << "] against the box's [" << text << "]";
        EXPECT_EQ(f.pbStatus.value(), 0.0f);
        EXPECT_TRUE(std::regex_match(f.labStatus.caption(), kStatusTexts)) << f.labStatus.caption();
    }

    void run() {
        app.fs().addFile("C:\\Outside\\Dir\\keep.txt", "keep");
        app.fs().addFolder("C:\\Juno\\ads");
        if (pick(10) < 7) app.fs().addFile("C:\\Juno\\BIN\\Juno.exe", "client");
        refillAds();
        const std::uint8_t values[] = {0, 1, 1, 2, 200};
        const auto value = [&] { return values[pick(5)]; };
        // Without Pellmora.ini the start-up writes the default file.
        if (pick(10) < 8)
            app.fs().addFile(kIni, fileOf({kPaths[pick(std::size(kPaths))], value(), value(), value(), value()}));
        const Snapshot before = snapshot(app.fs());
        app.h.arguments = pick(10) < 7 ? "" : "/stay";
        app.h.msPerFileCall = std::array<std::uint64_t, 3>{0, 1, 20}[pick(3)];
        timersUnderBox = pick(2) == 0;
        app.h.whileMessageBox = [this] {
            nested = nested || inBox;
            inBox = true;
            timersUnderBox ? app.h.runFor(pick(4000)) : app.h.busy(pick(4000));
            inBox = false;
        };
        app.h.load([this] { app.f.Form_Load(); });
        check(before, "start-up");
        for (int n = 0; n < 150 && !app.h.ended() && !::testing::Test::HasFailure(); ++n) {
            const std::string what = step();
            app.h.idle();
            check(before, what);
        }
    }
};

TEST(EventSequences, NoOrderOfEventsBreaksTheWindow) {
    const std::uint64_t seed = fromEnvironment("PELLMORA_SEED", 7031);
    const std::uint64_t sequences = fromEnvironment("PELLMORA_EVENT_SEQUENCES", 40);
    std::uint64_t events = 0, outside = 0;
    for (std::uint64_t i = 0; i < sequences && !HasFailure(); ++i) {
        SCOPED_TRACE("sequence " + std::to_string(i) + "; rerun with PELLMORA_SEED=" + std::to_string(seed));
        Sequence sequence{std::mt19937_64(seed * 7919 + i)};
        sequence.run();
        events += sequence.events;
        outside += sequence.outside;
    }
    report("event_sequences", sequences);
    report("events", events);
    report("event_sequences_failed", HasFailure() ? 1 : 0);
    report("outside_touched", outside);
    EXPECT_GE(events, sequences * 50) << "sequences ended too early to prove much";
}

}  // namespace

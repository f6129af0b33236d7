// Long seeded random sequences of what a user and the clock can do to the
// window: clicks on every button and check box, key-downs with and without
// Shift (Enter and Esc included), typed paths, timer ticks, several inputs
// queued while the program is busy, the client refilling its ads folder and
// now and then a failing file-system call. After every step the window is
// either open and consistent or the program has ended properly, and then
// nothing more happens. PELLMORA_SEED and PELLMORA_EVENT_SEQUENCES change the
// seed and the number of sequences.
#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "tests/robust/Robust.h"
#include "window/ControlTable.h"

namespace {

using platform::ControlId;
using platform::FileError;
using pellmora::OptionSet;
using namespace robust;

constexpr std::uint64_t kDefaultSeed = 7031;
constexpr std::uint64_t kDefaultSequences = 40;
constexpr int kStepsPerSequence = 150;
const std::string kAds = "C:\\Juno\\ads\\";

const std::regex kStatusTexts(
    "|Delete Ads Successful\\.|[1-9][0-9]* folders could not be deleted\\.|Run Juno Successful\\."
    "|Hold shift to keep Pellmora open\\.|Ready\\.");
const std::regex kJunoMessage("Juno\\.exe was not found at [\\s\\S]*\\\\bin\\\\juno\\.exe or Juno is already open\\.");

const std::vector<std::string> kPaths = {
    "C:\\Juno\\", "C:\\Juno", "C:\\Juno\\\\", "", "C:\\", "C:\\Missing\\", "C:\\Ju\"no", "C:\\Juno, Mail",
    "C:\\J\xc3\xbcno\\", "c:\\JUNO\\\\\\", "C:\\Juno\r\n"};

enum class ModalLoop { None, ClockOnly, TimersRun };

class Sequence {
public:
    Sequence(std::uint64_t seed, std::uint64_t index) : rng_(seed * 7919 + index) {
        auto& fs = app_.fs();
        fs.addFile("C:\\Outside\\Dir\\keep.txt", "keep");
        fs.addFile("C:\\Juno\\readme.txt", "readme");
        fs.addFolder("C:\\Juno\\ads");
        if (chance(70)) fs.addFile("C:\\Juno\\BIN\\Juno.exe", "client");
        refillAds();
        const int ini = pick(10);
        if (ini < 8) {
            const std::uint8_t values[] = {0, 1, 1, 2, 200};
            initialIni_ = fileOf({pick(kPaths), values[pick(5)], values[pick(5)], values[pick(5)], values[pick(5)]});
        } else if (ini == 8) {
            initialIni_ = "\"[GENERAL]\"\r\n\"C:\\Juno\"\r\n1\r\n";  // too short: said once, then rebuilt
        }
        if (initialIni_) fs.addFile(kIni, *initialIni_);
        before_ = snapshot(fs);

        app_.h.arguments = chance(70) ? "" : "/stay";
        app_.h.msPerFileCall = std::array<std::uint64_t, 3>{0, 1, 20}[pick(3)];
        modal_ = static_cast<ModalLoop>(pick(3));
        app_.h.whileMessageBox = [this] {
            if (inMessageBox_) nestedMessageBox_ = true;
            inMessageBox_ = true;
            if (modal_ == ModalLoop::ClockOnly) app_.h.busy(pick(4000));
            // Only timers can run here: nothing else is queued while a box is open.
            if (modal_ == ModalLoop::TimersRun && !bursts()) app_.h.runFor(pick(4000));
            inMessageBox_ = false;
        };
        app_.h.load([this] { app_.f.Form_Load(); });
    }

    // Runs the sequence; returns the number of events it sent.
    std::uint64_t run() {
        check("start-up");
        for (int step = 0; step < kStepsPerSequence && !app_.h.ended(); ++step) {
            const std::string what = randomStep();
            app_.h.idle();
            check(what);
            if (::testing::Test::HasFailure()) return events_;
        }
        endedByEvents_ = app_.h.ended();
        if (!app_.h.ended()) {
            const std::size_t messages = app_.h.messageBoxes.size();
            app_.h.click(ControlId::btnOK);
            ++events_;
            app_.h.idle();
            EXPECT_TRUE(app_.h.ended()) << "OK did not end the program";
            if (app_.h.messageBoxes.size() == messages) {
                EXPECT_EQ(app_.fs().contents(kIni), fileOf(app_.f)) << "OK ended without saving what it shows";
            }
            check("OK");
        }
        return events_;
    }

    // Whether the program ended by itself or by an event of the sequence,
    // before the closing OK.
    bool endedByEvents() const { return endedByEvents_; }

private:
    bool chance(int percent) { return pick(100) < static_cast<std::uint64_t>(percent); }
    std::uint64_t pick(std::uint64_t n) { return std::uniform_int_distribution<std::uint64_t>(0, n - 1)(rng_); }
    template <class T>
    const T& pick(const std::vector<T>& from) {
        return from[pick(from.size())];
    }
    bool bursts() const { return modal_ != ModalLoop::TimersRun; }

    void refillAds() {
        auto& fs = app_.fs();
        for (int n = static_cast<int>(pick(6)); n > 0; --n) {
            const std::string entry = kAds + "ad" + std::to_string(pick(1000));
            for (int f = static_cast<int>(pick(4)); f > 0; --f)
                fs.addFile(entry + "\\" + std::to_string(f) + ".gif", "ad", {.readOnly = chance(5)});
            if (chance(20)) fs.addFolder(entry);
        }
        if (chance(30)) fs.addLink(kAds + "link" + std::to_string(pick(10)), "C:\\Outside\\Dir");
    }

    // One user input, queued; the thread takes it when it is free.
    std::string queueInput() {
        ++events_;
        // Per mille; what ends the program is rare, so sequences run long.
        const std::uint64_t roll = pick(1000);
        if (roll < 100) return click(ControlId::btnDeleteAds);
        if (roll < 180) return click(ControlId::btnRunJuno);
        if (roll < 260) return click(ControlId::btnApply);
        if (roll < 275) return click(ControlId::btnClosePellmora);
        if (roll < 276) return click(ControlId::btnOK);
        if (roll < 277) return click(ControlId::btnCancel);
        if (roll < 477) {
            const ControlId boxes[] = {ControlId::chkAutoRun, ControlId::chkDeleteAds, ControlId::chkRunJuno,
                                       ControlId::chkClosePellmora};
            return click(boxes[pick(4)]);
        }
        if (roll < 577) {
            app_.h.keyDown(headless::kVkShift, headless::kShiftMask);
            return "Shift down";
        }
        if (roll < 578) {
            app_.h.keyDown(headless::kVkReturn, static_cast<std::int16_t>(pick(8)));
            return "Enter";
        }
        if (roll < 579) {
            app_.h.keyDown(headless::kVkEscape, static_cast<std::int16_t>(pick(8)));
            return "Esc";
        }
        if (roll < 749) {
            const std::int16_t keys[] = {headless::kVkTab, 'A', 'Z', '5', 0x70, 0x2E, 0x25};
            const std::int16_t key = keys[pick(7)];
            const auto mask = static_cast<std::int16_t>(pick(8));
            app_.h.keyDown(key, mask);
            return "key " + std::to_string(key) + " mask " + std::to_string(mask);
        }
        std::string text = pick(kPaths);
        if (chance(30)) text += "\\";
        if (chance(20) && !text.empty()) text.pop_back();
        app_.h.type(ControlId::txtJunoPath, text);
        return "type [" + text + "]";
    }

    std::string click(ControlId id) {
        app_.h.click(id);
        return "click " + std::string(pellmora::controlSpec(id).name);
    }

    std::string randomStep() {
        const std::uint64_t roll = pick(100);
        if (roll < 15) {
            const std::uint64_t ms = pick(4000);
            app_.h.runFor(ms);
            return "wait " + std::to_string(ms) + " ms";
        }
        if (roll < 18) {
            refillAds();
            return "ads refilled";
        }
        if (roll < 21) {
            // At most one fault waits at a time, so a save never meets two.
            const FileError errors[] = {FileError::IoError, FileError::PermissionDenied, FileError::FileNotFound,
                                        FileError::DiskFull};
            app_.fs().clearFaults();
            app_.fs().failNthCall(1 + pick(20), errors[pick(4)]);
            return "a call will fail";
        }
        if (roll < 28 && bursts()) {
            std::string what = "burst:";
            for (int n = 2 + static_cast<int>(pick(4)); n > 0; --n) what += " " + queueInput();
            return what;
        }
        return queueInput();
    }

    void check(const std::string& after) {
        SCOPED_TRACE("after " + after);
        const pellmora::frmMain& f = app_.f;
        const auto& fs = app_.fs();
        EXPECT_FALSE(nestedMessageBox_) << "a message box opened over another";
        for (const auto& box : app_.h.messageBoxes) {
            EXPECT_EQ(box.style, 48);
            EXPECT_EQ(box.title, "Pellmora");
            EXPECT_TRUE(box.text == kOptionsMessage || std::regex_match(box.text, kJunoMessage)) << box.text;
        }
        if (const auto ini = fs.contents(kIni); ini && ini != initialIni_) {
            OptionSet read;
            EXPECT_TRUE(pellmora::readOptionItems(*ini, read) == pellmora::ReadError::None && fileOf(read) == *ini)
                << "Pellmora.ini is not a file the writer wrote: " << *ini;
        }
        EXPECT_FALSE(fs.exists(kTemporary));
        EXPECT_EQ(fs.openCount(), 0u);
        const auto touched = touchedOutside(before_, snapshot(fs), [](const std::string& p) {
            return startsWith(p, kAds) || p == kIni || p == kTemporary;
        });
        EXPECT_TRUE(touched.empty()) << "touched outside:" << join(touched);
        outsideTouched_ += touched.size();

        if (app_.h.ended()) {
            EXPECT_FALSE(app_.h.form().visible());
            // A proper end: nothing that comes later reaches the program.
            const std::size_t logged = app_.h.log.size();
            app_.h.click(ControlId::btnApply);
            app_.h.keyDown(headless::kVkReturn);
            app_.h.runFor(10000);
            EXPECT_EQ(app_.h.log.size(), logged) << "the program went on after its end";
            return;
        }
        EXPECT_TRUE(app_.h.form().visible());
        const std::pair<const platform::CheckBox*, std::uint8_t> boxes[] = {{&f.chkAutoRun, f.bytAutoRun},
                                                                            {&f.chkDeleteAds, f.bytDeleteAds},
                                                                            {&f.chkRunJuno, f.bytRunJuno},
                                                                            {&f.chkClosePellmora, f.bytClosePellmora}};
        for (const auto& [box, byte] : boxes) {
            const int shown = box->value();
            EXPECT_TRUE(shown == 0 || shown == 1 || shown == 2) << box->row().name << " shows " << shown;
            if (shown < 2) {
                EXPECT_EQ(byte, shown) << box->row().name;
            } else {
                EXPECT_GE(byte, 2) << box->row().name;
            }
        }
        // Cleanup and launch cut one backslash each off the path, not the box.
        const std::string& text = f.txtJunoPath.text();
        EXPECT_TRUE(text.starts_with(f.strJunoPath) &&
                    text.find_first_not_of('\\', f.strJunoPath.size()) == std::string::npos)
            << "path [" << f.strJunoPath << "] against the box's [" << text << "]";
        EXPECT_EQ(f.pbStatus.value(), 0.0f);
        EXPECT_TRUE(std::regex_match(f.labStatus.caption(), kStatusTexts)) << f.labStatus.caption();
        EXPECT_TRUE(f.blnShiftHeld == 0 || f.blnShiftHeld == -1);
        EXPECT_GE(f.Label2.left(), -f.Label2.width() - 4.0f);
        EXPECT_LE(f.Label2.left(), f.Picture1.width());
    }

    std::mt19937_64 rng_;
    App app_;
    Snapshot before_;
    std::optional<std::string> initialIni_;
    ModalLoop modal_ = ModalLoop::None;
    bool inMessageBox_ = false, nestedMessageBox_ = false, endedByEvents_ = false;
    std::uint64_t events_ = 0;

public:
    std::uint64_t outsideTouched_ = 0;
};

TEST(EventSequences, NoOrderOfEventsBreaksTheWindow) {
    const std::uint64_t seed = fromEnvironment("PELLMORA_SEED", kDefaultSeed);
    const std::uint64_t sequences = fromEnvironment("PELLMORA_EVENT_SEQUENCES", kDefaultSequences);
    std::uint64_t events = 0, endedByEvents = 0, outside = 0;
    for (std::uint64_t i = 0; i < sequences && !HasFailure(); ++i) {
        SCOPED_TRACE("seed " + std::to_string(seed) + ", sequence " + std::to_string(i) +
                     "; rerun with PELLMORA_SEED=" + std::to_string(seed));
        Sequence sequence(seed, i);
        events += sequence.run();
        outside += sequence.outsideTouched_;
        if (sequence.endedByEvents()) ++endedByEvents;
    }
    report("event_sequences", sequences);
    report("events", events);
    report("event_sequences_ended_by_program", endedByEvents);
    report("event_sequences_failed", HasFailure() ? 1 : 0);
    report("outside_touched", outside);
    EXPECT_GE(events, sequences * 50) << "sequences ended too early to prove much";
}

}  // namespace

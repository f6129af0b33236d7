// The headless platform: recorded controls, recorded message boxes, a queue
// of pending input and virtual timers on a virtual clock. Input waits in the
// queue until the user-interface thread is free (or Shift() lets it through),
// and a timer that fell due while the thread was busy ticks once.
#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/Keyboard.h"
#include "platform/Processes.h"
#include "platform/Window.h"
#include "platform/headless/MemoryFileSystem.h"

namespace headless {

inline constexpr std::int16_t kVkTab = 9;
inline constexpr std::int16_t kVkReturn = 13;
inline constexpr std::int16_t kVkShift = 16;
inline constexpr std::int16_t kVkEscape = 27;
inline constexpr std::int16_t kShiftMask = 1;

struct MessageBoxRecord {
    std::string text;
    platform::MessageStyle style;
    std::string title;
};

// Thrown by Form::unloadAndEnd and caught where the headless loop dispatches,
// so no frame of the logic runs on after the program has ended.
struct ProgramEnded {};

class Headless;

class HeadlessForm : public platform::Form {
public:
    HeadlessForm(Headless& host, const platform::FormLayout& layout);
    ~HeadlessForm() override;

    void show() override;
    bool visible() const override { return visible_; }
    void refresh() override;
    void move(float left, float top) override;
    float outerWidth() const override;
    float outerHeight() const override;
    [[noreturn]] void unloadAndEnd() override;

    float leftTwips() const { return left_; }
    float topTwips() const { return top_; }
    platform::Control& control(platform::Row row) const { return *controls_[row]; }
    const platform::FormLayout& layout() const { return layout_; }
    const platform::KeyboardRules& keys() const { return keys_; }

    // The focus starts on the first control in Tab order.
    platform::Row focus = 0;
    // The frame's width and the title bar's height, added to the client area.
    float frameWidth = 90, frameHeight = 435;

private:
    Headless& host_;
    const platform::FormLayout& layout_;
    const platform::KeyboardRules keys_;
    std::vector<std::unique_ptr<platform::Control>> ownedControls_;
    std::vector<std::unique_ptr<platform::Timer>> ownedTimers_;
    bool visible_ = false;
    float left_ = 0, top_ = 0;
};

class Headless : public platform::WindowSystem, public platform::Processes {
public:
    explicit Headless(const platform::FormLayout& layout);
    ~Headless() override;

    HeadlessForm& form() { return *form_; }
    MemoryFileSystem& files() { return files_; }

    // --- Running ----------------------------------------------------------
    // Runs `handler` as the user-interface thread would (Form_Load, say);
    // then shows the window if the handler has not.
    void load(const std::function<void()>& handler);
    // The event loop runs for `ms` of virtual time: pending input first, then
    // timers in the order they fall due.
    void runFor(std::uint64_t ms);
    void idle() { runFor(0); }
    // The thread is busy: the clock moves and nothing is dispatched.
    void busy(std::uint64_t ms) { now_ += ms; }
    // Busy time that every file-system call costs.
    std::uint64_t msPerFileCall = 0;
    bool ended() const { return ended_; }

    // --- Input, queued until the thread is free ---------------------------
    void click(platform::Row row);
    // Key preview first, then Enter/Esc/Tab as the dialog keys, then the
    // focused control.
    void keyDown(std::int16_t keyCode, std::int16_t shift = 0);
    void type(platform::Row textBox, std::string text);
    void post(std::function<void()> event);

    // --- Recorded ---------------------------------------------------------
    // Everything the logic showed, in order: "labStatus=...", "labStatus
    // refresh", "pbStatus max=2", "pbStatus value=1", "form refresh",
    // "form show", "timAutoClose on", "message ...".
    std::vector<std::string> log;
    // The lines of `log` that start with any of `prefixes`, in order.
    std::vector<std::string> logOf(std::initializer_list<std::string_view> prefixes) const;
    // Each change of a label that a screen reader is told of: when, and the text.
    std::vector<std::pair<std::uint64_t, std::string>> announced;
    std::vector<MessageBoxRecord> messageBoxes;
    // Runs while a message box is "open", as a modal loop would.
    std::function<void()> whileMessageBox;

    // --- platform::WindowSystem -------------------------------------------
    float screenWidth() const override { return screenWidthTwips; }
    float screenHeight() const override { return screenHeightTwips; }
    void messageBox(std::string_view text, platform::MessageStyle style, std::string_view title) override;
    bool doEvents() override;
    std::uint64_t milliseconds() const override { return now_; }
    float screenWidthTwips = 1024 * 15, screenHeightTwips = 768 * 15;
    // The Shift key as the keyboard has it, whatever window has the focus.
    bool shiftKeyDown = false;

    // --- platform::Processes ----------------------------------------------
    std::string commandLine() const override { return arguments; }
    bool startProgram(const std::string& path) override;
    std::string arguments;
    std::vector<std::string> started;  // paths started
    // By default a program starts when its file exists in `files()`.
    std::function<bool(const std::string&)> canStart;

    // --- For the controls and timers --------------------------------------
    void record(std::string line) { log.push_back(std::move(line)); }
    void end();
    std::uint64_t now() const { return now_; }
    void registerTimer(platform::Timer* timer, std::uint64_t* dueAt);

private:
    template <class F>
    void dispatch(F&& body);
    void dispatchPending();
    void drainQueue();
    void deliverKey(std::int16_t keyCode, std::int16_t shift);

    MemoryFileSystem files_;
    std::unique_ptr<HeadlessForm> form_;
    std::deque<std::function<void()>> queue_;
    struct TimerSlot {
        platform::Timer* timer;
        std::uint64_t* dueAt;
    };
    std::vector<TimerSlot> timers_;
    std::uint64_t now_ = 0;
    bool ended_ = false;
    int depth_ = 0;
};

}  // namespace headless

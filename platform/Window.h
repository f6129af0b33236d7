// What the logic needs of the window system: the main window, its controls
// and timers, modal message boxes, one pass over pending events, the screen
// and a clock.
//
// The base classes hold each control's logical state (text, value, exact
// single-precision twips) and raise the events the logic relies on; the two
// implementations only mirror that state onto a real or a recorded control.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ControlRow.h"

namespace platform {

class Control {
public:
    explicit Control(const ControlRow& row)
        : row_(row), left_(row.left), top_(row.top), width_(row.width), height_(row.height) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    const ControlRow& row() const { return row_; }

    // Positions are kept exactly as set; drawing maps them to whole pixels
    // without ever writing the rounded value back.
    float left() const { return left_; }
    float top() const { return top_; }
    float width() const { return width_; }
    float height() const { return height_; }
    void setLeft(float twips) {
        left_ = twips;
        moved();
    }

    // Repaint now, without waiting for the event loop.
    virtual void refresh() = 0;

protected:
    virtual void moved() = 0;
    // Text, value or range changed in code: mirror it onto the real control.
    virtual void changed() {}

private:
    const ControlRow& row_;
    float left_, top_, width_, height_;
};

// Every change of the caption is shown at once. Whether a screen reader
// that follows the label is told of it too is the caller's choice: a status
// that changes many times a second would queue a flood of announcements.
class Label : public Control {
public:
    explicit Label(const ControlRow& row) : Control(row), caption_(row.text) {}
    const std::string& caption() const { return caption_; }
    void setCaption(std::string text, bool heard = true) {
        caption_ = std::move(text);
        heard_ = heard;
        changed();
    }
    // Whether the last change is to be announced.
    bool heard() const { return heard_; }

private:
    std::string caption_;
    bool heard_ = true;
};

class Button : public Control {
public:
    using Control::Control;
    std::function<void()> onClick;
    void click() {
        if (onClick) onClick();
    }
};

// Values: 0 clear, 1 checked, 2 grey. Click is raised by a user's click and
// also whenever code changes the value, so the logic sees both the same way.
class CheckBox : public Control {
public:
    explicit CheckBox(const ControlRow& row) : Control(row), value_(row.value) {}
    std::function<void()> onClick;

    std::int16_t value() const { return value_; }
    void setValue(std::int16_t v) {
        if (v == value_) return;
        value_ = v;
        changed();
        if (onClick) onClick();
    }
    // A click only ever ticks or clears; grey is reached from code alone.
    void clickedByUser() { setValue(value_ == 1 ? 0 : 1); }

private:
    std::int16_t value_;
};

// Change is raised on every change of the text: typing, pasting or code.
class TextBox : public Control {
public:
    explicit TextBox(const ControlRow& row) : Control(row), text_(row.text) {}
    std::function<void()> onChange;

    const std::string& text() const { return text_; }
    void setText(std::string text) {
        if (text == text_) return;
        text_ = std::move(text);
        changed();
        if (onChange) onChange();
    }

protected:
    // Called by an implementation when the user edited the text.
    void editedByUser(std::string text) {
        if (text == text_) return;
        text_ = std::move(text);
        if (onChange) onChange();
    }

private:
    std::string text_;
};

class ProgressBar : public Control {
public:
    explicit ProgressBar(const ControlRow& row)
        : Control(row), max_(row.maximum), value_(row.value) {}
    float max() const { return max_; }
    float value() const { return value_; }
    void setMax(float m) {
        max_ = m;
        changed();
    }
    void setValue(float v) {
        value_ = v;
        changed();
    }

private:
    float max_, value_;
};

// Frame, panel and tab strip: containers and decoration, no run-time state.
class StaticControl : public Control {
public:
    using Control::Control;
};

// A periodic timer delivered on the user-interface thread. A timer that falls
// due while the thread is busy delivers one tick when it is free again.
class Timer {
public:
    explicit Timer(const ControlRow& row) : row_(row), enabled_(row.enabled) {}
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;
    virtual ~Timer() = default;

    std::function<void()> onTick;
    const ControlRow& row() const { return row_; }
    int interval() const { return row_.interval; }
    bool enabled() const { return enabled_; }
    // Enabling a running timer restarts its interval.
    void setEnabled(bool on) {
        enabled_ = on;
        enabledChanged();
    }
    void tick() {
        if (enabled_ && onTick) onTick();
    }

protected:
    virtual void enabledChanged() = 0;

private:
    const ControlRow& row_;
    bool enabled_;
};

// The main window: frame, position, and every control of the table.
class Form {
public:
    Form() = default;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    virtual ~Form() = default;

    // Key preview: every key-down reaches this before the focused control,
    // with the modifier mask (bit 0 Shift, bit 1 Ctrl, bit 2 Alt).
    std::function<void(std::int16_t keyCode, std::int16_t shift)> onKeyDown;

    virtual void show() = 0;
    virtual bool visible() const = 0;
    virtual void refresh() = 0;
    // Twips. The outer size includes the frame and title bar.
    virtual void move(float left, float top) = 0;
    virtual float outerWidth() const = 0;
    virtual float outerHeight() const = 0;
    // Unload the window and end the program at once: no handler runs after
    // it and the timers stop.
    [[noreturn]] virtual void unloadAndEnd() = 0;

    template <class T>
    T& get(Row row) const {
        return static_cast<T&>(*controls_[row]);
    }
    Timer& timer(Row row) const { return *timers_[row]; }

protected:
    // Filled by an implementation from the control table, by row.
    std::vector<Control*> controls_;
    std::vector<Timer*> timers_;
};

// The one kind of message box the program shows: exclamation icon, OK
// button (48, as the system's style flags spell it).
enum class MessageStyle : int { ExclamationOk = 48 };

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    virtual float screenWidth() const = 0;  // twips
    virtual float screenHeight() const = 0;
    // Modal; returns when the user closed it.
    virtual void messageBox(std::string_view text, MessageStyle style, std::string_view title) = 0;
    // One pass that dispatches every pending event. Returns whether the
    // Shift key is down as it ends, whichever window has the focus: a key
    // held while another program has it sends this window no key-down.
    virtual bool doEvents() = 0;
    // Milliseconds from an arbitrary start; for pacing repaints only.
    virtual std::uint64_t milliseconds() const = 0;
};

}  // namespace platform

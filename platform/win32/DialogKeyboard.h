// The main window's keyboard, as a dialog's works: every key-down goes to
// the window's own handler first; then Tab and Shift+Tab move in the table's
// order across containers, Enter and Esc press the default and cancel
// buttons, and access keys work with Alt and, where the key is not typing,
// without. The focus comes back where it was when the window does.
#pragma once

#include <windows.h>

#include <optional>
#include <span>
#include <vector>

#include "platform/Keyboard.h"
#include "platform/Window.h"
#include "platform/win32/Controls.h"

namespace win32 {

class DialogKeyboard {
public:
    DialogKeyboard(platform::Form& form, std::span<const platform::ControlRow> table);
    DialogKeyboard(const DialogKeyboard&) = delete;
    DialogKeyboard& operator=(const DialogKeyboard&) = delete;

    // Once the window and its controls exist: the controls by row, null for
    // timers, which must outlive this.
    void attach(HWND window, std::span<Child* const> children);

    // A key-down for the window or one of its controls; true when it was a
    // dialog key, handled here, and goes no further.
    bool keyDown(const MSG& message);
    // Enter presses the focused button, or else the default one: drawn so.
    void showDefaultButton();
    // The window was shown: the focus on a control, the default button drawn.
    void shown();
    // WM_ACTIVATE: the focus kept as the window goes inactive, given back as
    // it comes back.
    void activated(bool active);
    // The focus on the control that had it, or at first on the first one in
    // Tab order that can take it.
    void restoreFocus();

private:
    Child* focusedChild() const;
    int focusPosition() const;  // in tabOrder_, or -1
    void moveFocus(bool forward);
    void focusChild(Child& child);
    bool accessKey(char key);
    void press(std::optional<platform::Row> row);

    platform::Form& form_;
    std::span<const platform::ControlRow> table_;
    const platform::KeyboardRules keys_;
    HWND window_ = nullptr;
    std::span<Child* const> children_;
    std::vector<Child*> tabOrder_;
    std::vector<ButtonControl*> buttons_;
    HWND savedFocus_ = nullptr;  // the control to give the focus back to on activation
    HWND lastFocus_ = nullptr;   // as last seen by showDefaultButton
};

}  // namespace win32

#include "platform/win32/DialogKeyboard.h"

namespace win32 {

using platform::ControlKind;

namespace {

bool isDown(int virtualKey) { return GetKeyState(virtualKey) < 0; }

// The modifier mask the key preview hands on: bit 0 Shift, bit 1 Ctrl, bit 2 Alt.
std::int16_t modifierMask() {
    return static_cast<std::int16_t>((isDown(VK_SHIFT) ? 1 : 0) | (isDown(VK_CONTROL) ? 2 : 0) |
                                     (isDown(VK_MENU) ? 4 : 0));
}

}  // namespace

DialogKeyboard::DialogKeyboard(platform::Form& form, std::span<const platform::ControlRow> table)
    : form_(form), table_(table), keys_(platform::keyboardRules(table)) {}

void DialogKeyboard::attach(HWND window, std::span<Child* const> children) {
    window_ = window;
    children_ = children;
    for (platform::Row at : keys_.tabOrder) tabOrder_.push_back(children_[at]);
    for (Child* child : children_)
        if (child && child->row().kind == ControlKind::Button) buttons_.push_back(static_cast<ButtonControl*>(child));
}

bool DialogKeyboard::keyDown(const MSG& message) {
    // Every key-down reaches the window's handler first; the key then goes
    // on to the focused control unless it is one of the dialog keys below.
    if (form_.onKeyDown) form_.onKeyDown(static_cast<std::int16_t>(message.wParam), modifierMask());
    const WPARAM key = message.wParam;
    const bool alt = isDown(VK_MENU), ctrl = isDown(VK_CONTROL);
    switch (key) {
    case VK_TAB:
        if (alt) return false;  // the system's window switching
        moveFocus(!isDown(VK_SHIFT));
        return true;
    case VK_RETURN: {
        if (alt) return false;
        const Child* focused = focusedChild();
        press(keys_.enterTarget(table_, focused ? focused->at() : platform::kWindow));
        return true;
    }
    case VK_ESCAPE: press(keys_.cancelButton); return true;
    case VK_MENU:
        // Alt shows the access keys' underlines, as dialogs do.
        SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL), 0);
        return false;
    default: break;
    }
    const bool letterOrDigit = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
    // Ctrl (and AltGr, which is Ctrl+Alt) keys belong to the focused control.
    if (!letterOrDigit || ctrl) return false;
    if (!alt) {
        // Without Alt an access key works only where the key is not typing.
        const Child* focused = focusedChild();
        if (focused && focused->row().kind == ControlKind::TextBox) return false;
    }
    return accessKey(static_cast<char>(key));
}

Child* DialogKeyboard::focusedChild() const {
    for (HWND w = GetFocus(); w && w != window_; w = GetParent(w))
        if (Child* child = childOf(children_, w)) return child;
    return nullptr;
}

int DialogKeyboard::focusPosition() const {
    const Child* focused = focusedChild();
    for (std::size_t i = 0; i < tabOrder_.size(); ++i)
        if (tabOrder_[i] == focused) return static_cast<int>(i);
    return -1;
}

void DialogKeyboard::moveFocus(bool forward) {
    const int count = static_cast<int>(tabOrder_.size());
    if (count == 0) return;
    int at = focusPosition();
    if (at < 0) at = forward ? count - 1 : 0;
    for (int step = 1; step <= count; ++step) {
        const int next = forward ? (at + step) % count : (at - step % count + count) % count;
        Child& candidate = *tabOrder_[static_cast<std::size_t>(next)];
        if (IsWindowVisible(candidate.hwnd()) && IsWindowEnabled(candidate.hwnd())) {
            focusChild(candidate);
            return;
        }
    }
}

void DialogKeyboard::focusChild(Child& child) {
    SetFocus(child.hwnd());
    // Reached by the keyboard: show where the focus is, and select the text
    // of the edit box as dialogs do.
    SendMessageW(window_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    if (child.row().kind == ControlKind::TextBox) SendMessageW(child.hwnd(), EM_SETSEL, 0, -1);
}

bool DialogKeyboard::accessKey(char key) {
    const auto target = platform::findAccessKey(table_, keys_.tabOrder, focusPosition(), key);
    if (target.position < 0) return false;
    Child& child = *tabOrder_[static_cast<std::size_t>(target.position)];
    focusChild(child);
    // A key that several controls share only moves the focus among them.
    if (!target.unique) return true;
    const platform::Row at = child.at();
    if (child.row().kind == ControlKind::Button) press(at);
    if (child.row().kind == ControlKind::CheckBox) form_.get<platform::CheckBox>(at).clickedByUser();
    return true;
}

void DialogKeyboard::press(std::optional<platform::Row> row) {
    if (row) form_.get<platform::Button>(*row).click();
}

void DialogKeyboard::showDefaultButton() {
    const HWND focus = GetFocus();
    if (focus == lastFocus_) return;
    lastFocus_ = focus;
    const Child* focused = focusedChild();
    const bool onButton = focused && focused->row().kind == ControlKind::Button;
    for (ButtonControl* button : buttons_)
        button->showAsDefault(onButton ? static_cast<const Child*>(button) == focused : button->row().isDefault);
}

void DialogKeyboard::shown() {
    if (!focusedChild()) restoreFocus();
    showDefaultButton();
}

void DialogKeyboard::activated(bool active) {
    if (active) {
        restoreFocus();
        return;
    }
    const HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) savedFocus_ = focus;
}

void DialogKeyboard::restoreFocus() {
    if (savedFocus_ && IsWindow(savedFocus_) && IsChild(window_, savedFocus_) && IsWindowVisible(savedFocus_)) {
        SetFocus(savedFocus_);
        return;
    }
    // First time: the first control in Tab order that can take the focus.
    for (Child* child : tabOrder_) {
        if (IsWindowVisible(child->hwnd()) && IsWindowEnabled(child->hwnd())) {
            SetFocus(child->hwnd());
            if (child->row().kind == ControlKind::TextBox) SendMessageW(child->hwnd(), EM_SETSEL, 0, -1);
            return;
        }
    }
}

}  // namespace win32

// One small class per kind of control of the window, each a child window
// created from one row of the control table. The logical state (text, value,
// twips) stays in the platform base classes; these only mirror it.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <span>
#include <string>

#include "platform/Window.h"
#include "platform/win32/Layout.h"

namespace win32 {

// What a control needs of the window that holds it.
class ControlHost {
public:
    virtual UINT dpi() const = 0;
    virtual HFONT font(platform::FontKind kind) const = 0;
    // Where a row stands in the table the window was made from.
    virtual platform::Row rowOf(const platform::ControlRow& row) const = 0;
    // False while the user has turned animations off.
    virtual bool motion() const = 0;
    // Whether the user's colour scheme must win over a colour the design
    // fixes (schemeWins), as last read.
    virtual bool schemeColours() const = 0;

protected:
    ~ControlHost() = default;
};

// The Win32 side of every control: its window, the notifications routed to
// it by the main window, and its placement in pixels.
class Child {
public:
    Child(const platform::ControlRow& row, ControlHost& host) : row_(row), host_(host) {}
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    virtual ~Child() = default;

    HWND hwnd() const { return hwnd_; }
    const platform::ControlRow& row() const { return row_; }
    // Where its row stands in the table.
    platform::Row at() const { return host_.rowOf(row_); }

    // WM_COMMAND from this control, by its notification code.
    virtual void command(WORD /*code*/) {}
    // WM_NOTIFY from this control.
    virtual LRESULT notify(const NMHDR& /*header*/) { return 0; }
    // WM_CTLCOLOR*: a brush, or nullptr for the system's default colours.
    virtual HBRUSH colours(HDC /*dc*/) { return nullptr; }
    // Puts the window where its twips say, at the host's current DPI.
    virtual void place() = 0;
    // Font and position again, after a change of DPI; the caller repaints.
    void rescale();
    // An accessibility client asks the window (WM_GETOBJECT): what it reads
    // beyond the system's own is set now, never at start-up.
    virtual void accessibilityAsked() {}

protected:
    void create(const wchar_t* windowClass, DWORD style, DWORD exStyle, HWND parent, const std::wstring& text);
    RECT pixelBounds(float left, float top, float width, float height) const;
    void setPixelBounds(float left, float top, float width, float height);
    void repaint() const;
    ControlHost& host() const { return host_; }

    HWND hwnd_ = nullptr;

private:
    const platform::ControlRow& row_;
    ControlHost& host_;
    RECT bounds_{};
};

// Joins a platform control class with its window.
template <class Base>
class Windowed : public Base, public Child {
public:
    Windowed(const platform::ControlRow& row, ControlHost& host) : Base(row), Child(row, host) {}
    using Child::row;  // both bases hold the same table row
    void refresh() override { repaint(); }
    void place() override { setPixelBounds(this->left(), this->top(), this->width(), this->height()); }

protected:
    void moved() override { place(); }
};

// A push button ("Button", BS_PUSHBUTTON or BS_DEFPUSHBUTTON).
class ButtonControl : public Windowed<platform::Button> {
public:
    ButtonControl(const platform::ControlRow& row, ControlHost& host, HWND parent);
    void command(WORD code) override;
    // Drawn as the button Enter presses: the focused button, else btnOK.
    void showAsDefault(bool on);

private:
    bool shownAsDefault_;
};

// A three-state check box ("Button", BS_3STATE): the value is ours, a click
// only asks for it to change.
class CheckBoxControl : public Windowed<platform::CheckBox> {
public:
    CheckBoxControl(const platform::ControlRow& row, ControlHost& host, HWND parent);
    void command(WORD code) override;

protected:
    void changed() override;
};

// A single-line edit box ("Edit").
class TextBoxControl : public Windowed<platform::TextBox> {
public:
    TextBoxControl(const platform::ControlRow& row, ControlHost& host, HWND parent);
    void command(WORD code) override;

protected:
    void changed() override;

private:
    bool settingText_ = false;  // our own SetWindowTextW raises EN_CHANGE too
};

class LiveStatus;

// A static text label ("Static"). One that the table leaves empty is a
// status the program fills as it runs: announced at each change the logic
// wants heard, its text whole for screen readers and in a tool tip, and a
// path in it shortened in the middle where it does not fit.
class LabelControl : public Windowed<platform::Label> {
public:
    LabelControl(const platform::ControlRow& row, ControlHost& host, HWND parent);
    ~LabelControl() override;
    HBRUSH colours(HDC dc) override;
    void place() override;
    void accessibilityAsked() override;
    HWND toolTip() const { return toolTip_; }

protected:
    void changed() override;

private:
    bool isStatus() const { return row().text.empty(); }
    void showWhole(const std::wstring& text);

    HWND toolTip_ = nullptr;  // made at the first change; goes with the main window, its owner
    std::unique_ptr<LiveStatus> live_;  // for a status only
};

// A progress bar (PROGRESS_CLASSW).
class ProgressControl : public Windowed<platform::ProgressBar> {
public:
    ProgressControl(const platform::ControlRow& row, ControlHost& host, HWND parent);

protected:
    void changed() override;
};

// A captioned group box ("Button", BS_GROUPBOX) that holds controls: its
// children's notifications are passed on to the main window.
class FrameControl : public Windowed<platform::StaticControl> {
public:
    FrameControl(const platform::ControlRow& row, ControlHost& host, HWND parent);
};

// A borderless container ("PellmoraPanel") in the window's background colour
// that clips its children and passes their notifications on.
class PanelControl : public Windowed<platform::StaticControl> {
public:
    static constexpr const wchar_t* kClassName = L"PellmoraPanel";
    static void registerClass(HINSTANCE instance);

    PanelControl(const platform::ControlRow& row, ControlHost& host, HWND parent);
};

// The tab control (WC_TABCONTROLW) with its one tab, whose tool tip comes
// through TTN_GETDISPINFOW from the control's own tool-tip window.
class TabStripControl : public Windowed<platform::StaticControl> {
public:
    TabStripControl(const platform::ControlRow& row, ControlHost& host, HWND parent, const platform::FormLayout& form);
    LRESULT notify(const NMHDR& header) override;
    void place() override;
    bool ownsToolTip(HWND window) const;

private:
    HWND toolTip() const;
    TTTOOLINFOW toolInfo() const;

    std::wstring caption_, toolTip_;
    std::string key_;
    bool ownTool_ = false;  // a tool of ours for the tab, where the control made none
};

// A timer of the main window (SetTimer), by the control ID of its row.
class TimerControl : public platform::Timer {
public:
    TimerControl(const platform::ControlRow& row, platform::Row at, HWND owner);
    ~TimerControl() override;
protected:
    void enabledChanged() override;

private:
    HWND owner_;
    UINT_PTR id_;
};

// The child made for a window, from the children by row (null for timers).
Child* childOf(std::span<Child* const> children, HWND window);

// Sends WM_COMMAND, WM_NOTIFY and WM_CTLCOLOR* from a container's children
// on to the main window; true when `message` was one of them.
bool forwardToMainWindow(HWND container, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

}  // namespace win32

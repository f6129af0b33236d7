// The main window on Win32, its controls and timers, and the window system:
// message boxes, the screen, and the message routing that the message loop
// and the one pass over pending events share.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <vector>

#include "platform/Window.h"
#include "platform/win32/Controls.h"
#include "platform/win32/DialogKeyboard.h"
#include "platform/win32/Handles.h"

namespace win32 {

inline constexpr const wchar_t* kMainClassName = L"PellmoraMain";

class Win32Form : public platform::Form, public ControlHost {
public:
    // Creates the window, hidden, with every control of the form's table;
    // the timers that are enabled in the table run from here on.
    Win32Form(HINSTANCE instance, const platform::FormLayout& layout);
    ~Win32Form() override;

    void show() override;
    bool visible() const override;
    void refresh() override;
    void move(float left, float top) override;
    float outerWidth() const override;
    float outerHeight() const override;
    [[noreturn]] void unloadAndEnd() override;

    UINT dpi() const override { return dpi_; }
    HFONT font(platform::FontKind kind) const override;
    platform::Row rowOf(const platform::ControlRow& row) const override;
    bool motion() const override { return motion_; }
    bool schemeColours() const override { return schemeColours_; }

    HWND hwnd() const { return hwnd_; }
    HWND windowOf(platform::Row row) const;

    // Key preview, our own Tab order, Enter, Esc and access keys, then the
    // system's dialog keys, then the usual translation and dispatch.
    void route(MSG& message);
    // The message loop; returns the exit code.
    int run();

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    void answerSentMessages();
    void makeFonts();
    SIZE outerSize(UINT dpi) const;
    void sizeWindow();
    void changeDpi(UINT dpi, const RECT& suggested);
    // The window's icons at its DPI, in place of those it had.
    void loadIcons();
    // The colours, theme or animation setting changed.
    void schemeChanged();
    Child* childFor(HWND window) const { return childOf(children_, window); }

    const platform::FormLayout& layout_;
    DialogKeyboard keyboard_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
    UINT sizeAskedFor_ = 0;  // the DPI WM_GETDPISCALEDSIZE last asked the size at
    std::array<FontHandle, 3> fonts_;  // by FontKind
    std::array<IconHandle, 2> icons_;  // by ICON_SMALL, ICON_BIG
    bool motion_ = true;
    bool schemeColours_ = false;
    std::vector<std::unique_ptr<platform::Control>> ownedControls_;
    std::vector<std::unique_ptr<TimerControl>> ownedTimers_;
    std::vector<Child*> children_;  // by row; null for timers
    TabStripControl* tabStrip_ = nullptr;
    bool answeringSent_ = false;  // inside answerSentMessages
    bool destroyedByOwner_ = false;  // by the destructor, not by the user or the program's end
};

class Win32WindowSystem : public platform::WindowSystem {
public:
    explicit Win32WindowSystem(Win32Form& form) : form_(form) {}

    float screenWidth() const override;
    float screenHeight() const override;
    void messageBox(std::string_view text, platform::MessageStyle style, std::string_view title) override;
    bool doEvents() override;
    std::uint64_t milliseconds() const override;

private:
    Win32Form& form_;
};

// Shows what went wrong when an exception reaches the boundary of a window
// procedure or of the program, instead of letting it pass or vanish.
void reportException(HWND owner) noexcept;

}  // namespace win32

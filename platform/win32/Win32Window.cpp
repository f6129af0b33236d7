#include "platform/win32/Win32Window.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "platform/ReadingOrder.h"
#include "platform/win32/CaptionFitting.h"
#include "platform/win32/ColourScheme.h"
#include "platform/win32/Dpi.h"
#include "platform/win32/Layout.h"
#include "platform/win32/SystemCalls.h"
#include "platform/win32/Text.h"
#include "platform/win32/WindowClass.h"

namespace win32 {

using platform::ControlKind;
using platform::ControlRow;
using platform::FontKind;

namespace {

// A fixed dialog frame with system menu and close box; no sizing border, no
// minimize or maximize box.
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kMainExStyle = WS_EX_CONTROLPARENT;
constexpr int kIconResource = 1;
// Nobody posts us this message: looking for it takes nothing off the queue.
constexpr UINT kNeverPosted = WM_APP + 0x3FFF;

// The icon resource drawn at `size` from its nearest larger image; null in a
// program without it.
HICON loadIcon(int size) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HICON icon = nullptr;
    if (const auto scaleDown = systemCalls().loadIconWithScaleDown)
        return SUCCEEDED(scaleDown(instance, MAKEINTRESOURCEW(kIconResource), size, size, &icon)) ? icon : nullptr;
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, size, size, 0));
}

// "Show animations in Windows"; on where the system cannot say.
bool animationsOn() {
    BOOL on = TRUE;
    return !SystemParametersInfoW(SPI_GETCLIENTAREAANIMATION, 0, &on, 0) || on;
}

}  // namespace

// --- Creation ------------------------------------------------------------------

Win32Form::Win32Form(HINSTANCE instance, const platform::FormLayout& layout)
    : layout_(layout), keyboard_(*this, layout.controls) {
    registerWindowClass(instance, kMainClassName, windowProc);
    PanelControl::registerClass(instance);
    // Made at its size for the system's DPI, which is most often the
    // window's own: then nothing needs sizing again.
    dpi_ = systemDpi();
    const SIZE outer = outerSize(dpi_);
    hwnd_ = CreateWindowExW(kMainExStyle, kMainClassName, widen(layout_.title).c_str(), kMainStyle,
                            CW_USEDEFAULT, CW_USEDEFAULT, outer.cx, outer.cy, nullptr, nullptr, instance, this);
    if (!hwnd_) throw std::runtime_error("The main window could not be created.");
    dpi_ = windowDpi(hwnd_);
    motion_ = animationsOn();
    schemeColours_ = schemeWins();
    loadIcons();
    makeFonts();
    sizeWindow();
    createControls();
}

Win32Form::~Win32Form() {
    // The controls' windows go with the main window; their objects after it.
    // A window its owner destroys leaves the thread's message loop running:
    // a quit left behind would be the next pending message of every pass
    // over events on this thread, before any timer's tick.
    destroyedByOwner_ = true;
    if (hwnd_) DestroyWindow(hwnd_);
}

void Win32Form::makeFonts() {
    for (const FontKind kind : {FontKind::Dialog, FontKind::BoldBlack, FontKind::Notice})
        fonts_[static_cast<std::size_t>(kind)] = fittedFont(kind, layout_.controls, dpi_, hwnd_);
}

void Win32Form::loadIcons() {
    for (const auto& [which, width] : {std::pair{ICON_SMALL, SM_CXSMICON}, std::pair{ICON_BIG, SM_CXICON}}) {
        IconHandle icon(loadIcon(systemMetric(width, dpi_)));
        if (!icon) continue;
        SendMessageW(hwnd_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon.get()));
        icons_[which] = std::move(icon);  // the old one goes once the window has let go of it
    }
}

void Win32Form::schemeChanged() {
    schemeColours_ = schemeWins();
    if (const bool on = animationsOn(); on != motion_) {
        motion_ = on;
        for (Child* child : children_)
            if (child) child->place();
    }
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

HFONT Win32Form::font(FontKind kind) const { return fonts_[static_cast<std::size_t>(kind)].get(); }

platform::Row Win32Form::rowOf(const ControlRow& row) const {
    return static_cast<platform::Row>(&row - layout_.controls.data());
}

// The window's outer size for its client area at `dpi`.
SIZE Win32Form::outerSize(UINT dpi) const {
    RECT outer{0, 0, twipsToPixels(layout_.clientWidth, dpi), twipsToPixels(layout_.clientHeight, dpi)};
    adjustWindowRect(outer, kMainStyle, kMainExStyle, dpi);
    return SIZE{outer.right - outer.left, outer.bottom - outer.top};
}

// The exact client area at the current DPI, whatever the window had.
void Win32Form::sizeWindow() {
    const int clientWidth = twipsToPixels(layout_.clientWidth, dpi_);
    const int clientHeight = twipsToPixels(layout_.clientHeight, dpi_);
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (client.right == clientWidth && client.bottom == clientHeight) return;
    const SIZE outer = outerSize(dpi_);
    SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A frame the calculation got wrong still ends with the exact client area.
    GetClientRect(hwnd_, &client);
    const int dx = clientWidth - client.right, dy = clientHeight - client.bottom;
    if (dx != 0 || dy != 0)
        SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx + dx, outer.cy + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A move to a monitor at another scale, or the scale changed while running:
// fonts and controls at the new DPI, and the window at the rectangle the
// system suggests, in one move. Where the system built that rectangle from
// the size WM_GETDPISCALEDSIZE answered (Windows 10 1703 and later), it is
// taken as it is, and the window ends exactly as one made at that DPI; a
// window that sized itself otherwise could be moved back to the monitor it
// came from, and bounce. An older system scales the whole window, frame
// included, though it draws the frame at the system DPI: there the window
// takes the place suggested and the size worked out as at creation, lest
// its client area come out a few pixels short of its controls.
void Win32Form::changeDpi(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The old fonts stay until every control has let go of them.
    const std::array<FontHandle, 3> old = std::move(fonts_);
    makeFonts();
    loadIcons();
    for (Child* child : children_)
        if (child) child->rescale();
    SIZE size{suggested.right - suggested.left, suggested.bottom - suggested.top};
    if (std::exchange(sizeAskedFor_, 0) != dpi) size = outerSize(dpi);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    // A control made smaller keeps the bits it was moved with, and a label
    // does not paint itself again for that: everything is painted afresh.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void Win32Form::createControls() {
    const std::size_t count = layout_.controls.size();
    controls_.resize(count);
    timers_.resize(count);
    children_.resize(count);
    const auto add = [this]<class T>(std::unique_ptr<T> control) {
        const platform::Row at = rowOf(control->row());
        controls_[at] = control.get();
        children_[at] = control.get();
        ownedControls_.push_back(std::move(control));
    };
    // A child is made below the siblings made before it, and the reading
    // order puts each container before its controls: made in that order, the
    // z-order is the reading order, and no window is moved afterwards.
    std::vector<platform::Row> order;
    for (platform::Row at = 0; at < count; ++at)
        if (layout_.controls[at].kind == ControlKind::Timer) order.push_back(at);
    std::ranges::copy(platform::readingOrder(layout_.controls), std::back_inserter(order));
    for (const platform::Row at : order) {
        const ControlRow& row = layout_.controls[at];
        if (row.kind == ControlKind::Timer) {
            auto timer = std::make_unique<TimerControl>(row, at, hwnd_);
            timers_[at] = timer.get();
            ownedTimers_.push_back(std::move(timer));
            continue;
        }
        // Containers come before their children in the table.
        const HWND parent = row.container == platform::kWindow ? hwnd_ : windowOf(row.container);
        switch (row.kind) {
        case ControlKind::Button: add(std::make_unique<ButtonControl>(row, *this, parent)); break;
        case ControlKind::CheckBox: add(std::make_unique<CheckBoxControl>(row, *this, parent)); break;
        case ControlKind::TextBox: add(std::make_unique<TextBoxControl>(row, *this, parent)); break;
        case ControlKind::Label: add(std::make_unique<LabelControl>(row, *this, parent)); break;
        case ControlKind::ProgressBar: add(std::make_unique<ProgressControl>(row, *this, parent)); break;
        case ControlKind::Frame: add(std::make_unique<FrameControl>(row, *this, parent)); break;
        case ControlKind::Panel: add(std::make_unique<PanelControl>(row, *this, parent)); break;
        case ControlKind::TabStrip: {
            auto tabs = std::make_unique<TabStripControl>(row, *this, parent, layout_);
            tabStrip_ = tabs.get();
            add(std::move(tabs));
            break;
        }
        case ControlKind::Timer: break;
        }
    }
    keyboard_.attach(hwnd_, children_);
}

HWND Win32Form::windowOf(platform::Row row) const {
    const Child* child = row < children_.size() ? children_[row] : nullptr;
    return child ? child->hwnd() : nullptr;
}

// --- Form ------------------------------------------------------------------------

void Win32Form::show() {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    UpdateWindow(hwnd_);
    keyboard_.shown();
}

bool Win32Form::visible() const { return IsWindowVisible(hwnd_) != FALSE; }

void Win32Form::refresh() {
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    answerSentMessages();
}

// A long operation repaints now and then but takes no input until it
// returns. Looking at the queue as it repaints keeps the system from taking
// the window for hung (and ghosting it after five seconds), and answers what
// other programs send it (a screen reader, a test tool), which would
// otherwise wait for the whole run. Nothing is taken off the queue, so no
// click, key or tick runs here; a command or close that a sent message
// brings about is posted, to run once the operation has returned.
void Win32Form::answerSentMessages() {
    answeringSent_ = true;
    MSG message{};
    PeekMessageW(&message, nullptr, kNeverPosted, kNeverPosted, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    answeringSent_ = false;
}

void Win32Form::move(float left, float top) {
    SetWindowPos(hwnd_, nullptr, twipsToPixels(left, dpi_), twipsToPixels(top, dpi_), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

float Win32Form::outerWidth() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return pixelsToTwips(r.right - r.left, dpi_);
}

float Win32Form::outerHeight() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return pixelsToTwips(r.bottom - r.top, dpi_);
}

void Win32Form::unloadAndEnd() {
    // Every file is closed by the operation that opened it, so nothing is
    // left half-written; no handler may run after this.
    DestroyWindow(hwnd_);
    ExitProcess(0);
}

// --- Window procedure ------------------------------------------------------------

LRESULT CALLBACK Win32Form::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32Form* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
        return self->handle(message, wParam, lParam);
    } catch (...) {
        reportException(hwnd);
        return 0;
    }
}

LRESULT Win32Form::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (answeringSent_) {
        switch (message) {
        case WM_COMMAND:
        case WM_SYSCOMMAND:
        case WM_CLOSE: PostMessageW(hwnd_, message, wParam, lParam); return 0;
        case WM_TIMER: return 0;  // a modal loop of a control's own; the next interval ticks
        default: break;
        }
    }
    switch (message) {
    case WM_COMMAND:
        if (Child* child = childFor(reinterpret_cast<HWND>(lParam))) child->command(HIWORD(wParam));
        return 0;
    case WM_NOTIFY: {
        const NMHDR& header = *reinterpret_cast<const NMHDR*>(lParam);
        if (Child* child = childFor(header.hwndFrom)) return child->notify(header);
        if (tabStrip_ && tabStrip_->ownsToolTip(header.hwndFrom)) return tabStrip_->notify(header);
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
        if (Child* child = childFor(reinterpret_cast<HWND>(lParam)))
            if (HBRUSH brush = child->colours(reinterpret_cast<HDC>(wParam))) return reinterpret_cast<LRESULT>(brush);
        break;
    case WM_TIMER: {
        const std::size_t at = wParam - static_cast<WPARAM>(kFirstControlId);
        if (at < timers_.size() && timers_[at]) timers_[at]->tick();
        return 0;
    }
    case WM_ACTIVATE: keyboard_.activated(LOWORD(wParam) != WA_INACTIVE); return 0;
    case WM_SETFOCUS: keyboard_.restoreFocus(); return 0;
    case WM_GETOBJECT:
        for (Child* child : children_)
            if (child) child->accessibilityAsked();
        break;  // the system's own object answers
    case WM_CLOSE:
        // The close box ends the program at once, without saving and
        // without running any handler of the logic.
        DestroyWindow(hwnd_);
        ExitProcess(0);
    case WM_DESTROY:
        if (!destroyedByOwner_) PostQuitMessage(0);
        return 0;
    case WM_SYSCOLORCHANGE:
        // The common controls keep colours of their own until told.
        for (Child* child : children_)
            if (child) SendMessageW(child->hwnd(), message, wParam, lParam);
        [[fallthrough]];
    case WM_THEMECHANGED:
    case WM_SETTINGCHANGE: schemeChanged(); break;
    case kGetDpiScaledSize:
        sizeAskedFor_ = static_cast<UINT>(wParam);
        *reinterpret_cast<SIZE*>(lParam) = outerSize(sizeAskedFor_);
        return TRUE;
    case WM_DPICHANGED:
        changeDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    default: break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

// --- Message loop ----------------------------------------------------------------

void Win32Form::route(MSG& message) {
    const bool ours = message.hwnd == hwnd_ || (hwnd_ && IsChild(hwnd_, message.hwnd));
    if (ours && (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN)) {
        bool handled = false;
        try {
            handled = keyboard_.keyDown(message);
        } catch (...) {
            reportException(hwnd_);
            handled = true;
        }
        if (handled) {
            keyboard_.showDefaultButton();
            return;
        }
    }
    if (!ours || !IsDialogMessageW(hwnd_, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    keyboard_.showDefaultButton();
}

int Win32Form::run() {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 1;
        route(message);
    }
}

// --- Window system ---------------------------------------------------------------

float Win32WindowSystem::screenWidth() const { return pixelsToTwips(GetSystemMetrics(SM_CXSCREEN), form_.dpi()); }

float Win32WindowSystem::screenHeight() const { return pixelsToTwips(GetSystemMetrics(SM_CYSCREEN), form_.dpi()); }

void Win32WindowSystem::messageBox(std::string_view text, platform::MessageStyle style, std::string_view title) {
    static_assert(static_cast<UINT>(platform::MessageStyle::ExclamationOk) == (MB_OK | MB_ICONEXCLAMATION));
    MessageBoxW(form_.hwnd(), widen(text).c_str(), widen(title).c_str(), static_cast<UINT>(style));
}

bool Win32WindowSystem::doEvents() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Leave it for the message loop, which ends on it.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        form_.route(message);
    }
    // The key itself, not this thread's view of it: that follows only the
    // key messages this thread was sent.
    return GetAsyncKeyState(VK_SHIFT) < 0;
}

std::uint64_t Win32WindowSystem::milliseconds() const { return GetTickCount64(); }

void reportException(HWND owner) noexcept {
    std::string text = "Pellmora met an error it cannot handle";
    try {
        throw;
    } catch (const std::exception& e) {
        text += ": ";
        text += e.what();
    } catch (...) {
        text += ".";
    }
    MessageBoxW(owner, widen(text).c_str(), L"Pellmora", MB_OK | MB_ICONERROR);
}

}  // namespace win32

#include "platform/win32/Controls.h"

#include <commctrl.h>

#include <climits>
#include <cmath>
#include <stdexcept>

#include "platform/win32/Accessibility.h"
#include "platform/win32/ColourScheme.h"
#include "platform/win32/Layout.h"
#include "platform/win32/Text.h"
#include "platform/win32/WindowClass.h"

namespace win32 {

using platform::Align;
using platform::ControlRow;
using platform::FontKind;

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS;

HINSTANCE moduleInstance() { return GetModuleHandleW(nullptr); }

DWORD visibility(const ControlRow& row) { return row.visible ? WS_VISIBLE : 0; }

int clampToInt(float value) {
    if (!(value > static_cast<float>(INT_MIN))) return value > 0 ? INT_MAX : (value < 0 ? INT_MIN : 0);
    if (value >= static_cast<float>(INT_MAX)) return INT_MAX;
    return static_cast<int>(std::lround(value));
}

}  // namespace

// --- Child -------------------------------------------------------------------

void Child::create(const wchar_t* windowClass, DWORD style, DWORD exStyle, HWND parent, const std::wstring& text) {
    // Made where its row puts it: moving every control after making it
    // costs each a round of size and move messages at start-up.
    bounds_ = pixelBounds(row_.left, row_.top, row_.width, row_.height);
    hwnd_ = CreateWindowExW(exStyle, windowClass, text.c_str(), style, bounds_.left, bounds_.top,
                            bounds_.right - bounds_.left, bounds_.bottom - bounds_.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlIdOf(host_.rowOf(row_)))), moduleInstance(),
                            nullptr);
    if (!hwnd_) throw std::runtime_error("The control " + std::string(row_.name) + " could not be created.");
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(host_.font(row_.font)), FALSE);
}

void Child::rescale() {
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(host_.font(row_.font)), FALSE);
    bounds_ = RECT{};
    place();
}

RECT Child::pixelBounds(float left, float top, float width, float height) const {
    const UINT dpi = host_.dpi();
    const int x = twipsToPixels(left, dpi), y = twipsToPixels(top, dpi);
    return RECT{x, y, x + twipsToPixels(width, dpi), y + twipsToPixels(height, dpi)};
}

void Child::setPixelBounds(float left, float top, float width, float height) {
    const RECT bounds = pixelBounds(left, top, width, height);
    if (EqualRect(&bounds, &bounds_)) return;  // same pixels: nothing to move
    bounds_ = bounds;
    SetWindowPos(hwnd_, nullptr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void Child::repaint() const {
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

Child* childOf(std::span<Child* const> children, HWND window) {
    if (!window) return nullptr;
    // Our controls carry their table index in the control ID; the window
    // must also be the one we made for that row.
    const int at = GetDlgCtrlID(window) - kFirstControlId;
    if (at < 0 || static_cast<std::size_t>(at) >= children.size()) return nullptr;
    Child* child = children[static_cast<std::size_t>(at)];
    return child && child->hwnd() == window ? child : nullptr;
}

// --- Containers ----------------------------------------------------------------

bool forwardToMainWindow(HWND container, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        result = SendMessageW(GetAncestor(container, GA_ROOT), message, wParam, lParam);
        return true;
    default: return false;
    }
}

namespace {

LRESULT CALLBACK panelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (forwardToMainWindow(hwnd, message, wParam, lParam, result)) return result;
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR host) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, frameProc, id);
    const auto& window = *reinterpret_cast<const ControlHost*>(host);
    LRESULT result = 0;
    if (paintFrame(hwnd, message, wParam, window.dpi(), window.schemeColours(), result) ||
        forwardToMainWindow(hwnd, message, wParam, lParam, result))
        return result;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK tabProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, tabProc, id);
    LRESULT result = 0;
    if (message == WM_NOTIFY && forwardToMainWindow(hwnd, message, wParam, lParam, result)) return result;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

void PanelControl::registerClass(HINSTANCE instance) { registerWindowClass(instance, kClassName, panelProc); }

PanelControl::PanelControl(const ControlRow& row, ControlHost& host, HWND parent) : Windowed(row, host) {
    create(kClassName, kChildStyle | WS_CLIPCHILDREN | visibility(row), WS_EX_CONTROLPARENT, parent, L"");
    place();
}

FrameControl::FrameControl(const ControlRow& row, ControlHost& host, HWND parent) : Windowed(row, host) {
    create(L"Button", kChildStyle | BS_GROUPBOX | WS_CLIPCHILDREN | visibility(row), WS_EX_CONTROLPARENT, parent,
           widen(row.text));
    SetWindowSubclass(hwnd_, frameProc, 1, reinterpret_cast<DWORD_PTR>(&host));
    place();
}

// --- Buttons and check boxes ---------------------------------------------------

ButtonControl::ButtonControl(const ControlRow& row, ControlHost& host, HWND parent)
    : Windowed(row, host), shownAsDefault_(row.isDefault) {
    create(L"Button", kChildStyle | WS_TABSTOP | (row.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | visibility(row),
           0, parent, widen(row.text));
    place();
}

void ButtonControl::command(WORD code) {
    if (code == BN_CLICKED) click();
}

void ButtonControl::showAsDefault(bool on) {
    if (on == shownAsDefault_) return;
    shownAsDefault_ = on;
    SendMessageW(hwnd_, BM_SETSTYLE, on ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

namespace {

WPARAM checkState(std::int16_t value) {
    if (value == 0) return BST_UNCHECKED;
    return value == 1 ? BST_CHECKED : BST_INDETERMINATE;
}

}  // namespace

CheckBoxControl::CheckBoxControl(const ControlRow& row, ControlHost& host, HWND parent) : Windowed(row, host) {
    create(L"Button", kChildStyle | WS_TABSTOP | BS_3STATE | visibility(row), 0, parent, widen(row.text));
    SendMessageW(hwnd_, BM_SETCHECK, checkState(value()), 0);
    place();
}

void CheckBoxControl::command(WORD code) {
    if (code == BN_CLICKED) clickedByUser();
}

void CheckBoxControl::changed() { SendMessageW(hwnd_, BM_SETCHECK, checkState(value()), 0); }

// --- Text box and labels -------------------------------------------------------

TextBoxControl::TextBoxControl(const ControlRow& row, ControlHost& host, HWND parent) : Windowed(row, host) {
    create(L"Edit", kChildStyle | WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT | visibility(row), WS_EX_CLIENTEDGE, parent,
           widen(text()));
    place();
}

void TextBoxControl::command(WORD code) {
    if (code != EN_CHANGE || settingText_) return;
    const int length = GetWindowTextLengthW(hwnd_);
    std::wstring typed(static_cast<std::size_t>(length) + 1, L'\0');  // characters, with room for the end mark
    const int copied = GetWindowTextW(hwnd_, typed.data(), length + 1);
    typed.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    editedByUser(narrow(typed));
}

void TextBoxControl::changed() {
    settingText_ = true;
    SetWindowTextW(hwnd_, widen(text()).c_str());
    settingText_ = false;
}

LabelControl::LabelControl(const ControlRow& row, ControlHost& host, HWND parent) : Windowed(row, host) {
    DWORD align = SS_LEFTNOWORDWRAP;  // the notice is one line, however long
    if (row.align == Align::Center) align = SS_CENTER;
    if (row.align == Align::Right) align = SS_RIGHT;
    // A status is drawn on one line, a path in it shortened in the middle;
    // its window text stays whole. It takes the mouse for its tool tip.
    if (isStatus()) align |= SS_PATHELLIPSIS | SS_NOTIFY;
    create(L"Static", kChildStyle | align | SS_NOPREFIX | (row.border ? WS_BORDER : 0) | visibility(row), 0, parent,
           widen(caption()));
    if (isStatus()) live_ = std::make_unique<LiveStatus>(hwnd_);
    place();
}

LabelControl::~LabelControl() = default;

HBRUSH LabelControl::colours(HDC dc) {
    return row().font == FontKind::BoldBlack ? blackTextColours(dc, host().schemeColours()) : nullptr;
}

void LabelControl::place() {
    // With animations off the notice stands still where the table puts it;
    // the logic goes on moving its Left.
    if (row().font == FontKind::Notice && !host().motion())
        setPixelBounds(row().left, top(), width(), height());
    else
        Windowed::place();
}

void LabelControl::changed() {
    const std::wstring text = widen(caption());
    SetWindowTextW(hwnd_, text.c_str());
    if (!isStatus()) return;
    if (heard()) live_->announce();
    showWhole(text);
}

void LabelControl::showWhole(const std::wstring& text) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    // The tool tip watches the label's mouse messages and its bounds itself.
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(hwnd_);
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd_);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());  // copied
    if (toolTip_) {
        SendMessageW(toolTip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
        return;
    }
    toolTip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, GetAncestor(hwnd_, GA_ROOT),
                               nullptr, moduleInstance(), nullptr);
    if (toolTip_) SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void LabelControl::accessibilityAsked() {
    if (live_) live_->asked();
}

// --- Progress bar ----------------------------------------------------------------

ProgressControl::ProgressControl(const ControlRow& row, ControlHost& host, HWND parent) : Windowed(row, host) {
    create(PROGRESS_CLASSW, kChildStyle | visibility(row), 0, parent, L"");
    changed();
    place();
}

void ProgressControl::changed() {
    SendMessageW(hwnd_, PBM_SETRANGE32, 0, clampToInt(max()));
    SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(clampToInt(value())), 0);
}

// --- Tab strip -------------------------------------------------------------------

TabStripControl::TabStripControl(const ControlRow& row, ControlHost& host, HWND parent, const platform::FormLayout& form)
    : Windowed(row, host), caption_(widen(form.tabCaption)), toolTip_(widen(form.tabToolTip)), key_(form.tabKey) {
    create(WC_TABCONTROLW, kChildStyle | WS_TABSTOP | TCS_TOOLTIPS | visibility(row), 0, parent, L"");
    TCITEMW item{};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = caption_.data();
    item.lParam = reinterpret_cast<LPARAM>(&key_);
    if (SendMessageW(hwnd_, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0)
        throw std::runtime_error("The tab could not be added.");
    // The tool tip's notifications go to the tab control itself on some
    // systems: pass them on like a container's.
    SetWindowSubclass(hwnd_, tabProc, 1, 0);
    place();
    // Some tab controls make the tool tip but register no tool for their
    // tabs; then the tab gets one here, answered the same way.
    const HWND tip = toolTip();
    if (tip && SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0) == 0) {
        TTTOOLINFOW tool = toolInfo();
        SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        ownTool_ = true;
    }
}

HWND TabStripControl::toolTip() const { return reinterpret_cast<HWND>(SendMessageW(hwnd_, TCM_GETTOOLTIPS, 0, 0)); }

TTTOOLINFOW TabStripControl::toolInfo() const {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    // The tool tip watches the tab control's mouse messages itself: such a
    // control does not relay them in a form the tool tip acts on.
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = 0;  // the tab's index, as the tab control's own tools use
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(hwnd_, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tool.rect));
    return tool;
}

void TabStripControl::place() {
    Windowed::place();
    if (!ownTool_) return;
    TTTOOLINFOW tool = toolInfo();
    SendMessageW(toolTip(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
}

bool TabStripControl::ownsToolTip(HWND window) const {
    const HWND tip = toolTip();
    return tip != nullptr && tip == window;
}

LRESULT TabStripControl::notify(const NMHDR& header) {
    if (header.code == TTN_GETDISPINFOW) {
        // The header is the start of the tool tip's NMTTDISPINFOW.
        auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
        info.lpszText = toolTip_.data();
        info.hinst = nullptr;
    }
    return 0;  // TCN_SELCHANGING: allow; the one tab stays selected anyway
}

// --- Timers ----------------------------------------------------------------------

TimerControl::TimerControl(const ControlRow& row, platform::Row at, HWND owner)
    : Timer(row), owner_(owner), id_(static_cast<UINT_PTR>(controlIdOf(at))) {
    if (enabled()) SetTimer(owner_, id_, static_cast<UINT>(interval()), nullptr);
}

TimerControl::~TimerControl() {
    if (IsWindow(owner_)) KillTimer(owner_, id_);
}

void TimerControl::enabledChanged() {
    // SetTimer on a running timer's ID restarts its interval.
    if (enabled())
        SetTimer(owner_, id_, static_cast<UINT>(interval()), nullptr);
    else
        KillTimer(owner_, id_);
}

}  // namespace win32

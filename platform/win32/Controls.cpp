#include "platform/win32/Controls.h"

#include <commctrl.h>
#include <oleacc.h>

#include <climits>
#include <cmath>
#include <optional>
#include <stdexcept>

#include "platform/win32/Dpi.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Layout.h"
#include "platform/win32/SystemCalls.h"
#include "platform/win32/Text.h"

namespace win32 {

using platform::Align;
using platform::ControlRow;
using platform::FontKind;

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS;

HINSTANCE moduleInstance() { return GetModuleHandleW(nullptr); }

DWORD visibility(const ControlRow& row) { return row.visible ? WS_VISIBLE : 0; }

// The caption's indent from either end of a frame's line.
int frameIndent(UINT dpi) { return scaleToDpi(kFrameCaptionIndent, dpi); }

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

// --- Caption room ------------------------------------------------------------

namespace {

// The pixels a caption has: the control's width less what the control draws
// beside the text, as drawn at 96 DPI and scaled.
std::optional<int> captionRoom(const ControlRow& row, UINT dpi, HDC dc) {
    const int width = twipsToPixels(row.width, dpi);
    switch (row.kind) {
    case platform::ControlKind::Label: return width - (row.border ? 2 * systemMetric(SM_CXBORDER, dpi) : 0);
    case platform::ControlKind::CheckBox: {
        // The 13-pixel box, then a gap of half a digit.
        SIZE digit{};
        GetTextExtentPoint32W(dc, L"0", 1, &digit);
        return width - scaleToDpi(13, dpi) - digit.cx / 2;
    }
    // The default button's frame, the edge and a margin, on each side.
    case platform::ControlKind::Button: return width - 2 * scaleToDpi(5, dpi);
    case platform::ControlKind::Frame: return width - 2 * frameIndent(dpi);
    default: return std::nullopt;
    }
}

}  // namespace

bool schemeWins() {
    HIGHCONTRASTW contrast{sizeof contrast};
    if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON))
        return true;
    // Black on the face falls short of 4.5:1 (WCAG's contrast ratio for
    // text) below a relative luminance of 0.175.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const auto linear = [](BYTE channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double luminance =
        0.2126 * linear(GetRValue(face)) + 0.7152 * linear(GetGValue(face)) + 0.0722 * linear(GetBValue(face));
    return (luminance + 0.05) / 0.05 < 4.5;
}

bool captionFits(const ControlRow& row, UINT dpi, HDC dc) {
    const std::optional<int> room = captionRoom(row, dpi, dc);
    if (!room || !row.visible || row.text.empty()) return true;
    const std::wstring text = widen(row.text);
    RECT extent{};
    // Labels show "&" as it is; the other controls underline the access key.
    const UINT prefix = row.kind == platform::ControlKind::Label ? DT_NOPREFIX : 0;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &extent, DT_CALCRECT | DT_SINGLELINE | prefix);
    return extent.right - extent.left <= *room;
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

// A group box in the scheme's colours: an etched line, and the caption in
// the button text colour on the button face. The themed group box takes
// its caption's colour from the theme, whatever the scheme.
void paintFrame(HWND hwnd, HDC dc, UINT dpi) {
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    const Selected font(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT line = client;
    line.top += metrics.tmHeight / 2;
    DrawEdge(dc, &line, EDGE_ETCHED, BF_RECT);
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    RECT caption{frameIndent(dpi), 0, client.right - frameIndent(dpi), metrics.tmHeight};
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetBkMode(dc, OPAQUE);
    const bool hideKeys = SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &caption, DT_SINGLELINE | (hideKeys ? DT_HIDEPREFIX : 0));
}

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR host) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, frameProc, id);
    const auto& window = *reinterpret_cast<const ControlHost*>(host);
    if ((message == WM_PAINT || message == WM_PRINTCLIENT) && window.schemeColours()) {
        const UINT dpi = window.dpi();
        if (message == WM_PRINTCLIENT) {
            paintFrame(hwnd, reinterpret_cast<HDC>(wParam), dpi);
            return 0;
        }
        PAINTSTRUCT paint{};
        paintFrame(hwnd, BeginPaint(hwnd, &paint), dpi);
        EndPaint(hwnd, &paint);
        return 0;
    }
    if (message == WM_ERASEBKGND) {
        // A group box paints only its line and caption; as a container that
        // clips its children it must also fill what lies between them.
        RECT client{};
        GetClientRect(hwnd, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    LRESULT result = 0;
    if (forwardToMainWindow(hwnd, message, wParam, lParam, result)) return result;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK tabProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, tabProc, id);
    LRESULT result = 0;
    if (message == WM_NOTIFY && forwardToMainWindow(hwnd, message, wParam, lParam, result)) return result;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

void registerWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW existing{sizeof existing};
    if (GetClassInfoExW(instance, name, &existing)) return;
    WNDCLASSEXW wc{sizeof wc};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    if (!RegisterClassExW(&wc)) throw std::runtime_error("The window class " + narrow(name) + " could not be registered.");
}

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

// --- What accessibility clients read ------------------------------------------

namespace {

// Defined here: mingw-w64's oleacc import library has such names as import
// thunks, and nothing of oleacc or COM is imported.
constexpr CLSID kAccPropServicesClass{0xB5F8350B, 0x0548, 0x48B1, {0xA6, 0xEE, 0x88, 0xBD, 0x00, 0xB4, 0xA5, 0xE7}};
constexpr IID kAccPropServicesInterface{0x6E26E776, 0x04F0, 0x495D, {0x80, 0xE4, 0x33, 0x30, 0x35, 0x2E, 0x31, 0x69}};
// UI Automation's LiveSetting, which it reads from oleacc's annotations.
constexpr GUID kLiveSettingProperty{0xC12BCD8E, 0x2A8E, 0x4950, {0x8A, 0xE7, 0x36, 0x25, 0x11, 0x1D, 0x58, 0xEB}};
constexpr LONG kPolite = 1;
// EVENT_OBJECT_LIVEREGIONCHANGED, from Windows 8 on; Windows 7 ignores it.
constexpr DWORD kLiveRegionChanged = 0x8019;

}  // namespace

// A window marked a polite live region through oleacc's property services,
// for as long as this lives, which must end before the window does. COM is
// started on this thread for it, from the table's ole32 calls, only here.
class LiveRegion {
public:
    explicit LiveRegion(HWND window) : window_(window) {
        const SystemCalls& com = comCalls();
        end_ = com.coUninitialize;
        if (!com.coInitializeEx || !com.coCreateInstance || !end_) return;
        const HRESULT started = com.coInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        started_ = SUCCEEDED(started);  // S_FALSE too: every success is paired with an end
        if (FAILED(started) && started != RPC_E_CHANGED_MODE) return;
        void* services = nullptr;
        if (FAILED(com.coCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER, kAccPropServicesInterface,
                                        &services)))
            return;
        services_ = static_cast<IAccPropServices*>(services);
        VARIANT polite{};
        polite.vt = VT_I4;
        polite.lVal = kPolite;
        services_->SetHwndProp(window_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty, polite);
    }
    ~LiveRegion() {
        if (services_) {
            services_->ClearHwndProps(window_, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &kLiveSettingProperty, 1);
            services_->Release();
        }
        if (started_) end_();
    }
    LiveRegion(const LiveRegion&) = delete;
    LiveRegion& operator=(const LiveRegion&) = delete;

private:
    HWND window_;
    void(WINAPI* end_)() = nullptr;
    bool started_ = false;
    IAccPropServices* services_ = nullptr;
};

namespace {

// A client asking the status itself, not the main window, sets it up too.
LRESULT CALLBACK statusProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR label) {
    if (message == WM_NCDESTROY) {
        reinterpret_cast<LabelControl*>(label)->windowGoes();
        RemoveWindowSubclass(hwnd, statusProc, id);
    }
    if (message == WM_GETOBJECT) reinterpret_cast<LabelControl*>(label)->accessibilityAsked();
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

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
    if (isStatus()) SetWindowSubclass(hwnd_, statusProc, 1, reinterpret_cast<DWORD_PTR>(this));
    place();
}

LabelControl::~LabelControl() = default;

HBRUSH LabelControl::colours(HDC dc) {
    if (row().font != FontKind::BoldBlack) return nullptr;
    SetTextColor(dc, host().schemeColours() ? GetSysColor(COLOR_BTNTEXT) : RGB(0, 0, 0));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return GetSysColorBrush(COLOR_BTNFACE);
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
    if (heard()) NotifyWinEvent(kLiveRegionChanged, hwnd_, OBJID_CLIENT, CHILDID_SELF);
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
    if (isStatus() && hwnd_ && !liveRegion_) liveRegion_ = std::make_unique<LiveRegion>(hwnd_);
}

void LabelControl::windowGoes() {
    liveRegion_.reset();
    hwnd_ = nullptr;
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

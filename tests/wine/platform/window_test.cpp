// The real main window in-process: its controls made from the table, the
// mirrors of their state, the timers, and the key routing shared by the
// message loop and the pass over pending events.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/Layout.h"
#include "platform/win32/Text.h"
#include "platform/win32/Win32Window.h"
#include "window/ControlTable.h"

namespace {

using platform::ControlId;
using platform::ControlKind;

std::wstring classOf(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

std::wstring textOf(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

LONG_PTR styleOf(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_STYLE); }

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<win32::Win32Form>(GetModuleHandleW(nullptr));
        windows = std::make_unique<win32::Win32WindowSystem>(*form);
        form->onKeyDown = [this](std::int16_t key, std::int16_t mask) { previewed.push_back({key, mask}); };
        for (ControlId id : {ControlId::btnOK, ControlId::btnCancel, ControlId::btnApply, ControlId::btnDeleteAds,
                             ControlId::btnRunJuno, ControlId::btnClosePellmora})
            button(id).onClick = [this, id] { clicked.push_back(id); };
    }
    void TearDown() override {
        hold({});
        windows.reset();
        form.reset();
        // The window's end posted the quit that ends a program's loop; the
        // next test's window must not find it.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    HWND hwnd(ControlId id) const { return form->windowOf(id); }
    platform::Button& button(ControlId id) const { return form->get<platform::Button>(id); }
    platform::CheckBox& checkBox(ControlId id) const { return form->get<platform::CheckBox>(id); }
    ControlId focused() const {
        const int id = GetDlgCtrlID(GetFocus()) - win32::controlIdOf(ControlId::timScroll);
        return id >= 0 && id < static_cast<int>(platform::kControlCount) ? static_cast<ControlId>(id) : ControlId::None;
    }
    void showForm() {
        form->show();
        SetForegroundWindow(form->hwnd());
        settle(50);
    }
    // Keys held down for the thread's key state, as GetKeyState reads it.
    void hold(std::initializer_list<int> keys) {
        BYTE state[256] = {};
        for (int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    // A key-down as the message loop receives it, through the shared routing.
    void press(WPARAM key, std::initializer_list<int> held = {}) {
        hold(held);
        const bool alt = std::find(held.begin(), held.end(), VK_MENU) != held.end();
        MSG message{GetFocus() ? GetFocus() : form->hwnd(), static_cast<UINT>(alt ? WM_SYSKEYDOWN : WM_KEYDOWN), key,
                    alt ? (1 | (1 << 29)) : 1};
        form->route(message);
        hold({});
    }
    void settle(DWORD ms) {
        const ULONGLONG until = GetTickCount64() + ms;
        do {
            windows->doEvents();
            Sleep(5);
        } while (GetTickCount64() < until);
    }

    std::unique_ptr<win32::Win32Form> form;
    std::unique_ptr<win32::Win32WindowSystem> windows;
    struct Key {
        std::int16_t code, mask;
    };
    std::vector<Key> previewed;
    std::vector<ControlId> clicked;
};

TEST_F(Window, EveryControlIsAChildOfItsContainerAtItsTablePixels) {
    EXPECT_FALSE(IsWindowVisible(form->hwnd()));  // hidden until shown
    EXPECT_EQ(classOf(form->hwnd()), L"PellmoraMain");
    EXPECT_EQ(textOf(form->hwnd()), L"Pellmora Version 1.01");
    const LONG_PTR frame = styleOf(form->hwnd());
    EXPECT_EQ(frame & (WS_CAPTION | WS_SYSMENU), static_cast<LONG_PTR>(WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(frame & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    const UINT dpi = form->dpi();
    RECT client{};
    GetClientRect(form->hwnd(), &client);
    EXPECT_EQ(client.right, win32::twipsToPixels(4635, dpi));
    EXPECT_EQ(client.bottom, win32::twipsToPixels(4665, dpi));

    for (const platform::ControlSpec& row : pellmora::controlTable()) {
        if (row.kind == ControlKind::Timer) continue;
        SCOPED_TRACE(std::string(row.name));
        const HWND child = hwnd(row.id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(GetDlgCtrlID(child), 100 + static_cast<int>(platform::index(row.id)));
        const HWND container = row.container == ControlId::None ? form->hwnd() : hwnd(row.container);
        EXPECT_EQ(GetParent(child), container);
        RECT r{};
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, container, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, win32::twipsToPixels(row.left, dpi));
        EXPECT_EQ(r.top, win32::twipsToPixels(row.top, dpi));
        EXPECT_EQ(r.right - r.left, win32::twipsToPixels(row.width, dpi));
        EXPECT_EQ(r.bottom - r.top, win32::twipsToPixels(row.height, dpi));
        EXPECT_EQ((styleOf(child) & WS_VISIBLE) != 0, row.visible);
        const wchar_t* expected = L"";
        switch (row.kind) {
        case ControlKind::Button:
        case ControlKind::CheckBox:
        case ControlKind::Frame: expected = L"Button"; break;
        case ControlKind::TextBox: expected = L"Edit"; break;
        case ControlKind::Label: expected = L"Static"; break;
        case ControlKind::Panel: expected = L"PellmoraPanel"; break;
        case ControlKind::TabStrip: expected = WC_TABCONTROLW; break;
        case ControlKind::ProgressBar: expected = PROGRESS_CLASSW; break;
        case ControlKind::Timer: break;
        }
        EXPECT_EQ(lstrcmpiW(classOf(child).c_str(), expected), 0) << win32::narrow(classOf(child));
    }
    // The panel lies above the tab strip, which is last in the z-order.
    EXPECT_EQ(GetWindow(hwnd(ControlId::Picture1), GW_HWNDLAST), hwnd(ControlId::TabStrip1));
}

TEST_F(Window, StylesFollowEachRowsKindAndSettings) {
    const auto buttonType = [&](ControlId id) { return styleOf(hwnd(id)) & BS_TYPEMASK; };
    EXPECT_EQ(buttonType(ControlId::btnOK), BS_DEFPUSHBUTTON);
    EXPECT_EQ(buttonType(ControlId::btnCancel), BS_PUSHBUTTON);
    EXPECT_EQ(buttonType(ControlId::btnDeleteAds), BS_PUSHBUTTON);
    EXPECT_EQ(buttonType(ControlId::chkAutoRun), BS_3STATE);
    EXPECT_EQ(buttonType(ControlId::chkClosePellmora), BS_3STATE);
    EXPECT_EQ(buttonType(ControlId::fraAutoRun), BS_GROUPBOX);
    const auto staticType = [&](ControlId id) { return styleOf(hwnd(id)) & SS_TYPEMASK; };
    EXPECT_EQ(staticType(ControlId::labStatus), SS_CENTER);
    EXPECT_EQ(staticType(ControlId::labGeneral0), SS_RIGHT);
    EXPECT_EQ(staticType(ControlId::Label2), SS_LEFTNOWORDWRAP);  // one line, however long
    EXPECT_NE(styleOf(hwnd(ControlId::labStatus)) & WS_BORDER, 0);
    EXPECT_EQ(styleOf(hwnd(ControlId::Label1)) & WS_BORDER, 0);
    EXPECT_NE(styleOf(hwnd(ControlId::Label1)) & SS_NOPREFIX, 0);
    EXPECT_NE(styleOf(hwnd(ControlId::Picture1)) & WS_CLIPCHILDREN, 0);
    EXPECT_NE(styleOf(hwnd(ControlId::TabStrip1)) & TCS_TOOLTIPS, 0);
    EXPECT_EQ(textOf(hwnd(ControlId::chkRunJuno)), L"Run &Juno");
    EXPECT_EQ(textOf(hwnd(ControlId::fraAutoRun)), L"AutoRun Settings");
    EXPECT_EQ(textOf(hwnd(ControlId::labStatus)), L"");
}

TEST_F(Window, Label1IsBoldBlackSansSerifAndTheRestUseTheDialogFont) {
    const UINT dpi = form->dpi();
    const auto fontOf = [&](ControlId id) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd(id), WM_GETFONT, 0, 0)), sizeof font, &font);
        return font;
    };
    const LOGFONTW bold = fontOf(ControlId::Label1);
    EXPECT_EQ(std::wstring(bold.lfFaceName), L"MS Sans Serif");
    EXPECT_EQ(bold.lfWeight, 700);
    EXPECT_EQ(bold.lfCharSet, 0);
    EXPECT_FALSE(bold.lfItalic);
    EXPECT_FALSE(bold.lfUnderline);
    EXPECT_EQ(bold.lfHeight, -static_cast<LONG>(std::lround(8.25 * dpi / 72.0)));
    for (ControlId id : {ControlId::labStatus, ControlId::btnOK, ControlId::txtJunoPath, ControlId::TabStrip1}) {
        const LOGFONTW normal = fontOf(id);
        EXPECT_EQ(std::wstring(normal.lfFaceName), L"MS Shell Dlg");
        EXPECT_EQ(normal.lfHeight, -MulDiv(8, static_cast<int>(dpi), 72));
        EXPECT_EQ(normal.lfWeight, FW_NORMAL);
    }
    // Black text for Label1, asked of the main window through the panel.
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    const LRESULT brush =
        SendMessageW(hwnd(ControlId::Picture1), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(hwnd(ControlId::Label1)));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    DeleteDC(dc);
}

TEST_F(Window, ControlsMirrorTheLogicalStateAndKeepExactTwips) {
    platform::Label& notice = form->get<platform::Label>(ControlId::Label2);
    const auto noticeX = [&] {
        RECT r{};
        GetWindowRect(hwnd(ControlId::Label2), &r);
        MapWindowPoints(nullptr, hwnd(ControlId::Picture1), reinterpret_cast<POINT*>(&r), 2);
        return r.left;
    };
    ASSERT_EQ(form->dpi(), 96u) << "the pixel figures below are for 96 DPI";
    EXPECT_EQ(noticeX(), 250);
    notice.setLeft(3746);  // 249.73 pixels
    EXPECT_EQ(noticeX(), 250);
    notice.setLeft(3742);  // 249.47
    EXPECT_EQ(noticeX(), 249);
    EXPECT_EQ(notice.left(), 3742.0f);  // never the rounded value
    notice.setLeft(-16500.0f);
    EXPECT_EQ(noticeX(), -1100);
    notice.setCaption("Caf\xC3\xA9 notice");
    EXPECT_EQ(textOf(hwnd(ControlId::Label2)), L"Caf\u00e9 notice");

    platform::CheckBox& box = checkBox(ControlId::chkRunJuno);
    int clicks = 0;
    box.onClick = [&] { ++clicks; };
    for (std::int16_t value : {2, 0, 1}) {
        box.setValue(value);
        EXPECT_EQ(SendMessageW(hwnd(ControlId::chkRunJuno), BM_GETCHECK, 0, 0),
                  value == 0 ? BST_UNCHECKED : value == 1 ? BST_CHECKED : BST_INDETERMINATE);
    }
    EXPECT_EQ(clicks, 3);

    platform::ProgressBar& bar = form->get<platform::ProgressBar>(ControlId::pbStatus);
    bar.setMax(50000.0f);
    bar.setValue(1234.0f);
    EXPECT_EQ(SendMessageW(hwnd(ControlId::pbStatus), PBM_GETRANGE, FALSE, 0), 50000);
    EXPECT_EQ(SendMessageW(hwnd(ControlId::pbStatus), PBM_GETPOS, 0, 0), 1234);
    bar.setValue(0);
    EXPECT_EQ(SendMessageW(hwnd(ControlId::pbStatus), PBM_GETPOS, 0, 0), 0);
}

TEST_F(Window, ClicksAndTypingReachTheLogicOnceEach) {
    showForm();
    platform::CheckBox& box = checkBox(ControlId::chkDeleteAds);
    std::vector<std::int16_t> seen;
    box.onClick = [&] { seen.push_back(box.value()); };
    box.setValue(2);
    // A click on a grey box ticks it; clicks then only tick and clear.
    for (int i = 0; i < 3; ++i) SendMessageW(hwnd(ControlId::chkDeleteAds), BM_CLICK, 0, 0);
    EXPECT_EQ(seen, (std::vector<std::int16_t>{2, 1, 0, 1}));
    EXPECT_EQ(SendMessageW(hwnd(ControlId::chkDeleteAds), BM_GETCHECK, 0, 0), BST_CHECKED);

    SendMessageW(hwnd(ControlId::btnRunJuno), BM_CLICK, 0, 0);
    EXPECT_EQ(clicked, (std::vector<ControlId>{ControlId::btnRunJuno}));

    platform::TextBox& path = form->get<platform::TextBox>(ControlId::txtJunoPath);
    std::vector<std::string> changes;
    path.onChange = [&] { changes.push_back(path.text()); };
    path.setText("C:\\Caf\xC3\xA9");
    EXPECT_EQ(textOf(hwnd(ControlId::txtJunoPath)), L"C:\\Caf\u00e9");
    const HWND edit = hwnd(ControlId::txtJunoPath);
    SendMessageW(edit, EM_SETSEL, 7, 7);
    SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\\Juno"));
    EXPECT_EQ(changes, (std::vector<std::string>{"C:\\Caf\xC3\xA9", "C:\\Caf\xC3\xA9\\Juno"}));
    EXPECT_EQ(path.text(), "C:\\Caf\xC3\xA9\\Juno");
}

TEST_F(Window, TheTabHasItsCaptionKeyAndToolTip) {
    const HWND tabs = hwnd(ControlId::TabStrip1);
    ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 1);
    wchar_t caption[32] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = caption;
    item.cchTextMax = 32;
    SendMessageW(tabs, TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(caption), L"General");
    auto& strip = static_cast<win32::TabStripControl&>(form->get<platform::StaticControl>(ControlId::TabStrip1));
    EXPECT_EQ(strip.keyOf(0), "tabGeneral");

    const HWND tip = reinterpret_cast<HWND>(SendMessageW(tabs, TCM_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tip, nullptr);
    EXPECT_GE(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    // The tool tip asks for its text as it does when the mouse rests on the tab.
    NMTTDISPINFOW info{};
    info.hdr.hwndFrom = tip;
    info.hdr.idFrom = 0;
    info.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(tabs, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_NE(info.lpszText, nullptr);
    EXPECT_EQ(std::wstring(info.lpszText), L"General Pellmora Setup");
}

TEST_F(Window, TimersAreTheWindowsOwnByIdAndRestartWhenEnabled) {
    int scrolls = 0, closes = 0;
    form->timer(ControlId::timScroll).onTick = [&] { ++scrolls; };
    form->timer(ControlId::timAutoClose).onTick = [&] { ++closes; };
    settle(1100);  // timScroll runs from creation, 250 ms a tick
    EXPECT_GE(scrolls, 2);
    EXPECT_LE(scrolls, 5);
    EXPECT_EQ(closes, 0);
    // Disabled at creation: there is no system timer 101 to kill.
    EXPECT_FALSE(KillTimer(form->hwnd(), 101));
    form->timer(ControlId::timAutoClose).setEnabled(true);
    SendMessageW(form->hwnd(), WM_TIMER, 101, 0);
    EXPECT_EQ(closes, 1);
    form->timer(ControlId::timAutoClose).setEnabled(false);
    EXPECT_FALSE(KillTimer(form->hwnd(), 101));
    form->timer(ControlId::timAutoClose).setEnabled(true);
    form->timer(ControlId::timAutoClose).setEnabled(true);  // again: restarted, still one timer
    EXPECT_TRUE(KillTimer(form->hwnd(), 101));
    EXPECT_FALSE(KillTimer(form->hwnd(), 101));
}

TEST_F(Window, TabWalksTheTableOrderAcrossContainersBothWays) {
    showForm();
    ASSERT_EQ(focused(), ControlId::txtJunoPath);
    std::vector<ControlId> walked;
    for (int i = 0; i < 12; ++i) {
        press(VK_TAB);
        walked.push_back(focused());
    }
    const std::vector<ControlId> expected{
        ControlId::chkDeleteAds, ControlId::btnApply,         ControlId::btnCancel,        ControlId::btnOK,
        ControlId::btnDeleteAds, ControlId::chkAutoRun,       ControlId::chkRunJuno,       ControlId::btnRunJuno,
        ControlId::chkClosePellmora, ControlId::btnClosePellmora, ControlId::TabStrip1,  ControlId::txtJunoPath,
    };
    EXPECT_EQ(walked, expected);
    press(VK_TAB, {VK_SHIFT});
    EXPECT_EQ(focused(), ControlId::TabStrip1);
    press(VK_TAB, {VK_SHIFT});
    EXPECT_EQ(focused(), ControlId::btnClosePellmora);
    // Every Tab went through the key preview first, Shift bit and all.
    ASSERT_EQ(previewed.size(), 14u);
    EXPECT_EQ(previewed[0].code, VK_TAB);
    EXPECT_EQ(previewed[0].mask, 0);
    EXPECT_EQ(previewed[13].mask, 1);
    EXPECT_TRUE(clicked.empty());
}

TEST_F(Window, EnterPressesTheFocusedButtonOrElseOkAndEscPressesCancel) {
    showForm();
    const auto isDefault = [&](ControlId id) { return (styleOf(hwnd(id)) & BS_TYPEMASK) == BS_DEFPUSHBUTTON; };
    press(VK_RETURN);  // in the edit box
    press(VK_TAB);     // chkDeleteAds
    press(VK_RETURN);
    press(VK_TAB);  // btnApply
    EXPECT_TRUE(isDefault(ControlId::btnApply));
    EXPECT_FALSE(isDefault(ControlId::btnOK));
    press(VK_RETURN);
    press(VK_ESCAPE);
    EXPECT_EQ(clicked, (std::vector<ControlId>{ControlId::btnOK, ControlId::btnOK, ControlId::btnApply,
                                               ControlId::btnCancel}));
    press(VK_TAB, {VK_SHIFT});
    press(VK_TAB, {VK_SHIFT});  // back in the edit box: OK is the default again
    EXPECT_EQ(focused(), ControlId::txtJunoPath);
    EXPECT_TRUE(isDefault(ControlId::btnOK));
    EXPECT_FALSE(isDefault(ControlId::btnApply));
}

TEST_F(Window, ThePreviewSeesEveryKeyAndTheFocusedControlStillGetsIt) {
    showForm();
    form->get<platform::TextBox>(ControlId::txtJunoPath).setText("abc");
    const HWND edit = hwnd(ControlId::txtJunoPath);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 1, 1);
    press(VK_END);
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 3u);
    EXPECT_EQ(end, 3u);
    press(VK_HOME, {VK_SHIFT, VK_CONTROL});  // extends the selection to the start
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    ASSERT_EQ(previewed.size(), 2u);
    EXPECT_EQ(previewed[0].code, VK_END);
    EXPECT_EQ(previewed[0].mask, 0);
    EXPECT_EQ(previewed[1].code, VK_HOME);
    EXPECT_EQ(previewed[1].mask, 3);

    // The pass over pending events routes the same way.
    hold({VK_SHIFT});
    PostMessageW(edit, WM_KEYDOWN, VK_SHIFT, 1);
    windows->doEvents();
    hold({});
    ASSERT_EQ(previewed.size(), 3u);
    EXPECT_EQ(previewed[2].code, VK_SHIFT);
    EXPECT_EQ(previewed[2].mask, 1);
}

TEST_F(Window, AccessKeysPressAUniqueControlAndCycleThroughAShared) {
    showForm();
    checkBox(ControlId::chkDeleteAds).setValue(1);
    press('E', {VK_MENU});  // D&elete All Ads
    EXPECT_EQ(focused(), ControlId::chkDeleteAds);
    EXPECT_EQ(checkBox(ControlId::chkDeleteAds).value(), 0);
    press('C', {VK_MENU});  // &Cancel and &Close Pellmora Now: focus only
    EXPECT_EQ(focused(), ControlId::btnCancel);
    press('C', {VK_MENU});
    EXPECT_EQ(focused(), ControlId::btnClosePellmora);
    press('C', {VK_MENU});
    EXPECT_EQ(focused(), ControlId::btnCancel);
    EXPECT_TRUE(clicked.empty());
    press('R', {VK_MENU});
    EXPECT_EQ(clicked, (std::vector<ControlId>{ControlId::btnRunJuno}));
    // Without Alt too, where the focus is not typing text.
    press('D');
    EXPECT_EQ(clicked.back(), ControlId::btnDeleteAds);
    press('D', {VK_CONTROL});
    SetFocus(hwnd(ControlId::txtJunoPath));
    press('A');
    EXPECT_EQ(clicked.size(), 2u);
    press('A', {VK_MENU});
    EXPECT_EQ(clicked.back(), ControlId::btnApply);
}

TEST_F(Window, MovedAndMeasuredInTwips) {
    const UINT dpi = form->dpi();
    form->move(1500, 3000);
    RECT r{};
    GetWindowRect(form->hwnd(), &r);
    EXPECT_EQ(r.left, win32::twipsToPixels(1500, dpi));
    EXPECT_EQ(r.top, win32::twipsToPixels(3000, dpi));
    EXPECT_FLOAT_EQ(form->outerWidth(), win32::pixelsToTwips(r.right - r.left, dpi));
    EXPECT_FLOAT_EQ(form->outerHeight(), win32::pixelsToTwips(r.bottom - r.top, dpi));
    EXPECT_GT(form->outerHeight(), 4665.0f);  // the title bar comes on top of the client area
    EXPECT_FLOAT_EQ(windows->screenWidth(), win32::pixelsToTwips(GetSystemMetrics(SM_CXSCREEN), dpi));
    EXPECT_FALSE(form->visible());
    form->show();
    EXPECT_TRUE(form->visible());
}

}  // namespace
